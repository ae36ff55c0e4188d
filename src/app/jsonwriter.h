#pragma once

#include <QJsonValue>
#include <QString>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace quillmore::cli {

// Writes one JSON document as it goes, laid out as QJsonDocument::Indented lays it out (four
// spaces a level, keys in the order written). For documents of thousands of entries, where
// building a QJsonDocument first takes longer than the scan the document describes.
//
// Strings are written as UTF-8. A UTF-16 unit that is not part of a character (a lone surrogate,
// which is how a path's bytes that are not UTF-8 are kept) is written as its \uXXXX escape, as
// QJsonDocument writes it, so that the path's bytes can be recovered.
class JsonWriter {
public:
    // Into `out` as it goes, in pieces of about 64 KiB, so that a long document never has to be
    // held whole; without a stream the document is kept, for text().
    explicit JsonWriter(std::FILE *out = nullptr);
    ~JsonWriter() { flush(); }
    JsonWriter(const JsonWriter &) = delete;
    JsonWriter &operator=(const JsonWriter &) = delete;

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }

    // The key of the next value inside an object: a word of the program's own, written as it
    // stands (it needs no escapes).
    JsonWriter &key(std::string_view name);

    void value(const QString &text);
    void value(qint64 number);
    void value(const std::optional<QString> &text); // null when there is none
    void value(const std::optional<qint64> &number);
    void null();
    // A value built elsewhere (small ones: warnings, options).
    void value(const QJsonValue &v);

    // What is not yet in the stream (without one: the document so far, ended by a newline once
    // the outermost value is closed).
    const std::string &text() const { return m_out; }
    // Writes what is held to the stream.
    void flush();

private:
    void open(char bracket);
    void close(char bracket);
    void beforeValue();
    void newline();
    void writeString(const QString &text);

    std::FILE *m_stream;
    std::string m_out;
    int m_depth = 0;
    bool m_first = true;     // no value yet at this level
    bool m_afterKey = false; // a key was written and waits for its value
};

} // namespace quillmore::cli
