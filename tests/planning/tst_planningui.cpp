// The planning parts of the main window offscreen: the "Besetzung anzeigen" switch, the
// "Plan prüfen" list and its jump to the cell, the rules dialog under the rules lock with
// its undo step, and a duty deletion that takes the duty's rules along.
#include "app/mainform.h"
#include "planner/monatsplanerpage.h"
#include "planning/plancheckview.h"
#include "planning/proposalview.h"
#include "planning/rulesdialog.h"
#include "sampleroster.h"
#include "staff/dienstepage.h"
#include "storage/rosterfiles.h"
#include "testsupport.h"
#include "widgettestsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The main window on 12 sample employees in March 2024 (the tests' fixed today), with
// a morning-shift target and a night-then-morning ban.
struct Window {
    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;
    TMonatsplanerPage* page = nullptr;
    Window()
    {
        TRoster r;
        sample::FillRoster(r, 12, 2024, 3);
        writeFile(dir.path() + QStringLiteral("/personen.dat"), SerializePersonFile(r.personen, r.settings));
        writeFile(dir.path() + QStringLiteral("/dienste.dat"), SerializeDutyFile(r.dienste, 10));
        TPlanRules rules;
        TStaffTarget t;
        t.duty = {QStringLiteral("F"), 1};
        t.min.fill(3);
        rules.targets.push_back(t);
        rules.forbidden.push_back({{QStringLiteral("N"), 3}, {QStringLiteral("F"), 1}, {}});
        rules.maxDaysInRow = 3;
        writeFile(rulesFile(), SerializePlanRules(rules));
        form = std::make_unique<TMainForm>();
        form->CreateDialogs();
        form->store.progpath = dir.path() + QLatin1Char('/');
        form->store.loadPersons();
        form->store.loadDienste();
        form->store.loadRegeln();
        form->ListPersons();
        form->ListDienste();
        form->ListPersons2();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("main window not shown");
        page = form->MonatsplanerSheet;
    }
    QString rulesFile() const { return dir.path() + QStringLiteral("/regeln.dat"); }
};

} // namespace

class TestPlanningUi : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void coverageSwitchAndCheckList()
    {
        Window w;
        QVERIFY(!w.page->BesetzungCheck->isChecked()); // pages stay as they were
        QVERIFY(!w.page->View().showCoverage);
        const int pages = w.page->Geometry().maxseiten;
        w.page->BesetzungCheck->setChecked(true);
        QVERIFY(w.page->View().showCoverage);
        QVERIFY(w.page->Geometry().maxseiten >= pages);

        QVERIFY(!w.page->PlanCheck->isVisible());
        w.form->PlanPruefen1->trigger();
        QVERIFY(w.page->PlanCheck->isVisible());
        const TCheckResult check = CheckMonth(w.form->roster, 2024, 3);
        QVERIFY(!check.Clean());
        QCOMPARE(w.page->PlanCheck->CheckList->topLevelItemCount(), int(check.findings.size()));

        // A person's finding: the double-click marks the cell on its page.
        const auto it = std::find_if(
            check.findings.begin(), check.findings.end(), [](const TFinding& f) { return f.person >= 0 && f.day > 0; });
        QVERIFY(it != check.findings.end());
        QTreeWidgetItem* item = w.page->PlanCheck->CheckList->topLevelItem(int(it - check.findings.begin()));
        Q_EMIT w.page->PlanCheck->CheckList->itemDoubleClicked(item, 0);
        const std::vector<TMonthRow> rows
            = MonthRows(w.form->roster, 2024, 3, 0, w.form->roster.settings.AddFreeLinesCheck);
        const int index = int(std::find_if(rows.begin(), rows.end(), [&](const TMonthRow& r) {
            return r.person == it->person && r.blank == 0;
        }) - rows.begin());
        const int perPage = w.page->Geometry().zeilen - 1;
        QCOMPARE(w.page->SeiteEd->value(), index / perPage + 1);
        QVERIFY(w.page->Selection().select.Get(it->day, index % perPage + 1));
        if (qEnvironmentVariableIsSet("ROSTELMARK_LOOK_DIR"))
            w.form->grab().save(qEnvironmentVariable("ROSTELMARK_LOOK_DIR") + QStringLiteral("/planner.png"));
    }

    // The dialog edits under the rules lock; one undo step writes the old file back.
    void rulesDialogAndUndo()
    {
        Window w;
        const QByteArray before = fileBytes(w.rulesFile());
        whenModal([](QWidget* dialog) {
            auto* d = qobject_cast<TRulesDialog*>(dialog);
            QVERIFY(d);
            QCOMPARE(d->TargetTable->rowCount(), 1);
            QCOMPARE(d->SuccessionTable->rowCount(), 1);
            d->MaxDaysEd->setValue(4);
            d->accept();
        });
        w.form->BesetzungundRegeln1->trigger();
        QCOMPARE(w.form->roster.regeln.maxDaysInRow, 4);
        QVERIFY(!QFile::exists(w.dir.path() + QStringLiteral("/regelnschreibe.dat")));
        TPlanRules onDisk;
        QVERIFY(ParsePlanRules(fileBytes(w.rulesFile()), onDisk));
        QVERIFY(onDisk == w.form->roster.regeln);
        QCOMPARE(onDisk.targets.size(), std::size_t(1)); // unchanged parts kept
        w.form->Rueckgaengig1->trigger();
        QCOMPARE(fileBytes(w.rulesFile()), before);
        QCOMPARE(w.form->roster.regeln.maxDaysInRow, 3);
    }

    // "Plan vorschlagen": the proposal is only shown until "Übernehmen", which writes it
    // as one undo step; "Verwerfen" and a reload of the roster drop it untouched.
    void proposalPreviewApplyAndDiscard()
    {
        Window w;
        const QString persons = w.dir.path() + QStringLiteral("/personen.dat");
        const QByteArray before = fileBytes(persons);
        // The sample's March is full: its second half is left for the proposal.
        auto emptySecondHalf = [&] {
            sample::ClearMonth(w.form->roster, 2024, 3, 16);
            w.page->PaintBox1Paint();
        };
        emptySecondHalf();
        auto propose = [&] {
            whenModal([](QWidget* dialog) {
                auto* d = qobject_cast<TProposeDialog*>(dialog);
                QVERIFY(d);
                QVERIFY(!d->MarkedRadio->isEnabled()); // nothing marked
                d->TimeLimitEd->setValue(5);
                d->accept();
            });
            w.form->PlanVorschlagen1->trigger();
            QVERIFY(w.page->Proposal() != nullptr);
            QVERIFY(!w.page->Proposal()->cells.empty());
            QVERIFY(w.page->ProposalPanel->isVisible());
            QVERIFY(w.page->PlanCheck->isVisible());
            QCOMPARE(fileBytes(persons), before); // a proposal writes nothing
        };
        propose();
        if (qEnvironmentVariableIsSet("ROSTELMARK_LOOK_DIR"))
            w.form->grab().save(qEnvironmentVariable("ROSTELMARK_LOOK_DIR") + QStringLiteral("/proposal.png"));
        w.page->ProposalPanel->VerwerfenBtn->click();
        QVERIFY(w.page->Proposal() == nullptr);
        QVERIFY(!w.page->ProposalPanel->isVisible());

        // Another copy saves meanwhile: the lock check reads its file, the proposal goes
        // and nothing is written over the other copy's save.
        propose();
        TRoster other;
        sample::FillRoster(other, 12, 2024, 3);
        other.personen[0].name = QStringLiteral("Andere Kopie");
        const QByteArray otherBytes = SerializePersonFile(other.personen, other.settings);
        writeFile(persons, otherBytes);
        w.page->ProposalPanel->UebernehmenBtn->click();
        QVERIFY(w.page->Proposal() == nullptr);
        QVERIFY(w.page->ProposalPanel->isVisible()); // saying why
        QVERIFY(!w.page->ProposalPanel->UebernehmenBtn->isVisible());
        QCOMPARE(w.form->roster.personen[0].name, QStringLiteral("Andere Kopie"));
        QCOMPARE(fileBytes(persons), otherBytes);
        writeFile(persons, before);
        w.form->store.loadPersons();
        w.form->ListPersons();
        emptySecondHalf();

        propose();
        const std::vector<TProposedCell> cells = w.page->Proposal()->cells;
        auto entries = [&] {
            QList<double> out;
            for (int i = 0; i < w.form->roster.personen.Count(); ++i) {
                const TPerson& p = w.form->roster.personen[i];
                for (int e = 0; e < p.eintraege.Count(); ++e)
                    out << p.eintraege[e].datum << p.eintraege[e].dienst << p.eintraege[e].ueberstunden;
            }
            return out;
        };
        const QList<double> entriesBefore = entries();
        w.page->ProposalPanel->UebernehmenBtn->click();
        QVERIFY(w.page->Proposal() == nullptr);
        QVERIFY(fileBytes(persons) != before);
        for (const TProposedCell& c : cells) {
            const TPerson& p = w.form->roster.personen[c.person];
            const int e = TRoster::EintragIndexOfDay(p, 2024, 3, c.day);
            QVERIFY(e >= 0);
            QCOMPARE(p.eintraege[e].dienst, c.duty + 1);
        }
        QVERIFY(!QFile::exists(w.dir.path() + QStringLiteral("/personenschreibe.dat")));
        w.form->Rueckgaengig1->trigger(); // one step takes the whole proposal back
        QCOMPARE(entries(), entriesBefore);
    }

    // Deleting "Nachtdienst" says that its rules go, and they go with it.
    void dutyDeletionTakesItsRules()
    {
        Window w;
        TDienstePage* duties = w.form->DiensteSheet;
        duties->ListView2->setCurrentItem(duties->ListView2->topLevelItem(2)); // N
        QString asked;
        whenModal([&asked](QWidget* box) {
            asked = qobject_cast<QMessageBox*>(box)->text();
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
        });
        duties->DelDienstBtnClick();
        QVERIFY2(asked.contains(QStringLiteral("ebenfalls gelöscht")), qPrintable(asked));
        QVERIFY(w.form->roster.regeln.forbidden.empty());
        TPlanRules onDisk;
        QVERIFY(ParsePlanRules(fileBytes(w.rulesFile()), onDisk));
        QVERIFY(onDisk.forbidden.empty());
        QCOMPARE(onDisk.targets.size(), std::size_t(1));
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestPlanningUi, QApplication)
#include "tst_planningui.moc"
