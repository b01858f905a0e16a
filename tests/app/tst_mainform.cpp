#include "app/aboutbox.h"
#include "app/datenbankpage.h"
#include "app/einstellungenpage.h"
#include "app/formstorage.h"
#include "app/mainform.h"
#include "widgets/progresspanel.h"
#include "core/statusprogress.h"
#include "i18n/translate.h"
#include "staff/personenpage.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

class TestMainForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QFile::remove(TFormStorage::FileName()); }

    void frameHasPagesMenusAndBar()
    {
        TMainForm form;
        form.CreateDialogs();
        QCOMPARE(form.windowTitle(), QStringLiteral("Quorvex Rostelmark 1.4"));
        const QStringList tabs{QStringLiteral("Personen"), QStringLiteral("Dienste"), QStringLiteral("Monatsplaner"),
            QStringLiteral("Tagesanwesenheit"), QStringLiteral("Einstellungen"), QStringLiteral("Dienst-Statistik"),
            QStringLiteral("Datenbank Verzeichnis"), QStringLiteral("Jahresansicht")};
        QCOMPARE(form.PageControl1->count(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(form.PageControl1->tabText(i), tabs[i]);
        QCOMPARE(form.PageControl1->currentIndex(), 2);

        for (const char* name : {"wwwBtn", "SpracheBtn", "AboutBtn", "EndeBtn", "Deutsch1", "English1", "bersetzen1",
                 "ExportalsPDFDatei1", "CSVExport1", "VomletzenMonatbernehmen1", "Rostelmark1", "Rostelmark11",
                 "Rostelmark17", "Rostelmark71", "Rostelmark73", "Timer1", "FeiertageList", "TesselColorComboBox1",
                 "TesselColorComboBox3", "FontBtn", "Font2Btn", "Font3Btn", "RandBreitEd", "CaptionEd", "Capt2Ed",
                 "Edit3", "DirectoryEdit1", "UserFolderCheck", "UseSpecialFolderCheck", "ProgramFolderCheck"}) {
            QVERIFY2(form.findChild<QObject*>(QLatin1String(name)), name);
        }
        QCOMPARE(form.LagerItems[7]->text(), QStringLiteral("Rostelmark 8"));
        QVERIFY(form.LagerItems[0]->isChecked());
        QVERIFY(form.Timer1->isActive());
        QCOMPARE(form.Timer1->interval(), 1000);

        const QList<QAction*> lang = form.PopupMenu1->actions();
        QCOMPARE(lang.size(), 4);
        QCOMPARE(lang[0]->text(), QStringLiteral("Deutsch"));
        QCOMPARE(lang[1]->text(), QStringLiteral("English"));
        QVERIFY(lang[2]->isSeparator());
        QCOMPARE(lang[3]->text(), QString::fromUtf8("Übersetzen..."));

        // Dialogs exist in the documented order with their captions.
        const QList<QDialog*> dialogs = form.findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        QStringList titles;
        for (QDialog* d : dialogs)
            titles << d->windowTitle();
        QCOMPARE(titles,
            (QStringList{QStringLiteral("Person bearbeiten"), QStringLiteral("Dienst bearbeiten"),
                QStringLiteral("Translate"), QStringLiteral("Info"), QStringLiteral("Soll-Stunden festlegen"),
                QString::fromUtf8("Den markierten Einträgen Überstunden zuweisen"),
                QString::fromUtf8("Dienste vom vorherigen Monat übernehmen")}));
        QCOMPARE(form.AboutBox->Copyright->text(), QString::fromUtf8("Copyright © 2024 Quorvex"));
    }

    void settingsPageShowsDefaults()
    {
        TMainForm form;
        TEinstellungenPage* page = form.EinstellungenSheet;
        QCOMPARE(page->FeiertageList->count(), 29);
        QCOMPARE(page->FeiertageList->item(27)->text(), QString::fromUtf8("Nationalfeiertag Österreich"));
        for (int i = 0; i < 29; ++i)
            QCOMPARE(page->FeiertageList->item(i)->checkState() == Qt::Checked, i < 27);
        QCOMPARE(page->RandBreitEd->value(), 10.0);
        QVERIFY(page->LegendeCheck->isChecked());
        QVERIFY(!page->ShowAnwCheck->isChecked());
        QVERIFY(form.IsFeiertag(2024, 12, 25));
        QVERIFY(!form.IsFeiertag(2025, 12, 8));

        // A click in the list reaches the settings the drawing uses.
        page->FeiertageList->item(28)->setCheckState(Qt::Checked);
        QVERIFY(form.roster.settings.FeiertageList[28]);
        QVERIFY(form.IsFeiertag(2025, 12, 8));
        page->ShowAnwCheck->setChecked(true);
        QVERIFY(form.roster.settings.ShowAnwCheck);
    }

    void progressBar()
    {
        QCOMPARE(ProgressBarRect(QRect(0, 0, 50, 18), 50).width(), 25);
        QCOMPARE(ProgressBarRect(QRect(10, 2, 50, 18), 20), QRect(10, 2, 10, 18));
        TMainForm form;
        QCoreApplication::sendEvent(&form, new TProgressEvent(50));
        QCOMPARE(form.StatusPosition, 50);
        QCoreApplication::postEvent(&form, new TProgressEvent(20));
        QCoreApplication::processEvents();
        QCOMPARE(form.StatusPosition, 20);
    }

    void englishStartTranslatesEveryWindow()
    {
        TMainForm form;
        form.CreateDialogs();
        // An English table with one known row; every other text gets registered.
        TranslateText(QStringLiteral("Personen"));
        for (int row = 0; row < TranslationRowCount(); ++row)
            if (TranslationCell(row, 0) == QStringLiteral("Personen"))
                SetTranslationCell(row, 1, QStringLiteral("Persons"));
        form.LanguageRead(1); // as the person file's language section does
        QVERIFY(form.English1->isChecked());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.PageControl1->tabText(0), QStringLiteral("Persons"));
        QStringList german;
        for (int row = 0; row < TranslationRowCount(); ++row)
            german << TranslationCell(row, 0);
        // Captions, hints, list entries, column titles and dialog texts of every window.
        for (const char* text :
            {"Dienste", "Farbe für Feiertage:", "Schriftart Einträge", "Legende einfügen", "Personalnummer", "Kürzel",
                "Leerer Eintrag", "Alle Mitarbeiter", "Beenden", "Vom letzen Monat übernehmen...", "Rostelmark 10",
                "Person bearbeiten", "Ist entlassen", "Abwesend", "Um x Tage verschieben:", "Info",
                "Das neue Verzeichnis wird nach dem Programmneustart aktiviert.", "Mustermann"}) {
            QVERIFY2(german.contains(QString::fromUtf8(text)), text);
        }
        SetCurrentLanguage(0);
    }

    void settingsStoreRoundTrip()
    {
        QTemporaryDir special;
        const QString folder = special.path();
        {
            TMainForm form;
            form.EinstellungenSheet->RandBreitEd->setValue(17.5);
            form.EinstellungenSheet->StundenSumCheck->setChecked(true);
            form.EinstellungenSheet->PrintActualDateCheck->setChecked(false);
            form.DatenbankSheet->UseSpecialFolderCheck->setChecked(true);
            form.DatenbankSheet->DirectoryEdit1->setText(folder);
            form.LagerItems[8]->setChecked(true);
            form.close();
        }
        TMainForm again;
        QCOMPARE(again.EinstellungenSheet->RandBreitEd->value(), 17.5);
        QCOMPARE(again.roster.settings.RandBreitEd, 17.5);
        QVERIFY(again.roster.settings.StundenSumCheck);
        QVERIFY(!again.roster.settings.PrintActualDateCheck);
        QVERIFY(again.DatenbankSheet->UseSpecialFolderCheck->isChecked());
        QVERIFY(!again.DatenbankSheet->UserFolderCheck->isChecked());
        QCOMPARE(again.DatenbankSheet->DirectoryEdit1->text(), folder);
        QCOMPARE(again.store.progpath, folder + QLatin1Char('/'));
        QVERIFY(again.LagerItems[8]->isChecked());
        QVERIFY(!again.LagerItems[0]->isChecked());
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestMainForm, QApplication)
#include "tst_mainform.moc"
