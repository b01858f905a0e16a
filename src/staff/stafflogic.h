#pragma once
// Ordering rules of the person and duty lists: which container record a list row shows,
// the exchange sort by a list column, keeping entries on their duty when the duty
// list changes, and which texts the 8-bit data files can hold.

#include "core/roster.h"

#include <vector>

// Container index of the person shown in list row `listnr` (persons active in the month,
// counted from 0); -1 when there is no such row.
int GetPersonNr(const TDynaArray<TPerson>& personen, int listnr, int jahr, int monat);

// Sort column and direction of the person list: a click on the column of the last sort
// reverses it; another column starts descending. The list starts at column 0,
// descending, so the first click on "Name" sorts ascending.
void ChooseSortColumn(int clicked, int& sortspalte, bool& sortdir);
// Exchange sort of the whole container by list column 0 … 5; `ascending` = sortdir.
// `order`, when given, receives for each position the index the person had before.
void SortierePersonen(TDynaArray<TPerson>& personen, int spalte, bool ascending, std::vector<int>* order = nullptr);

// Deletes duty number d (1-based): removes every entry of that duty and renumbers the
// entries of the duties after it, then removes the duty record.
void DeleteDienstAndEntries(TRoster& roster, int d);
// Swaps duties number a and b (1-based) and swaps the entries' numbers with them, so
// every entry keeps its duty.
void SwapDienste(TRoster& roster, int a, int b);

// Characters of `text` that a text field must not pass on to the data files: control
// characters (C0, DEL, C1: line breaks, tabs, …), which the files would hold as raw bytes,
// and characters Windows-1252 cannot represent, which would become '?'. Each one once,
// in order of first appearance, as whole code points.
QList<char32_t> UnstorableCharacters(const QString& text);
// The warning for a field holding such characters, naming each one ("Ł" (U+0141),
// Tabulator (U+0009)), translated into the current language.
QString UnstorableTextMessage(const QString& fieldLabel, const QList<char32_t>& characters);
// The text the data file gives back for `text`: characters outside Windows-1252 become
// '?'. What an edited field stores, so a list shows what the file holds.
QString StorableText(const QString& text);
