#pragma once
// The translation store. Every row of `TranslationTable` holds a German source text in
// column 0 and its translations into up to 29 languages in columns 1 … 29 (1 = English).
// The table lives in "translate.dat" in the per-user folder; a German text that is asked
// for and not yet known is appended at once, so the table collects every text the program
// ever needed, and translators fill in the rows in the editor.
//
// "translate.dat", all integers 32-bit little-endian:
//   column count C (written as 30), row count R, then R rows of C strings each;
//   a string is a signed count L of UTF-16 code units followed by 2 × L bytes UTF-16LE.

#include "core/dynaarray.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <functional>

constexpr int kTranslationColumns = 30;
constexpr int kTranslationBuckets = 256;
// Growth step of the table once a file is loaded: the first 100000 rows need no move.
constexpr std::uint32_t kTranslationTableStep = 100000;

// One row of the table: column 0 German, column i language i. Empty columns are empty
// strings.
struct TTranslationRow {
    std::array<QString, kTranslationColumns> spalten;
};

// One entry of the lookup index: a copy of a row's German text and the row's position
// in the table, from 0.
struct IndexEntry {
    QString text;
    std::int32_t row = 0;
};

// The whole store; there is one instance, `Translations()`.
// Invariant: every row with a non-empty column 0 has exactly one index entry, in the
// bucket of its text as it was when the entry was made, naming that row. (Edits of
// column 0 in the editor reach the index at the next start.)
struct TTranslationStore {
    TDynaArray<TTranslationRow> TranslationTable;
    std::array<TDynaArray<IndexEntry>, kTranslationBuckets> TranslationIndex;
    int CurrentLanguage = 0; // column used for output, 0 … 29
    bool BatchMode = false; // while set, new rows are not saved at once
    bool TableDirty = false; // a row was added during the batch
    int BatchDepth = 0; // batches inside a batch end with the outermost one
    QString fileName; // full path of translate.dat; empty: nothing is ever written
    bool fileUnreadable = false; // the file exists but could not be read whole: never replaced
};

TTranslationStore& Translations();

// Bucket of a German text: the low 8 bits of its first UTF-16 code unit.
inline int TranslationBucket(QStringView text)
{
    return text.isEmpty() ? 0 : (text.front().unicode() & 0xFF);
}

// --- start-up and file ---------------------------------------------------------------

// Empties the store, loads `<folder>/translate.dat` and builds the index. The caller
// passes the per-user folder (created). An empty folder means "no file": the store
// works in memory only.
void InitTranslations(const QString& folder);
QString TranslationFilePath();

// Reads the file named in the store into the (emptied) table. A missing or unreadable
// file leaves the table empty without a message. Damage is reported once through the
// error reporter and the complete rows before it stay. Returns false on damage.
bool LoadTranslations();

// Writes the whole table to a new file that then replaces the old one. Returns false when
// nothing could be written (not reported: the table in memory stays complete), and
// always while the file on disk is one the last load could not read: a damaged file is
// kept for the user to repair rather than replaced by what memory holds.
bool SaveTranslations();

// Builds the index from column 0 of every row, in table order.
void BuildTranslationIndex();

// The reader on its own (also the fuzz entry point): appends the rows of the file image
// `data` to `table`. Every count is checked against the bytes that remain before anything
// is allocated; a negative count, a count reaching beyond the data, or a column count of 0
// with rows is damage. Rows read completely stay in the table.
// More rows than `maxRows` are damage too: a row in memory is far larger than its
// smallest form in the file, so the count is bounded before it can exhaust memory.
constexpr int kMaxTranslationRows = 500000;
struct TranslationReadResult {
    bool damaged = false;
    int rowsRead = 0;
};
TranslationReadResult ReadTranslationData(
    const QByteArray& data, TDynaArray<TTranslationRow>& table, int maxRows = kMaxTranslationRows);
QByteArray WriteTranslationData(const TDynaArray<TTranslationRow>& table);

// The text shown when the file is damaged (it names translation.dat, as users know it).
QString TranslationCorruptText();

// Receives the damage message. The desktop program shows it in a message box; the default
// writes it to the debug output. Pass nullptr to restore the default.
using TranslationErrorReporter = std::function<void(const QString&)>;
void SetTranslationErrorReporter(TranslationErrorReporter reporter);

// --- lookup --------------------------------------------------------------------------

// The German text in the current language. Outer blanks (U+0020) of the German text are
// kept around the translation; a text not yet in the table is appended to it (and saved
// unless a batch runs) and returned unchanged.
QString TranslateText(const QString& text);

// Current language: 0 German … 29. Values outside 0 … 29 (only a damaged person file has
// them) are treated as German.
void SetCurrentLanguage(int language);
int GetCurrentLanguage();

// The language menu: does nothing and returns false while `dontchlang` is set (the
// program ticks the item itself). Otherwise sets the current language and returns true:
// the caller ticks the item, shows the restart notice and saves the person file.
bool ChooseLanguage(int language, bool dontchlang);

// Batch of lookups that saves the table at most once, at its end: clears TableDirty and
// sets BatchMode; the end saves when a row was added and clears BatchMode. Batches nest:
// only the outermost one begins and ends (the program's start-up is one batch).
void BeginTranslationBatch();
void EndTranslationBatch();

// --- editor access -------------------------------------------------------------------

int TranslationRowCount();
QString TranslationCell(int row, int column);
// Replaces one column of one row; false outside the table. Does not touch the index.
bool SetTranslationCell(int row, int column, const QString& text);
// Removes a row, its index entry, and renumbers the entries of later rows.
bool DeleteTranslationRow(int row);
