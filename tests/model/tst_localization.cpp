// Every text key written in the code has an English text, and every Dutch text uses the same
// placeholders as the English one, so a user never sees a raw key or a missing value.

#include "model/localization.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

using namespace quillmore;

namespace {

QMap<QString, QString> readTs(const QString &language, QStringList *duplicates = nullptr)
{
    QMap<QString, QString> texts;
    QDirIterator it(QStringLiteral(QUILLMORE_SOURCE_DIR "/i18n"),
                    {QStringLiteral("*_") + language + QStringLiteral(".ts")});
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QXmlStreamReader xml(&file);
        QString source;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.isStartElement() && xml.name() == QLatin1String("translation")) {
                if (texts.contains(source) && duplicates)
                    *duplicates << source;
                // Plural messages hold one <numerusform> per form: their texts, joined.
                texts.insert(source, xml.readElementText(QXmlStreamReader::IncludeChildElements));
            }
        }
    }
    return texts;
}

QSet<QString> placeholders(const QString &text)
{
    QSet<QString> out;
    static const QRegularExpression re(QStringLiteral("%\\d+|%n"));
    for (auto m = re.globalMatch(text); m.hasNext();)
        out.insert(m.next().captured());
    return out;
}

} // namespace

class TestLocalization : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setTextLanguage(QStringLiteral("en")); }
    void everyKeyInTheCodeHasAnEnglishText();
    void dutchTextsKeepThePlaceholders();
    void everyKeyHasOneText();
    void englishLookupWorks_data();
    void englishLookupWorks();
    void unknownKeyComesBackAsItself();
    void pluralForms_data();
    void pluralForms();
};

void TestLocalization::everyKeyInTheCodeHasAnEnglishText()
{
    static const QRegularExpression use(QStringLiteral("(?:localized|L10N)\\(\\s*\"([^\"]+)\""));
    QStringList missing;
    int found = 0;
    QDirIterator it(QStringLiteral(QUILLMORE_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString source = QString::fromUtf8(file.readAll());
        for (auto m = use.globalMatch(source); m.hasNext();) {
            const QString key = m.next().captured(1);
            if (key == QLatin1String("key"))
                continue; // the macro's own definition
            ++found;
            if (localized(key) == key)
                missing << key + QStringLiteral(" (") + QFileInfo(path).fileName() + QLatin1Char(')');
        }
    }
    QVERIFY(found > 20);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
}

void TestLocalization::dutchTextsKeepThePlaceholders()
{
    const auto english = readTs(QStringLiteral("en"));
    const auto dutch = readTs(QStringLiteral("nl"));
    QVERIFY(!english.isEmpty());
    QStringList wrong;
    for (auto it = dutch.cbegin(); it != dutch.cend(); ++it) {
        if (!english.contains(it.key()))
            wrong << it.key() + QStringLiteral(" has no English text");
        else if (placeholders(english.value(it.key())) != placeholders(it.value()))
            wrong << it.key() + QStringLiteral(" has other placeholders");
    }
    for (auto it = english.cbegin(); it != english.cend(); ++it)
        if (it.value().trimmed().isEmpty())
            wrong << it.key() + QStringLiteral(" has an empty English text");
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
}

void TestLocalization::everyKeyHasOneText()
{
    // A key written in two files would show whichever file happens to load first.
    for (const QString &language : {QStringLiteral("en"), QStringLiteral("nl")}) {
        QStringList duplicates;
        readTs(language, &duplicates);
        QVERIFY2(duplicates.isEmpty(),
                 qPrintable(language + QStringLiteral(": ") + duplicates.join(QStringLiteral(", "))));
    }
}

void TestLocalization::englishLookupWorks_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "--dest"
                           << "/x"
                           << "--dest “/x” cannot be used: why.";
    // Each value is put in once: a placeholder inside an earlier value is not filled again.
    QTest::newRow("placeholder in a value") << "--dest"
                                            << "/%3%2"
                                            << "--dest “/%3%2” cannot be used: why.";
    QTest::newRow("placeholder in the first value") << "%2"
                                                    << "/x"
                                                    << "%2 “/x” cannot be used: why.";
}

void TestLocalization::englishLookupWorks()
{
    QFETCH(QString, option);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(localized("selection.status.notFound"), QStringLiteral("Not found"));
    QCOMPARE(localized("cli.error.unusableFolder", option, value, QStringLiteral("why")), expected);
}

void TestLocalization::unknownKeyComesBackAsItself()
{
    QCOMPARE(localized("no.such.key"), QStringLiteral("no.such.key"));
}

void TestLocalization::pluralForms_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("en one") << "en" << qint64(1) << "1 picture checked";
    QTest::newRow("en many") << "en" << qint64(25) << "25 pictures checked";
    QTest::newRow("en none") << "en" << qint64(0) << "0 pictures checked";
    QTest::newRow("nl one") << "nl" << qint64(1) << "1 foto bekeken";
    QTest::newRow("nl many") << "nl" << qint64(2) << "2 foto's bekeken";
}

void TestLocalization::pluralForms()
{
    QFETCH(QString, language);
    QFETCH(qint64, count);
    QFETCH(QString, text);
    setTextLanguage(language);
    const QString shown = localizedCount(L10N("summary.checked"), count);
    setTextLanguage(QStringLiteral("en"));
    QCOMPARE(shown, text);
}

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_localization.moc"
