#pragma once

// A recursive, depth-first walk of a folder that reads each directory's entries with their
// types and reads further metadata (size, dates, identity) only for the entries that ask for
// it. Hidden entries (names that begin with a full stop) are never reported. Symbolic links are
// reported but never followed. Folders are descended into after they are reported, unless the
// caller skips them. Entries that are neither regular files, folders nor symbolic links
// (FIFOs, sockets, devices) are not reported: they are not pictures, and reading one could
// block.
//
// Every path is the walked folder's path joined with the names below it, so when the root is
// standardised every reported path is too.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmore {

struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity &) const = default;
};

struct FileMetadata {
    std::optional<qint64> size;
    std::optional<QDateTime> modificationDate;
    std::optional<FileIdentity> identity;
};

class DirectoryWalk {
public:
    enum class Kind { file, directory, symbolicLink };

    // Called for an entry the walk cannot read (a folder it cannot open or list), with the
    // entry's path and the error number; the walk then goes on with the next entry.
    using ErrorHandler = std::function<void(const QString &path, int error)>;

    DirectoryWalk();
    ~DirectoryWalk();
    DirectoryWalk(const DirectoryWalk &) = delete;
    DirectoryWalk &operator=(const DirectoryWalk &) = delete;

    // Opens the walk of `root`. False, with errno set, when the folder cannot be opened.
    bool open(const QString &root, ErrorHandler onError);

    // Moves to the next entry; false at the end. Before moving on, descends into the current
    // entry when it is a folder that was not skipped.
    bool next();

    // The current entry.
    std::string_view nameBytes() const { return m_name; } // last component, as on disk
    QString name() const;                      // decoded (see decodePath)
    QString path() const;                      // root joined with the names below it
    std::string_view pathBytes() const;
    std::string_view relativePathBytes() const; // below the root, without a leading slash
    // False when the entry's type could not be read (the entry vanished, or the file system
    // refused); its kind is then unknown and should be treated as unreadable.
    bool valuesReadable() const { return m_currentReadable; }
    Kind kind() const { return m_currentKind; }
    // Size, modification date and identity, read on demand. False when they cannot be read.
    bool readMetadata(FileMetadata &out) const;

    // Do not descend into the current entry.
    void skipDescendants() { m_skipCurrent = true; }

private:
    struct Frame;
    void pushCurrent();
    bool loadFrame(Frame &frame);
    const std::string &currentPath() const;

    ErrorHandler m_onError;
    std::vector<Frame *> m_stack;
    std::vector<char> m_buffer; // directory entries as the kernel returns them
    QByteArray m_rootPath;
    std::size_t m_rootLength = 0;
    std::string_view m_name;          // the current entry's name, in its frame's name table
    mutable std::string m_path;       // the current entry's path, made when first asked for
    mutable bool m_pathValid = false;
    bool m_hasCurrent = false;
    bool m_skipCurrent = false;
    bool m_currentReadable = true;
    Kind m_currentKind = Kind::file;
};

} // namespace quillmore
