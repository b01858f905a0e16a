#include "app/aboutbox.h"
#include "app/datenbankpage.h"
#include "app/einstellungenpage.h"
#include "app/formstorage.h"
#include "app/mainform.h"
#include "core/statusprogress.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "output/printersource.h"
#include "planner/monatsplanerpage.h"
#include "planner/monthpreview.h"
#include "staff/personenpage.h"
#include "staff/personform.h"
#include "storage/rosterfiles.h"
#include "testsupport.h"
#include "widgets/accesskeys.h"
#include "widgets/progresspanel.h"
#include "widgettestsupport.h"

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
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>

namespace {

// The next main window keeps its data files in `folder` (as the settings store would
// after the user chose "special folder" on the data folder page).
void useDataFolder(const QString& folder)
{
    QSettings ini(TFormStorage::FileName(), QSettings::IniFormat);
    ini.setValue(QStringLiteral("MainForm/UseSpecialFolderCheck.Checked"), true);
    ini.setValue(QStringLiteral("MainForm/DirectoryEdit1.Text"), folder);
}

// Texts of the Yes, No and Cancel buttons of a newly made question box.
QStringList questionButtons()
{
    QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return {box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text(),
        box.button(QMessageBox::Cancel)->text()};
}
} // namespace

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
                QString::fromUtf8("Dienste vom vorherigen Monat übernehmen"),
                QStringLiteral("Kalenderdatei exportieren")}));
        QCOMPARE(form.AboutBox->Copyright->text(), QString::fromUtf8("Copyright © 2024 Quorvex"));
        // The about box names the same version as the window title.
        QCOMPARE(form.AboutBox->ProductName->text(), QStringLiteral("Rostelmark 1.4"));
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
        TProgressEvent fifty(50); // sendEvent does not take ownership
        QCoreApplication::sendEvent(&form, &fifty);
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

    // The program makes the dialogs once the window has painted; in English they come
    // translated like the windows were, and a second call makes nothing new.
    void dialogsFollowTheFirstPaint()
    {
        TMainForm form;
        TranslateText(QStringLiteral("Person bearbeiten"));
        for (int row = 0; row < TranslationRowCount(); ++row)
            if (TranslationCell(row, 0) == QStringLiteral("Person bearbeiten"))
                SetTranslationCell(row, 1, QStringLiteral("Edit person"));
        form.LanguageRead(1);
        QVERIFY(!form.PersonForm);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.PersonForm);
        QCOMPARE(form.PersonForm->windowTitle(), QStringLiteral("Edit person"));
        const QList<QDialog*> dialogs = form.findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        form.CreateDialogs();
        QCOMPARE(form.findChildren<QDialog*>(Qt::FindDirectChildrenOnly), dialogs);
        SetCurrentLanguage(0);
    }

    // The views are drawn for the page the printer had at the last run; the printer is
    // made after the first paint, and a page that changed meanwhile repaints them. What
    // the next run remembers is the page of the fresh printer.
    void printerComesAfterTheFirstPaint()
    {
        const TPrintablePage remembered{1000, 700, 100};
        TFormStorage::SavePrinterPage(remembered);
        TMainForm form;
        TMonatsplanerPage* planner = form.MonatsplanerSheet;
        auto preview = [planner](const TPrintablePage& page) {
            return PreviewSize(page, planner->ScreenDpi(), planner->ZoomEd->value());
        };
        QVERIFY(!form.PrinterSource->HasPrinter());
        QCOMPARE(form.PrinterSource->Page(), remembered);
        QCOMPARE(planner->PaintBox1->size(), preview(remembered));

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.PrinterSource->HasPrinter());
        const TPrintablePage fresh = *form.PrinterSource->FreshPage();
        QVERIFY(fresh != remembered);
        QCOMPARE(form.PrinterSource->Page(), fresh);
        QTRY_COMPARE(planner->PaintBox1->size(), preview(fresh));
        form.close();
        QCOMPARE(TFormStorage::RestorePrinterPage(), std::optional(fresh));
    }

    void storedPrinterPage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("taken");
        QTest::newRow("page") << QStringLiteral("7017,4958,600") << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("two numbers") << QStringLiteral("7017,4958") << false;
        QTest::newRow("words") << QStringLiteral("a,b,c") << false;
        QTest::newRow("no width") << QStringLiteral("0,4958,600") << false;
        QTest::newRow("no resolution") << QStringLiteral("7017,4958,0") << false;
        QTest::newRow("longer than 10 m") << QStringLiteral("99999999,10,600") << false;
        QTest::newRow("negative") << QStringLiteral("-5,4958,600") << false;
    }
    void storedPrinterPage()
    {
        QFETCH(QString, stored);
        QFETCH(bool, taken);
        QSettings(TFormStorage::FileName(), QSettings::IniFormat).setValue(QStringLiteral("Printer/Page"), stored);
        QCOMPARE(TFormStorage::RestorePrinterPage().has_value(), taken);
    }

    void accessKeyChoice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("keyed");
        QTest::addColumn<QString>("shown"); // the caption as the user reads it
        QTest::newRow("first letter") << QStringLiteral("Drucken...") << QString() << QStringLiteral("&Drucken...")
                                      << QStringLiteral("Drucken...");
        QTest::newRow("next word") << QStringLiteral("Dienst zuweisen") << QStringLiteral("d")
                                   << QStringLiteral("Dienst &zuweisen") << QStringLiteral("Dienst zuweisen");
        QTest::newRow("umlaut") << QString::fromUtf8("Über...") << QString() << QString::fromUtf8("&Über...")
                                << QString::fromUtf8("Über...");
        QTest::newRow("key set by hand kept") << QStringLiteral("Be&enden") << QStringLiteral("b")
                                              << QStringLiteral("Be&enden") << QStringLiteral("Beenden");
        QTest::newRow("literal ampersand")
            << QStringLiteral("A & B") << QStringLiteral("a") << QStringLiteral("A && &B") << QStringLiteral("A & B");
    }
    void accessKeyChoice()
    {
        QFETCH(QString, text);
        QFETCH(QString, taken);
        QFETCH(QString, keyed);
        QFETCH(QString, shown);
        QSet<QChar> used;
        for (QChar c : taken)
            used.insert(c);
        QCOMPARE(WithAccessKey(text, used), keyed);
        QCOMPARE(WithoutAccessKey(keyed), shown);
    }

    // Every menu item and every button has a key, unique among what is seen at once: a
    // page with the bottom bar and the menu titles, a menu, a dialog.
    void accessKeysAreUniqueWhereTheyAreSeen()
    {
        TMainForm form;
        form.CreateDialogs();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto keyOf = [](const QString& text) {
            const qsizetype at = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
            return at < 0 ? QChar() : text[at + 1].toLower();
        };
        const auto checkUnique = [&](const QStringList& texts, const QString& where) {
            QSet<QChar> keys;
            for (const QString& t : texts) {
                if (!t.contains(QRegularExpression(QStringLiteral("\\w"))))
                    continue; // "..." has no letter to give
                const QChar k = keyOf(t);
                QVERIFY2(!k.isNull(), qPrintable(where + QStringLiteral(": ") + t));
                QVERIFY2(!keys.contains(k), qPrintable(where + QStringLiteral(": ") + t));
                keys.insert(k);
            }
        };
        QStringList titles;
        for (QAction* a : form.menuBar()->actions()) {
            titles << a->text();
            QStringList items;
            for (QAction* item : a->menu()->actions())
                if (!item->isSeparator())
                    items << item->text();
            checkUnique(items, a->text());
        }
        QCOMPARE(WithoutAccessKey(titles.value(0)), QStringLiteral("Bearbeiten"));
        QCOMPARE(WithoutAccessKey(titles.value(1)), QStringLiteral("Monatsplan"));
        QCOMPARE(form.Rueckgaengig1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QVERIFY(form.Bearbeiten1->actions().contains(form.Wiederherstellen1));
        const auto buttons = [](QWidget* root) {
            QStringList texts;
            for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
                if (!b->objectName().isEmpty() && !b->objectName().startsWith(QLatin1String("qt_"))
                    && !b->text().isEmpty() && (qobject_cast<QPushButton*>(b) || qobject_cast<QToolButton*>(b))
                    && b->window() == root->window())
                    texts << b->text();
            return texts;
        };
        const QStringList bottom = buttons(form.findChild<QWidget*>(QStringLiteral("BottomPanel")));
        QCOMPARE(bottom.size(), 4);
        for (int i = 0; i < form.PageControl1->count(); ++i)
            checkUnique(titles + bottom + buttons(form.PageControl1->widget(i)), form.PageControl1->tabText(i));
        for (QDialog* d : form.findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
            checkUnique(buttons(d), d->windowTitle());
    }

    void keysOfADesktopProgram()
    {
        TMainForm form;
        form.CreateDialogs();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(form.PrintPageAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        // F10 opens the first menu of the menu bar.
        QTest::keyClick(&form, Qt::Key_F10);
        QTRY_VERIFY(form.Bearbeiten1->isVisible());
        form.Bearbeiten1->hide();
        // Ctrl+Q ends the program as "Beenden" does: the placement is stored.
        QVERIFY(!QFile::exists(TFormStorage::FileName()));
        QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!form.isVisible());
        QVERIFY(QFile::exists(TFormStorage::FileName()));
    }

    void firstStartOpensLargeAndCentred()
    {
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        QSize firstSize, stored;
        {
            TMainForm form; // no stored placement
            form.CreateDialogs();
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            // Centred where it fits (the test screen may be smaller than the window's minimum).
            if (form.width() <= avail.width())
                QVERIFY(qAbs(form.geometry().center().x() - avail.center().x()) <= 1);
            if (form.height() <= avail.height())
                QVERIFY(qAbs(form.geometry().center().y() - avail.center().y()) <= 1);
            QScrollArea* box = form.MonatsplanerSheet->ScrollBox1;
            const QSize page = form.MonatsplanerSheet->PaintBox1->size();
            // The whole page where the screen has room, else as much as the screen allows.
            QVERIFY(box->viewport()->width() >= page.width() || form.width() >= avail.width() - 16);
            QVERIFY(box->viewport()->height() >= page.height() || form.height() >= avail.height() - 40);
            QVERIFY(form.width() >= 937);
            firstSize = form.size();
            form.resize(form.minimumSizeHint().width() + 7, 500);
            form.move(avail.topLeft() + QPoint(10, 10));
            stored = form.size();
            form.close();
        }
        TMainForm again; // the stored placement wins
        QCOMPARE(again.size(), stored);
        QVERIFY(firstSize != again.size());
    }

    void settingsStoreRoundTrip()
    {
        QTemporaryDir special;
        const QString folder = special.path();
        QString perUserFolder;
        {
            TMainForm form;
            form.CreateDialogs();
            form.PersonForm->Edit3->setText(QStringLiteral("P-17")); // the dialog's own Edit3
            perUserFolder = form.DatenbankSheet->Edit3->text();
            form.EinstellungenSheet->RandBreitEd->setValue(17.5);
            form.EinstellungenSheet->StundenSumCheck->setChecked(true);
            form.EinstellungenSheet->PrintActualDateCheck->setChecked(false);
            form.DatenbankSheet->UseSpecialFolderCheck->setChecked(true);
            form.DatenbankSheet->DirectoryEdit1->setText(folder);
            form.LagerItems[8]->setChecked(true);
            form.close();
        }
        {
            QSettings ini(TFormStorage::FileName(), QSettings::IniFormat);
            for (const QString& property : TMainForm::StoredProperties())
                QVERIFY2(ini.contains(QStringLiteral("MainForm/") + property), qPrintable(property));
            QCOMPARE(ini.value(QStringLiteral("MainForm/Edit3.Text")).toString(), perUserFolder);
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

    void settingsStoreKeepsToTheMainWindow()
    {
        // A dialog owned by the window, made before the window's own control of the same
        // name, and a menu item in a pop-up menu of the window.
        QWidget form;
        auto* dialog = new QDialog(&form);
        auto* foreign = new QLineEdit(QStringLiteral("dialog"), dialog);
        foreign->setObjectName(QStringLiteral("Edit3"));
        auto* page = new QWidget(new QWidget(&form));
        auto* own = new QLineEdit(QStringLiteral("own"), page);
        own->setObjectName(QStringLiteral("Edit3"));
        QAction* item = (new QMenu(&form))->addAction(QStringLiteral("Rostelmark 2"));
        item->setObjectName(QStringLiteral("Rostelmark12"));
        item->setCheckable(true);
        item->setChecked(true);

        TFormStorage storage(&form, {QStringLiteral("Edit3.Text"), QStringLiteral("Rostelmark12.Checked")});
        storage.SaveFormPlacement();
        {
            QSettings ini(TFormStorage::FileName(), QSettings::IniFormat);
            QCOMPARE(ini.value(QStringLiteral("MainForm/Edit3.Text")).toString(), QStringLiteral("own"));
            QVERIFY(ini.value(QStringLiteral("MainForm/Rostelmark12.Checked")).toBool());
            ini.setValue(QStringLiteral("MainForm/Edit3.Text"), QStringLiteral("restored"));
            ini.setValue(QStringLiteral("MainForm/Rostelmark12.Checked"), false);
        }
        storage.RestoreFormPlacement();
        QCOMPARE(own->text(), QStringLiteral("restored"));
        QCOMPARE(foreign->text(), QStringLiteral("dialog"));
        QVERIFY(!item->isChecked());
    }

    void toolkitTextsFollowTheLanguage()
    {
        QTemporaryDir data;
        useDataFolder(data.path());
        const QStringList german{QStringLiteral("&Ja"), QStringLiteral("&Nein"), QStringLiteral("Abbrechen")};
        const QStringList english{QStringLiteral("&Yes"), QStringLiteral("&No"), QStringLiteral("Cancel")};
        TMainForm form; // no person file: German
        QCOMPARE(questionButtons(), german);

        // The lock question as the user sees it.
        QStringList lockButtons;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            for (auto which : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                lockButtons << box->button(which)->text();
            const QString shots = qEnvironmentVariable("ROSTELMARK_SHOT_DIR");
            if (!shots.isEmpty())
                box->grab().save(shots + QStringLiteral("/question_de.png"));
            box->button(QMessageBox::Cancel)->click();
        });
        QCOMPARE(form.AskLockMessage(GetMessageText(30)), TLockAnswer::Cancel);
        QCOMPARE(lockButtons, german);

        form.LanguageRead(1); // a person file holding English
        QCOMPARE(questionButtons(), english);
        form.LanguageRead(0);
        QCOMPARE(questionButtons(), german);

        // A choice in the language menu switches at once; the restart notice shows it.
        QString noticeButton;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            noticeButton = box->button(QMessageBox::Ok)->text();
            box->accept();
        });
        form.English1Click();
        QCOMPARE(noticeButton, QStringLiteral("OK"));
        QCOMPARE(questionButtons(), english);
        whenModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
        form.Deutsch1Click();
        QCOMPARE(questionButtons(), german);
    }

    void languageChoiceIsSaved_data()
    {
        QTest::addColumn<QList<int>>("choices");
        QTest::newRow("English") << QList<int>{1};
        QTest::newRow("English twice") << QList<int>{1, 1};
        QTest::newRow("German at German") << QList<int>{0};
        QTest::newRow("English, then German") << QList<int>{1, 0};
    }

    void languageChoiceIsSaved()
    {
        QFETCH(QList<int>, choices);
        QTemporaryDir data;
        useDataFolder(data.path());
        TMainForm form;
        const QString file = data.path() + QStringLiteral("/personen.dat");
        auto readBack = [&](TPersonFileContent& content) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            QCOMPARE(ParsePersonFile(bytes.constData(), bytes.size(), content), TReadResult::Ok);
        };
        int notices = 0;
        for (int i = 0; i < choices.size(); ++i) {
            const int language = choices[i];
            // An unsaved change in memory: the choice must write the whole file.
            const QString marker = QStringLiteral("Wahl %1").arg(i + 1);
            form.roster.personen[0].name = marker;
            QString noticeText;
            whenModal([&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                QVERIFY(box);
                noticeText = box->text();
                ++notices;
                box->accept();
            });
            (language == 0 ? form.Deutsch1Click() : form.English1Click());
            QCOMPARE(noticeText, GetMessageText(1));
            QVERIFY((language == 0 ? form.Deutsch1 : form.English1)->isChecked());
            TPlanSettings defaults;
            TPersonFileContent content(defaults);
            content.settings.languagesetto = -1;
            readBack(content);
            QVERIFY(content.hasLanguage);
            QCOMPARE(content.settings.languagesetto, language);
            QCOMPARE(content.personen[0].name, marker);
        }
        QCOMPARE(notices, choices.size());
        SetCurrentLanguage(0);
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestMainForm, QApplication)
#include "tst_mainform.moc"
