#include "localization.h"

#include <QDirIterator>
#include <QLocale>
#include <QMutex>
#include <QTranslator>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

namespace quillmore {
namespace {

constexpr const char *kContext = "Quillmore";

struct Catalogue {
    QMutex mutex;
    bool loaded = false;
    QString languageCode;                                  // empty: the user's languages
    std::vector<std::unique_ptr<QTranslator>> translators; // asked in order
};

Catalogue &catalogue()
{
    static Catalogue c;
    return c;
}

void loadLanguage(std::vector<std::unique_ptr<QTranslator>> &into, const QString &code)
{
    QDirIterator it(QStringLiteral(":/i18n"), {QStringLiteral("*_") + code + QStringLiteral(".qm")}, QDir::Files);
    QStringList files;
    while (it.hasNext())
        files << it.next();
    files.sort();
    for (const QString &file : files) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(file))
            into.push_back(std::move(translator));
    }
}

const std::vector<std::unique_ptr<QTranslator>> &translators()
{
    Catalogue &c = catalogue();
    QMutexLocker lock(&c.mutex);
    if (!c.loaded) {
        QStringList languages;
        if (!c.languageCode.isEmpty()) {
            languages << c.languageCode;
        } else {
            for (const QString &ui : QLocale::system().uiLanguages())
                languages << ui.section(QLatin1Char('-'), 0, 0).toLower();
        }
        for (const QString &lang : languages) {
            if (lang != QLatin1String("en") && lang.size() == 2) {
                loadLanguage(c.translators, lang);
                break;
            }
            if (lang == QLatin1String("en"))
                break;
        }
        loadLanguage(c.translators, QStringLiteral("en"));
        c.loaded = true;
    }
    return c.translators;
}

} // namespace

QString localized(const char *key)
{
    for (const auto &translator : translators()) {
        const QString text = translator->translate(kContext, key);
        if (!text.isEmpty())
            return text;
    }
    return QString::fromUtf8(key);
}

QString localizedCount(const char *key, qint64 count)
{
    const int n = int(std::clamp<qint64>(count, INT_MIN, INT_MAX));
    QString text = QString::fromUtf8(key);
    for (const auto &translator : translators()) {
        const QString found = translator->translate(kContext, key, nullptr, n);
        if (!found.isEmpty()) {
            text = found;
            break;
        }
    }
    return text.replace(QLatin1String("%n"), QLocale().toString(count));
}

QString localized(const QString &key)
{
    return localized(key.toUtf8().constData());
}

void setTextLanguage(const QString &languageCode)
{
    Catalogue &c = catalogue();
    QMutexLocker lock(&c.mutex);
    c.languageCode = languageCode;
    c.translators.clear();
    c.loaded = false;
}

} // namespace quillmore
