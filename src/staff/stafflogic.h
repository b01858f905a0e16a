#pragma once
// Ordering rules of the person and duty lists: which container record a list row shows,
// the exchange sort by a list column, and keeping entries on their duty when the duty
// list changes.

#include "core/roster.h"

// Container index of the person shown in list row `listnr` (persons active in the month,
// counted from 0); -1 when there is no such row.
int GetPersonNr(const TDynaArray<TPerson>& personen, int listnr, int jahr, int monat);

// Sort column and direction of the person list: a click on the column of the last sort
// reverses it; another column starts descending. The list starts at column 0,
// descending, so the first click on "Name" sorts ascending.
void ChooseSortColumn(int clicked, int& sortspalte, bool& sortdir);
// Exchange sort of the whole container by list column 0 … 5; `ascending` = sortdir.
void SortierePersonen(TDynaArray<TPerson>& personen, int spalte, bool ascending);

// Deletes duty number d (1-based): removes every entry of that duty and renumbers the
// entries of the duties after it, then removes the duty record.
void DeleteDienstAndEntries(TRoster& roster, int d);
// Swaps duties number a and b (1-based) and swaps the entries' numbers with them, so
// every entry keeps its duty.
void SwapDienste(TRoster& roster, int a, int b);
