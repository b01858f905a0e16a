#include "core/roster.h"

#include "i18n/messagetable.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {
void yearMonth(TDateTime v, int& y, int& m)
{
    int d;
    DecodeDate(v, y, m, d);
}
} // namespace

bool IsActiveInMonth(const TPerson& p, int jahr, int monat)
{
    int ey, em;
    yearMonth(p.eingestellt, ey, em);
    const bool hired = ey < jahr || (ey == jahr && em <= monat);
    if (!hired)
        return false;
    if (!p.istentlassen)
        return true;
    int ly, lm;
    yearMonth(p.entlassen, ly, lm);
    return ly > jahr || (ly == jahr && lm >= monat);
}

bool IsActiveInYear(const TPerson& p, int jahr)
{
    int ey, em;
    yearMonth(p.eingestellt, ey, em);
    if (ey > jahr)
        return false;
    if (!p.istentlassen)
        return true;
    int ly, lm;
    yearMonth(p.entlassen, ly, lm);
    return ly >= jahr;
}

TRoster::TRoster()
{
    InitPersonenDienste();
}

void TRoster::InitPersonenDienste()
{
    personen.Clear();
    dienste.Clear();
    regeln = TPlanRules();
    if (TPerson* p = AddPerson())
        p->name = GetMessageText(13);
    if (TDienst* d = dienste.Add()) {
        d->name = GetMessageText(14);
        d->kuerzel = GetMessageText(15);
        d->farbe = 0x0000FFFF;
        d->abwesend = true;
        d->stunden = 0;
    }
}

TPerson* TRoster::AddPerson()
{
    TPerson* p = personen.Add();
    if (p)
        p->eintraege.setCursorVariable(&aeintrag);
    return p;
}

TDienst* TRoster::DienstOf(const TEintrag& e)
{
    if (e.dienst < 1 || e.dienst > dienste.Count())
        return nullptr;
    return &dienste[e.dienst - 1];
}

const TDienst* TRoster::DienstOf(const TEintrag& e) const
{
    if (e.dienst < 1 || e.dienst > dienste.Count())
        return nullptr;
    return &dienste[e.dienst - 1];
}

TEintrag* TRoster::EintragOfDay(TPerson& p, int jahr, int monat, int tag)
{
    p.eintraege.First();
    while (p.eintraege.WhileNext()) {
        TEintrag* e = p.eintraege.aobj;
        if (SameDay(e->datum, jahr, monat, tag))
            return e;
    }
    return nullptr;
}

int TRoster::EintragIndexOfDay(const TPerson& p, int jahr, int monat, int tag)
{
    return p.eintragIndex.Find(p.eintraege, jahr, monat, tag);
}

double TRoster::HoursOf(const TEintrag& e) const
{
    const TDienst* d = DienstOf(e);
    return (d ? d->stunden : 0.0) + e.ueberstunden;
}

// ---- entry index ----------------------------------------------------------------------

std::int64_t TEintragIndex::DayKey(TDateTime datum)
{
    // Same reading as DateTimeToDate: non-finite and far-away values are the epoch day.
    if (!std::isfinite(datum) || std::fabs(datum) > 3.0e6)
        return 0;
    return static_cast<std::int64_t>(std::trunc(datum));
}

namespace {
// Day key of a calendar date, or nullopt when the date does not exist.
std::optional<std::int64_t> keyOfDate(int jahr, int monat, int tag)
{
    const QDate d(jahr, monat, tag);
    if (!d.isValid())
        return std::nullopt;
    const std::int64_t k = DateEpoch().daysTo(d);
    // Dates beyond the stored range never match a stored value (those read as day 0).
    if (k < -3000000 || k > 3000000)
        return std::nullopt;
    return k;
}
} // namespace

void TEintragIndex::ensure(const TDynaArray<TEintrag>& entries) const
{
    if (entries.ModCount() == modcount_ && entries.poi == block_ && entries.Count() == count_)
        return;
    modcount_ = entries.ModCount();
    block_ = entries.poi;
    count_ = entries.Count();
    dense_.clear();
    sparse_.clear();
    first_ = 0;
    isDense_ = true;
    const int n = count_;
    if (n == 0)
        return;
    std::int64_t lo = DayKey(entries[0].datum), hi = lo;
    for (int i = 1; i < n; ++i) {
        const std::int64_t k = DayKey(entries[i].datum);
        lo = std::min(lo, k);
        hi = std::max(hi, k);
    }
    // A dense table when it costs at most a few slots per entry; scattered dates (from a
    // foreign or damaged file) get the sorted table instead.
    const std::int64_t span = hi - lo + 1;
    if (span <= 4 * std::int64_t(n) + 64) {
        first_ = lo;
        dense_.assign(static_cast<std::size_t>(span), -1);
        for (int i = 0; i < n; ++i) {
            int& slot = dense_[static_cast<std::size_t>(DayKey(entries[i].datum) - lo)];
            if (slot < 0)
                slot = i;
        }
        return;
    }
    isDense_ = false;
    sparse_.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        sparse_.emplace_back(DayKey(entries[i].datum), i);
    std::sort(sparse_.begin(), sparse_.end()); // equal days: lowest index first
    sparse_.erase(std::unique(sparse_.begin(), sparse_.end(), [](const auto& a, const auto& b) {
        return a.first == b.first;
    }),
        sparse_.end());
}

int TEintragIndex::lookup(std::int64_t key) const
{
    if (isDense_) {
        const std::int64_t off = key - first_;
        if (off < 0 || off >= static_cast<std::int64_t>(dense_.size()))
            return -1;
        return dense_[static_cast<std::size_t>(off)];
    }
    const auto it = std::lower_bound(sparse_.begin(), sparse_.end(), std::pair<std::int64_t, int>(key, -1));
    return it != sparse_.end() && it->first == key ? it->second : -1;
}

int TEintragIndex::Find(const TDynaArray<TEintrag>& entries, int jahr, int monat, int tag) const
{
    const auto key = keyOfDate(jahr, monat, tag);
    if (!key)
        return -1;
    ensure(entries);
    return lookup(*key);
}

void TEintragIndex::FindMonth(const TDynaArray<TEintrag>& entries, int jahr, int monat, int* out) const
{
    for (int d = 0; d < 31; ++d)
        out[d] = -1;
    const auto key = keyOfDate(jahr, monat, 1);
    if (!key)
        return;
    ensure(entries);
    const int days = QDate(jahr, monat, 1).daysInMonth();
    for (int d = 0; d < days; ++d) {
        if (*key + d > 3000000)
            break;
        out[d] = lookup(*key + d);
    }
}
