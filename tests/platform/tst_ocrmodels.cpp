#include "platform/ocrmodels.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <map>

using namespace quillmore;

namespace {

constexpr int wordList = 19; // the LSTM word list's place among a traineddata file's components

// A traineddata file with `count` places and these components, in the layout Tesseract writes.
QByteArray languageData(const std::map<int, QByteArray> &components, qint32 count = 24)
{
    QByteArray file(4 + 8 * count, '\0');
    qToLittleEndian<qint32>(count, file.data());
    for (int i = 0; i < count; ++i) {
        const auto it = components.find(i);
        const qint64 offset = it == components.end() ? -1 : file.size();
        qToLittleEndian<qint64>(offset, file.data() + 4 + 8 * i);
        if (it != components.end())
            file += it->second;
    }
    return file;
}

QByteArray withoutWordList(const QByteArray &file)
{
    const std::vector<char> kept = languageDataWithoutWordList(file.constData(), file.size());
    return QByteArray(kept.data(), qsizetype(kept.size()));
}

QByteArray withOffset(QByteArray file, int component, qint64 offset)
{
    qToLittleEndian<qint64>(offset, file.data() + 4 + 8 * component);
    return file;
}

} // namespace

class TestOcrModels : public QObject {
    Q_OBJECT

private slots:
    void wordListLeftOut_data();
    void wordListLeftOut();
    void otherDataAsGiven_data();
    void otherDataAsGiven();
    void readerReadsFiles();
};

void TestOcrModels::wordListLeftOut_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray words(5000, 'w');
    // Debian's script models: the network, its small lists, its letters and codes, a version.
    std::map<int, QByteArray> script{{17, "network"}, {18, "punctuation"}, {wordList, words}, {20, "numbers"},
                                     {21, "letters"}, {22, "codes"},       {23, "4.00.00"}};
    std::map<int, QByteArray> scriptKept = script;
    scriptKept.erase(wordList);
    QTest::newRow("between other components") << languageData(script) << languageData(scriptKept);

    // A language model that also has the older engine's data and its settings.
    const std::map<int, QByteArray> legacy{
        {0, "settings"}, {1, "letters"}, {7, "old words"}, {17, "network"}, {wordList, words}};
    QTest::newRow("with the older engine's data")
        << languageData(legacy) << languageData({{0, "settings"}, {1, "letters"}, {7, "old words"}, {17, "network"}});
    QTest::newRow("last component") << languageData({{17, "network"}, {wordList, words}})
                                    << languageData({{17, "network"}});
    QTest::newRow("only component") << languageData({{wordList, words}}) << languageData({});
    // A newer layout with more places keeps them all.
    QTest::newRow("more places") << languageData({{17, "network"}, {wordList, words}, {26, "new"}}, 30)
                                 << languageData({{17, "network"}, {26, "new"}}, 30);
    QTest::newRow("empty word list") << languageData({{17, "network"}, {wordList, {}}, {21, "letters"}})
                                     << languageData({{17, "network"}, {21, "letters"}});
}

void TestOcrModels::wordListLeftOut()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, expected);
    QCOMPARE(withoutWordList(file), expected);
}

void TestOcrModels::otherDataAsGiven_data()
{
    QTest::addColumn<QByteArray>("file");

    const QByteArray model = languageData({{17, "network"}, {wordList, "words"}, {21, "letters"}});
    QTest::newRow("no word list") << languageData({{17, "network"}, {21, "letters"}});
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("shorter than a count") << QByteArray("\x18\x00", 2);
    QTest::newRow("too few places for a word list") << languageData({{3, "old"}}, wordList);
    QTest::newRow("count of another layout") << languageData({{17, "network"}, {wordList, "words"}}, 1000);
    QTest::newRow("negative count") << languageData({}).replace(0, 4, QByteArray(4, '\xff'));
    QTest::newRow("offsets cut short") << model.left(4 + 8 * 10);
    QTest::newRow("offset inside the offsets") << withOffset(model, 17, 12);
    QTest::newRow("offsets out of order") << withOffset(model, 21, 4 + 8 * 24);
    QTest::newRow("offset past the end") << withOffset(model, 21, model.size() + 1);
}

void TestOcrModels::otherDataAsGiven()
{
    QFETCH(QByteArray, file);
    QCOMPARE(withoutWordList(file), file);
}

void TestOcrModels::readerReadsFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray model = languageData({{17, "network"}, {wordList, QByteArray(100000, 'w')}, {21, "letters"}});
    const QString path = dir.filePath(QStringLiteral("Latin.traineddata"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(model), model.size());
    file.close();

    std::vector<char> data;
    QVERIFY(readLanguageDataWithoutWordList(QFile::encodeName(path).constData(), &data));
    QCOMPARE(QByteArray(data.data(), qsizetype(data.size())), languageData({{17, "network"}, {21, "letters"}}));

    // Tesseract says the language could not be loaded; the engine names the file.
    QVERIFY(
        !readLanguageDataWithoutWordList(QFile::encodeName(dir.filePath(QStringLiteral("none"))).constData(), &data));
    QFile empty(dir.filePath(QStringLiteral("empty.traineddata")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QVERIFY(!readLanguageDataWithoutWordList(QFile::encodeName(empty.fileName()).constData(), &data));
}

QTEST_APPLESS_MAIN(TestOcrModels)
#include "tst_ocrmodels.moc"
