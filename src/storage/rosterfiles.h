#pragma once
// Byte layouts of the person file and the duty file, read from and written to memory.
//
// Both files are little-endian without header or version: int32 counts, float64 values,
// Boolean bytes, strings as int32 byte count plus Windows-1252 text. Older versions are
// shorter; every optional section at the end is read only while bytes remain. The
// writers always produce the complete layout.
//
// Readers treat the input as untrusted: every count and length is checked against the
// bytes that remain before anything is allocated for it, and a read that fails anywhere
// leaves the caller's data untouched (results go into fresh containers).

#include "core/roster.h"

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstring>

// Sequential little-endian reader over a memory buffer. Every read checks the remaining
// bytes; after the first failure all further reads fail too.
class TByteReader {
public:
    TByteReader(const char* data, qsizetype size)
        : p(data)
        , end(data + size)
    {
    }

    qsizetype remaining() const { return ok ? end - p : 0; }
    bool atEnd() const { return remaining() == 0; }
    bool good() const { return ok; }
    bool fail() { return ok = false; }

    // Points `out` at the next n bytes and skips them.
    bool readBytes(qsizetype n, const char*& out)
    {
        if (!ok || n < 0 || n > end - p)
            return fail();
        out = p;
        p += n;
        return true;
    }
    bool skip(qsizetype n)
    {
        const char* dummy;
        return readBytes(n, dummy);
    }
    bool readByte(std::uint8_t& v)
    {
        const char* b;
        if (!readBytes(1, b))
            return false;
        v = static_cast<std::uint8_t>(*b);
        return true;
    }
    bool readBool(bool& v) // any non-zero byte is true
    {
        std::uint8_t b;
        if (!readByte(b))
            return false;
        v = b != 0;
        return true;
    }
    bool readInt32(std::int32_t& v)
    {
        const char* b;
        if (!readBytes(4, b))
            return false;
        v = qFromLittleEndian<std::int32_t>(b);
        return true;
    }
    bool readDouble(double& v)
    {
        const char* b;
        if (!readBytes(8, b))
            return false;
        v = qFromLittleEndian<double>(b);
        return true;
    }
    // A count that must be ≥ 0 and leave at least count × minBytesEach bytes.
    bool readCount(std::int32_t& count, qsizetype minBytesEach)
    {
        if (!readInt32(count))
            return false;
        if (count < 0 || qint64(count) * minBytesEach > remaining())
            return fail();
        return true;
    }

private:
    const char* p;
    const char* end;
    bool ok = true;
};

// Appends little-endian values to a byte array. The array grows in large steps and is
// cut to the written length by finish() (or the destructor).
class TByteWriter {
public:
    // `expected`: bytes that will probably be written, allocated at once.
    explicit TByteWriter(QByteArray& target, qsizetype expected = 0)
        : out(target)
        , pos(target.size())
    {
        if (expected > 0) {
            out.resize(pos + expected);
            capacity = out.size();
            base = out.data();
        }
    }
    ~TByteWriter() { finish(); }
    TByteWriter(const TByteWriter&) = delete;
    TByteWriter& operator=(const TByteWriter&) = delete;

    void writeByte(std::uint8_t v) { *room(1) = static_cast<char>(v); }
    void writeBool(bool v) { writeByte(v ? 1 : 0); }
    void writeInt32(std::int32_t v) { qToLittleEndian(v, room(4)); }
    void writeDouble(double v) { qToLittleEndian(v, room(8)); }
    void writeBytes(const char* data, qsizetype n)
    {
        if (n > 0)
            std::memcpy(room(n), data, size_t(n));
    }
    void finish()
    {
        out.resize(pos);
        capacity = pos;
        base = out.data();
    }

private:
    char* room(qsizetype n)
    {
        if (pos + n > capacity) {
            out.resize(std::max<qsizetype>(2 * capacity, pos + n + 4096));
            capacity = out.size();
            base = out.data();
        }
        char* p = base + pos;
        pos += n;
        return p;
    }
    QByteArray& out;
    qsizetype pos;
    qsizetype capacity = 0;
    char* base = nullptr;
};

// int32 byte count followed by the Windows-1252 text; characters outside the code page
// become '?'.
bool ReadAnsiStr(TByteReader& in, QString& text);
void WriteAnsiStr(TByteWriter& out, const QString& text);

// Font record: charset, colour, face length + face, pitch, ppi, size, style (16 + L bytes).
// Faces longer than 255 bytes are cut to 255.
bool ReadFontRec(TByteReader& in, TFontRec& font);
void WriteFontRec(TByteWriter& out, const TFontRec& font);

enum class TReadResult {
    Ok,
    Damaged, // the data ends inside a record or a count/length does not fit the data
    NoMemory, // a container could not grow
};

// What a person file yields. `settings` starts as a copy of the caller's settings, so
// optional sections missing from the file leave those values as they were.
struct TPersonFileContent {
    explicit TPersonFileContent(const TPlanSettings& current)
        : settings(current)
    {
    }
    TDynaArray<TPerson> personen;
    TPlanSettings settings;
    bool hasLanguage = false; // S5 present; the index is in settings.languagesetto
};

// Parses a whole person file. Entry containers of the new persons publish into
// `eintragCursor` (the roster's shared entry variable), so the persons can be moved into
// the roster as they are.
TReadResult ParsePersonFile(
    const char* data, qsizetype size, TPersonFileContent& content, TEintrag** eintragCursor = nullptr);

// The complete newest layout of the roster's person file; the language written is
// settings.languagesetto.
QByteArray SerializePersonFile(const TDynaArray<TPerson>& personen, const TPlanSettings& settings);
// The same into `out`, replacing its content but reusing its allocation.
void SerializePersonFile(const TDynaArray<TPerson>& personen, const TPlanSettings& settings, QByteArray& out);

struct TDutyFileContent {
    explicit TDutyFileContent(double currentMargin)
        : randbreite(currentMargin)
    {
    }
    TDynaArray<TDienst> dienste;
    double randbreite; // page margin in mm; unchanged when the file has no S3
};

TReadResult ParseDutyFile(const char* data, qsizetype size, TDutyFileContent& content);
QByteArray SerializeDutyFile(const TDynaArray<TDienst>& dienste, double randbreite);
void SerializeDutyFile(const TDynaArray<TDienst>& dienste, double randbreite, QByteArray& out);
