// Recognised boxes made into lines without the engine: the mendings proposed for what the
// recogniser misreads, and the pieces of wrapped icon labels joined into one line.

#include "screenshots/textrecognizer.h"

#include <QTest>

using namespace quillmore;

namespace {

QStringList texts(const QList<RecognizedTextLine> &lines)
{
    QStringList result;
    for (const auto &line : lines)
        result << line.text;
    return result;
}

} // namespace

class TestTextLines : public QObject {
    Q_OBJECT

private slots:
    // ---- the mendings proposed for what the engine misreads ----

    void mendingProposals_data()
    {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("repaired");
        QTest::newRow("O in a Sony number") << "DSCO2880.JPG"
                                            << "DSC02880.JPG";
        QTest::newRow("O after P") << "PO144621.JPG  4.1 MB"
                                   << "P0144621.JPG  4.1 MB";
        QTest::newRow("lower-case o") << "IMG_o123.jpg"
                                      << "IMG_0123.jpg";
        QTest::newRow("a word stays") << "Portrait_2041.jpg"
                                      << "Portrait_2041.jpg";
        QTest::newRow("not all digits after the prefix") << "PHOTO2024.jpg"
                                                         << "PHOTO2024.jpg";
        QTest::newRow("prefix inside a run") << "xDSCO2880"
                                             << "xDSCO2880";
        QTest::newRow("too few digits") << "DSCOO1"
                                        << "DSCOO1";
        QTest::newRow("lost underscore of _MG_") << "MG_5572.JPG"
                                                 << "_MG_5572.JPG";
        QTest::newRow("MG_ word stays") << "MG_ROOM"
                                        << "MG_ROOM";
        QTest::newRow("dot read as a space") << "DSC05892 jpeg"
                                             << "DSC05892.jpeg";
        QTest::newRow("dot read as nothing") << "bruiloft_kerk_8106JPG"
                                             << "bruiloft_kerk_8106.JPG";
        QTest::newRow("dot read as a comma") << "IMG_2441,jpg 2.3 MB"
                                             << "IMG_2441.jpg 2.3 MB";
        QTest::newRow("dot kept") << "IMG_2441.jpg"
                                  << "IMG_2441.jpg";
        QTest::newRow("a word before jpg stays") << "photo jpg"
                                                 << "photo jpg";
        QTest::newRow("jpgx stays") << "IMG_1 jpgx"
                                    << "IMG_1 jpgx";
        QTest::newRow("two spaces stay") << "IMG_1  jpg"
                                         << "IMG_1  jpg";
        QTest::newRow("O in the number after the underscore") << "Olafur_09O1.jpg"
                                                              << "Olafur_0901.jpg";
        QTest::newRow("l at the end of the number") << "Olafur_090l"
                                                    << "Olafur_0901";
        QTest::newRow("1 and its dot read as L") << "IMG_223L.jpg"
                                                 << "IMG_2231.jpg";
        QTest::newRow("L in a camera number") << "DSCF778L.jpg"
                                              << "DSCF7781.jpg";
        QTest::newRow("L in a camera number after O") << "DSCO02L.JPG"
                                                      << "DSC0021.JPG";
        QTest::newRow("L in a word stays") << "DSCF_Lab_1.jpg"
                                           << "DSCF_Lab_1.jpg";
        QTest::newRow("a word after the underscore stays") << "de_Vries_1376.jpg"
                                                           << "de_Vries_1376.jpg";
        QTest::newRow("letters only stay") << "Smith_Old.jpg"
                                           << "Smith_Old.jpg";
        QTest::newRow("one digit is not enough") << "Party_lOl.jpg"
                                                 << "Party_lOl.jpg";
        QTest::newRow("g read as 9") << "Zoe_2041.jp9 2 MB"
                                     << "Zoe_2041.jpg 2 MB";
        QTest::newRow("jpe9") << "IMG_0001.jpe9"
                              << "IMG_0001.jpeg";
        QTest::newRow(".j read as jj") << "Zoe_2041jjpg"
                                       << "Zoe_2041.jpg";
        QTest::newRow("9 as a number stays") << "IMG_0001.jp9x"
                                             << "IMG_0001.jp9x";
        QTest::newRow("stroke of Ł read before it") << "tŁukasz_0231.jpg"
                                                    << "Łukasz_0231.jpg";
        QTest::newRow("stroke of Ł read after it") << "Łtukasz_0231.jpg"
                                                   << "Łukasz_0231.jpg";
        QTest::newRow("and both") << "tŁtucja_3109.jpg 2 MB"
                                  << "Łucja_3109.jpg 2 MB";
        QTest::newRow("t inside a word stays") << "Matłok_1.jpg"
                                               << "Matłok_1.jpg";
        QTest::newRow("Łt before a consonant stays") << "Łtk_1"
                                                     << "Łtk_1";
    }
    void mendingProposals()
    {
        QFETCH(QString, read);
        QFETCH(QString, repaired);
        QCOMPARE(mendReading(read), repaired);
    }

    // ---- wrapped icon labels ----

    void wrappedLabels_data()
    {
        QTest::addColumn<QList<OcrTextBox>>("input");
        QTest::addColumn<QStringList>("lines");
        // An icon label under its icon, centred, wrapped after an underscore.
        QTest::newRow("two pieces") << QList<OcrTextBox>{{QRect(100, 200, 120, 16), "Hochzeit_Garten_", 0.9f},
                                                         {QRect(125, 218, 70, 16), "0417.jpg", 0.8f}}
                                    << QStringList{"Hochzeit_Garten_0417.jpg"};
        QTest::newRow("three pieces") << QList<OcrTextBox>{{QRect(100, 200, 120, 16), "family_shoot_", 0.9f},
                                                           {QRect(102, 218, 116, 16), "beach_2024_05_", 0.9f},
                                                           {QRect(130, 236, 60, 16), "0001.jpg", 0.9f}}
                                      << QStringList{"family_shoot_beach_2024_05_0001.jpg"};
        // A selected label is shown whole, over as many lines as it takes; no run of its last
        // pieces is a name of its own.
        QTest::newRow("a selected label over six lines")
            << QList<OcrTextBox>{{QRect(630, 336, 270, 33), "Abbing-Hendriksen_", 0.9f},
                                 {QRect(700, 370, 132, 34), "Wedding_", 0.9f},
                                 {QRect(660, 404, 214, 33), "Ceremony_and_", 0.9f},
                                 {QRect(638, 438, 258, 32), "Reception_Utrecht_", 0.9f},
                                 {QRect(635, 472, 260, 31), "Kasteel_2023_0117.", 0.9f},
                                 {QRect(741, 507, 49, 34), "jpg", 0.9f}}
            << QStringList{"Abbing-Hendriksen_Wedding_Ceremony_and_Reception_Utrecht_Kasteel_2023_0117.jpg"};
        QTest::newRow("a row lined up on the left under a label of three lines stays")
            << QList<OcrTextBox>{{QRect(100, 200, 150, 16), "Hendriksen-Bakker_", 0.9f},
                                 {QRect(130, 218, 90, 16), "Wedding_", 0.9f},
                                 {QRect(115, 236, 120, 16), "Ceremony_and_", 0.9f},
                                 {QRect(100, 254, 110, 16), "IMG_7002.jpeg", 0.9f}}
            << QStringList{"Hendriksen-Bakker_Wedding_Ceremony_and_", "IMG_7002.jpeg"};
        // List rows: each a whole name, left-aligned and of one width.
        QTest::newRow("rows of whole names") << QList<OcrTextBox>{{QRect(100, 200, 90, 16), "IMG_0001", 0.9f},
                                                                  {QRect(100, 218, 90, 16), "IMG_0002", 0.9f}}
                                             << QStringList{"IMG_0001", "IMG_0002"};
        QTest::newRow("a RAW name above a picture name")
            << QList<OcrTextBox>{{QRect(100, 200, 100, 16), "IMG_0640.CR2", 0.9f},
                                 {QRect(100, 218, 100, 16), "Zoe_7505.jpg", 0.9f}}
            << QStringList{"IMG_0640.CR2", "Zoe_7505.jpg"};
        QTest::newRow("full name above") << QList<OcrTextBox>{{QRect(100, 200, 100, 16), "IMG_0001.jpg", 0.9f},
                                                              {QRect(120, 218, 60, 16), "2.3 MB", 0.9f}}
                                         << QStringList{"IMG_0001.jpg", "2.3 MB"};
        QTest::newRow("a bare name above a word and a number")
            << QList<OcrTextBox>{{QRect(100, 200, 100, 16), "Muller_7246", 0.9f},
                                 {QRect(100, 214, 96, 16), "Renee 9163", 0.9f}}
            << QStringList{"Muller_7246", "Renee 9163"};
        // Pango's hyphenation: the hyphen at the break is not part of the name.
        QTest::newRow("hyphen added by the wrap")
            << QList<OcrTextBox>{{QRect(100, 200, 70, 16), "IMG_4821.j-", 0.9f}, {QRect(128, 217, 16, 16), "pg", 0.9f}}
            << QStringList{"IMG_4821.jpg"};
        QTest::newRow("hyphen of the name") << QList<OcrTextBox>{{QRect(100, 200, 50, 16), "Anne-", 0.9f},
                                                                 {QRect(92, 217, 70, 16), "Marie_0018.", 0.9f},
                                                                 {QRect(114, 234, 22, 16), "jpg", 0.9f}}
                                            << QStringList{"Anne-Marie_0018.jpg"};
        QTest::newRow("a bare name as the first piece")
            << QList<OcrTextBox>{{QRect(100, 200, 70, 16), "wedding_20", 0.9f},
                                 {QRect(96, 217, 78, 16), "24_0117.jp-", 0.9f},
                                 {QRect(125, 234, 20, 16), "eg", 0.9f}}
            << QStringList{"wedding_2024_0117.jpeg"};
        QTest::newRow("left-aligned pieces cut by the wrap")
            << QList<OcrTextBox>{{QRect(353, 229, 87, 18), "wedding_20", 0.9f},
                                 {QRect(354, 247, 85, 17), "24_0117.jp-", 0.9f},
                                 {QRect(386, 266, 20, 15), "eg", 0.9f}}
            << QStringList{"wedding_2024_0117.jpeg"};
        QTest::newRow("a RAW label cut after its dot")
            << QList<OcrTextBox>{{QRect(100, 200, 70, 16), "DSC01235.", 0.9f}, {QRect(122, 217, 26, 16), "ARW", 0.9f}}
            << QStringList{"DSC01235.ARW"};
        QTest::newRow("compact rows of bare names, not aligned")
            << QList<OcrTextBox>{{QRect(100, 200, 80, 16), "P1694633", 0.9f},
                                 {QRect(106, 216, 74, 16), "_MG_2172", 0.9f},
                                 {QRect(104, 232, 78, 16), "IMG_3424", 0.9f}}
            << QStringList{"P1694633", "_MG_2172", "IMG_3424"};
        QTest::newRow("a wrapped RAW label cut inside its number")
            << QList<OcrTextBox>{{QRect(100, 200, 140, 28), "DSC0123", 0.9f}, {QRect(122, 230, 96, 28), "5.ARW", 0.9f}}
            << QStringList{"DSC01235.ARW"};
        QTest::newRow("the extension's dot lost at the wrap")
            << QList<OcrTextBox>{{QRect(100, 200, 92, 16), "Muller_0777", 0.9f}, {QRect(131, 217, 31, 16), "jpg", 0.9f}}
            << QStringList{"Muller_0777.jpg"};
        // Two neighbouring labels read as one line, each over its own second piece.
        QTest::newRow("neighbouring labels read as one line") << QList<OcrTextBox>{
            {QRect(160, 229, 190, 18),
             "Smith_0042. Soren_1187.",
             0.9f,
             {OcrWord{QRect(163, 229, 90, 18), "Smith_0042."}, OcrWord{QRect(257, 229, 90, 18), "Soren_1187."}}},
            {QRect(194, 247, 28, 18), "jpg", 0.9f},
            {QRect(287, 247, 29, 18), "jpg", 0.9f}} << QStringList{"Smith_0042.jpg", "Soren_1187.jpg"};
        // The recogniser's word boxes hug the ink (no underscore under 'R001234'); the pieces under
        // them are whole lines, with room above and below.
        QTest::newRow("neighbouring labels with tight word boxes") << QList<OcrTextBox>{
            {QRect(1585, 194, 276, 33),
             "Noël_120 R001234",
             0.3f,
             {OcrWord{QRect(1590, 198, 126, 28), "Noël_120"}, OcrWord{QRect(1733, 199, 124, 20), "R001234"}}},
            {QRect(1605, 230, 93, 31), "3.jpeg", 0.9f},
            {QRect(1754, 230, 79, 31), "5.JPG", 0.9f}} << QStringList{"Noël_1203.jpeg", "R0012345.JPG"};
        // The middle pieces of two neighbouring labels read as one line, under their first pieces.
        QTest::newRow("neighbouring middle pieces read as one line") << QList<OcrTextBox>{
            {QRect(599, 196, 118, 30), "Abbing-", 0.9f},
            {QRect(757, 195, 87, 28), "Anne-", 0.9f},
            {QRect(590, 230, 277, 30),
             "Hendriks- Marie_00",
             0.9f,
             {OcrWord{QRect(592, 230, 110, 30), "Hendriks-"}, OcrWord{QRect(764, 230, 100, 30), "Marie_00"}}},
            {QRect(754, 260, 93, 36), "18.jpg", 0.9f}} << QStringList{"Abbing-Hendriks-", "Anne-Marie_0018.jpg"};
        QTest::newRow("two words under one piece stay one line")
            << QList<OcrTextBox>{{QRect(100, 182, 140, 18), "Summer", 0.9f},
                                 {QRect(100, 200, 140, 18),
                                  "Wedding day",
                                  0.9f,
                                  {OcrWord{QRect(100, 200, 80, 18), "Wedding"},
                                   OcrWord{QRect(186, 200, 54, 18), "day"}}}}
            << QStringList{"Summer", "Wedding day"};
        QTest::newRow("two words over one line stay one line") << QList<OcrTextBox>{
            {QRect(100, 200, 140, 18),
             "Wedding day",
             0.9f,
             {OcrWord{QRect(100, 200, 80, 18), "Wedding"}, OcrWord{QRect(186, 200, 54, 18), "day"}}},
            {QRect(100, 218, 60, 18), "2.3 MB", 0.9f}} << QStringList{"Wedding day", "2.3 MB"};
        // The last piece of a label whose first piece could not be read whole is no name.
        // Centring moved the shorter last line by no more than rows of a list may differ.
        QTest::newRow("a bare name centred over the rest of its label")
            << QList<OcrTextBox>{{QRect(100, 200, 124, 34), "Renée_0", 0.5f},
                                 {QRect(104, 236, 113, 34), "415.jpg", 0.6f}}
            << QStringList{"Renée_0415.jpg"};
        // A row ending in a raw picture's name is whole: the row under it is a name of its own.
        QTest::newRow("rows of a list through a raw picture's name")
            << QList<OcrTextBox>{{QRect(663, 695, 264, 30), "Hendriksen-Bakker_", 0.9f},
                                 {QRect(662, 749, 195, 32), "IMG_0418.CR2", 0.9f},
                                 {QRect(662, 805, 218, 36), "Jensen_0815.jpg", 0.6f}}
            << QStringList{"Hendriksen-Bakker_IMG_0418.CR2", "Jensen_0815.jpg"};
        QTest::newRow("a tail alone gives nothing")
            << QList<OcrTextBox>{{QRect(100, 200, 160, 16), "Hendriksen Bakker,", 0.9f},
                                 {QRect(130, 218, 100, 16), "Gent_0117.jpg", 0.9f}}
            << QStringList{"Hendriksen Bakker,", ""};
        QTest::newRow("a shorter row of a list lined up on the left stays")
            << QList<OcrTextBox>{{QRect(100, 200, 160, 16), "Hendriksen_Bakker_0001.jpg", 0.9f},
                                 {QRect(102, 218, 100, 16), "Gent_0117.jpg", 0.9f}}
            << QStringList{"Hendriksen_Bakker_0001.jpg", "Gent_0117.jpg"};
        // A list's row cut by an ellipsis ends there, though its last dot looks open.
        QTest::newRow("a row cut by an ellipsis over the next row")
            << QList<OcrTextBox>{{QRect(182, 122, 145, 18), "Achterberg-Schwarz...", 0.9f},
                                 {QRect(183, 151, 99, 17), "Björk_3344.jpg", 0.9f}}
            << QStringList{"Achterberg-Schwarz...", "Björk_3344.jpg"};
        // Small, the ellipsis is read as one dot: the row is a name cut short and gives none.
        QTest::newRow("a row cut by an ellipsis read as one dot")
            << QList<OcrTextBox>{{QRect(182, 122, 145, 18), "Bakker_Ceremony-2.", 0.9f},
                                 {QRect(183, 151, 99, 17), "Björk_3344.jpg", 0.9f}}
            << QStringList{"", "Björk_3344.jpg"};
        QTest::newRow("far below") << QList<OcrTextBox>{{QRect(100, 200, 120, 16), "Hochzeit_Garten_", 0.9f},
                                                        {QRect(125, 260, 70, 16), "0417.jpg", 0.8f}}
                                   << QStringList{"Hochzeit_Garten_", "0417.jpg"};
    }
    void wrappedLabels()
    {
        QFETCH(QList<OcrTextBox>, input);
        QFETCH(QStringList, lines);
        QCOMPARE(texts(assembleTextLines(input)), lines);
    }
};

QTEST_GUILESS_MAIN(TestTextLines)
#include "tst_textlines.moc"
