#pragma once
// Planning rules of one plan slot: staffing targets per duty, rules every person's month
// must keep, qualifications and named rotation patterns. Kept in its own file beside the
// person and duty files ("regeln.dat", JSON), which copies that do not know it ignore.
//
// Duties are named by a stable key: the abbreviation, with the 1-based duty number as
// the fallback for duties without one; persons by their personnel number, with the name
// as the fallback. Keys that no longer name anything are kept but take no effect.
//
// The file is a JSON object:
//   "format": "rostelmark-regeln", "version": 1,
//   "targets": [{"duty": KEY, "min": [Mo … So], "max": [Mo … So, null = none],
//                "holidayMin": n|null, "holidayMax": n|null,
//                "dates": [{"date": "YYYY-MM-DD", "min": n, "max": n|null}]}],
//   "rules": {"maxDaysInRow": n, "minFreeDays": n, "maxMonthHours": x,
//             "forbiddenSuccessions": [{"first": KEY, "second": KEY}]},
//   "qualifications": [{"person": {"persnr": s, "name": s}, "notAllowed": [KEY]}],
//   "patterns": [{"name": s, "steps": ["F", "S", "-", …]}]
// with KEY = {"abbr": s, "nr": n}. 0 (or a missing key) switches a rule off. Keys this
// version does not know are kept, at every level, and written back unchanged; a file of
// a newer version keeps its version number.

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QString>

#include <array>
#include <vector>

class TRoster;
struct TDienst;
struct TPerson;
template <typename T> class TDynaArray;

struct TDutyKey {
    QString abbr; // the duty's abbreviation; empty: use `nr`
    int nr = 0; // 1-based duty number when the key was made
    bool operator==(const TDutyKey&) const = default;
};

struct TPersonKey {
    QString persnr; // empty: use `name`
    QString name;
    bool operator==(const TPersonKey&) const = default;
};

constexpr int kNoLimit = -1;
constexpr int kTargetLimit = 10000; // counts in the file are clamped to 0 … this

struct TDateTarget {
    QDate date;
    int min = 0;
    int max = kNoLimit;
    QJsonObject extra;
    bool operator==(const TDateTarget&) const = default;
};

// Minimum and maximum number of persons on one duty: per weekday (0 = Monday … 6 =
// Sunday), on the selected holidays (kNoLimit there: as on that weekday) and on single
// dates.
struct TStaffTarget {
    TDutyKey duty;
    std::array<int, 7> min{};
    std::array<int, 7> max{kNoLimit, kNoLimit, kNoLimit, kNoLimit, kNoLimit, kNoLimit, kNoLimit};
    int holidayMin = kNoLimit;
    int holidayMax = kNoLimit;
    std::vector<TDateTarget> dates;
    QJsonObject extra;
    bool operator==(const TStaffTarget&) const = default;
};

struct TSuccession {
    TDutyKey first, second; // `first` on one day, `second` on the next is forbidden
    QJsonObject extra;
    bool operator==(const TSuccession&) const = default;
};

struct TQualification {
    TPersonKey person;
    std::vector<TDutyKey> notAllowed;
    QJsonObject extra;
    bool operator==(const TQualification&) const = default;
};

// A rotation: abbreviations and free days ("-" or empty) in order.
struct TPattern {
    QString name;
    std::vector<QString> steps;
    QJsonObject extra;
    bool operator==(const TPattern&) const = default;
};

struct TPlanRules {
    static constexpr int kVersion = 1;
    int version = kVersion; // as read; a newer file keeps its number

    std::vector<TStaffTarget> targets;
    int maxDaysInRow = 0; // most days in a row with a duty that is no absence; 0 = no rule
    int minFreeDays = 0; // fewest days in a month without such a duty; 0 = no rule
    double maxMonthHours = 0; // most hours in a month; 0 = no rule
    std::vector<TSuccession> forbidden;
    std::vector<TQualification> qualifications;
    std::vector<TPattern> patterns;

    QJsonObject extra; // unknown top-level keys
    QJsonObject rulesExtra; // unknown keys of "rules"

    bool Empty() const;
    bool operator==(const TPlanRules&) const = default;
};

// Reads the file's bytes; false (rules untouched, `error` set) when they are no rules
// file: not JSON, not an object, or a known key of the wrong type.
bool ParsePlanRules(const QByteArray& bytes, TPlanRules& rules, QString* error = nullptr);
// The file's bytes: indented JSON, keys in a fixed order, ending in a newline.
QByteArray SerializePlanRules(const TPlanRules& rules);

// ---- keys -------------------------------------------------------------------------------

TDutyKey DutyKeyOf(const TDynaArray<TDienst>& duties, int index);
// 0-based index of the duty the key names, -1 when none does: the first duty with the
// abbreviation, or for a key without one the duty numbered `nr`.
int ResolveDuty(const TDynaArray<TDienst>& duties, const TDutyKey& key);
TPersonKey PersonKeyOf(const TPerson& p);
// 0-based person index, -1 when none: the personnel number first, then the name.
int ResolvePerson(const TDynaArray<TPerson>& persons, const TPersonKey& key);
// Removes every target, succession and qualification entry naming the duty; returns
// how many were removed (said in the confirmation before a duty is deleted).
int RemoveDutyRules(TPlanRules& rules, const TDynaArray<TDienst>& duties, int index);
// The number of rule entries naming the duty (0: deleting it touches no rule).
int CountDutyRules(const TPlanRules& rules, const TDynaArray<TDienst>& duties, int index);

// ---- resolved form ----------------------------------------------------------------------

// The rules applied to the current duty and person lists: indices instead of keys, for
// the check, the grid and an automatic proposal. Built cheaply; rebuild after any change
// of rules, duties or persons.
struct TResolvedRules {
    struct Target {
        int duty = -1; // 0-based
        std::array<int, 7> min{}, max{};
        int holidayMin = kNoLimit, holidayMax = kNoLimit;
        std::vector<TDateTarget> dates;
    };
    int dutyCount = 0;
    int personCount = 0;
    std::vector<Target> targets; // only targets whose duty resolved, in file order
    int maxDaysInRow = 0;
    int minFreeDays = 0;
    double maxMonthHours = 0;
    std::vector<char> forbiddenNext; // [first * dutyCount + second]
    std::vector<char> notAllowed; // [person * dutyCount + duty]

    bool Forbidden(int first, int second) const;
    bool NotAllowed(int person, int duty) const;
    // Minimum / maximum (kNoLimit: none) of target `t` on a date.
    int MinOn(const Target& t, const QDate& date, bool holiday) const;
    int MaxOn(const Target& t, const QDate& date, bool holiday) const;
};

TResolvedRules ResolveRules(const TPlanRules& rules, const TRoster& roster);
