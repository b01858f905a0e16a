#include "i18n/translate.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <cstring>
#include <utility>

namespace {

// A translation file larger than this is not read into memory; it cannot be one the
// program wrote for any realistic number of texts.
constexpr qint64 kMaxTranslationFileBytes = qint64(256) << 20;

TranslationErrorReporter& reporter()
{
    static TranslationErrorReporter r;
    return r;
}

void reportDamage()
{
    const QString text = TranslationCorruptText();
    if (reporter())
        reporter()(text);
    else
        qWarning().noquote() << text;
}

// Sequential reader over the file image; every read checks the bytes that remain.
class Reader {
public:
    explicit Reader(const QByteArray& data)
        : p(data.constData())
        , left(data.size())
    {
    }

    bool readInt32(qint32& v)
    {
        if (left < 4)
            return false;
        v = qFromLittleEndian<qint32>(p);
        p += 4;
        left -= 4;
        return true;
    }

    // A counted UTF-16LE string; with `out` null it is only checked and skipped.
    bool readString(QString* out)
    {
        qint32 len = 0;
        if (!readInt32(len) || len < 0 || qint64(len) * 2 > left)
            return false;
        if (out) {
            QString s(len, Qt::Uninitialized);
            qFromLittleEndian<char16_t>(p, len, s.data());
            *out = std::move(s);
        }
        p += qint64(len) * 2;
        left -= qint64(len) * 2;
        return true;
    }

private:
    const char* p;
    qint64 left;
};

void appendString(QByteArray& out, const QString& s)
{
    const qint32 len = qint32(s.size());
    char buf[4];
    qToLittleEndian<qint32>(len, buf);
    out.append(buf, 4);
    const qsizetype at = out.size();
    out.resize(at + qsizetype(len) * 2);
    qToLittleEndian<char16_t>(s.utf16(), len, out.data() + at);
}

void appendInt32(QByteArray& out, qint32 v)
{
    char buf[4];
    qToLittleEndian<qint32>(v, buf);
    out.append(buf, 4);
}

// Removes characters ≤ U+0020 at both ends (the translation's own blanks and controls).
QStringView trimControls(QStringView s)
{
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && s[from].unicode() <= 0x20)
        ++from;
    while (to > from && s[to - 1].unicode() <= 0x20)
        --to;
    return s.mid(from, to - from);
}

void clearStore(TTranslationStore& st)
{
    st.TranslationTable.Clear();
    for (auto& bucket : st.TranslationIndex)
        bucket.Clear();
    st.BatchMode = st.BatchDepth > 0; // a running batch goes on with the new table
    st.TableDirty = false;
}

// Appends a row for a new German text `s` and its index entry; false when memory ran out
// (the store is then unchanged).
bool appendRow(TTranslationStore& st, QStringView s)
{
    TTranslationRow* row = st.TranslationTable.Add();
    if (!row)
        return false;
    row->spalten[0] = s.toString();
    const int pos = st.TranslationTable.Count() - 1;
    IndexEntry* e = st.TranslationIndex[TranslationBucket(s)].Add();
    if (!e) {
        st.TranslationTable.Delete(pos);
        return false;
    }
    e->text = row->spalten[0];
    e->row = pos;
    return true;
}

} // namespace

TTranslationStore& Translations()
{
    static TTranslationStore store;
    return store;
}

QString TranslationCorruptText()
{
    return QStringLiteral("The file translation.dat has been corrupted.");
}

void SetTranslationErrorReporter(TranslationErrorReporter r)
{
    reporter() = std::move(r);
}

QString TranslationFilePath()
{
    return Translations().fileName;
}

void InitTranslations(const QString& folder)
{
    TTranslationStore& st = Translations();
    clearStore(st);
    st.fileName = folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("translate.dat"));
    LoadTranslations();
    BuildTranslationIndex();
}

TranslationReadResult ReadTranslationData(const QByteArray& data, TDynaArray<TTranslationRow>& table, int maxRows)
{
    TranslationReadResult res;
    Reader in(data);
    qint32 columns = 0;
    qint32 rows = 0;
    if (!in.readInt32(columns) || !in.readInt32(rows) || columns < 0 || rows < 0 || (columns == 0 && rows > 0)) {
        res.damaged = true;
        return res;
    }
    // Every row consumes at least 4 × C bytes, so the loop ends with the data at the latest.
    for (qint32 r = 0; r < rows; ++r) {
        if (table.Count() >= maxRows) {
            res.damaged = true;
            return res;
        }
        TTranslationRow row;
        for (qint32 c = 0; c < columns; ++c) {
            if (!in.readString(c < kTranslationColumns ? &row.spalten[c] : nullptr)) {
                res.damaged = true;
                return res;
            }
        }
        TTranslationRow* slot = table.Add();
        if (!slot) // out of memory, already reported by the container
            return res;
        *slot = std::move(row);
        ++res.rowsRead;
    }
    return res;
}

QByteArray WriteTranslationData(const TDynaArray<TTranslationRow>& table)
{
    QByteArray out;
    appendInt32(out, kTranslationColumns);
    appendInt32(out, table.Count());
    for (const TTranslationRow& row : table)
        for (const QString& s : row.spalten)
            appendString(out, s);
    return out;
}

bool LoadTranslations()
{
    TTranslationStore& st = Translations();
    st.TranslationTable.Clear();
    st.TranslationTable.buffersize = kTranslationTableStep;
    st.fileUnreadable = false;
    if (st.fileName.isEmpty())
        return true;
    QFile f(st.fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        st.fileUnreadable = f.exists();
        return true;
    }
    if (f.size() > kMaxTranslationFileBytes) {
        st.fileUnreadable = true;
        reportDamage();
        return false;
    }
    const QByteArray data = f.readAll();
    f.close();
    if (ReadTranslationData(data, st.TranslationTable).damaged) {
        st.fileUnreadable = true;
        reportDamage();
        return false;
    }
    return true;
}

bool SaveTranslations()
{
    TTranslationStore& st = Translations();
    if (st.fileName.isEmpty())
        return false;
    if (st.fileUnreadable) {
        // Kept until the user removes or repairs it (a repaired file is read at the next
        // start; a removed one may be written anew).
        if (QFile::exists(st.fileName))
            return false;
        st.fileUnreadable = false;
    }
    QSaveFile f(st.fileName);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = WriteTranslationData(st.TranslationTable);
    if (f.write(data) != data.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

void BuildTranslationIndex()
{
    TTranslationStore& st = Translations();
    for (auto& bucket : st.TranslationIndex)
        bucket.Clear();
    for (int i = 0; i < st.TranslationTable.Count(); ++i) {
        const QString& german = st.TranslationTable[i].spalten[0];
        if (german.isEmpty())
            continue;
        IndexEntry* e = st.TranslationIndex[TranslationBucket(german)].Add();
        if (!e)
            return;
        e->text = german;
        e->row = i;
    }
}

QString TranslateText(const QString& text)
{
    if (text.isEmpty())
        return text;
    qsizetype a = 0;
    while (a < text.size() && text[a] == u' ')
        ++a;
    if (a == text.size())
        return text; // blanks only
    qsizetype end = text.size();
    while (text[end - 1] == u' ')
        --end;
    const qsizetype b = text.size() - end;
    const QStringView s = QStringView(text).mid(a, end - a);

    TTranslationStore& st = Translations();
    auto& bucket = st.TranslationIndex[TranslationBucket(s)];
    for (const IndexEntry& e : bucket) {
        if (e.text != s)
            continue;
        if (st.CurrentLanguage == 0 || e.row < 0 || e.row >= st.TranslationTable.Count())
            return text;
        const QStringView t = trimControls(st.TranslationTable[e.row].spalten[st.CurrentLanguage]);
        // A translation of blanks only counts as none, so a caption never vanishes.
        if (t.isEmpty())
            return text;
        QString out;
        out.reserve(a + t.size() + b);
        out.append(QString(a, u' '));
        out.append(t);
        out.append(QString(b, u' '));
        return out;
    }

    if (appendRow(st, s)) {
        if (st.BatchMode)
            st.TableDirty = true;
        else
            SaveTranslations();
    }
    return text;
}

void SetCurrentLanguage(int language)
{
    Translations().CurrentLanguage = (language >= 0 && language < kTranslationColumns) ? language : 0;
}

int GetCurrentLanguage()
{
    return Translations().CurrentLanguage;
}

bool ChooseLanguage(int language, bool dontchlang)
{
    if (dontchlang)
        return false;
    SetCurrentLanguage(language);
    return true;
}

void BeginTranslationBatch()
{
    TTranslationStore& st = Translations();
    if (st.BatchDepth++ > 0)
        return;
    st.TableDirty = false;
    st.BatchMode = true;
}

void EndTranslationBatch()
{
    TTranslationStore& st = Translations();
    if (st.BatchDepth > 1) {
        --st.BatchDepth;
        return;
    }
    st.BatchDepth = 0;
    if (st.TableDirty)
        SaveTranslations();
    st.TableDirty = false;
    st.BatchMode = false;
}

int TranslationRowCount()
{
    return Translations().TranslationTable.Count();
}

QString TranslationCell(int row, int column)
{
    TTranslationStore& st = Translations();
    if (row < 0 || row >= st.TranslationTable.Count() || column < 0 || column >= kTranslationColumns)
        return {};
    return st.TranslationTable[row].spalten[column];
}

bool SetTranslationCell(int row, int column, const QString& text)
{
    TTranslationStore& st = Translations();
    if (row < 0 || row >= st.TranslationTable.Count() || column < 0 || column >= kTranslationColumns)
        return false;
    st.TranslationTable[row].spalten[column] = text;
    return true;
}

bool DeleteTranslationRow(int row)
{
    TTranslationStore& st = Translations();
    if (row < 0 || row >= st.TranslationTable.Count())
        return false;
    st.TranslationTable.Delete(row);
    // The row's entry may sit in any bucket (column 0 may have been edited since), so
    // every bucket is walked.
    for (auto& bucket : st.TranslationIndex) {
        for (int i = bucket.Count() - 1; i >= 0; --i) {
            if (bucket[i].row == row)
                bucket.Delete(i);
            else if (bucket[i].row > row)
                --bucket[i].row;
        }
    }
    return true;
}
