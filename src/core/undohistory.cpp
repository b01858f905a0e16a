#include "core/undohistory.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

namespace {

const std::array<TUndoKindInfo, 20> kKinds = {{
    {"Dienst zuweisen", kUndoPersonFile, kRefreshGrid, true},
    {"Überstunden", kUndoPersonFile, kRefreshGrid, true},
    {"Soll-Stunden festlegen", kUndoPersonFile, kRefreshGrid, true},
    {"Vom letzen Monat übernehmen", kUndoPersonFile, kRefreshGrid, true},
    {"Neue Person", kUndoPersonFile, kRefreshPersons, true},
    {"Person bearbeiten", kUndoPersonFile, kRefreshPersons, true},
    {"Person löschen", kUndoPersonFile, kRefreshPersons, true},
    {"Person verschieben", kUndoNoFile, kRefreshPersons, true},
    {"Personen sortieren", kUndoNoFile, kRefreshPersons, true},
    {"Neuer Dienst", kUndoDutyFile, kRefreshDuties, false},
    {"Dienst bearbeiten", kUndoDutyFile, kRefreshDuties, false},
    {"Dienst löschen", kUndoDutyFile | kUndoPersonFile, kRefreshDuties, false},
    {"Dienst verschieben", kUndoDutyFile | kUndoPersonFile, kRefreshDuties, false},
    {"Schriftart", kUndoPersonFile, kRefreshSettings, false},
    {"Feiertage", kUndoPersonFile, kRefreshSettings, false},
    {"Farbe", kUndoPersonFile, kRefreshSettings, false},
    {"Einstellungen", kUndoNoFile, kRefreshSettings, true},
    {"Besetzung und Regeln", kUndoRulesFile, kRefreshGrid, false},
    {"Muster anwenden", kUndoPersonFile, kRefreshGrid, true},
    {"Plan vorschlagen", kUndoPersonFile, kRefreshGrid, true},
}};

// Values compare as the file stores them: doubles bit for bit (0 and -0 differ).
bool same(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}
template <typename T> bool same(const T& a, const T& b)
{
    return a == b;
}
bool same(const TEintrag& a, const TEintrag& b)
{
    return same(a.datum, b.datum) && a.dienst == b.dienst && same(a.ueberstunden, b.ueberstunden);
}
bool same(const TDienst& a, const TDienst& b)
{
    return a.name == b.name && a.kuerzel == b.kuerzel && a.farbe == b.farbe && a.abwesend == b.abwesend
        && same(a.stunden, b.stunden);
}

// The plan settings held by the data files, in mask bit order; the page margin (last) is
// in the duty file, the rest in the person file. The language is left out: switching it
// needs a restart and is not undone.
#define ROSTELMARK_FILE_SETTINGS(X)                                                                                    \
    X(TesselColorComboBox1)                                                                                            \
    X(TesselColorComboBox2)                                                                                            \
    X(TesselColorComboBox3)                                                                                            \
    X(FontDialog1)                                                                                                     \
    X(FontDialog2)                                                                                                     \
    X(FontDialog3)                                                                                                     \
    X(FeiertageList)                                                                                                   \
    X(CaptionEd)                                                                                                       \
    X(Capt2Ed)                                                                                                         \
    X(LegendeCheck)                                                                                                    \
    X(ShowSumCheck)                                                                                                    \
    X(ShowAnwCheck)                                                                                                    \
    X(DoubleRowHeightCheck)                                                                                            \
    X(AddFreeLinesCheck)                                                                                               \
    X(SecondLinesareDarkerCheck)                                                                                       \
    X(RandBreitEd)

constexpr unsigned kMarginBit = 1u << 15;
constexpr unsigned kHeadingBits = (1u << 7) | (1u << 8); // CaptionEd, Capt2Ed

void swapSettings(TPlanSettings& roster, TPlanSettings& held, unsigned mask)
{
    unsigned bit = 1;
#define ROSTELMARK_SWAP_FIELD(f)                                                                                       \
    if (mask & bit)                                                                                                    \
        std::swap(roster.f, held.f);                                                                                   \
    bit <<= 1;
    ROSTELMARK_FILE_SETTINGS(ROSTELMARK_SWAP_FIELD)
#undef ROSTELMARK_SWAP_FIELD
}

struct PersonCopy {
    TPersonHeader header;
    std::vector<TEintrag> entries;
    std::array<TMonatsTabelle, 4> tables;
};

std::array<TMonatsTabelle*, 4> tablesOf(TPerson& p)
{
    return {&p.soll, &p.vortrag, &p.iststunden, &p.uebertrag};
}
std::array<const TMonatsTabelle*, 4> tablesOf(const TPerson& p)
{
    return {&p.soll, &p.vortrag, &p.iststunden, &p.uebertrag};
}

PersonCopy copyOf(const TPerson& p)
{
    PersonCopy c;
    c.header = TPersonHeader::Of(p);
    const TDynaArray<TEintrag>& entries = p.eintraege;
    c.entries.assign(entries.begin(), entries.begin() + entries.Count());
    const auto t = tablesOf(p);
    for (int i = 0; i < 4; ++i)
        c.tables[i] = *t[i];
    return c;
}

// A detached person holding the copy's data, for the step to keep.
std::unique_ptr<TPerson> personOf(const PersonCopy& c)
{
    auto p = std::make_unique<TPerson>();
    c.header.StoreInto(*p);
    for (const TEintrag& e : c.entries)
        if (TEintrag* added = p->eintraege.Add())
            *added = e;
    const auto t = tablesOf(*p);
    for (int i = 0; i < 4; ++i)
        *t[i] = c.tables[i];
    return p;
}

bool validIndex(int i, int count)
{
    return i >= 0 && i < count;
}

// Puts records into the order given by `order` (order[k] = present index of the record
// that goes to k), with swaps only.
template <typename T> void reorder(TDynaArray<T>& a, const std::vector<int>& order)
{
    const int n = int(order.size());
    std::vector<int> at(n), where(n); // at[pos] = original index there; where[original] = pos
    for (int i = 0; i < n; ++i)
        at[i] = where[i] = i;
    for (int k = 0; k < n; ++k) {
        const int j = where[order[k]];
        if (j != k) {
            a.Change(k, j);
            std::swap(at[k], at[j]);
            where[at[k]] = k;
            where[at[j]] = j;
        }
    }
}

bool isPermutation(const std::vector<int>& order, int count)
{
    if (int(order.size()) != count)
        return false;
    std::vector<bool> seen(order.size());
    for (int i : order) {
        if (!validIndex(i, count) || seen[i])
            return false;
        seen[i] = true;
    }
    return true;
}

} // namespace

const TUndoKindInfo& UndoKindInfo(TUndoKind kind)
{
    return kKinds[std::size_t(kind)];
}

TPersonHeader TPersonHeader::Of(const TPerson& p)
{
    return {
        p.name, p.persnr, p.abteilung, p.eingestellt, p.entlassen, p.istentlassen, p.maxstunden, p.startueberstunden};
}

void TPersonHeader::StoreInto(TPerson& p) const
{
    p.name = name;
    p.persnr = persnr;
    p.abteilung = abteilung;
    p.eingestellt = eingestellt;
    p.entlassen = entlassen;
    p.istentlassen = istentlassen;
    p.maxstunden = maxstunden;
    p.startueberstunden = startueberstunden;
}

bool TPersonHeader::SameAs(const TPersonHeader& o) const
{
    return name == o.name && persnr == o.persnr && abteilung == o.abteilung && same(eingestellt, o.eingestellt)
        && same(entlassen, o.entlassen) && istentlassen == o.istentlassen && same(maxstunden, o.maxstunden)
        && same(startueberstunden, o.startueberstunden);
}

unsigned PlanSettingsFileMask(const TPlanSettings& a, const TPlanSettings& b)
{
    unsigned mask = 0, bit = 1;
#define ROSTELMARK_COMPARE_FIELD(f)                                                                                    \
    if (!same(a.f, b.f))                                                                                               \
        mask |= bit;                                                                                                   \
    bit <<= 1;
    ROSTELMARK_FILE_SETTINGS(ROSTELMARK_COMPARE_FIELD)
#undef ROSTELMARK_COMPARE_FIELD
    return mask;
}

unsigned PlanSettingsFiles(unsigned mask)
{
    return ((mask & kMarginBit) ? unsigned(kUndoDutyFile) : 0u)
        | ((mask & ~kMarginBit) ? unsigned(kUndoPersonFile) : 0u);
}

// ---- operations -------------------------------------------------------------------------

struct TUndoStep::Op {
    virtual ~Op() = default;
    virtual bool Apply(TRoster& roster, bool forward) = 0;
    virtual std::size_t Bytes() const = 0;
};

namespace {

struct PersonHeaderOp final : TUndoStep::Op {
    int person;
    TPersonHeader held;
    PersonHeaderOp(int p, TPersonHeader h)
        : person(p)
        , held(std::move(h))
    {
    }
    bool Apply(TRoster& r, bool) override
    {
        if (!validIndex(person, r.personen.Count()))
            return false;
        TPerson& p = r.personen[person];
        TPersonHeader now = TPersonHeader::Of(p);
        held.StoreInto(p);
        held = std::move(now);
        return true;
    }
    std::size_t Bytes() const override
    {
        return sizeof(*this) + 2 * std::size_t(held.name.size() + held.persnr.size() + held.abteilung.size());
    }
};

// Entries changed in place: their positions and the values not in the roster.
struct EntryValuesOp final : TUndoStep::Op {
    int person;
    std::vector<int> pos;
    std::vector<TEintrag> held;
    bool Apply(TRoster& r, bool) override
    {
        if (!validIndex(person, r.personen.Count()))
            return false;
        TDynaArray<TEintrag>& entries = r.personen[person].eintraege;
        for (int i : pos)
            if (!validIndex(i, entries.Count()))
                return false;
        for (std::size_t k = 0; k < pos.size(); ++k)
            std::swap(entries[pos[k]], held[k]);
        return true;
    }
    std::size_t Bytes() const override { return sizeof(*this) + pos.size() * (sizeof(int) + sizeof(TEintrag)); }
};

// A run of entries replaced by one of another length (entries added or deleted).
struct EntryRangeOp final : TUndoStep::Op {
    int person = 0;
    int pos = 0;
    int length = 0; // of the run in the roster
    std::vector<TEintrag> held;
    bool Apply(TRoster& r, bool) override
    {
        if (!validIndex(person, r.personen.Count()))
            return false;
        TDynaArray<TEintrag>& entries = r.personen[person].eintraege;
        if (pos < 0 || length < 0 || pos + length > entries.Count())
            return false;
        std::vector<TEintrag> now(entries.begin() + pos, entries.begin() + pos + length);
        for (int i = 0; i < length; ++i)
            entries.Delete(pos);
        for (std::size_t k = 0; k < held.size(); ++k) {
            TEintrag* e = entries.Insert(pos + int(k));
            if (!e)
                return false;
            *e = held[k];
        }
        length = int(held.size());
        held = std::move(now);
        return true;
    }
    std::size_t Bytes() const override { return sizeof(*this) + held.size() * sizeof(TEintrag); }
};

// Month table elements: runs of differing elements and the values not in the roster.
struct TableOp final : TUndoStep::Op {
    int person = 0;
    int table = 0; // soll, vortrag, iststunden, uebertrag
    std::vector<std::pair<std::int16_t, std::int16_t>> runs; // first element, length
    std::vector<double> held;
    bool Apply(TRoster& r, bool) override
    {
        if (!validIndex(person, r.personen.Count()))
            return false;
        TMonatsTabelle& t = *tablesOf(r.personen[person])[table];
        std::size_t k = 0;
        for (const auto& [first, len] : runs)
            for (int i = first; i < first + len; ++i)
                std::swap(t.werte[i], held[k++]);
        return true;
    }
    std::size_t Bytes() const override
    {
        return sizeof(*this) + runs.size() * sizeof(runs[0]) + held.size() * sizeof(double);
    }
};

// A person that the action added (held empty while it is in the roster) or deleted
// (held while it is not).
struct PersonPresenceOp final : TUndoStep::Op {
    int index;
    std::unique_ptr<TPerson> held;
    PersonPresenceOp(int i, std::unique_ptr<TPerson> p)
        : index(i)
        , held(std::move(p))
    {
    }
    bool Apply(TRoster& r, bool) override
    {
        if (held) {
            if (index < 0 || index > r.personen.Count())
                return false;
            TPerson* p = r.personen.Insert(index);
            if (!p)
                return false;
            *p = std::move(*held);
            p->eintraege.setCursorVariable(&r.aeintrag);
            held.reset();
        } else {
            if (!validIndex(index, r.personen.Count()))
                return false;
            held = std::make_unique<TPerson>(std::move(r.personen[index]));
            held->eintraege.setCursorVariable(nullptr);
            r.personen.Delete(index);
            r.aeintrag = nullptr;
        }
        return true;
    }
    std::size_t Bytes() const override
    {
        if (!held)
            return sizeof(*this);
        return sizeof(*this) + sizeof(TPerson) + std::size_t(held->eintraege.Count()) * sizeof(TEintrag);
    }
};

struct PersonSwapOp final : TUndoStep::Op {
    int a, b;
    PersonSwapOp(int x, int y)
        : a(x)
        , b(y)
    {
    }
    bool Apply(TRoster& r, bool) override
    {
        if (!validIndex(a, r.personen.Count()) || !validIndex(b, r.personen.Count()))
            return false;
        r.personen.Change(a, b);
        return true;
    }
    std::size_t Bytes() const override { return sizeof(*this); }
};

struct PersonOrderOp final : TUndoStep::Op {
    std::vector<int> order; // forward: order[k] = index before of the person going to k
    bool Apply(TRoster& r, bool forward) override
    {
        if (!isPermutation(order, r.personen.Count()))
            return false;
        if (forward) {
            reorder(r.personen, order);
        } else {
            std::vector<int> inverse(order.size());
            for (std::size_t k = 0; k < order.size(); ++k)
                inverse[order[k]] = int(k);
            reorder(r.personen, inverse);
        }
        return true;
    }
    std::size_t Bytes() const override { return sizeof(*this) + order.size() * sizeof(int); }
};

struct DutyValueOp final : TUndoStep::Op {
    int index;
    TDienst held;
    DutyValueOp(int i, TDienst d)
        : index(i)
        , held(std::move(d))
    {
    }
    bool Apply(TRoster& r, bool) override
    {
        if (!validIndex(index, r.dienste.Count()))
            return false;
        std::swap(r.dienste[index], held);
        return true;
    }
    std::size_t Bytes() const override
    {
        return sizeof(*this) + 2 * std::size_t(held.name.size() + held.kuerzel.size());
    }
};

struct DutyPresenceOp final : TUndoStep::Op {
    int index;
    std::optional<TDienst> held;
    DutyPresenceOp(int i, std::optional<TDienst> d)
        : index(i)
        , held(std::move(d))
    {
    }
    bool Apply(TRoster& r, bool) override
    {
        if (held) {
            if (index < 0 || index > r.dienste.Count())
                return false;
            TDienst* d = r.dienste.Insert(index);
            if (!d)
                return false;
            *d = std::move(*held);
            held.reset();
        } else {
            if (!validIndex(index, r.dienste.Count()))
                return false;
            held = std::move(r.dienste[index]);
            r.dienste.Delete(index);
        }
        return true;
    }
    std::size_t Bytes() const override { return sizeof(*this); }
};

struct DutySwapOp final : TUndoStep::Op {
    int a, b;
    DutySwapOp(int x, int y)
        : a(x)
        , b(y)
    {
    }
    bool Apply(TRoster& r, bool) override
    {
        if (!validIndex(a, r.dienste.Count()) || !validIndex(b, r.dienste.Count()))
            return false;
        r.dienste.Change(a, b);
        return true;
    }
    std::size_t Bytes() const override { return sizeof(*this); }
};

struct SettingsOp final : TUndoStep::Op {
    unsigned mask;
    TPlanSettings held;
    SettingsOp(unsigned m, const TPlanSettings& s)
        : mask(m)
        , held(s)
    {
    }
    bool Apply(TRoster& r, bool) override
    {
        swapSettings(r.settings, held, mask);
        return true;
    }
    std::size_t Bytes() const override { return sizeof(*this); }
};

// The planning rules are small: a step holds the whole other version.
struct RulesOp final : TUndoStep::Op {
    TPlanRules held;
    explicit RulesOp(TPlanRules r)
        : held(std::move(r))
    {
    }
    bool Apply(TRoster& r, bool) override
    {
        std::swap(r.regeln, held);
        return true;
    }
    std::size_t Bytes() const override { return sizeof(*this) + std::size_t(SerializePlanRules(held).size()); }
};

// Operations that turn `before` (entries of one person) into the person's entries now;
// they hold the values of `before`.
void diffEntries(int person, const std::vector<TEintrag>& before, const TDynaArray<TEintrag>& after,
    std::vector<std::unique_ptr<TUndoStep::Op>>& ops)
{
    const int na = int(before.size()), nb = after.Count();
    const int common = std::min(na, nb);
    int prefix = 0;
    while (prefix < common && same(before[prefix], after[prefix]))
        ++prefix;
    int suffix = 0;
    while (suffix < common - prefix && same(before[na - 1 - suffix], after[nb - 1 - suffix]))
        ++suffix;
    if (prefix == na && na == nb)
        return;
    if (na == nb) {
        auto op = std::make_unique<EntryValuesOp>();
        op->person = person;
        for (int i = prefix; i < na - suffix; ++i) {
            if (!same(before[i], after[i])) {
                op->pos.push_back(i);
                op->held.push_back(before[i]);
            }
        }
        ops.push_back(std::move(op));
        return;
    }
    auto op = std::make_unique<EntryRangeOp>();
    op->person = person;
    op->pos = prefix;
    op->length = nb - prefix - suffix;
    op->held.assign(before.begin() + prefix, before.begin() + (na - suffix));
    ops.push_back(std::move(op));
}

void diffTable(int person, int table, const TMonatsTabelle& before, const TMonatsTabelle& after,
    std::vector<std::unique_ptr<TUndoStep::Op>>& ops)
{
    std::unique_ptr<TableOp> op;
    for (int i = 0; i < TMonatsTabelle::kElements;) {
        if (same(before.werte[i], after.werte[i])) {
            ++i;
            continue;
        }
        if (!op) {
            op = std::make_unique<TableOp>();
            op->person = person;
            op->table = table;
        }
        const int first = i;
        while (i < TMonatsTabelle::kElements && !same(before.werte[i], after.werte[i]))
            op->held.push_back(before.werte[i++]);
        op->runs.emplace_back(std::int16_t(first), std::int16_t(i - first));
    }
    if (op)
        ops.push_back(std::move(op));
}

} // namespace

// ---- step -------------------------------------------------------------------------------

TUndoStep::TUndoStep(TUndoKind k)
    : kind(k)
{
}

TUndoStep::~TUndoStep() = default;

std::size_t TUndoStep::Bytes() const
{
    std::size_t n = sizeof(*this);
    for (const auto& op : ops)
        n += op->Bytes() + sizeof(op);
    return n;
}

bool TUndoStep::Empty() const
{
    return ops.empty();
}

bool TUndoStep::Apply(TRoster& roster, bool forward)
{
    if (forward) {
        for (auto& op : ops)
            if (!op->Apply(roster, true))
                return false;
    } else {
        for (auto it = ops.rbegin(); it != ops.rend(); ++it)
            if (!(*it)->Apply(roster, false))
                return false;
    }
    return true;
}

// ---- history ----------------------------------------------------------------------------

TUndoHistory::TUndoHistory() = default;
TUndoHistory::~TUndoHistory() = default;

void TUndoHistory::Push(std::unique_ptr<TUndoStep> step)
{
    if (!step || step->Empty())
        return;
    for (const auto& s : redoSteps)
        bytes -= s->Bytes();
    redoSteps.clear();
    // Typing a heading gives one step per key; while only that heading changes, the first
    // step stands for all of them (it holds the text from before the typing).
    if (!undoSteps.empty()) {
        const TUndoStep& top = *undoSteps.back();
        if (step->kind == TUndoKind::Display && top.kind == TUndoKind::Display && step->settingsMask == top.settingsMask
            && (step->settingsMask & ~kHeadingBits) == 0 && step->ops.size() == 1 && top.ops.size() == 1) {
            changed();
            return;
        }
    }
    bytes += step->Bytes();
    undoSteps.push_back(std::move(step));
    trim();
    changed();
}

void TUndoHistory::trim()
{
    while (!undoSteps.empty()
        && (int(undoSteps.size()) > kMaxSteps || (bytes > kByteBudget && int(undoSteps.size()) > kMinSteps))) {
        bytes -= undoSteps.front()->Bytes();
        undoSteps.pop_front();
    }
}

bool TUndoHistory::Undo(TRoster& roster)
{
    if (undoSteps.empty())
        return false;
    std::unique_ptr<TUndoStep> step = std::move(undoSteps.back());
    undoSteps.pop_back();
    bytes -= step->Bytes();
    if (!step->Apply(roster, false)) {
        // The roster no longer matches the history; nothing in it can be trusted.
        Clear();
        return false;
    }
    bytes += step->Bytes();
    redoSteps.push_back(std::move(step));
    changed();
    return true;
}

bool TUndoHistory::Redo(TRoster& roster)
{
    if (redoSteps.empty())
        return false;
    std::unique_ptr<TUndoStep> step = std::move(redoSteps.back());
    redoSteps.pop_back();
    bytes -= step->Bytes();
    if (!step->Apply(roster, true)) {
        Clear();
        return false;
    }
    bytes += step->Bytes();
    undoSteps.push_back(std::move(step));
    trim();
    changed();
    return true;
}

int TUndoHistory::DropFiles(unsigned files)
{
    ++generation;
    int dropped = 0;
    for (auto* list : {&undoSteps, &redoSteps}) {
        for (auto it = list->begin(); it != list->end();) {
            if ((*it)->files & files) {
                bytes -= (*it)->Bytes();
                it = list->erase(it);
                ++dropped;
            } else {
                ++it;
            }
        }
    }
    if (dropped > 0)
        changed();
    return dropped;
}

void TUndoHistory::Clear()
{
    ++generation;
    undoSteps.clear();
    redoSteps.clear();
    bytes = 0;
    changed();
}

// ---- recorder ---------------------------------------------------------------------------

struct TUndoRecorder::Snapshot {
    const TRoster* roster = nullptr;
    std::vector<PersonCopy> persons; // aligned with the roster's order as the action changes it
    std::vector<TDienst> duties;
    TPlanSettings settings;
    TPlanRules regeln;
};

TUndoRecorder::TUndoRecorder(TUndoHistory* h, const TRoster& roster, TUndoKind k)
    : history(h)
    , kind(k)
{
    if (!history)
        return;
    generation = history->Generation();
    before = std::make_unique<Snapshot>();
    before->roster = &roster;
    before->persons.reserve(std::size_t(roster.personen.Count()));
    for (const TPerson& p : roster.personen)
        before->persons.push_back(copyOf(p));
    before->duties.assign(roster.dienste.begin(), roster.dienste.begin() + roster.dienste.Count());
    before->settings = roster.settings;
    before->regeln = roster.regeln;
    step = std::make_unique<TUndoStep>(kind);
}

TUndoRecorder::~TUndoRecorder() = default;

void TUndoRecorder::SetSettingsBefore(const TPlanSettings& settings)
{
    if (before)
        before->settings = settings;
}

void TUndoRecorder::PersonInserted(int index)
{
    if (!before || index < 0 || index > int(before->persons.size())
        || !validIndex(index, before->roster->personen.Count()))
        return;
    before->persons.insert(before->persons.begin() + index, copyOf(before->roster->personen[index]));
    step->ops.push_back(std::make_unique<PersonPresenceOp>(index, nullptr));
}

void TUndoRecorder::PersonRemoved(int index)
{
    if (!before || !validIndex(index, int(before->persons.size())))
        return;
    step->ops.push_back(std::make_unique<PersonPresenceOp>(index, personOf(before->persons[index])));
    before->persons.erase(before->persons.begin() + index);
}

void TUndoRecorder::PersonsSwapped(int a, int b)
{
    const int n = before ? int(before->persons.size()) : 0;
    if (!validIndex(a, n) || !validIndex(b, n) || a == b)
        return;
    std::swap(before->persons[a], before->persons[b]);
    step->ops.push_back(std::make_unique<PersonSwapOp>(a, b));
}

void TUndoRecorder::PersonsReordered(const std::vector<int>& order)
{
    if (!before || !isPermutation(order, int(before->persons.size())))
        return;
    bool moved = false;
    std::vector<PersonCopy> aligned;
    aligned.reserve(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        aligned.push_back(std::move(before->persons[order[k]]));
        moved |= order[k] != int(k);
    }
    before->persons = std::move(aligned);
    if (moved) {
        auto op = std::make_unique<PersonOrderOp>();
        op->order = order;
        step->ops.push_back(std::move(op));
    }
}

void TUndoRecorder::DutyInserted(int index)
{
    if (!before || index < 0 || index > int(before->duties.size())
        || !validIndex(index, before->roster->dienste.Count()))
        return;
    before->duties.insert(before->duties.begin() + index, before->roster->dienste[index]);
    step->ops.push_back(std::make_unique<DutyPresenceOp>(index, std::nullopt));
}

void TUndoRecorder::DutyRemoved(int index)
{
    if (!before || !validIndex(index, int(before->duties.size())))
        return;
    step->ops.push_back(std::make_unique<DutyPresenceOp>(index, before->duties[index]));
    before->duties.erase(before->duties.begin() + index);
}

void TUndoRecorder::DutiesSwapped(int a, int b)
{
    const int n = before ? int(before->duties.size()) : 0;
    if (!validIndex(a, n) || !validIndex(b, n) || a == b)
        return;
    std::swap(before->duties[a], before->duties[b]);
    step->ops.push_back(std::make_unique<DutySwapOp>(a, b));
}

bool TUndoRecorder::Commit(const TRoster& roster)
{
    if (!before || history->Generation() != generation)
        return false;
    auto& ops = step->ops;
    unsigned files = 0;
    for (const auto& op : ops)
        files |= (dynamic_cast<const DutyPresenceOp*>(op.get()) || dynamic_cast<const DutySwapOp*>(op.get()))
            ? unsigned(kUndoDutyFile)
            : unsigned(kUndoPersonFile);

    // Persons added or removed without being told: at the end of the list.
    std::vector<PersonCopy>& persons = before->persons;
    while (int(persons.size()) > roster.personen.Count()) {
        const int last = int(persons.size()) - 1;
        ops.push_back(std::make_unique<PersonPresenceOp>(last, personOf(persons[last])));
        persons.pop_back();
        files |= kUndoPersonFile;
    }
    while (int(persons.size()) < roster.personen.Count()) {
        const int next = int(persons.size());
        persons.push_back(copyOf(roster.personen[next]));
        ops.push_back(std::make_unique<PersonPresenceOp>(next, nullptr));
        files |= kUndoPersonFile;
    }
    const std::size_t structural = ops.size();
    for (int i = 0; i < roster.personen.Count(); ++i) {
        const TPerson& p = roster.personen[i];
        const PersonCopy& c = persons[i];
        if (!c.header.SameAs(TPersonHeader::Of(p)))
            ops.push_back(std::make_unique<PersonHeaderOp>(i, c.header));
        diffEntries(i, c.entries, p.eintraege, ops);
        const auto t = tablesOf(p);
        for (int k = 0; k < 4; ++k)
            diffTable(i, k, c.tables[k], *t[k], ops);
    }
    if (ops.size() != structural)
        files |= kUndoPersonFile;

    std::vector<TDienst>& duties = before->duties;
    while (int(duties.size()) > roster.dienste.Count()) {
        const int last = int(duties.size()) - 1;
        ops.push_back(std::make_unique<DutyPresenceOp>(last, duties[last]));
        duties.pop_back();
        files |= kUndoDutyFile;
    }
    while (int(duties.size()) < roster.dienste.Count()) {
        const int next = int(duties.size());
        duties.push_back(roster.dienste[next]);
        ops.push_back(std::make_unique<DutyPresenceOp>(next, std::nullopt));
        files |= kUndoDutyFile;
    }
    for (int i = 0; i < roster.dienste.Count(); ++i) {
        if (!same(duties[i], roster.dienste[i])) {
            ops.push_back(std::make_unique<DutyValueOp>(i, duties[i]));
            files |= kUndoDutyFile;
        }
    }

    const unsigned mask = PlanSettingsFileMask(before->settings, roster.settings);
    if (mask) {
        ops.push_back(std::make_unique<SettingsOp>(mask, before->settings));
        files |= PlanSettingsFiles(mask);
    }

    if (!(before->regeln == roster.regeln)) {
        ops.push_back(std::make_unique<RulesOp>(std::move(before->regeln)));
        files |= kUndoRulesFile;
    }

    step->files = files;
    step->settingsMask = mask;
    before.reset();
    if (step->Empty())
        return false;
    history->Push(std::move(step));
    return true;
}
