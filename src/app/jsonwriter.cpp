#include "jsonwriter.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <cstdio>

namespace quillmore::cli {

namespace {
constexpr std::size_t kPiece = 64 * 1024;
}

JsonWriter::JsonWriter(std::FILE *out) : m_stream(out)
{
    if (m_stream)
        m_out.reserve(2 * kPiece);
}

void JsonWriter::flush()
{
    if (!m_stream || m_out.empty())
        return;
    std::fwrite(m_out.data(), 1, m_out.size(), m_stream);
    m_out.clear(); // keeps its capacity: the next piece fills the same memory
}

void JsonWriter::newline()
{
    m_out += '\n';
    m_out.append(std::size_t(m_depth) * 4, ' ');
}

void JsonWriter::beforeValue()
{
    if (m_out.size() >= kPiece)
        flush();
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_depth > 0) {
        if (!m_first)
            m_out += ',';
        newline();
    }
    m_first = false;
}

JsonWriter &JsonWriter::key(std::string_view name)
{
    if (!m_first)
        m_out += ',';
    newline();
    m_first = false;
    // Keys are the program's own words: nothing in them needs an escape.
    m_out += '"';
    m_out += name;
    m_out += "\": ";
    m_afterKey = true;
    return *this;
}

void JsonWriter::open(char bracket)
{
    beforeValue();
    m_out += bracket;
    ++m_depth;
    m_first = true;
}

void JsonWriter::close(char bracket)
{
    --m_depth;
    if (!m_first)
        newline();
    m_out += bracket;
    m_first = false;
    if (m_depth == 0) {
        m_out += '\n';
        flush();
    }
}

void JsonWriter::writeString(const QString &text)
{
    const auto escaped = [this](char32_t unit) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(unit));
        m_out += escape;
    };
    m_out += '"';
    const char16_t *u = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = u[i];
        switch (c) {
        case '"': m_out += "\\\""; continue;
        case '\\': m_out += "\\\\"; continue;
        case '\b': m_out += "\\b"; continue;
        case '\f': m_out += "\\f"; continue;
        case '\n': m_out += "\\n"; continue;
        case '\r': m_out += "\\r"; continue;
        case '\t': m_out += "\\t"; continue;
        default: break;
        }
        if (c < 0x20) {
            escaped(c);
            continue;
        }
        if (c < 0x80) {
            // A run of characters written as they are, at once.
            qsizetype end = i + 1;
            while (end < n && u[end] >= 0x20 && u[end] < 0x80 && u[end] != '"' && u[end] != '\\')
                ++end;
            const std::size_t at = m_out.size();
            m_out.resize(at + std::size_t(end - i));
            for (qsizetype k = i; k < end; ++k)
                m_out[at + std::size_t(k - i)] = char(u[k]);
            i = end - 1;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            const bool pair = c <= 0xDBFF && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF;
            if (!pair) {
                escaped(c);
                continue;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(u[++i]) - 0xDC00);
        }
        // UTF-8: the lead byte, then six bits a byte.
        if (c < 0x800) {
            m_out += char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            m_out += char(0xE0 | (c >> 12));
            m_out += char(0x80 | ((c >> 6) & 0x3F));
        } else {
            m_out += char(0xF0 | (c >> 18));
            m_out += char(0x80 | ((c >> 12) & 0x3F));
            m_out += char(0x80 | ((c >> 6) & 0x3F));
        }
        m_out += char(0x80 | (c & 0x3F));
    }
    m_out += '"';
}

void JsonWriter::value(const QString &text)
{
    beforeValue();
    writeString(text);
}

void JsonWriter::value(qint64 number)
{
    beforeValue();
    m_out += std::to_string(number);
}

void JsonWriter::value(const std::optional<QString> &text)
{
    if (text)
        value(*text);
    else
        null();
}

void JsonWriter::value(const std::optional<qint64> &number)
{
    if (number)
        value(*number);
    else
        null();
}

void JsonWriter::null()
{
    beforeValue();
    m_out += "null";
}

void JsonWriter::value(const QJsonValue &v)
{
    switch (v.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined: null(); return;
    case QJsonValue::Bool:
        beforeValue();
        m_out += v.toBool() ? "true" : "false";
        return;
    case QJsonValue::Double: {
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::trunc(d) && std::abs(d) < 9007199254740992.0) {
            value(qint64(d));
        } else {
            beforeValue();
            m_out += std::isfinite(d) ? QByteArray::number(d, 'g', 17).toStdString() : std::string("null");
        }
        return;
    }
    case QJsonValue::String: value(v.toString()); return;
    case QJsonValue::Array:
        beginArray();
        for (const QJsonValue &item : v.toArray())
            value(item);
        endArray();
        return;
    case QJsonValue::Object: {
        beginObject();
        const QJsonObject object = v.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            key(it.key().toStdString());
            value(it.value());
        }
        endObject();
        return;
    }
    }
}

} // namespace quillmore::cli
