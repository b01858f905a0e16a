#include "storage/rosterfiles.h"

#include "core/ansicodec.h"

#include <QtEndian>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Smallest number of bytes one record of each kind takes in the files; a count is only
// believed when the remaining bytes could hold that many records.
constexpr qsizetype kMinPersonBytes = 4 + 8 + 8 + 1 + 4; // empty name, no entries
constexpr qsizetype kEntryBytes = 16;
constexpr qsizetype kTableBytes = TMonatsTabelle::kElements * 8; // 9696
constexpr qsizetype kMinDutyBytes = 4 + 4 + 4;
constexpr int kHolidaysInM9 = kFeiertagCount - 2;

// TDynaArray keeps its block size in 32 bits; a count whose block would not fit is
// refused before the container is touched.
template <typename T> bool fitsContainer(std::int32_t n)
{
    // Later growth rounds up to the next 100 records.
    const qint64 rounded = (qint64(n) + 100) / 100 * 100;
    return rounded * qint64(sizeof(T)) <= qint64(std::numeric_limits<std::uint32_t>::max());
}

// Adds n records into an empty container in one block of exactly n records, instead of
// a copy of the whole block at every 100th record. The next Add or Delete brings the
// block back to the usual steps of 100.
// Each record is made from `args` (a value-initialised one without).
template <typename T, typename Fill, typename... A>
bool addRecords(TDynaArray<T>& c, std::int32_t n, Fill fill, const A&... args)
{
    if (n <= 0)
        return true;
    c.buffersize = static_cast<std::uint32_t>(n);
    bool ok = true;
    for (std::int32_t i = 0; i < n && ok; ++i) {
        T* rec = c.Emplace(args...);
        ok = rec != nullptr && fill(*rec, i);
    }
    c.buffersize = 100;
    return ok;
}

// The same as n calls of Add() on an empty container with buffersize n, without the
// per-record bookkeeping: the first Add allocates the block of n records, and every
// record is then constructed in place from make(i). False when out of memory.
template <typename T, typename Make> bool appendBlock(TDynaArray<T>& c, std::int32_t n, Make make)
{
    if (n <= 0)
        return true;
    c.buffersize = static_cast<std::uint32_t>(n);
    T* first = c.Add();
    c.buffersize = 100;
    if (first == nullptr)
        return false;
    *first = make(0);
    for (std::int32_t i = 1; i < n; ++i)
        new (first + i) T(make(i));
    c.count = static_cast<std::uint32_t>(n);
    c.GetObject(n - 1); // cursor on the last record, as after the last Add
    return true;
}

// appendBlock for entries. On x86 the records go out two at a time (48 bytes, three
// aligned 16-byte stores) around the caches: a large file's entries are not read again
// during the load. Padding is written as zero.
template <typename Make> bool appendEntries(TDynaArray<TEintrag>& c, std::int32_t n, Make make)
{
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN && defined(__SSE2__)
    static_assert(sizeof(TEintrag) == 24 && offsetof(TEintrag, dienst) == 8 && offsetof(TEintrag, ueberstunden) == 16);
    if (n <= 1)
        return appendBlock(c, n, make);
    c.buffersize = static_cast<std::uint32_t>(n);
    TEintrag* first = c.Add();
    c.buffersize = 100;
    if (first == nullptr)
        return false;
    std::int32_t j = 0;
    if (reinterpret_cast<quintptr>(first) % 16 == 0) {
        const auto bits = [](double v) { return std::bit_cast<long long>(v); };
        for (; j + 1 < n; j += 2) {
            const TEintrag a = make(j), b = make(j + 1);
            auto* dst = reinterpret_cast<__m128i*>(first + j);
            _mm_stream_si128(dst, _mm_set_epi64x(static_cast<long long>(std::uint32_t(a.dienst)), bits(a.datum)));
            _mm_stream_si128(dst + 1, _mm_set_epi64x(bits(b.datum), bits(a.ueberstunden)));
            _mm_stream_si128(
                dst + 2, _mm_set_epi64x(bits(b.ueberstunden), static_cast<long long>(std::uint32_t(b.dienst))));
        }
    }
    for (; j < n; ++j)
        new (first + j) TEintrag(make(j));
    c.count = static_cast<std::uint32_t>(n);
    c.GetObject(n - 1); // cursor on the last record, as after the last Add
    return true;
#else
    return appendBlock(c, n, make);
#endif
}

void readTable(const char* src, TMonatsTabelle& t)
{
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN && defined(__SSE2__)
    // The tables of a large file are far more than the caches hold and are not read again
    // during the load: written around the caches, which saves reading each line first.
    char* dst = reinterpret_cast<char*>(t.werte.data());
    qsizetype n = kTableBytes;
    if (reinterpret_cast<quintptr>(dst) % 16 != 0) {
        std::memcpy(dst, src, 8);
        dst += 8;
        src += 8;
        n -= 8;
    }
    for (; n >= 16; n -= 16, dst += 16, src += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src)));
    if (n > 0)
        std::memcpy(dst, src, size_t(n));
#elif Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    std::memcpy(t.werte.data(), src, kTableBytes);
#else
    for (int i = 0; i < TMonatsTabelle::kElements; ++i)
        t.werte[i] = qFromLittleEndian<double>(src + 8 * i);
#endif
}

// Copies the month tables of persons 0 … count-1 out of the S7 block. A large block is
// copied by a thread of its own while the reader goes on with the entries, which touch no
// table; the reader then helps with what is left. The copy is complete once finish() has
// run, which the destructor does on every way out of the reader.
class TTableCopy {
public:
    TTableCopy() = default;
    TTableCopy(const TTableCopy&) = delete;
    TTableCopy& operator=(const TTableCopy&) = delete;
    ~TTableCopy() { finish(); }

    void start(const char* block, TPerson* persons, std::int32_t count)
    {
        block_ = block;
        persons_ = persons;
        count_ = count;
        next_.store(0);
        // Below a few megabytes a thread costs more than it saves.
        constexpr qint64 kThreadFrom = qint64(4) << 20;
        if (qint64(count) * 4 * kTableBytes >= kThreadFrom) {
            try {
                worker_ = std::thread([this] { work(); });
                return;
            } catch (const std::system_error&) {
                // no thread to be had: copied here
            }
        }
        work();
    }
    void finish()
    {
        work();
        if (worker_.joinable())
            worker_.join();
    }

private:
    // Takes a few persons at a time until none are left.
    void work()
    {
        constexpr std::int32_t kStep = 8;
        for (std::int32_t from; (from = next_.fetch_add(kStep)) < count_;) {
            const std::int32_t to = std::min(count_, from + kStep);
            for (std::int32_t i = from; i < to; ++i) {
                const char* b = block_ + qsizetype(i) * 4 * kTableBytes;
                TPerson& pers = persons_[i];
                readTable(b, pers.soll);
                readTable(b + kTableBytes, pers.vortrag);
                readTable(b + 2 * kTableBytes, pers.uebertrag);
                readTable(b + 3 * kTableBytes, pers.iststunden);
            }
        }
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN && defined(__SSE2__)
        _mm_sfence(); // this thread's stores around the caches are done
#endif
    }

    const char* block_ = nullptr;
    TPerson* persons_ = nullptr;
    std::int32_t count_ = 0;
    std::atomic<std::int32_t> next_{0};
    std::thread worker_;
};

void writeTable(TByteWriter& out, const TMonatsTabelle& t)
{
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    out.writeBytes(reinterpret_cast<const char*>(t.werte.data()), kTableBytes);
#else
    for (double v : t.werte)
        out.writeDouble(v);
#endif
}

} // namespace

bool ReadAnsiStr(TByteReader& in, QString& text)
{
    std::int32_t n;
    const char* bytes;
    if (!in.readInt32(n) || !in.readBytes(n, bytes))
        return in.fail();
    text = FromAnsi(bytes, n);
    return true;
}

void WriteAnsiStr(TByteWriter& out, const QString& text)
{
    const QByteArray bytes = ToAnsi(text);
    out.writeInt32(static_cast<std::int32_t>(bytes.size()));
    out.writeBytes(bytes.constData(), bytes.size());
}

bool ReadFontRec(TByteReader& in, TFontRec& font)
{
    TFontRec f;
    std::uint8_t len;
    const char* face;
    if (!in.readByte(f.charset) || !in.readInt32(f.color) || !in.readByte(len) || !in.readBytes(len, face)
        || !in.readByte(f.pitch) || !in.readInt32(f.ppi) || !in.readInt32(f.size) || !in.readByte(f.style))
        return false;
    f.name = FromAnsi(face, len);
    font = f;
    return true;
}

void WriteFontRec(TByteWriter& out, const TFontRec& font)
{
    const QByteArray face = ToAnsi(font.name).left(255);
    out.writeByte(font.charset);
    out.writeInt32(font.color);
    out.writeByte(static_cast<std::uint8_t>(face.size()));
    out.writeBytes(face.constData(), face.size());
    out.writeByte(font.pitch);
    out.writeInt32(font.ppi);
    out.writeInt32(font.size);
    out.writeByte(font.style);
}

TReadResult ParsePersonFile(const char* data, qsizetype size, TPersonFileContent& content, TEintrag** eintragCursor)
{
    TByteReader in(data, size);
    TDynaArray<TPerson>& personen = content.personen;
    TPlanSettings& s = content.settings;
    bool noMemory = false;

    // M1, M2: persons with their entries.
    std::int32_t p = 0;
    if (!in.readCount(p, kMinPersonBytes))
        return TReadResult::Damaged;
    // A person takes 25 bytes in an old file but 38 KB in memory: beyond 256 MB, the
    // persons must be backed by their month tables in the file.
    constexpr qint64 kPersonMemoryFloor = qint64(256) << 20;
    if (!fitsContainer<TPerson>(p)
        || qint64(p) * qint64(sizeof(TPerson)) > std::max(kPersonMemoryFloor, 2 * qint64(size)))
        return TReadResult::NoMemory;
    // The month tables of a new person are left unset: S7 fills them. Those it does not
    // fill (an older file, a short or damaged one) are zeroed on every way out.
    struct ZeroUnsetTables {
        TDynaArray<TPerson>& personen;
        std::int32_t set = 0; // persons 0 … set-1 have their tables from S7
        ~ZeroUnsetTables()
        {
            for (std::int32_t i = set; i < personen.Count(); ++i)
                personen[i].ClearTables();
        }
    } tables{personen};
    // Destroyed before `tables`: the copy is done before unset tables are zeroed.
    TTableCopy tableCopy;
    // The entries are only located here and built once S10, their extra hours, is known:
    // one pass over them instead of two.
    std::vector<std::pair<const char*, std::int32_t>> entryBlocks;
    entryBlocks.reserve(std::size_t(p));
    qint64 totalEntries = 0;
    const bool personsOk = addRecords(
        personen, p,
        [&](TPerson& pers, std::int32_t) {
            pers.eintraege.setCursorVariable(eintragCursor);
            std::int32_t e = 0;
            if (!ReadAnsiStr(in, pers.name) || !in.readDouble(pers.eingestellt) || !in.readDouble(pers.entlassen)
                || !in.readBool(pers.istentlassen) || !in.readCount(e, kEntryBytes))
                return false;
            if (!fitsContainer<TEintrag>(e)) {
                noMemory = true;
                return false;
            }
            totalEntries += e;
            const char* block;
            if (!in.readBytes(qsizetype(e) * kEntryBytes, block))
                return false;
            entryBlocks.emplace_back(block, e);
            return true;
        },
        TMonatsTabelle::Unset{});
    if (!personsOk)
        return noMemory || in.good() ? TReadResult::NoMemory : TReadResult::Damaged;

    // M3 … M9: colours, fonts, holidays 0 … 26.
    std::int32_t c1 = 0, c2 = 0, c3 = 0;
    in.readInt32(c1);
    in.readInt32(c2);
    in.readInt32(c3);
    ReadFontRec(in, s.FontDialog1);
    ReadFontRec(in, s.FontDialog2);
    ReadFontRec(in, s.FontDialog3);
    for (int i = 0; i < kHolidaysInM9; ++i) {
        std::int32_t flag = 0;
        in.readInt32(flag);
        s.FeiertageList[i] = flag != 0;
    }
    if (!in.good())
        return TReadResult::Damaged;
    s.TesselColorComboBox1 = static_cast<std::uint32_t>(c1);
    s.TesselColorComboBox2 = static_cast<std::uint32_t>(c2);
    s.TesselColorComboBox3 = static_cast<std::uint32_t>(c3);

    // Optional sections, each only while bytes remain. A failed read makes atEnd() true,
    // so the remaining sections are skipped and the result below is "damaged".
    if (!in.atEnd()) { // S1
        ReadAnsiStr(in, s.CaptionEd);
        ReadAnsiStr(in, s.Capt2Ed);
    }
    if (!in.atEnd()) // S2
        in.readBool(s.LegendeCheck);
    if (!in.atEnd()) // S3
        in.readBool(s.ShowSumCheck);
    if (!in.atEnd()) // S4
        in.readBool(s.ShowAnwCheck);
    if (!in.atEnd()) // S5
        content.hasLanguage = in.readInt32(s.languagesetto);
    if (!in.atEnd()) // S6
        in.readBool(s.DoubleRowHeightCheck);
    std::int32_t n = 0;
    // S7; counts beyond P are skipped. The count was checked against the bytes left, so
    // the whole block is there.
    const char* tableBlock = nullptr;
    if (!in.atEnd() && in.readCount(n, 4 * kTableBytes) && in.readBytes(qsizetype(n) * 4 * kTableBytes, tableBlock)) {
        const std::int32_t m = std::min(n, p);
        if (m > 0)
            tableCopy.start(tableBlock, personen.begin(), m);
        tables.set = m;
    }
    if (!in.atEnd() && in.readCount(n, 8)) { // S8
        for (std::int32_t i = 0; i < n; ++i) {
            double v = 0;
            in.readDouble(v);
            if (i < p)
                personen[i].startueberstunden = v;
        }
    }
    if (!in.atEnd()) // S9
        in.readBool(s.AddFreeLinesCheck);
    const char* extra = nullptr; // S10: extra hours of every entry, no count of its own
    if (!in.atEnd() && !in.readBytes(totalEntries * 8, extra))
        extra = nullptr;
    for (std::int32_t i = 0; i < p; ++i) {
        const char* block = entryBlocks[std::size_t(i)].first;
        const std::int32_t e = entryBlocks[std::size_t(i)].second;
        const auto entry = [block](std::int32_t j) {
            const char* b = block + qsizetype(j) * kEntryBytes;
            return TEintrag{qFromLittleEndian<double>(b), qFromLittleEndian<std::int32_t>(b + 8), 0.0};
        };
        bool made;
        if (extra != nullptr) {
            const char* x = extra;
            made = appendEntries(personen[i].eintraege, e, [&entry, x](std::int32_t j) {
                TEintrag t = entry(j);
                t.ueberstunden = qFromLittleEndian<double>(x + qsizetype(j) * 8);
                return t;
            });
            extra += qsizetype(e) * 8;
        } else {
            made = appendEntries(personen[i].eintraege, e, entry);
        }
        if (!made)
            return TReadResult::NoMemory;
    }
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN && defined(__SSE2__)
    _mm_sfence(); // the entries' stores around the caches are done before anyone reads them
#endif
    if (!in.atEnd()) { // S11
        std::int32_t f27 = 0, f28 = 0;
        if (in.readInt32(f27) && in.readInt32(f28)) {
            s.FeiertageList[27] = f27 != 0;
            s.FeiertageList[28] = f28 != 0;
        }
    }
    if (!in.atEnd() && in.readCount(n, 8)) { // S12
        for (std::int32_t i = 0; i < n; ++i) {
            double v = 0;
            in.readDouble(v);
            if (i < p)
                personen[i].maxstunden = v;
        }
    }
    if (!in.atEnd()) // S13
        in.readBool(s.SecondLinesareDarkerCheck);
    if (!in.atEnd() && in.readCount(n, 8)) { // S14
        for (std::int32_t i = 0; i < n && in.good(); ++i) {
            QString nr, abt;
            ReadAnsiStr(in, nr);
            ReadAnsiStr(in, abt);
            if (i < p) {
                personen[i].persnr = nr;
                personen[i].abteilung = abt;
            }
        }
    }
    // Bytes after S14 belong to a newer version and are ignored.
    tableCopy.finish();
    return in.good() ? TReadResult::Ok : TReadResult::Damaged;
}

QByteArray SerializePersonFile(const TDynaArray<TPerson>& personen, const TPlanSettings& settings)
{
    QByteArray bytes;
    SerializePersonFile(personen, settings, bytes);
    return bytes;
}

QByteArray SerializeDutyFile(const TDynaArray<TDienst>& dienste, double randbreite)
{
    QByteArray bytes;
    SerializeDutyFile(dienste, randbreite, bytes);
    return bytes;
}

void SerializePersonFile(const TDynaArray<TPerson>& personen, const TPlanSettings& s, QByteArray& bytes)
{
    const std::int32_t p = personen.Count();
    // Room for everything: strings at most one byte per UTF-16 unit, 24 bytes per entry.
    qint64 estimate = 512 + qint64(s.CaptionEd.size()) + s.Capt2Ed.size();
    for (const TPerson& pers : personen)
        estimate += 64 + 4 * kTableBytes + pers.name.size() + pers.persnr.size() + pers.abteilung.size()
            + 24 * qint64(pers.eintraege.Count());
    bytes.resize(0); // keeps the allocation
    TByteWriter out(bytes, estimate);

    out.writeInt32(p); // M1
    for (const TPerson& pers : personen) { // M2
        WriteAnsiStr(out, pers.name);
        out.writeDouble(pers.eingestellt);
        out.writeDouble(pers.entlassen);
        out.writeBool(pers.istentlassen);
        out.writeInt32(pers.eintraege.Count());
        for (const TEintrag& e : pers.eintraege) {
            out.writeDouble(e.datum);
            out.writeInt32(e.dienst);
            out.writeInt32(0); // unused
        }
    }
    out.writeInt32(static_cast<std::int32_t>(s.TesselColorComboBox1)); // M3 … M5
    out.writeInt32(static_cast<std::int32_t>(s.TesselColorComboBox2));
    out.writeInt32(static_cast<std::int32_t>(s.TesselColorComboBox3));
    WriteFontRec(out, s.FontDialog1); // M6 … M8
    WriteFontRec(out, s.FontDialog2);
    WriteFontRec(out, s.FontDialog3);
    for (int i = 0; i < kHolidaysInM9; ++i) // M9
        out.writeInt32(s.FeiertageList[i] ? 1 : 0);
    WriteAnsiStr(out, s.CaptionEd); // S1
    WriteAnsiStr(out, s.Capt2Ed);
    out.writeBool(s.LegendeCheck); // S2
    out.writeBool(s.ShowSumCheck); // S3
    out.writeBool(s.ShowAnwCheck); // S4
    out.writeInt32(s.languagesetto); // S5
    out.writeBool(s.DoubleRowHeightCheck); // S6
    out.writeInt32(p); // S7
    for (const TPerson& pers : personen) {
        writeTable(out, pers.soll);
        writeTable(out, pers.vortrag);
        writeTable(out, pers.uebertrag);
        writeTable(out, pers.iststunden);
    }
    out.writeInt32(p); // S8
    for (const TPerson& pers : personen)
        out.writeDouble(pers.startueberstunden);
    out.writeBool(s.AddFreeLinesCheck); // S9
    for (const TPerson& pers : personen) { // S10
        for (const TEintrag& e : pers.eintraege)
            out.writeDouble(e.ueberstunden);
    }
    out.writeInt32(s.FeiertageList[27] ? 1 : 0); // S11
    out.writeInt32(s.FeiertageList[28] ? 1 : 0);
    out.writeInt32(p); // S12
    for (const TPerson& pers : personen)
        out.writeDouble(pers.maxstunden);
    out.writeBool(s.SecondLinesareDarkerCheck); // S13
    out.writeInt32(p); // S14
    for (const TPerson& pers : personen) {
        WriteAnsiStr(out, pers.persnr);
        WriteAnsiStr(out, pers.abteilung);
    }
    out.finish();
}

TReadResult ParseDutyFile(const char* data, qsizetype size, TDutyFileContent& content)
{
    TByteReader in(data, size);
    TDynaArray<TDienst>& dienste = content.dienste;
    std::int32_t d = 0;
    if (!in.readCount(d, kMinDutyBytes)) // M1
        return TReadResult::Damaged;
    if (!fitsContainer<TDienst>(d))
        return TReadResult::NoMemory;
    const bool dutiesOk = addRecords(dienste, d, [&](TDienst& dienst, std::int32_t) { // M2
        std::int32_t farbe = 0;
        if (!ReadAnsiStr(in, dienst.name) || !ReadAnsiStr(in, dienst.kuerzel) || !in.readInt32(farbe))
            return false;
        dienst.farbe = static_cast<std::uint32_t>(farbe);
        return true;
    });
    if (!dutiesOk)
        return in.good() ? TReadResult::NoMemory : TReadResult::Damaged;
    if (!in.atEnd()) { // S1
        for (TDienst& dienst : dienste)
            in.readBool(dienst.abwesend);
    }
    if (!in.atEnd()) { // S2
        for (TDienst& dienst : dienste)
            in.readDouble(dienst.stunden);
    }
    double margin = content.randbreite;
    if (!in.atEnd() && in.readDouble(margin)) // S3
        content.randbreite = margin;
    return in.good() ? TReadResult::Ok : TReadResult::Damaged;
}

void SerializeDutyFile(const TDynaArray<TDienst>& dienste, double randbreite, QByteArray& bytes)
{
    bytes.resize(0);
    TByteWriter out(bytes, 16 + 40 * qint64(dienste.Count()));
    out.writeInt32(dienste.Count());
    for (const TDienst& dienst : dienste) {
        WriteAnsiStr(out, dienst.name);
        WriteAnsiStr(out, dienst.kuerzel);
        out.writeInt32(static_cast<std::int32_t>(dienst.farbe));
    }
    for (const TDienst& dienst : dienste)
        out.writeBool(dienst.abwesend);
    for (const TDienst& dienst : dienste)
        out.writeDouble(dienst.stunden);
    out.writeDouble(randbreite);
    out.finish();
}
