#pragma once
// Duty statistics: for every person, how many days of each duty fall into a month or a
// year, as lines of text (the heading bold). Shared by the statistics page and the
// command-line tool; no widgets here.

#include <QString>

#include <vector>

class TRoster;
struct TPerson;

struct TStatLine {
    QString text;
    bool bold = false;
    bool operator==(const TStatLine&) const = default;
};

// counts[k] = days of duty k + 1 of the person in the month: every entry dated in the
// month counts. Entries without a duty or with a number outside the duty list are not
// counted. The activity of the person is not checked here.
std::vector<int> CountDutiesInMonth(const TRoster& roster, const TPerson& p, int year, int month);
// The same for a year, where of several entries with the same date only the first in
// stored order counts.
std::vector<int> CountDutiesInYear(const TRoster& roster, const TPerson& p, int year);

// "Dienst Statistik M/Y" in bold, two empty lines, then for every person in list order its
// name, one line "duty: count" per duty used (in duty-list order) and an empty line.
// Persons not active in the month get the name and the empty line only.
std::vector<TStatLine> MonthStatistics(const TRoster& roster, int year, int month);
// The same for a year ("Dienst Statistik Y", persons active in the year).
std::vector<TStatLine> YearStatistics(const TRoster& roster, int year);

// The lines joined with '\n' (for the command line and for tests).
QString StatisticsText(const std::vector<TStatLine>& lines);
