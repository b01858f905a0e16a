// The planning-rules parts of the "Monatsplaner" page: the "Plan prüfen" list, jumping
// to a finding's cell, and "Muster anwenden...".

#include "core/roster.h"
#include "i18n/translate.h"
#include "planner/monatsplanerpage.h"
#include "planning/plancheckview.h"
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
    if (!PlanCheck->isVisible())
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
