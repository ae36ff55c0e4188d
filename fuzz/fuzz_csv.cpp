// The report's CSV writer: whatever the fields hold, a standard CSV reader (RFC 4180) gets the
// same rows and fields back, with only the apostrophe that neutralises a formula added.

#include "platform/paths.h"
#include "workflow/copyreport.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// RFC 4180: fields separated by commas, records by CRLF; a quoted field may hold commas, line
// breaks and doubled quotes.
QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"') && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
            fieldStarted = false;
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            record << field;
            records << record;
            record.clear();
            field.clear();
            fieldStarted = false;
            ++i;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted || !record.isEmpty() || !field.isEmpty())
        std::abort(); // the text must end with a complete record
    return records;
}

QString neutralised(const QString &field)
{
    if (!field.isEmpty() && QStringLiteral("=+-@").contains(field.front()))
        return QLatin1Char('\'') + field;
    return field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quillmore;
    // Fields are separated by NUL bytes, eight to a row.
    const QString text = decodePath(std::string_view(reinterpret_cast<const char *>(data), size));
    const QStringList parts = text.split(QChar(0));
    QList<CopyReportRow> rows;
    for (qsizetype i = 0; i + 8 <= parts.size(); i += 8)
        rows << CopyReportRow{QString(),    parts[i],     parts[i + 1], parts[i + 2], parts[i + 3],
                              parts[i + 4], parts[i + 5], parts[i + 6], parts[i + 7]};
    const QList<QStringList> records = readCsv(csvText(rows));
    if (records.size() != rows.size() + 1 || records.first().size() != 8)
        std::abort();
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const CopyReportRow &row = rows[r];
        const QStringList expected{row.jpegPath,        row.screenshotSource, row.rawPath,      row.matchType,
                                   row.destinationPath, row.status,           row.qualityFlags, row.errorMessage};
        const QStringList &got = records[r + 1];
        if (got.size() != 8)
            std::abort();
        for (int f = 0; f < 8; ++f)
            if (got[f] != neutralised(expected[f]))
                std::abort();
    }
    const QByteArray bytes = reportFileBytes(rows);
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        std::abort();
    return 0;
}
