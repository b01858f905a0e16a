#include "planning/rulesdialog.h"

#include "core/roster.h"
#include "i18n/translate.h"
#include "widgets/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString tr8(const char* german)
{
    return TranslateText(QString::fromUtf8(german));
}

const char* const kWeekdays[7] = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};

QTableWidget* newTable(QWidget* parent, const char* name, const QStringList& titles)
{
    auto* t = new QTableWidget(0, int(titles.size()), parent);
    t->setObjectName(QLatin1String(name));
    t->setHorizontalHeaderLabels(titles);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->verticalHeader()->setVisible(false);
    return t;
}

QTableWidgetItem* limitItem(int v)
{
    return new QTableWidgetItem(v == kNoLimit ? QString() : QString::number(v));
}

// A count typed into a cell: empty or not a number gives `absent`.
int cellLimit(const QTableWidget* t, int row, int column, int absent)
{
    const QTableWidgetItem* item = t->item(row, column);
    bool ok = false;
    const int v = item ? item->text().trimmed().toInt(&ok) : 0;
    return ok ? std::clamp(v, 0, kTargetLimit) : absent;
}

// "+" and "−" under a table.
QHBoxLayout* addRemoveButtons(QWidget* parent, QTableWidget* table, const std::function<void()>& add)
{
    auto* row = new QHBoxLayout;
    auto* plus = new QPushButton(tr8("Hinzufügen"), parent);
    auto* minus = new QPushButton(tr8("Entfernen"), parent);
    QObject::connect(plus, &QPushButton::clicked, parent, add);
    QObject::connect(minus, &QPushButton::clicked, parent, [table] {
        if (table->currentRow() >= 0)
            table->removeRow(table->currentRow());
    });
    row->addWidget(plus);
    row->addWidget(minus);
    row->addStretch(1);
    return row;
}

} // namespace

TRulesDialog::TRulesDialog(const TRoster& roster, const TPlanRules& rules, QWidget* parent)
    : QDialog(parent)
    , m_roster(roster)
    , m_rules(rules)
{
    setObjectName(QStringLiteral("RulesForm"));
    setWindowTitle(tr8("Besetzung und Regeln"));
    auto* tabs = new QTabWidget(this);

    // Targets.
    QStringList titles{tr8("Dienst")};
    for (const char* d : kWeekdays)
        titles << tr8("Min") + QLatin1Char(' ') + tr8(d);
    for (const char* d : kWeekdays)
        titles << tr8("Max") + QLatin1Char(' ') + tr8(d);
    titles << tr8("Min Feiertag") << tr8("Max Feiertag");
    auto* targetPage = new QWidget(tabs);
    TargetTable = newTable(targetPage, "TargetTable", titles);
    DateTable = newTable(targetPage, "DateTable", {tr8("Dienst"), tr8("Datum"), tr8("Min"), tr8("Max")});
    for (const TStaffTarget& t : rules.targets) {
        const int duty = ResolveDuty(roster.dienste, t.duty);
        if (duty < 0)
            continue;
        addTargetRow(&t);
        for (const TDateTarget& d : t.dates)
            addDateRow(duty, &d);
    }
    auto* targetBox = new QVBoxLayout(targetPage);
    targetBox->addWidget(
        new QLabel(tr8("Mindest- und Höchstzahl der Personen je Wochentag (leer: keine Höchstzahl)"), targetPage));
    targetBox->addWidget(TargetTable, 2);
    targetBox->addLayout(addRemoveButtons(targetPage, TargetTable, [this] { addTargetRow(nullptr); }));
    targetBox->addWidget(new QLabel(tr8("Einzelne Tage"), targetPage));
    targetBox->addWidget(DateTable, 1);
    targetBox->addLayout(addRemoveButtons(targetPage, DateTable, [this] { addDateRow(0, nullptr); }));
    tabs->addTab(targetPage, tr8("Besetzung"));

    // Rules.
    auto* rulePage = new QWidget(tabs);
    MaxDaysEd = new QSpinBox(rulePage);
    MaxDaysEd->setObjectName(QStringLiteral("MaxDaysEd"));
    MaxDaysEd->setRange(0, 366);
    MaxDaysEd->setValue(rules.maxDaysInRow);
    MaxDaysEd->setSpecialValueText(tr8("keine Regel"));
    MinFreeEd = new QSpinBox(rulePage);
    MinFreeEd->setObjectName(QStringLiteral("MinFreeEd"));
    MinFreeEd->setRange(0, 31);
    MinFreeEd->setValue(rules.minFreeDays);
    MinFreeEd->setSpecialValueText(tr8("keine Regel"));
    MaxHoursEd = new QDoubleSpinBox(rulePage);
    MaxHoursEd->setObjectName(QStringLiteral("MaxHoursEd"));
    MaxHoursEd->setRange(0, 1000);
    MaxHoursEd->setDecimals(2);
    MaxHoursEd->setValue(rules.maxMonthHours);
    MaxHoursEd->setSpecialValueText(tr8("keine Regel"));
    SuccessionTable = newTable(rulePage, "SuccessionTable", {tr8("Dienst"), tr8("darf nicht folgen")});
    for (const TSuccession& s : rules.forbidden) {
        if (ResolveDuty(roster.dienste, s.first) >= 0 && ResolveDuty(roster.dienste, s.second) >= 0)
            addSuccessionRow(&s);
    }
    auto* form = new QFormLayout;
    form->addRow(tr8("Höchstens Tage in Folge:"), MaxDaysEd);
    form->addRow(tr8("Mindestens freie Tage im Monat:"), MinFreeEd);
    form->addRow(tr8("Höchstens Stunden im Monat:"), MaxHoursEd);
    auto* ruleBox = new QVBoxLayout(rulePage);
    ruleBox->addLayout(form);
    ruleBox->addWidget(new QLabel(tr8("Verbotene Folgen (Dienst an einem Tag, Dienst am nächsten Tag)"), rulePage));
    ruleBox->addWidget(SuccessionTable, 1);
    ruleBox->addLayout(addRemoveButtons(rulePage, SuccessionTable, [this] { addSuccessionRow(nullptr); }));
    tabs->addTab(rulePage, tr8("Regeln"));

    // Qualifications: ticked = the person may not be given the duty.
    QStringList dutyTitles;
    for (const TDienst& d : roster.dienste)
        dutyTitles << (d.kuerzel.isEmpty() ? d.name : d.kuerzel);
    QualificationTable = newTable(tabs, "QualificationTable", dutyTitles);
    QualificationTable->verticalHeader()->setVisible(true);
    QualificationTable->setRowCount(roster.personen.Count());
    QStringList names;
    for (const TPerson& p : roster.personen)
        names << p.name;
    QualificationTable->setVerticalHeaderLabels(names);
    const TResolvedRules resolved = ResolveRules(rules, roster);
    for (int p = 0; p < roster.personen.Count(); ++p) {
        for (int d = 0; d < roster.dienste.Count(); ++d) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
            item->setCheckState(resolved.NotAllowed(p, d) ? Qt::Checked : Qt::Unchecked);
            QualificationTable->setItem(p, d, item);
        }
    }
    auto* qualPage = new QWidget(tabs);
    auto* qualBox = new QVBoxLayout(qualPage);
    qualBox->addWidget(new QLabel(tr8("Angekreuzt: dieser Dienst darf der Person nicht gegeben werden"), qualPage));
    qualBox->addWidget(QualificationTable);
    QualificationTable->setParent(qualPage);
    tabs->addTab(qualPage, tr8("Qualifikationen"));

    // Patterns.
    auto* patternPage = new QWidget(tabs);
    PatternTable = newTable(patternPage, "PatternTable", {tr8("Name"), tr8("Folge (Kürzel, - = frei)")});
    PatternTable->horizontalHeader()->setStretchLastSection(true);
    for (const TPattern& p : rules.patterns)
        addPatternRow(&p);
    auto* patternBox = new QVBoxLayout(patternPage);
    patternBox->addWidget(PatternTable, 1);
    patternBox->addLayout(addRemoveButtons(patternPage, PatternTable, [this] { addPatternRow(nullptr); }));
    tabs->addTab(patternPage, tr8("Muster"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addWidget(tabs, 1);
    box->addWidget(buttons);
    resize(900, 560);
}

QComboBox* TRulesDialog::dutyCombo(int current) const
{
    auto* combo = new QComboBox;
    for (const TDienst& d : m_roster.dienste)
        combo->addItem(d.kuerzel.isEmpty() ? d.name : d.kuerzel + QStringLiteral(" – ") + d.name);
    combo->setCurrentIndex(std::clamp(current, 0, std::max(0, m_roster.dienste.Count() - 1)));
    return combo;
}

TDutyKey TRulesDialog::keyOf(QTableWidget* table, int row, int column) const
{
    const auto* combo = qobject_cast<QComboBox*>(table->cellWidget(row, column));
    return DutyKeyOf(m_roster.dienste, combo ? combo->currentIndex() : -1);
}

void TRulesDialog::addTargetRow(const TStaffTarget* t)
{
    const int row = TargetTable->rowCount();
    TargetTable->insertRow(row);
    TargetTable->setCellWidget(row, 0, dutyCombo(t ? ResolveDuty(m_roster.dienste, t->duty) : 0));
    const TStaffTarget blank;
    const TStaffTarget& v = t ? *t : blank;
    for (int d = 0; d < 7; ++d) {
        TargetTable->setItem(row, 1 + d, new QTableWidgetItem(QString::number(v.min[std::size_t(d)])));
        TargetTable->setItem(row, 8 + d, limitItem(v.max[std::size_t(d)]));
    }
    TargetTable->setItem(row, 15, limitItem(v.holidayMin));
    TargetTable->setItem(row, 16, limitItem(v.holidayMax));
}

void TRulesDialog::addDateRow(int duty, const TDateTarget* d)
{
    const int row = DateTable->rowCount();
    DateTable->insertRow(row);
    DateTable->setCellWidget(row, 0, dutyCombo(duty));
    auto* date = NamedDateEdit(nullptr, "DateTargetEd");
    date->setDate(d ? d->date : QDate::currentDate());
    DateTable->setCellWidget(row, 1, date);
    DateTable->setItem(row, 2, new QTableWidgetItem(QString::number(d ? d->min : 0)));
    DateTable->setItem(row, 3, limitItem(d ? d->max : kNoLimit));
}

void TRulesDialog::addSuccessionRow(const TSuccession* s)
{
    const int row = SuccessionTable->rowCount();
    SuccessionTable->insertRow(row);
    SuccessionTable->setCellWidget(row, 0, dutyCombo(s ? ResolveDuty(m_roster.dienste, s->first) : 0));
    SuccessionTable->setCellWidget(row, 1, dutyCombo(s ? ResolveDuty(m_roster.dienste, s->second) : 0));
}

void TRulesDialog::addPatternRow(const TPattern* p)
{
    const int row = PatternTable->rowCount();
    PatternTable->insertRow(row);
    PatternTable->setItem(row, 0, new QTableWidgetItem(p ? p->name : tr8("Muster")));
    PatternTable->setItem(row, 1, new QTableWidgetItem(p ? PatternStepsText(*p) : QString()));
}

TPlanRules TRulesDialog::Rules() const
{
    TPlanRules r = m_rules;
    const TDynaArray<TDienst>& duties = m_roster.dienste;

    // Targets: the rows shown, then those of duties that no longer exist (kept unseen).
    std::vector<TStaffTarget> targets;
    for (int row = 0; row < TargetTable->rowCount(); ++row) {
        TStaffTarget t;
        t.duty = keyOf(TargetTable, row, 0);
        for (const TStaffTarget& old : m_rules.targets) {
            if (old.duty.abbr == t.duty.abbr && ResolveDuty(duties, old.duty) == ResolveDuty(duties, t.duty))
                t.extra = old.extra;
        }
        for (int d = 0; d < 7; ++d) {
            t.min[std::size_t(d)] = cellLimit(TargetTable, row, 1 + d, 0);
            t.max[std::size_t(d)] = cellLimit(TargetTable, row, 8 + d, kNoLimit);
        }
        t.holidayMin = cellLimit(TargetTable, row, 15, kNoLimit);
        t.holidayMax = cellLimit(TargetTable, row, 16, kNoLimit);
        targets.push_back(std::move(t));
    }
    for (int row = 0; row < DateTable->rowCount(); ++row) {
        const TDutyKey key = keyOf(DateTable, row, 0);
        const auto* date = qobject_cast<QDateEdit*>(DateTable->cellWidget(row, 1));
        TDateTarget d{
            date ? date->date() : QDate(), cellLimit(DateTable, row, 2, 0), cellLimit(DateTable, row, 3, kNoLimit), {}};
        auto it = std::find_if(targets.begin(), targets.end(), [&](const TStaffTarget& t) { return t.duty == key; });
        if (it == targets.end()) {
            targets.push_back(TStaffTarget());
            targets.back().duty = key;
            it = targets.end() - 1;
        }
        it->dates.push_back(d);
    }
    for (const TStaffTarget& old : m_rules.targets) {
        if (ResolveDuty(duties, old.duty) < 0)
            targets.push_back(old);
    }
    r.targets = std::move(targets);

    r.maxDaysInRow = MaxDaysEd->value();
    r.minFreeDays = MinFreeEd->value();
    r.maxMonthHours = MaxHoursEd->value();
    r.forbidden.clear();
    for (int row = 0; row < SuccessionTable->rowCount(); ++row)
        r.forbidden.push_back({keyOf(SuccessionTable, row, 0), keyOf(SuccessionTable, row, 1), {}});
    for (const TSuccession& old : m_rules.forbidden) {
        if (ResolveDuty(duties, old.first) < 0 || ResolveDuty(duties, old.second) < 0)
            r.forbidden.push_back(old);
    }

    // Qualifications of persons not in the list and keys of missing duties stay.
    r.qualifications.clear();
    for (const TQualification& old : m_rules.qualifications) {
        if (ResolvePerson(m_roster.personen, old.person) >= 0) {
            TQualification kept = old;
            kept.notAllowed.clear();
            for (const TDutyKey& k : old.notAllowed) {
                if (ResolveDuty(duties, k) < 0)
                    kept.notAllowed.push_back(k);
            }
            bool placed = false;
            for (TQualification& q : r.qualifications)
                placed = placed || q.person == kept.person;
            if (!placed && !kept.notAllowed.empty())
                r.qualifications.push_back(kept);
        } else {
            r.qualifications.push_back(old);
        }
    }
    for (int p = 0; p < m_roster.personen.Count() && p < QualificationTable->rowCount(); ++p) {
        const TPersonKey key = PersonKeyOf(m_roster.personen[p]);
        std::vector<TDutyKey> ticked;
        for (int d = 0; d < duties.Count() && d < QualificationTable->columnCount(); ++d) {
            const QTableWidgetItem* item = QualificationTable->item(p, d);
            if (item && item->checkState() == Qt::Checked)
                ticked.push_back(DutyKeyOf(duties, d));
        }
        if (ticked.empty())
            continue;
        auto it = std::find_if(r.qualifications.begin(), r.qualifications.end(),
            [&](const TQualification& q) { return ResolvePerson(m_roster.personen, q.person) == p; });
        if (it == r.qualifications.end()) {
            r.qualifications.push_back({key, {}, {}});
            it = r.qualifications.end() - 1;
        }
        it->notAllowed.insert(it->notAllowed.end(), ticked.begin(), ticked.end());
    }

    r.patterns.clear();
    for (int row = 0; row < PatternTable->rowCount(); ++row) {
        TPattern p;
        p.name = PatternTable->item(row, 0) ? PatternTable->item(row, 0)->text().trimmed() : QString();
        p.steps = ParsePatternSteps(PatternTable->item(row, 1) ? PatternTable->item(row, 1)->text() : QString());
        if (row < int(m_rules.patterns.size()) && m_rules.patterns[std::size_t(row)].name == p.name)
            p.extra = m_rules.patterns[std::size_t(row)].extra;
        if (!p.steps.empty())
            r.patterns.push_back(std::move(p));
    }
    return r;
}

// ---- "Muster anwenden..." --------------------------------------------------------------

TPatternDialog::TPatternDialog(const TPlanRules& rules, const QStringList& names, const QDate& start, QWidget* parent)
    : QDialog(parent)
    , m_rules(rules)
{
    setObjectName(QStringLiteral("PatternForm"));
    setWindowTitle(tr8("Muster anwenden"));
    PatternCombo = new QComboBox(this);
    PatternCombo->setObjectName(QStringLiteral("PatternCombo"));
    for (const TPattern& p : rules.patterns)
        PatternCombo->addItem(p.name + QStringLiteral(": ") + PatternStepsText(p));
    PatternCombo->addItem(tr8("Eigene Folge"));
    StepsEd = new QLineEdit(this);
    StepsEd->setObjectName(QStringLiteral("StepsEd"));
    StepsEd->setPlaceholderText(QStringLiteral("F F S S N N - - -"));
    auto syncSteps = [this] { StepsEd->setEnabled(PatternCombo->currentIndex() >= int(m_rules.patterns.size())); };
    connect(PatternCombo, &QComboBox::currentIndexChanged, this, syncSteps);
    syncSteps();
    StartEd = NamedDateEdit(this, "StartEd");
    StartEd->setDate(start);
    DaysEd = new QSpinBox(this);
    DaysEd->setObjectName(QStringLiteral("DaysEd"));
    DaysEd->setRange(0, 3660);
    DaysEd->setSpecialValueText(tr8("bis Monatsende"));
    OffsetTable = newTable(this, "OffsetTable", {tr8("Mitarbeiter"), tr8("Versatz (Tage)")});
    OffsetTable->setRowCount(int(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        auto* name = new QTableWidgetItem(names[i]);
        name->setFlags(Qt::ItemIsEnabled);
        OffsetTable->setItem(i, 0, name);
        auto* offset = new QSpinBox;
        offset->setRange(-366, 366);
        OffsetTable->setCellWidget(i, 1, offset);
    }
    AbsencesCheck = new QCheckBox(tr8("Abwesenheiten überschreiben"), this);
    AbsencesCheck->setObjectName(QStringLiteral("AbsencesCheck"));

    auto* form = new QFormLayout;
    form->addRow(tr8("Muster:"), PatternCombo);
    form->addRow(tr8("Folge:"), StepsEd);
    form->addRow(tr8("Ab:"), StartEd);
    form->addRow(tr8("Tage:"), DaysEd);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(OffsetTable, 1);
    box->addWidget(AbsencesCheck);
    box->addWidget(buttons);
}

TPattern TPatternDialog::Pattern() const
{
    const int i = PatternCombo->currentIndex();
    if (i >= 0 && i < int(m_rules.patterns.size()))
        return m_rules.patterns[std::size_t(i)];
    return {QString(), ParsePatternSteps(StepsEd->text()), {}};
}

TPatternRun TPatternDialog::Run() const
{
    TPatternRun run;
    run.start = StartEd->date();
    run.days = DaysEd->value();
    run.replaceAbsences = AbsencesCheck->isChecked();
    for (int i = 0; i < OffsetTable->rowCount(); ++i) {
        const auto* offset = qobject_cast<QSpinBox*>(OffsetTable->cellWidget(i, 1));
        run.offsets.push_back(offset ? offset->value() : 0);
    }
    return run;
}
