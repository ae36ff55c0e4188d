#include "selectionreader.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/filewalk.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <cerrno>

namespace quillmore {

SelectionReadResult SelectionReader::readSelection(const FileURL &folder, std::stop_token stop)
{
    std::lock_guard serial(m_serial);
    SelectionReadResult result;

    DirectoryWalk walk;
    DirectoryWalk::Options options;
    options.stop = stop;
    const bool opened = walk.open(
        folder,
        [&](const QString &path, int) { result.warnings.append(makeWarning(path, L10N("warning.file.unreadable"))); },
        options);
    if (!opened)
        throw FailureError(FailureCode::selectionUnreadable, errno, folder);

    const ExtensionSet extensions(jpegExtensions());
    while (walk.next()) {
        throwIfCancelled(stop);
        if (!walk.valuesReadable()) {
            result.warnings.append(makeWarning(walk.path(), L10N("warning.file.unreadable")));
            continue;
        }
        switch (walk.kind()) {
        case DirectoryWalk::Kind::symbolicLink: walk.skipDescendants(); continue;
        case DirectoryWalk::Kind::directory:
            continue; // hidden folders are never reported, and nothing here is a package
        case DirectoryWalk::Kind::file: break;
        }
        if (!extensions.contains(walk.nameBytes()))
            continue;
        const QString name = walk.name();
        SelectedJPEG selection;
        selection.id = makeId();
        selection.fileName = name;
        selection.localURL = walk.path();
        selection.baseName = baseName(name);
        result.selections.append(std::move(selection));
    }
    throwIfCancelled(stop);

    // By the path below the folder, which every path starts with (the walk joins names to the
    // same standardised path): collation keys cost by the length of what they cover. (Cut at a
    // separator only: numbers are compared by value, and "1" + "2" does not order as "2" does.)
    QString root = standardizedPath(folder);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    const qsizetype below = root.size();
    sortByLocalizedStandard(result.selections,
                            [below](const SelectedJPEG &s) { return QStringView(*s.localURL).mid(below); });
    return result;
}

} // namespace quillmore
