#pragma once
// Rotation patterns laid over rows of the plan: step i of the pattern goes to day
// start + i of every chosen person, shifted by the person's offset, repeating the
// pattern as often as the days ask.

#include "planning/planrules.h"

#include <QDate>
#include <QString>

#include <vector>

class TRoster;

struct TPatternRun {
    std::vector<int> persons; // roster indices
    std::vector<int> offsets; // per person, days; missing values are 0
    QDate start; // first day
    int days = 0; // number of days; 0 = to the end of the start's month
    bool replaceAbsences = false; // absence entries are overwritten too
};

struct TPatternResult {
    int changed = 0; // entries added, changed or removed
    QString error; // not empty: nothing was changed
};

// The duty numbers (1-based; 0 = free) of the pattern's steps; an error names the first
// abbreviation no duty has.
std::vector<int> PatternDuties(const TPattern& pattern, const TRoster& roster, QString* error);
// Parses "F F S S N N - - -" (spaces or commas) into steps.
std::vector<QString> ParsePatternSteps(const QString& text);
QString PatternStepsText(const TPattern& pattern);

// Lays the pattern over the rows. A free step removes a day's entry; a day holding an
// absence keeps it unless `replaceAbsences`. Days outside a person's employment are left
// alone.
TPatternResult ApplyPattern(TRoster& roster, const TPattern& pattern, const TPatternRun& run);
