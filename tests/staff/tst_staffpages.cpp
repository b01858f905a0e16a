// Drives the person and duty pages with their real dialogs, offscreen, against a real
// data folder, and checks the files after each step.
#include "staff/dienstepage.h"
#include "staff/dienstform.h"
#include "staff/personenpage.h"
#include "staff/personform.h"
#include "storage/datastore.h"
#include "storage/rosterfiles.h"
#include "testsupport.h"
#include "widgettestsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace {

void clickButton(QWidget* w, QMessageBox::StandardButton which)
{
    auto* box = qobject_cast<QMessageBox*>(w);
    QVERIFY(box);
    box->button(which)->click();
}

struct Harness : TStoreUi {
    QTemporaryDir dir;
    TRoster roster;
    TDataStore store{roster, *this};
    TPersonenPage persons{roster, store};
    TDienstePage duties{roster, store};
    TPersonForm personForm;
    TDienstForm dienstForm;
    TLockAnswer lockAnswer = TLockAnswer::Cancel;
    int lockQuestions = 0;

    Harness()
    {
        store.progpath = dir.path() + QLatin1Char('/');
        persons.setPersonForm(&personForm);
        duties.setDienstForm(&dienstForm);
        persons.MonEd->setValue(3);
        persons.yeared->setValue(2024);
        ListPersons();
        ListDienste();
    }
    TLockAnswer AskLockMessage(const QString&) override
    {
        ++lockQuestions;
        return lockAnswer;
    }
    void ShowError(const QString& text) override { QFAIL(qPrintable(text)); }
    void ListPersons() override { persons.ListPersons(); }
    void ListDienste() override { duties.ListDienste(); }
    void LanguageRead(int) override {}

    QStringList personNamesOnDisk()
    {
        QFile f(store.personFile());
        if (!f.open(QIODevice::ReadOnly))
            return {QStringLiteral("<missing>")};
        const QByteArray bytes = f.readAll();
        TPersonFileContent content(roster.settings);
        if (ParsePersonFile(bytes.constData(), bytes.size(), content) != TReadResult::Ok)
            return {QStringLiteral("<damaged>")};
        QStringList out;
        for (const TPerson& p : content.personen)
            out << p.name;
        return out;
    }
    TDutyFileContent dutiesOnDisk()
    {
        QFile f(store.dutyFile());
        TDutyFileContent content(0);
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = f.readAll();
            ParseDutyFile(bytes.constData(), bytes.size(), content);
        }
        return content;
    }
    static QByteArray fileBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    bool noLockFiles() const { return !QFile::exists(store.personLockFile()) && !QFile::exists(store.dutyLockFile()); }
};
} // namespace

class TestStaffPages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addEditDeletePerson()
    {
        Harness h;
        QCOMPARE(h.persons.ListView1->topLevelItemCount(), 1); // "Mustermann"
        QCOMPARE(h.persons.ListView1->headerItem()->text(3), QStringLiteral("Maximale Stunden"));

        whenModal([](QWidget* w) {
            auto* form = qobject_cast<TPersonForm*>(w);
            QVERIFY(form);
            QVERIFY(!form->BitBtn1->isEnabled()); // no name yet
            QTest::keyClicks(form->Edit1, QStringLiteral("Meier"));
            QVERIFY(form->BitBtn1->isEnabled());
            QTest::keyClicks(form->Edit2, QStringLiteral("4a2"));
            QCOMPARE(form->Edit2->text(), QStringLiteral("42")); // digits only
            form->VonEd->setDate(QDate(2020, 1, 1));
            form->MaxStundenEd->setValue(37.5);
            form->BitBtn1->click();
        });
        h.persons.AddPersonBtnClick();
        QCOMPARE(h.personNamesOnDisk(), (QStringList{QStringLiteral("Mustermann"), QStringLiteral("Meier")}));
        QCOMPARE(h.persons.ListView1->topLevelItem(1)->text(3), QStringLiteral("37,5"));
        QCOMPARE(h.persons.ListView1->topLevelItem(1)->text(4), QStringLiteral("42"));
        QVERIFY(h.noLockFiles());

        h.persons.SelectRow(1);
        whenModal([](QWidget* w) {
            auto* form = qobject_cast<TPersonForm*>(w);
            QCOMPARE(form->Edit1->text(), QStringLiteral("Meier"));
            form->Edit1->setText(QStringLiteral("Meier-Lang"));
            form->EntlassenCheck->setChecked(true);
            form->BisEd->setDate(QDate(2024, 3, 1));
            form->BitBtn1->click();
        });
        h.persons.EditPersonBtnClick();
        QCOMPARE(h.personNamesOnDisk(), (QStringList{QStringLiteral("Mustermann"), QStringLiteral("Meier-Lang")}));
        QVERIFY(h.roster.personen[1].istentlassen);
        QCOMPARE(h.roster.personen[1].eintraege.Count(), 0);

        // Dismissed on 1 March: listed for March, not for April.
        h.persons.MonEd->setValue(4);
        QCOMPARE(h.persons.ListView1->topLevelItemCount(), 1);
        h.persons.MonEd->setValue(3);
        QCOMPARE(h.persons.ListView1->topLevelItemCount(), 2);

        // The next new-person dialog keeps "Ist entlassen"; cancelling still saves.
        whenModal([](QWidget* w) {
            auto* form = qobject_cast<TPersonForm*>(w);
            QVERIFY(form->EntlassenCheck->isChecked());
            QVERIFY(form->Edit1->text().isEmpty());
            form->BitBtn2->click();
        });
        h.persons.AddPersonBtnClick();
        QCOMPARE(h.roster.personen.Count(), 2);

        h.persons.SelectRow(0);
        whenModal([](QWidget* w) { clickButton(w, QMessageBox::No); });
        h.persons.DelPersonBtnClick();
        QCOMPARE(h.roster.personen.Count(), 2);
        h.persons.SelectRow(0);
        whenModal([](QWidget* w) { clickButton(w, QMessageBox::Yes); });
        h.persons.DelPersonBtnClick();
        QCOMPARE(h.personNamesOnDisk(), QStringList{QStringLiteral("Meier-Lang")});
        QVERIFY(h.noLockFiles());
    }

    void editStoresOnlyWhatTheFileCanHold()
    {
        // A person written by another program: values the dialog cannot show exactly.
        Harness h;
        TPerson& stored = h.roster.personen[0];
        stored.persnr = QStringLiteral("A-12");
        stored.eingestellt = EncodeDate(2019, 5, 2) + 0.25;
        stored.maxstunden = 37.125;
        QVERIFY(h.store.canwritenowpersonen());
        QVERIFY(h.store.savePersons());
        h.store.EndWriteMowpersonen();
        h.persons.ListPersons();
        h.persons.SelectRow(0);

        QString warning;
        whenModal([&warning](QWidget* w) {
            auto* form = qobject_cast<TPersonForm*>(w);
            QVERIFY(form);
            form->Edit1->setText(QStringLiteral("Łukasz"));
            // OK refuses with a warning naming the character, and the dialog stays open.
            whenModal([&warning, form](QWidget* box) {
                if (auto* mb = qobject_cast<QMessageBox*>(box); mb && box != form) {
                    warning = mb->text();
                    mb->done(QMessageBox::Ok);
                }
            });
            form->BitBtn1->click();
            QVERIFY(form->isVisible());
            form->Edit1->setText(QStringLiteral("Lukasz Nowak"));
            form->BitBtn1->click();
        });
        h.persons.EditPersonBtnClick();
        QVERIFY2(warning.contains(QStringLiteral("Ł")), qPrintable(warning));

        QFile f(h.store.personFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        TPersonFileContent content(h.roster.settings);
        QCOMPARE(ParsePersonFile(bytes.constData(), bytes.size(), content), TReadResult::Ok);
        const TPerson& onDisk = content.personen[0];
        QCOMPARE(onDisk.name, QStringLiteral("Lukasz Nowak"));
        QCOMPARE(onDisk.persnr, QStringLiteral("A-12"));
        QCOMPARE(onDisk.eingestellt, EncodeDate(2019, 5, 2) + 0.25);
        QCOMPARE(onDisk.maxstunden, 37.125);
        // The list shows what the file holds.
        const QTreeWidgetItem* row = h.persons.ListView1->topLevelItem(0);
        QCOMPARE(row->text(0), onDisk.name);
        QCOMPARE(row->text(1), QStringLiteral("02.05.2019 06:00:00"));
        QCOMPARE(row->text(3), QStringLiteral("37,125"));
        QCOMPARE(row->text(4), QStringLiteral("A-12"));
        QVERIFY(h.noLockFiles());
    }

    void nothingSelectedLeavesNoLock()
    {
        Harness h;
        h.persons.MonEd->setValue(1);
        h.persons.yeared->setValue(1899); // before every hire date: empty list
        QCOMPARE(h.persons.ListView1->topLevelItemCount(), 0);
        h.persons.EditPersonBtnClick();
        h.persons.DelPersonBtnClick();
        h.duties.ListView2->clearSelection();
        h.duties.EditDienstBtnClick();
        h.duties.DelDienstBtnClick();
        QVERIFY(h.noLockFiles());
        QCOMPARE(h.roster.personen.Count(), 1);
        QCOMPARE(h.roster.dienste.Count(), 1);
    }

    void slotChangeKeepsUnsavedOrder()
    {
        // Moving a person changes memory only; switching the plan slot must not lose it.
        Harness h;
        h.roster.AddPerson()->name = QStringLiteral("Zweite");
        QVERIFY(h.store.canwritenowpersonen());
        QVERIFY(h.store.savePersons());
        h.store.EndWriteMowpersonen();
        h.persons.ListPersons();
        h.persons.SelectRow(1);
        h.persons.NachObenBtnClick();
        std::array<bool, kLagerCount> ticked{};
        ticked[3] = true;
        h.store.ChangeTheLager(ticked);
        QCOMPARE(h.store.personendat, QStringLiteral("personen4.dat"));
        QCOMPARE(h.roster.personen[0].name, QStringLiteral("Mustermann")); // empty slot 4
        ticked = {};
        ticked[0] = true;
        h.store.ChangeTheLager(ticked);
        QCOMPARE(h.roster.personen[0].name, QStringLiteral("Zweite"));
        QCOMPARE(h.roster.personen[1].name, QStringLiteral("Mustermann"));
        QVERIFY(h.noLockFiles());
    }

    void lockHeldByAnotherCopy()
    {
        Harness h;
        h.persons.SelectRow(0);
        QFile lock(h.store.personLockFile());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        h.lockAnswer = TLockAnswer::Cancel;
        h.persons.DelPersonBtnClick(); // refused: no question about deleting
        QCOMPARE(h.lockQuestions, 1);
        QVERIFY(QFile::exists(h.store.personLockFile()));
        QCOMPARE(h.roster.personen.Count(), 1);
        // "Nach unten" on the last row does nothing, not even ask.
        h.duties.SelectRow(0);
        h.duties.DienstnachUntenBtnClick();
        QCOMPARE(h.lockQuestions, 1);
    }

    void dutyMoveRefusedByPersonLock()
    {
        // A duty move renumbers entries, so it needs the person lock after the duty lock.
        // When another copy holds the person lock, the duty lock is given back and nothing
        // changes, in memory or on disk.
        Harness h;
        TDienst* f = h.roster.dienste.Add();
        f->name = QStringLiteral("Frühdienst");
        f->kuerzel = QStringLiteral("F");
        TEintrag* e = h.roster.personen[0].eintraege.Add();
        e->datum = EncodeDate(2024, 3, 4);
        e->dienst = 2;
        QVERIFY(h.store.canwritenowdienste() && h.store.canwritenowpersonen());
        QVERIFY(h.store.saveDienste() && h.store.savePersons());
        h.store.EndWriteMowpersonen();
        h.store.EndWriteMowdienste();
        h.duties.ListDienste();
        const QByteArray dutyBytes = h.fileBytes(h.store.dutyFile());
        const QByteArray personBytes = h.fileBytes(h.store.personFile());

        QFile lock(h.store.personLockFile());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        h.lockAnswer = TLockAnswer::Cancel;
        h.duties.SelectRow(0);
        h.duties.DienstnachUntenBtnClick();
        QCOMPARE(h.lockQuestions, 1); // the person lock was asked for
        QCOMPARE(h.roster.dienste[0].kuerzel, QStringLiteral("U"));
        QCOMPARE(h.roster.dienste[1].kuerzel, QStringLiteral("F"));
        QCOMPARE(h.roster.personen[0].eintraege[0].dienst, 2);
        QCOMPARE(h.duties.ListView2->topLevelItem(0)->text(1), QStringLiteral("U"));
        QVERIFY(!QFile::exists(h.store.dutyLockFile())); // given back
        QVERIFY(QFile::exists(h.store.personLockFile())); // the other copy's, untouched
        QCOMPARE(h.fileBytes(h.store.dutyFile()), dutyBytes);
        QCOMPARE(h.fileBytes(h.store.personFile()), personBytes);

        // Once the other copy is done, the same move goes through and writes both files.
        QVERIFY(QFile::remove(h.store.personLockFile()));
        h.duties.SelectRow(0);
        h.duties.DienstnachUntenBtnClick();
        QCOMPARE(h.roster.dienste[0].kuerzel, QStringLiteral("F"));
        QCOMPARE(h.roster.personen[0].eintraege[0].dienst, 1);
        QVERIFY(h.fileBytes(h.store.dutyFile()) != dutyBytes);
        QVERIFY(h.fileBytes(h.store.personFile()) != personBytes);
        QVERIFY(h.noLockFiles());
    }

    void movesAndSortsLeaveThePersonFileAlone()
    {
        // Order changes live in memory until the next save; the file and its time stay.
        Harness h;
        for (const char* n : {"Berta", "Anton"})
            h.roster.AddPerson()->name = QLatin1String(n);
        QVERIFY(h.store.canwritenowpersonen());
        QVERIFY(h.store.savePersons());
        h.store.EndWriteMowpersonen();
        const QByteArray before = h.fileBytes(h.store.personFile());
        const QDateTime time = QFileInfo(h.store.personFile()).lastModified();
        h.persons.ListPersons();

        h.persons.SelectRow(2);
        h.persons.NachObenBtnClick();
        h.persons.NachUntenBtnClick();
        h.persons.NachObenBtnClick();
        QCOMPARE(h.roster.personen[1].name, QStringLiteral("Anton"));
        h.persons.ListView1ColumnClick(0); // by name, ascending
        QCOMPARE(h.roster.personen[0].name, QStringLiteral("Anton"));
        h.persons.ListView1ColumnClick(0); // descending
        QCOMPARE(h.roster.personen[0].name, QStringLiteral("Mustermann"));
        h.persons.ListView1ColumnClick(1);

        QCOMPARE(h.fileBytes(h.store.personFile()), before);
        QCOMPARE(QFileInfo(h.store.personFile()).lastModified(), time);
        QCOMPARE(h.personNamesOnDisk(),
            (QStringList{QStringLiteral("Mustermann"), QStringLiteral("Berta"), QStringLiteral("Anton")}));
        QCOMPARE(h.lockQuestions, 0);
        QVERIFY(h.noLockFiles());
    }

    void addMoveDeleteDuty()
    {
        Harness h;
        for (const char* k : {"F", "N"}) {
            whenModal([k](QWidget* w) {
                auto* form = qobject_cast<TDienstForm*>(w);
                QVERIFY(form);
                form->Edit1->setText(QStringLiteral("Dienst ") + QLatin1String(k));
                QVERIFY(!form->BitBtn1->isEnabled()); // abbreviation still missing
                QTest::keyClicks(form->Edit2, QLatin1String(k) + QStringLiteral("1234567"));
                QCOMPARE(form->Edit2->text().size(), 6);
                form->Edit2->setText(QLatin1String(k));
                form->StundeEd->setValue(8);
                form->BitBtn1->click();
            });
            h.duties.AddDienstBtnClick();
        }
        QCOMPARE(h.dutiesOnDisk().dienste.Count(), 3);

        // Entries for F (2) and N (3).
        TPerson& p = h.roster.personen[0];
        for (int day : {1, 2}) {
            TEintrag* e = p.eintraege.Add();
            e->datum = EncodeDate(2024, 3, day);
            e->dienst = day + 1;
        }
        QVERIFY(h.store.canwritenowpersonen());
        QVERIFY(h.store.savePersons());
        h.store.EndWriteMowpersonen();

        // N up: U, N, F; both files are written together.
        h.duties.SelectRow(2);
        h.duties.DienstNachObenBtnClick();
        QCOMPARE(h.duties.SelectedRow(), 1);
        TDutyFileContent onDisk = h.dutiesOnDisk();
        QCOMPARE(onDisk.dienste[1].kuerzel, QStringLiteral("N"));
        {
            QFile f(h.store.personFile());
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            TPersonFileContent content(h.roster.settings);
            QCOMPARE(ParsePersonFile(bytes.constData(), bytes.size(), content), TReadResult::Ok);
            QCOMPARE(content.personen[0].eintraege[0].dienst, 3); // F is now number 3
            QCOMPARE(content.personen[0].eintraege[1].dienst, 2); // N is now number 2
        }

        // Delete F (now row 2): its entry goes, the others keep their duty.
        h.duties.SelectRow(2);
        whenModal([](QWidget* w) { clickButton(w, QMessageBox::Yes); });
        h.duties.DelDienstBtnClick();
        QCOMPARE(h.dutiesOnDisk().dienste.Count(), 2);
        QCOMPARE(p.eintraege.Count(), 1);
        QCOMPARE(h.roster.DienstOf(p.eintraege[0])->kuerzel, QStringLiteral("N"));
        QVERIFY(h.noLockFiles());
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestStaffPages, QApplication)
#include "tst_staffpages.moc"
