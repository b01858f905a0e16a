#pragma once
// rostelmark-cli check: the findings of the plan check of one month.

#include <QByteArray>

class TRoster;

// Exit code of `check` when the month breaks a staffing target or a rule.
constexpr int kExitFindings = 4;

// The findings as text (one tab-separated line each: date, duty or person, rule,
// numbers; "ok" for a clean month) or as a JSON object. Returns whether the month is clean.
bool CheckMonthOutput(const TRoster& roster, int year, int month, bool json, QByteArray& out);
