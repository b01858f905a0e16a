#include "planning/planrules.h"

#include "core/roster.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace {

const QString kFormatName = QStringLiteral("rostelmark-regeln");

// Raised by the readers below when a known key holds the wrong type.
struct BadFile {
    QString what;
};

QString key(const char* k)
{
    return QString::fromLatin1(k);
}

// The keys of `o` that are not in `known`.
QJsonObject unknownKeys(const QJsonObject& o, std::initializer_list<const char*> known)
{
    QJsonObject out = o;
    for (const char* k : known)
        out.remove(key(k));
    return out;
}

// Writes `extra` into `o` without overwriting a known key.
void mergeExtra(QJsonObject& o, const QJsonObject& extra)
{
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        if (!o.contains(it.key()))
            o.insert(it.key(), it.value());
    }
}

QJsonObject objectAt(const QJsonObject& o, const char* k)
{
    const QJsonValue v = o.value(key(k));
    if (v.isUndefined() || v.isNull())
        return {};
    if (!v.isObject())
        throw BadFile{key(k)};
    return v.toObject();
}

QJsonArray arrayAt(const QJsonObject& o, const char* k)
{
    const QJsonValue v = o.value(key(k));
    if (v.isUndefined() || v.isNull())
        return {};
    if (!v.isArray())
        throw BadFile{key(k)};
    return v.toArray();
}

QJsonObject asObject(const QJsonValue& v, const char* what)
{
    if (!v.isObject())
        throw BadFile{key(what)};
    return v.toObject();
}

// A count: a number, clamped to 0 … kTargetLimit; null or missing gives `absent`.
int countOf(const QJsonValue& v, const char* what, int absent)
{
    if (v.isUndefined() || v.isNull())
        return absent;
    if (!v.isDouble())
        throw BadFile{key(what)};
    const double d = v.toDouble();
    if (!std::isfinite(d))
        return absent;
    return static_cast<int>(std::clamp(std::trunc(d), 0.0, double(kTargetLimit)));
}

QString stringOf(const QJsonValue& v, const char* what)
{
    if (v.isUndefined() || v.isNull())
        return {};
    if (!v.isString())
        throw BadFile{key(what)};
    return v.toString();
}

TDutyKey readDutyKey(const QJsonValue& v)
{
    const QJsonObject o = asObject(v, "duty");
    TDutyKey k;
    k.abbr = stringOf(o.value(key("abbr")), "abbr");
    k.nr = countOf(o.value(key("nr")), "nr", 0);
    return k;
}

QJsonObject writeDutyKey(const TDutyKey& k)
{
    QJsonObject o;
    o.insert(key("abbr"), k.abbr);
    o.insert(key("nr"), k.nr);
    return o;
}

QJsonValue limitValue(int v)
{
    return v == kNoLimit ? QJsonValue(QJsonValue::Null) : QJsonValue(v);
}

void readWeek(const QJsonObject& o, const char* k, std::array<int, 7>& week, int absent)
{
    const QJsonArray a = arrayAt(o, k);
    for (int i = 0; i < 7; ++i)
        week[std::size_t(i)] = i < a.size() ? countOf(a.at(i), k, absent) : absent;
}

QJsonArray writeWeek(const std::array<int, 7>& week)
{
    QJsonArray a;
    for (int v : week)
        a.append(limitValue(v));
    return a;
}

TStaffTarget readTarget(const QJsonValue& v)
{
    const QJsonObject o = asObject(v, "targets");
    TStaffTarget t;
    t.duty = readDutyKey(o.value(key("duty")));
    readWeek(o, "min", t.min, 0);
    readWeek(o, "max", t.max, kNoLimit);
    t.holidayMin = countOf(o.value(key("holidayMin")), "holidayMin", kNoLimit);
    t.holidayMax = countOf(o.value(key("holidayMax")), "holidayMax", kNoLimit);
    for (const QJsonValue& dv : arrayAt(o, "dates")) {
        const QJsonObject d = asObject(dv, "dates");
        TDateTarget dt;
        dt.date = QDate::fromString(stringOf(d.value(key("date")), "date"), Qt::ISODate);
        dt.min = countOf(d.value(key("min")), "min", 0);
        dt.max = countOf(d.value(key("max")), "max", kNoLimit);
        dt.extra = unknownKeys(d, {"date", "min", "max"});
        t.dates.push_back(std::move(dt));
    }
    t.extra = unknownKeys(o, {"duty", "min", "max", "holidayMin", "holidayMax", "dates"});
    return t;
}

QJsonObject writeTarget(const TStaffTarget& t)
{
    QJsonObject o;
    o.insert(key("duty"), writeDutyKey(t.duty));
    o.insert(key("min"), writeWeek(t.min));
    o.insert(key("max"), writeWeek(t.max));
    o.insert(key("holidayMin"), limitValue(t.holidayMin));
    o.insert(key("holidayMax"), limitValue(t.holidayMax));
    QJsonArray dates;
    for (const TDateTarget& dt : t.dates) {
        QJsonObject d;
        d.insert(key("date"), dt.date.toString(Qt::ISODate));
        d.insert(key("min"), dt.min);
        d.insert(key("max"), limitValue(dt.max));
        mergeExtra(d, dt.extra);
        dates.append(d);
    }
    o.insert(key("dates"), dates);
    mergeExtra(o, t.extra);
    return o;
}

void parseInto(const QJsonObject& root, TPlanRules& r)
{
    const QJsonValue format = root.value(key("format"));
    if (!format.isUndefined() && format.toString() != kFormatName)
        throw BadFile{key("format")};
    r.version = std::max(countOf(root.value(key("version")), "version", TPlanRules::kVersion), 1);

    for (const QJsonValue& v : arrayAt(root, "targets"))
        r.targets.push_back(readTarget(v));

    const QJsonObject rules = objectAt(root, "rules");
    r.maxDaysInRow = countOf(rules.value(key("maxDaysInRow")), "maxDaysInRow", 0);
    r.minFreeDays = countOf(rules.value(key("minFreeDays")), "minFreeDays", 0);
    const QJsonValue hours = rules.value(key("maxMonthHours"));
    if (!hours.isUndefined() && !hours.isNull() && !hours.isDouble())
        throw BadFile{key("maxMonthHours")};
    r.maxMonthHours = std::isfinite(hours.toDouble()) ? std::clamp(hours.toDouble(), 0.0, 100000.0) : 0.0;
    for (const QJsonValue& v : arrayAt(rules, "forbiddenSuccessions")) {
        const QJsonObject o = asObject(v, "forbiddenSuccessions");
        TSuccession s;
        s.first = readDutyKey(o.value(key("first")));
        s.second = readDutyKey(o.value(key("second")));
        s.extra = unknownKeys(o, {"first", "second"});
        r.forbidden.push_back(std::move(s));
    }
    r.rulesExtra = unknownKeys(rules, {"maxDaysInRow", "minFreeDays", "maxMonthHours", "forbiddenSuccessions"});

    for (const QJsonValue& v : arrayAt(root, "qualifications")) {
        const QJsonObject o = asObject(v, "qualifications");
        TQualification q;
        const QJsonObject p = objectAt(o, "person");
        q.person.persnr = stringOf(p.value(key("persnr")), "persnr");
        q.person.name = stringOf(p.value(key("name")), "name");
        for (const QJsonValue& d : arrayAt(o, "notAllowed"))
            q.notAllowed.push_back(readDutyKey(d));
        q.extra = unknownKeys(o, {"person", "notAllowed"});
        r.qualifications.push_back(std::move(q));
    }

    for (const QJsonValue& v : arrayAt(root, "patterns")) {
        const QJsonObject o = asObject(v, "patterns");
        TPattern pat;
        pat.name = stringOf(o.value(key("name")), "name");
        for (const QJsonValue& s : arrayAt(o, "steps"))
            pat.steps.push_back(stringOf(s, "steps"));
        pat.extra = unknownKeys(o, {"name", "steps"});
        r.patterns.push_back(std::move(pat));
    }
    r.extra = unknownKeys(root, {"format", "version", "targets", "rules", "qualifications", "patterns"});
}

} // namespace

bool TPlanRules::Empty() const
{
    return targets.empty() && maxDaysInRow == 0 && minFreeDays == 0 && maxMonthHours == 0 && forbidden.empty()
        && qualifications.empty() && patterns.empty();
}

bool ParsePlanRules(const QByteArray& bytes, TPlanRules& rules, QString* error)
{
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
        if (error)
            *error = pe.error != QJsonParseError::NoError ? pe.errorString() : QStringLiteral("no object");
        return false;
    }
    TPlanRules r;
    try {
        parseInto(doc.object(), r);
    } catch (const BadFile& bad) {
        if (error)
            *error = bad.what;
        return false;
    }
    rules = std::move(r);
    return true;
}

QByteArray SerializePlanRules(const TPlanRules& r)
{
    QJsonObject root;
    root.insert(key("format"), kFormatName);
    root.insert(key("version"), std::max(r.version, TPlanRules::kVersion));
    QJsonArray targets;
    for (const TStaffTarget& t : r.targets)
        targets.append(writeTarget(t));
    root.insert(key("targets"), targets);

    QJsonObject rules;
    rules.insert(key("maxDaysInRow"), r.maxDaysInRow);
    rules.insert(key("minFreeDays"), r.minFreeDays);
    rules.insert(key("maxMonthHours"), r.maxMonthHours);
    QJsonArray successions;
    for (const TSuccession& s : r.forbidden) {
        QJsonObject o;
        o.insert(key("first"), writeDutyKey(s.first));
        o.insert(key("second"), writeDutyKey(s.second));
        mergeExtra(o, s.extra);
        successions.append(o);
    }
    rules.insert(key("forbiddenSuccessions"), successions);
    mergeExtra(rules, r.rulesExtra);
    root.insert(key("rules"), rules);

    QJsonArray quals;
    for (const TQualification& q : r.qualifications) {
        QJsonObject o, p;
        p.insert(key("persnr"), q.person.persnr);
        p.insert(key("name"), q.person.name);
        o.insert(key("person"), p);
        QJsonArray duties;
        for (const TDutyKey& k : q.notAllowed)
            duties.append(writeDutyKey(k));
        o.insert(key("notAllowed"), duties);
        mergeExtra(o, q.extra);
        quals.append(o);
    }
    root.insert(key("qualifications"), quals);

    QJsonArray patterns;
    for (const TPattern& pat : r.patterns) {
        QJsonObject o;
        o.insert(key("name"), pat.name);
        QJsonArray steps;
        for (const QString& s : pat.steps)
            steps.append(s);
        o.insert(key("steps"), steps);
        mergeExtra(o, pat.extra);
        patterns.append(o);
    }
    root.insert(key("patterns"), patterns);
    mergeExtra(root, r.extra);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

// ---- keys ---------------------------------------------------------------------------------

TDutyKey DutyKeyOf(const TDynaArray<TDienst>& duties, int index)
{
    TDutyKey k;
    if (index >= 0 && index < duties.Count()) {
        k.abbr = duties[index].kuerzel;
        k.nr = index + 1;
    }
    return k;
}

int ResolveDuty(const TDynaArray<TDienst>& duties, const TDutyKey& k)
{
    if (!k.abbr.isEmpty()) {
        for (int i = 0; i < duties.Count(); ++i) {
            if (duties[i].kuerzel == k.abbr)
                return i;
        }
        return -1; // renamed or deleted: a number would now name another duty
    }
    return k.nr >= 1 && k.nr <= duties.Count() ? k.nr - 1 : -1;
}

TPersonKey PersonKeyOf(const TPerson& p)
{
    return {p.persnr, p.name};
}

int ResolvePerson(const TDynaArray<TPerson>& persons, const TPersonKey& k)
{
    if (!k.persnr.isEmpty()) {
        for (int i = 0; i < persons.Count(); ++i) {
            if (persons[i].persnr == k.persnr)
                return i;
        }
    }
    if (k.name.isEmpty())
        return -1;
    for (int i = 0; i < persons.Count(); ++i) {
        if (persons[i].name == k.name && (k.persnr.isEmpty() || persons[i].persnr.isEmpty()))
            return i;
    }
    return -1;
}

namespace {
int forDutyRules(TPlanRules& r, const TDynaArray<TDienst>& duties, int index, bool remove)
{
    auto names = [&](const TDutyKey& k) { return ResolveDuty(duties, k) == index; };
    int n = 0;
    auto sweep = [&](auto& list, auto pred) {
        const auto old = list.size();
        if (remove)
            list.erase(std::remove_if(list.begin(), list.end(), pred), list.end());
        else
            n += int(std::count_if(list.begin(), list.end(), pred));
        n += int(old - list.size());
    };
    sweep(r.targets, [&](const TStaffTarget& t) { return names(t.duty); });
    sweep(r.forbidden, [&](const TSuccession& s) { return names(s.first) || names(s.second); });
    for (TQualification& q : r.qualifications)
        sweep(q.notAllowed, names);
    return n;
}
} // namespace

int RemoveDutyRules(TPlanRules& rules, const TDynaArray<TDienst>& duties, int index)
{
    return forDutyRules(rules, duties, index, true);
}

int CountDutyRules(const TPlanRules& rules, const TDynaArray<TDienst>& duties, int index)
{
    TPlanRules copy = rules;
    return forDutyRules(copy, duties, index, false);
}

// ---- resolved form --------------------------------------------------------------------------

bool TResolvedRules::Forbidden(int a, int b) const
{
    if (a < 0 || b < 0 || a >= dutyCount || b >= dutyCount)
        return false;
    return forbiddenNext[std::size_t(a) * std::size_t(dutyCount) + std::size_t(b)] != 0;
}

bool TResolvedRules::NotAllowed(int person, int duty) const
{
    if (person < 0 || duty < 0 || person >= personCount || duty >= dutyCount)
        return false;
    return notAllowed[std::size_t(person) * std::size_t(dutyCount) + std::size_t(duty)] != 0;
}

int TResolvedRules::MinOn(const Target& t, const QDate& date, bool holiday) const
{
    for (const TDateTarget& d : t.dates) {
        if (d.date == date)
            return d.min;
    }
    if (holiday && t.holidayMin != kNoLimit)
        return t.holidayMin;
    return t.min[std::size_t(std::clamp(date.dayOfWeek() - 1, 0, 6))];
}

int TResolvedRules::MaxOn(const Target& t, const QDate& date, bool holiday) const
{
    for (const TDateTarget& d : t.dates) {
        if (d.date == date)
            return d.max;
    }
    if (holiday && t.holidayMax != kNoLimit)
        return t.holidayMax;
    return t.max[std::size_t(std::clamp(date.dayOfWeek() - 1, 0, 6))];
}

TResolvedRules ResolveRules(const TPlanRules& r, const TRoster& roster)
{
    TResolvedRules out;
    const TDynaArray<TDienst>& duties = roster.dienste;
    out.dutyCount = duties.Count();
    out.personCount = roster.personen.Count();
    out.maxDaysInRow = r.maxDaysInRow;
    out.minFreeDays = r.minFreeDays;
    out.maxMonthHours = r.maxMonthHours;
    for (const TStaffTarget& t : r.targets) {
        const int d = ResolveDuty(duties, t.duty);
        if (d < 0)
            continue;
        out.targets.push_back({d, t.min, t.max, t.holidayMin, t.holidayMax, t.dates});
    }
    const std::size_t n = std::size_t(out.dutyCount);
    out.forbiddenNext.assign(n * n, 0);
    for (const TSuccession& s : r.forbidden) {
        const int a = ResolveDuty(duties, s.first), b = ResolveDuty(duties, s.second);
        if (a >= 0 && b >= 0)
            out.forbiddenNext[std::size_t(a) * n + std::size_t(b)] = 1;
    }
    out.notAllowed.assign(std::size_t(out.personCount) * n, 0);
    for (const TQualification& q : r.qualifications) {
        const int p = ResolvePerson(roster.personen, q.person);
        if (p < 0)
            continue;
        for (const TDutyKey& k : q.notAllowed) {
            const int d = ResolveDuty(duties, k);
            if (d >= 0)
                out.notAllowed[std::size_t(p) * n + std::size_t(d)] = 1;
        }
    }
    return out;
}
