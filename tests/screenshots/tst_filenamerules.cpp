#include "screenshots/filenamerules.h"

#include <QTest>

using namespace quillmore;

class TestFilenameRules : public QObject {
    Q_OBJECT

private slots:
    void cleaning_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("zero-width space and joiner dropped")
            << QStringLiteral("IMG\u200B_0001\u200D.jpg") << "IMG_0001.jpg";
        QTest::newRow("soft hyphen and BOM dropped") << QStringLiteral("\uFEFFIMG\u00AD_1") << "IMG_1";
        QTest::newRow("composed to Form C") << QStringLiteral("Zoe\u0308.jpg") << QStringLiteral("Zo\u00EB.jpg");
        QTest::newRow("tabs, line breaks, NEL and no-break spaces trimmed")
            << QStringLiteral("\t\n\u0085\u00A0 IMG 1 \u2028\u2029\r") << "IMG 1";
        QTest::newRow("inner spaces stay") << "  a  b  "
                                           << "a  b";
        QTest::newRow("empty") << ""
                               << "";
    }
    void cleaning()
    {
        QFETCH(QString, text);
        QFETCH(QString, cleaned);
        QCOMPARE(cleanRecognizedText(text), cleaned);
        QCOMPARE(cleanRecognizedText(cleanRecognizedText(text)), cleaned);
    }

    void tokens_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("tokens");
        const QString base128 = QStringLiteral("A") + QString(127, QLatin1Char('b'));
        const QString base129 = base128 + QLatin1Char('c');
        const QString bare128 = QStringLiteral("A_1") + QString(125, QLatin1Char('x'));
        QTest::newRow("full name") << "IMG_0001.jpg" << QStringList{"IMG_0001.jpg"};
        QTest::newRow("extension case kept") << "IMG_0001.JPEG" << QStringList{"IMG_0001.JPEG"};
        QTest::newRow("two names in order")
            << "Selected: IMG_0001.jpg, IMG_0002.jpg" << QStringList{"IMG_0001.jpg", "IMG_0002.jpg"};
        QTest::newRow("word without number") << "Selected" << QStringList{};
        QTest::newRow("bare base name") << "IMG_0001" << QStringList{"IMG_0001"};
        QTest::newRow("four numbers in a row") << "DSC01234" << QStringList{"DSC01234"};
        QTest::newRow("no separator, no four numbers") << "A1B2" << QStringList{};
        QTest::newRow("hyphen") << "COVID-19" << QStringList{"COVID-19"};
        QTest::newRow("RAW extension") << "IMG_0001.CR2" << QStringList{};
        QTest::newRow("RAW extension, four numbers") << "DSC01234.ARW" << QStringList{};
        QTest::newRow("longer extension") << "IMG_0001.jpgx" << QStringList{};
        QTest::newRow("final dot") << "IMG_0001.jpg." << QStringList{"IMG_0001.jpg"};
        QTest::newRow("date") << "2024-05-01" << QStringList{};
        QTest::newRow("number") << "12345" << QStringList{};
        QTest::newRow("space splits the run") << "Smith 0042" << QStringList{};
        QTest::newRow("leading hyphen") << "-IMG_0001.jpg" << QStringList{};
        QTest::newRow("two leading underscores") << "__IMG_0001.jpg" << QStringList{};
        QTest::newRow("one leading underscore") << "_MG_4567.jpg" << QStringList{"_MG_4567.jpg"};
        QTest::newRow("after a dot") << "a.IMG_0001.jpg" << QStringList{"IMG_0001.jpg"};
        QTest::newRow("base of 128") << base128 + ".jpg" << QStringList{base128 + ".jpg"};
        QTest::newRow("base of 129") << base129 + ".jpg" << QStringList{};
        QTest::newRow("bare run of 128") << bare128 << QStringList{bare128};
        QTest::newRow("bare run of 129") << bare128 + "y" << QStringList{};
        QTest::newRow("zero-width space inside") << QStringLiteral("IMG\u200B_0001.jpg") << QStringList{"IMG_0001.jpg"};
        QTest::newRow("accented client name")
            << QStringLiteral("\u0141ukasz_0231.jpg  4.2 MB") << QStringList{QStringLiteral("\u0141ukasz_0231.jpg")};
        QTest::newRow("decomposed accent composed")
            << QStringLiteral("Zoe\u0308_2041.jpg") << QStringList{QStringLiteral("Zo\u00EB_2041.jpg")};
        QTest::newRow("sizes and dates beside") << "IMG_7170.JPG   18.9 MB   2024-12-11" << QStringList{"IMG_7170.JPG"};
    }
    void tokens()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, tokens);
        QCOMPARE(extractFilenameTokens(line), tokens);
    }

    void nameNumber_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("candidate"); // empty: none
        QTest::newRow("word and number") << "Smith 0042"
                                         << "Smith_0042";
        QTest::newRow("punctuation around")
            << QStringLiteral("\u2022 Anne-Marie   123456 \u2713") << "Anne-Marie_123456";
        QTest::newRow("case kept") << "smith 0042"
                                   << "smith_0042";
        QTest::newRow("three numbers") << "Smith 123"
                                       << "";
        QTest::newRow("thirteen numbers") << "Smith 1234567890123"
                                          << "";
        QTest::newRow("one-letter word") << "A 1234"
                                         << "";
        QTest::newRow("two words") << "Smith Jones 1234"
                                   << "";
        QTest::newRow("already joined") << "Smith_1234"
                                        << "";
        QTest::newRow("accented word") << QStringLiteral("Zo\u00EB 2041") << QStringLiteral("Zo\u00EB_2041");
    }
    void nameNumber()
    {
        QFETCH(QString, line);
        QFETCH(QString, candidate);
        const auto result = nameNumberCandidate(line);
        QCOMPARE(result.value_or(QString()), candidate);
        QCOMPARE(result.has_value(), !candidate.isEmpty());
    }

    // The names a recognised line (one box, or the pieces of one label) shows.
    void namesInLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("plain") << "IMG_0001.jpg" << QStringList{"IMG_0001.jpg"};
        QTest::newRow("two names") << "IMG_0001.jpg IMG_0002.jpg" << QStringList{"IMG_0001.jpg", "IMG_0002.jpg"};
        QTest::newRow("whole with a space") << "Smith Wedding-0042.jpg" << QStringList{"Smith Wedding-0042.jpg"};
        QTest::newRow("whole with dots") << "2024.05.01_shoot_001.jpg" << QStringList{"2024.05.01_shoot_001.jpg"};
        QTest::newRow("two spaced names stay two")
            << "Smith Wedding-0042.jpg Smith Wedding-0043.jpg" << QStringList{"Wedding-0042.jpg", "Wedding-0043.jpg"};
        QTest::newRow("icon read as a letter") << "g IMG_2231.jpg" << QStringList{"IMG_2231.jpg"};
        QTest::newRow("icon read as two letters")
            << QStringLiteral("\u00C6\u00E6 DSCF7316.jpeg") << QStringList{"DSCF7316.jpeg"};
        QTest::newRow("short word inside") << "Jan de Vries 0042.jpg" << QStringList{"Jan de Vries 0042.jpg"};
        QTest::newRow("name beside a size") << "IMG_0001.jpg 2.3 MB" << QStringList{"IMG_0001.jpg"};
        QTest::newRow("ellipsis in the middle") << QStringLiteral("Hendriksen-Bak\u20260117.jpg") << QStringList{};
        QTest::newRow("three dots in the middle") << "Hendriksen-Bak...0117.jpg" << QStringList{};
        // A dot where the ellipsis was cannot be told from a dotted name: the whole, never the tail.
        QTest::newRow("ellipsis read as a dot") << "Hendriksen-Bak.0117.jpg" << QStringList{"Hendriksen-Bak.0117.jpg"};
        QTest::newRow("tail after a dot") << "Hendriksen-Bak.0117.jpg 2 MB" << QStringList{};
        QTest::newRow("ellipsis at the end") << QStringLiteral("Hendriksen-Bakker_2023\u2026") << QStringList{};
        QTest::newRow("dots at the end") << "Hendriksen-Bakker_2023..." << QStringList{};
        QTest::newRow("other name on the line kept")
            << QStringLiteral("IMG_0001.jpg Hendriksen-Bak\u20260117.jpg") << QStringList{"IMG_0001.jpg"};
        QTest::newRow("RAW file") << "IMG_0001.CR2" << QStringList{};
        QTest::newRow("bare name") << "IMG_0001" << QStringList{"IMG_0001"};
        QTest::newRow("dot lost before the extension") << "P1000123JPG" << QStringList{};
        QTest::newRow("dot read as a hyphen") << "Okafor_Family-0007-jpg" << QStringList{};
        QTest::newRow("dot read as an underscore") << "_DSC1234_Jpeg" << QStringList{};
    }
    void namesInLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, names);
        QCOMPARE(screenshotNamesInLine(line), names);
    }

    void namesOnScreenshot_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<QStringList>>("names");
        QTest::newRow("extensions shown")
            << QStringList{"IMG_0001.jpg", "IMG_0002.JPG", "Anne-Marie_0018", "IMG_0003.jpeg 2 MB"}
            << QList<QStringList>{{"IMG_0001.jpg"}, {"IMG_0002.JPG"}, {}, {"IMG_0003.jpeg"}};
        QTest::newRow("extensions hidden") << QStringList{"IMG_0001", "IMG_0002", "IMG_0003.jpg"}
                                           << QList<QStringList>{{"IMG_0001"}, {"IMG_0002"}, {"IMG_0003.jpg"}};
        QTest::newRow("as many of each") << QStringList{"IMG_0001.jpg", "IMG_0002"}
                                         << QList<QStringList>{{"IMG_0001.jpg"}, {"IMG_0002"}};
        QTest::newRow("counted by name, not by line") << QStringList{"IMG_0001.jpg IMG_0002.jpg", "Shoot_2024", "Notes"}
                                                      << QList<QStringList>{{"IMG_0001.jpg", "IMG_0002.jpg"}, {}, {}};
        QTest::newRow("no names") << QStringList{"Size", "Modified"} << QList<QStringList>{{}, {}};
        QTest::newRow("no lines") << QStringList{} << QList<QStringList>{};
    }
    void namesOnScreenshot()
    {
        QFETCH(QStringList, lines);
        QFETCH(QList<QStringList>, names);
        QCOMPARE(screenshotNamesInLines(lines), names);
    }

    void validity_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("full name") << "IMG_1.jpg" << true;
        QTest::newRow("spaces trimmed, upper case") << " IMG_1.JPG " << true;
        QTest::newRow("bare") << "IMG_1" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("png") << "IMG_1.png" << false;
        QTest::newRow("word") << "photo" << false;
        QTest::newRow("zero-width space only") << QStringLiteral("\u200B") << false;
        // Any name a picture file can have, as the folder mode takes it.
        QTest::newRow("inner space") << "IMG 1.jpg" << true;
        QTest::newRow("words and a number") << "Smith Wedding-0042.jpg" << true;
        QTest::newRow("dotted date") << "2024.05.01_shoot_001.jpg" << true;
        QTest::newRow("double extension") << "IMG_1.jpg.jpg" << true;
        QTest::newRow("signs") << "Anne & Tom (2) #3.JPG" << true;
        QTest::newRow("bare with a space") << "Smith Wedding-0042" << true;
        QTest::newRow("bare dotted date") << "2024.05.01_shoot_001" << true;
        QTest::newRow("other extension") << "IMG_1.tiff" << false;
        QTest::newRow("slash") << "a/IMG_1.jpg" << false;
        QTest::newRow("control character") << QStringLiteral("IMG\u0007_1.jpg") << false;
        QTest::newRow("extension only") << ".jpg" << false;
        QTest::newRow("too long for a file") << QString(252, QLatin1Char('a')) + ".jpg" << false;
        QTest::newRow("bare words only") << "Smith Wedding" << false;
    }
    void validity()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(isValidScreenshotName(name), valid);
    }

    void key_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::newRow("jpg") << "IMG_1.jpg"
                             << "IMG_1";
        QTest::newRow("jpeg upper") << "IMG_1.JPEG"
                                    << "IMG_1";
        QTest::newRow("bare") << "IMG_1"
                              << "IMG_1";
        QTest::newRow("case kept") << "img_1.jpg"
                                   << "img_1";
        QTest::newRow("decomposed") << QStringLiteral("e\u0301.jpg") << QStringLiteral("\u00E9");
        QTest::newRow("precomposed") << QStringLiteral("\u00E9.jpg") << QStringLiteral("\u00E9");
        QTest::newRow("leading dot kept") << ".jpg"
                                          << ".jpg";
        QTest::newRow("cleaned first") << QStringLiteral(" IMG_1.jpg\u200B ") << "IMG_1";
        QTest::newRow("inner dots of a full name") << "2024.05.01_shoot_001.jpg"
                                                   << "2024.05.01_shoot_001";
        QTest::newRow("inner dots of a bare name") << "2024.05.01_shoot_001"
                                                   << "2024.05.01_shoot_001";
        QTest::newRow("inner space") << "Smith Wedding-0042.JPG"
                                     << "Smith Wedding-0042";
    }
    void key()
    {
        QFETCH(QString, name);
        QFETCH(QString, key);
        QCOMPARE(screenshotNameKey(name), key);
    }
};

QTEST_APPLESS_MAIN(TestFilenameRules)
#include "tst_filenamerules.moc"
