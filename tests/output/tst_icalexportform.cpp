// "Kalenderdatei exportieren" offscreen: the choices reach the files, the export runs
// under the person lock and not at all when the lock is refused, errors reach the user,
// and the dialog is translated like every other window.
#include "core/roster.h"
#include "i18n/translate.h"
#include "i18n/ui/translateapp.h"
#include "output/icalexportform.h"
#include "storage/datastore.h"
#include "testsupport.h"
#include "widgettestsupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {

class FakeUi : public TStoreUi {
public:
    QList<TLockAnswer> answers;
    int asked = 0;
    QStringList errors;
    TLockAnswer AskLockMessage(const QString&) override
    {
        ++asked;
        return answers.isEmpty() ? TLockAnswer::Cancel : answers.takeFirst();
    }
    void ShowError(const QString& text) override { errors << text; }
    void ListPersons() override {}
    void ListDienste() override {}
    void LanguageRead(int) override {}
};

struct Fixture {
    QTemporaryDir dir;
    TRoster roster;
    FakeUi ui;
    TDataStore store{roster, ui};
    TICalExportForm form;
    QStringList asked; // "all:<suggested>" or "one:<suggested>"
    QStringList told; // what the user was told after a successful export
    QString target;

    Fixture()
    {
        store.progpath = dir.path() + QLatin1Char('/');
        roster.personen.Clear();
        roster.dienste.Clear();
        TDienst* d = roster.dienste.Add();
        d->name = QString::fromUtf8("Frühdienst");
        d->kuerzel = QStringLiteral("F");
        for (const char* name : {"Anna", "Bernd"}) {
            TPerson* p = roster.AddPerson();
            p->name = QLatin1String(name);
            for (int day = 1; day <= 3; ++day) {
                TEintrag* e = p->eintraege.Add();
                e->datum = EncodeDate(2024, 3, day);
                e->dienst = 1;
            }
        }
        form.askTarget = [this](bool all, const QString& suggested) {
            asked << (all ? QStringLiteral("all:") : QStringLiteral("one:")) + suggested;
            return target;
        };
        form.tellDone = [this](const QString& text) { told << text; };
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    bool locked() const { return QFile::exists(store.personLockFile()); }

    // Opens the dialog for March 2024, picks `row` and the range, presses OK or cancels.
    void run(int row, int fromMonth, int toMonth, bool ok = true)
    {
        whenModal([=, this](QWidget* w) {
            QCOMPARE(w, &form);
            form.MitarbeiterCombo->setCurrentIndex(row);
            form.VonMonEd->setValue(fromMonth);
            form.BisMonEd->setValue(toMonth);
            QCOMPARE(form.BitBtn1->isEnabled(), fromMonth <= toMonth);
            if (ok && form.BitBtn1->isEnabled())
                form.BitBtn1->click();
            else
                form.BitBtn2->click();
        });
        form.Execute(store, 2024, 3);
    }
};

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestICalExportForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        InitTranslations(QString());
        SetCurrentLanguage(0);
    }

    void choicesReachTheFiles()
    {
        Fixture t;
        QCOMPARE(t.form.MitarbeiterCombo->count(), 1);
        t.target = t.path(QStringLiteral("bernd.ics"));
        t.run(2, 3, 4);
        QCOMPARE(t.form.MitarbeiterCombo->count(), 3);
        QCOMPARE(t.asked, QStringList{QStringLiteral("one:Bernd.ics")});
        QVERIFY(t.ui.errors.isEmpty());
        QVERIFY(!t.locked());
        const QByteArray bernd = contents(t.target);
        QCOMPARE(bernd.count("BEGIN:VEVENT"), 3);
        QVERIFY(bernd.contains("X-WR-CALNAME:Bernd\r\n"));
        QCOMPARE(t.told, QStringList{QStringLiteral("Geschriebene Kalenderdateien: 1\n") + t.target});

        // All employees into a folder; the dialog kept the last choices of the range.
        t.target = t.path(QStringLiteral("alle"));
        t.run(0, 3, 3);
        QCOMPARE(t.asked.last(), QStringLiteral("all:"));
        QCOMPARE(QDir(t.target).entryList(QDir::Files),
            (QStringList{QStringLiteral("Anna.ics"), QStringLiteral("Bernd.ics")}));
        QCOMPARE(t.told.last(), QStringLiteral("Geschriebene Kalenderdateien: 2\n") + t.target);
        QCOMPARE(t.form.range().fromYear, 2024);

        // A range that ends before it starts cannot be confirmed; cancelling asks nothing.
        t.run(1, 5, 4);
        t.run(1, 3, 3, false);
        QCOMPARE(t.asked.size(), 2);
    }

    void lockAndErrors()
    {
        Fixture t;
        t.target = t.path(QStringLiteral("anna.ics"));
        // Another copy holds the person lock: Cancel leaves everything alone.
        QFile lock(t.store.personLockFile());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        t.run(1, 3, 3);
        QCOMPARE(t.ui.asked, 1);
        QVERIFY(!QFile::exists(t.target));
        QVERIFY(t.locked());
        // No overrides it: the export runs and the lock is released.
        t.ui.answers << TLockAnswer::No;
        t.run(1, 3, 3);
        QVERIFY(QFile::exists(t.target));
        QVERIFY(!t.locked());

        // A target that cannot be written: the error names it, the lock is released.
        t.target = t.dir.path();
        t.run(1, 3, 3);
        QCOMPARE(t.ui.errors.size(), 1);
        QVERIFY(t.ui.errors[0].contains(QDir::toNativeSeparators(t.dir.path())));
        QVERIFY(!t.locked());

        // The chosen person disappeared while the dialogs were open (the poll reloaded).
        t.target = t.path(QStringLiteral("x.ics"));
        t.form.askTarget = [&](bool, const QString&) {
            t.roster.personen.Delete(0);
            return t.target;
        };
        t.run(1, 3, 3);
        QCOMPARE(t.ui.errors.size(), 2);
        QVERIFY(!QFile::exists(t.target));
    }

    void translatedLikeEveryWindow()
    {
        const QList<QPair<QString, QString>> pairs{
            {QStringLiteral("Kalenderdatei exportieren"), QStringLiteral("Export calendar file")},
            {QStringLiteral("Alle Mitarbeiter"), QStringLiteral("All employees")},
            {QStringLiteral("Von Monat:"), QStringLiteral("From month:")},
            {QStringLiteral("Überstunden"), QStringLiteral("Extra hours")},
        };
        for (const auto& p : pairs)
            TranslateText(p.first);
        for (int r = 0; r < TranslationRowCount(); ++r)
            for (const auto& p : pairs)
                if (TranslationCell(r, 0) == p.first)
                    SetTranslationCell(r, 1, p.second);
        SetCurrentLanguage(1);

        Fixture t;
        TranslateApplication(QList<QObject*>{&t.form});
        QCOMPARE(t.form.windowTitle(), QStringLiteral("Export calendar file"));
        QCOMPARE(t.form.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("From month:"));
        TEintrag* extra = t.roster.personen[0].eintraege.Add();
        extra->datum = EncodeDate(2024, 3, 4);
        extra->dienst = 1;
        extra->ueberstunden = 1.5;
        t.target = t.path(QStringLiteral("anna.ics"));
        t.run(1, 3, 3);
        // The list is filled anew for every export; its first item keeps its translation.
        QCOMPARE(t.form.MitarbeiterCombo->itemText(0), QStringLiteral("All employees"));
        QVERIFY(contents(t.target).contains("DESCRIPTION:Extra hours: 1\\,5\r\n"));
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestICalExportForm, QApplication)
#include "tst_icalexportform.moc"
