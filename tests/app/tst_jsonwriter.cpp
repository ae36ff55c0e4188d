#include "app/jsonwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using quillmore::cli::JsonWriter;

class TestJsonWriter : public QObject {
    Q_OBJECT
private slots:
    void stringsReadBackExactly_data();
    void stringsReadBackExactly();
    void unitsOutsideCharactersKeepTheirEscape();
    void layoutMatchesQtIndentedDocuments();
};

void TestJsonWriter::stringsReadBackExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringLiteral("/Volumes/Card/DCIM/IMG_0001.CR3");
    QTest::newRow("quotes and backslashes") << QStringLiteral("a \"b\" c\\d");
    QTest::newRow("control characters") << QStringLiteral("line\nbreak\ttab\r\b\f\x01\x1f end");
    QTest::newRow("accents, decomposed too") << QStringLiteral("Zoë_2041 Zoe\u0308 Łukasz Dvořák");
    QTest::newRow("outside the basic plane") << QString::fromUtf8("shoot \xF0\x9F\x93\xB7 2024");
    QTest::newRow("three-byte characters") << QStringLiteral("\u20AC \u4E2D\u6587 \uFFFD");
    QTest::newRow("empty") << QString();
}

void TestJsonWriter::stringsReadBackExactly()
{
    QFETCH(QString, text);
    JsonWriter json;
    json.beginObject();
    json.key("text").value(text);
    json.endObject();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json.text()), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(doc.object().value("text").toString(), text);
}

void TestJsonWriter::unitsOutsideCharactersKeepTheirEscape()
{
    // A path byte that is not UTF-8 is kept as a lone surrogate; it is written as its escape,
    // from which the byte can be recovered. A lone high surrogate, at the end or before another
    // character, too.
    const QString path = QStringLiteral("/Caf") + QChar(0xDCE9) + QStringLiteral("/x") + QChar(0xD83D);
    JsonWriter json;
    json.beginArray();
    json.value(path);
    json.value(QString(QChar(0xD800)) + QStringLiteral("a"));
    json.endArray();
    QVERIFY2(json.text().find("\"/Caf\\udce9/x\\ud83d\"") != std::string::npos, json.text().c_str());
    QVERIFY(json.text().find("\"\\ud800a\"") != std::string::npos);
}

void TestJsonWriter::layoutMatchesQtIndentedDocuments()
{
    // The same document built with Qt and written as it goes: the same text.
    const QJsonObject warning{{"path", QJsonValue::Null}, {"message", "Could not read it."}};
    const QJsonObject expected{
        {"checkedFiles", 200000},
        {"results",
         QJsonArray{QJsonObject{{"baseName", "IMG_0001"},
                                {"candidates", QJsonArray{QJsonObject{{"path", "/a"}, {"size", 0}}}},
                                {"chosen", QJsonValue::Null}},
                    QJsonObject{{"baseName", "IMG_0002"}}}},
        {"warnings", QJsonArray{warning}},
    };
    JsonWriter json;
    json.beginObject();
    json.key("checkedFiles").value(qint64(200000));
    json.key("results").beginArray();
    json.beginObject();
    json.key("baseName").value(QStringLiteral("IMG_0001"));
    json.key("candidates").beginArray();
    json.beginObject();
    json.key("path").value(QStringLiteral("/a"));
    json.key("size").value(qint64(0));
    json.endObject();
    json.endArray();
    json.key("chosen").value(std::optional<QString>());
    json.endObject();
    json.beginObject();
    json.key("baseName").value(QStringLiteral("IMG_0002"));
    json.endObject();
    json.endArray();
    json.key("warnings").value(QJsonValue(QJsonArray{warning}));
    json.endObject();
    QCOMPARE(QByteArray::fromStdString(json.text()), QJsonDocument(expected).toJson(QJsonDocument::Indented));
}

QTEST_APPLESS_MAIN(TestJsonWriter)
#include "tst_jsonwriter.moc"
