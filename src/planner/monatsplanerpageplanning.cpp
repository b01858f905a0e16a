// The planning-rules parts of the "Monatsplaner" page: the "Plan prüfen" list, jumping
// to a finding's cell, and "Muster anwenden...".

#include "core/roster.h"
#include "i18n/translate.h"
#include "planner/monatsplanerpage.h"
#include "planning/plancheckview.h"
#include "planning/proposal.h"
#include "planning/proposalview.h"
#include "planning/rotation.h"
#include "planning/rulesdialog.h"
#include "storage/datastore.h"

#include <QComboBox>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>

void TMonatsplanerPage::PlanPruefenClick()
{
    const TMonthView view = View();
    PlanCheck->Show(m_roster, view.year, view.month, CheckMonth(m_roster, view.year, view.month).findings);
}

// While the list is shown it follows every change of the plan.
void TMonatsplanerPage::refreshPlanCheck()
{
    // With a proposal shown the list is the proposal's.
    if (!PlanCheck->isVisible() || m_proposal)
        return;
    const TMonthView view = View();
    std::vector<TFinding> findings = CheckMonth(m_roster, view.year, view.month).findings;
    if (findings != PlanCheck->Findings())
        PlanCheck->Show(m_roster, view.year, view.month, findings);
}

void TMonatsplanerPage::ShowCell(int day, int person)
{
    if (person >= 0) {
        const TMonthView view = View();
        std::vector<TMonthRow> rows
            = MonthRows(m_roster, view.year, view.month, view.filter, m_roster.settings.AddFreeLinesCheck);
        auto owns = [&](const TMonthRow& r) { return r.person == person && r.blank == 0; };
        if (std::none_of(rows.begin(), rows.end(), owns) && MitarbeiterCombo->currentIndex() != 0) {
            MitarbeiterCombo->setCurrentIndex(0); // the filter hides the person
            rows = MonthRows(m_roster, view.year, view.month, 0, m_roster.settings.AddFreeLinesCheck);
        }
        const auto it = std::find_if(rows.begin(), rows.end(), owns);
        const int perPage = std::max(1, freshGeometry().zeilen - 1);
        if (it != rows.end()) {
            const int index = int(it - rows.begin());
            SeiteEd->setValue(index / perPage + 1);
            m_sel.ClearMarks();
            if (day >= 1)
                m_sel.select.Set(day, index % perPage + 1, true);
            PaintBox1Paint();
            const int y = m_geo.sy + (index % perPage) * m_geo.wy;
            ScrollBox1->ensureVisible(std::max(0, m_geo.sx + (std::max(day, 1) - 1) * m_geo.wx), y, 60, 60);
            return;
        }
    }
    if (day >= 1)
        ScrollBox1->ensureVisible(m_geo.sx + (day - 1) * m_geo.wx, m_geo.sy, 60, 60);
}

void TMonatsplanerPage::MusterAnwendenClick()
{
    const TMonthView view = View();
    const TMonthGeometry geo = freshGeometry();
    const std::vector<TMarkedRow> marked = MarkedRows(m_roster, m_roster.settings, view, geo, m_sel.select);
    int firstDay = 0;
    for (int d = 1; d <= TMarks::kDays && firstDay == 0; ++d) {
        for (const TMarkedRow& r : marked) {
            if (m_sel.select.Get(d, r.row)) {
                firstDay = d;
                break;
            }
        }
    }
    if (marked.empty() || firstDay == 0) {
        QMessageBox::information(
            this, QString(), TranslateText(QStringLiteral("Bitte zuerst die Zeilen und den ersten Tag markieren.")));
        return;
    }
    QStringList names;
    std::vector<int> persons;
    for (const TMarkedRow& r : marked) {
        names << m_roster.personen[r.person].name;
        persons.push_back(r.person);
    }
    TPatternDialog dialog(m_roster.regeln, names, QDate(view.year, view.month, firstDay), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const TPattern pattern = dialog.Pattern();
    TPatternRun run = dialog.Run();
    run.persons = persons;
    QString error;
    PatternDuties(pattern, m_roster, &error);
    if (pattern.steps.empty())
        error = TranslateText(QStringLiteral("Das Muster ist leer."));
    if (!error.isEmpty()) {
        QMessageBox::warning(this, QString(), error);
        return;
    }
    changeLocked(TUndoKind::Pattern, [&](const TMonthGeometry&) {
        // The lock check may have reloaded the persons: apply only to those still there.
        TPatternRun checked = run;
        checked.persons.clear();
        for (std::size_t k = 0; k < run.persons.size(); ++k) {
            const int p = run.persons[k];
            checked.persons.push_back(
                p < m_roster.personen.Count() && m_roster.personen[p].name == names[qsizetype(k)] ? p : -1);
        }
        ApplyPattern(m_roster, pattern, checked);
    });
}

void TMonatsplanerPage::PlanVorschlagenClick()
{
    ProposalVerwerfen();
    const TMonthView view = View();
    if (ResolveRules(m_roster.regeln, m_roster).targets.empty()) {
        QMessageBox::information(this, QString(),
            TranslateText(QStringLiteral("Ohne Besetzungsvorgaben gibt es nichts vorzuschlagen. Bitte zuerst unter "
                                         "\"Besetzung und Regeln...\" festlegen, wie viele Personen jeder Dienst "
                                         "braucht.")));
        return;
    }
    // The marked days, if any, bound the days to fill.
    int first = 0, last = 0;
    for (int d = 1; d <= TMarks::kDays; ++d) {
        for (int r = 1; r <= TMarks::kRows; ++r) {
            if (m_sel.select.Get(d, r)) {
                first = first == 0 ? d : first;
                last = d;
                break;
            }
        }
    }
    TProposeDialog dialog(m_roster.regeln, first, last, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    TProposalOptions options = dialog.Options();
    // The employees of the filter: everybody active, or the one chosen.
    if (view.filter > 0) {
        const std::vector<int> active = ActiveEmployees(m_roster, view.year, view.month);
        if (view.filter - 1 < int(active.size()))
            options.persons = {active[std::size_t(view.filter - 1)]};
    }
    const unsigned generation = m_generation;
    auto input = std::make_unique<TProposalInput>(PrepareProposal(m_roster, view.year, view.month, options));
    auto proposal = std::make_unique<TProposal>(RunProposalDialog(this, *input));
    if (generation != m_generation || View().year != view.year || View().month != view.month) {
        ProposalPanel->ShowDiscarded(TranslateText(
            QStringLiteral("Der Vorschlag wurde verworfen: der Dienstplan wurde während der Rechnung geändert.")));
        return;
    }
    m_proposalCells.assign(std::size_t(m_roster.personen.Count()) * 31, -1);
    for (const TProposedCell& c : proposal->cells) {
        const std::size_t i = std::size_t(c.person) * 31 + std::size_t(c.day - 1);
        if (c.person >= 0 && c.day >= 1 && i < m_proposalCells.size())
            m_proposalCells[i] = c.duty;
    }
    m_proposalInput = std::move(input);
    m_proposal = std::move(proposal);
    ProposalPanel->Show(m_roster, *m_proposal);
    PlanCheck->Show(m_roster, view.year, view.month, m_proposal->check.findings);
    PaintBox1Paint();
}

void TMonatsplanerPage::ProposalUebernehmen()
{
    if (!m_proposal)
        return;
    const unsigned generation = m_generation;
    // The lock check reads the file again when another copy changed it; the proposal was
    // made for the old state and is then dropped (RosterChanged).
    if (!m_store.canwritenowpersonen() || generation != m_generation) {
        if (generation != m_generation)
            m_store.EndWriteMowpersonen();
        return;
    }
    TUndoRecorder undo(m_undo, m_roster, TUndoKind::Proposal);
    int skipped = 0;
    ApplyProposal(m_roster, *m_proposalInput, *m_proposal, &skipped);
    ProposalVerwerfen();
    PaintBox1Paint(); // records the month's hours and balances before they are saved
    m_store.savePersons();
    m_store.EndWriteMowpersonen();
    undo.Commit(m_roster);
    if (skipped > 0) {
        QMessageBox::information(this, QString(),
            TranslateText(QStringLiteral("%1 vorgeschlagene Dienste wurden nicht eingetragen, weil ihre Zellen "
                                         "inzwischen belegt sind."))
                .arg(skipped));
    }
}

void TMonatsplanerPage::ProposalVerwerfen()
{
    const bool shown = m_proposal != nullptr;
    m_proposal.reset();
    m_proposalInput.reset();
    m_proposalCells.clear();
    ProposalPanel->hide();
    if (shown) {
        PaintBox1Paint();
        if (PlanCheck->isVisible())
            PlanPruefenClick();
    }
}

void TMonatsplanerPage::RosterChanged()
{
    ++m_generation;
    if (!m_proposal)
        return;
    ProposalVerwerfen();
    ProposalPanel->ShowDiscarded(TranslateText(
        QStringLiteral("Der Vorschlag wurde verworfen: der Dienstplan wurde inzwischen geändert.")));
}
