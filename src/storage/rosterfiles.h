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

#include <cstdint>

// Sequential little-endian reader over a memory buffer. Every read checks the remaining
// bytes; after the first failure all further reads fail too.
class TByteReader {
public:
    TByteReader(const char* data, qsizetype size) : p(data), end(data + size) {}

    qsizetype remaining() const { return ok ? end - p : 0; }
    bool atEnd() const { return remaining() == 0; }
    bool good() const { return ok; }
    bool fail() { return ok = false; }

    bool readByte(std::uint8_t& v);
    bool readBool(bool& v); // any non-zero byte is true
    bool readInt32(std::int32_t& v);
    bool readDouble(double& v);
    // Points `out` at the next n bytes and skips them.
    bool readBytes(qsizetype n, const char*& out);
    bool skip(qsizetype n);
    // A count that must be ≥ 0 and leave at least count × minBytesEach bytes.
    bool readCount(std::int32_t& count, qsizetype minBytesEach);

private:
    const char* p;
    const char* end;
    bool ok = true;
};

// Appends little-endian values to a byte array.
class TByteWriter {
public:
    explicit TByteWriter(QByteArray& target) : out(target) {}
    void writeByte(std::uint8_t v) { out.append(static_cast<char>(v)); }
    void writeBool(bool v) { writeByte(v ? 1 : 0); }
    void writeInt32(std::int32_t v);
    void writeDouble(double v);
    void writeBytes(const char* data, qsizetype n) { out.append(data, n); }

private:
    QByteArray& out;
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
    Damaged,  // the data ends inside a record or a count/length does not fit the data
    NoMemory, // a container could not grow
};

// What a person file yields. `settings` starts as a copy of the caller's settings, so
// optional sections missing from the file leave those values as they were.
struct TPersonFileContent {
    explicit TPersonFileContent(const TPlanSettings& current) : settings(current) {}
    TDynaArray<TPerson> personen;
    TPlanSettings settings;
    bool hasLanguage = false; // S5 present; the index is in settings.languagesetto
};

// Parses a whole person file. Entry containers of the new persons publish into
// `eintragCursor` (the roster's shared entry variable), so the persons can be moved into
// the roster as they are.
TReadResult ParsePersonFile(const char* data, qsizetype size, TPersonFileContent& content,
                            TEintrag** eintragCursor = nullptr);

// The complete newest layout of the roster's person file; the language written is
// settings.languagesetto.
QByteArray SerializePersonFile(const TDynaArray<TPerson>& personen, const TPlanSettings& settings);

struct TDutyFileContent {
    explicit TDutyFileContent(double currentMargin) : randbreite(currentMargin) {}
    TDynaArray<TDienst> dienste;
    double randbreite; // page margin in mm; unchanged when the file has no S3
};

TReadResult ParseDutyFile(const char* data, qsizetype size, TDutyFileContent& content);
QByteArray SerializeDutyFile(const TDynaArray<TDienst>& dienste, double randbreite);
