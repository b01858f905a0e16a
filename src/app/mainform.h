#pragma once
// The main window: eight pages, bottom bar, menus, status bar and the poll timer. It owns
// the roster for the whole run; the pages show and edit it.

#include "core/roster.h"
#include "core/version.h"
#include "storage/datastore.h"
#include "storage/undomanager.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;
class TAboutBox;
class TDatenbankPage;
class TDienstForm;
class TDiensteOvertakeForm;
class TEinstellungenPage;
class TFormStorage;
class TICalExportForm;
class TOverHoursForm;
class TDienstePage;
class TJahresansichtPage;
class TMonatsplanerPage;
class TPersonForm;
class TPersonenPage;
class TPrinterSource;
class TProgressPanel;
class TSetSollStdForm;
class TStatistikPage;
class TTagesanwesenheitPage;
class TTranslateForm;

class TMainForm : public QMainWindow, public TStoreUi {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The dialogs, in this order. The program makes them once the main window has painted
    // (they are not needed for it to show); a command that opens one makes them sooner.
    // Later calls do nothing.
    void CreateDialogs();

    void SetProStatus(int pro);
    bool IsFeiertag(int jahr, int monat, int tag) const;

    static QString ApplicationTitle() { return QStringLiteral("Rostelmark " ROSTELMARK_VERSION); }
    static QString MainCaption() { return QStringLiteral("Quorvex Rostelmark " ROSTELMARK_VERSION); }

    TRoster roster;
    TDataStore store{roster, *this};
    // Undo history of the roster's changes made in this copy.
    TUndoManager undo{roster, store};

    // window state
    QRect sbrect;
    int StatusPosition = 0;
    int languagesetto = 0;
    bool notthefirst = false;
    bool dontchlang = false;

    // frame
    QTabWidget* PageControl1 = nullptr;
    TPersonenPage* PersonenSheet = nullptr;
    TDienstePage* DiensteSheet = nullptr;
    TMonatsplanerPage* MonatsplanerSheet = nullptr;
    TTagesanwesenheitPage* TagesanwesenheitSheet = nullptr;
    TEinstellungenPage* EinstellungenSheet = nullptr;
    TStatistikPage* StatistikSheet = nullptr;
    TDatenbankPage* DatenbankSheet = nullptr;
    TJahresansichtPage* JahresansichtSheet = nullptr;
    // The printer the day and year views preview and print on.
    TPrinterSource* PrinterSource = nullptr;

    QToolButton* wwwBtn = nullptr;
    QPushButton* SpracheBtn = nullptr;
    QPushButton* AboutBtn = nullptr;
    QPushButton* EndeBtn = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Deutsch1 = nullptr;
    QAction* English1 = nullptr;
    QAction* bersetzen1 = nullptr;

    QMenu* Bearbeiten1 = nullptr;
    QMenu* Monatsplan1 = nullptr;
    QAction* ExportalsPDFDatei1 = nullptr;
    QAction* CSVExport1 = nullptr;
    QAction* Kalenderdateiexportieren1 = nullptr;
    QAction* VomletzenMonatbernehmen1 = nullptr;
    QAction* BesetzungundRegeln1 = nullptr; // "Besetzung und Regeln..."
    QAction* MusterAnwenden1 = nullptr; // "Muster anwenden..."
    QAction* PlanVorschlagen1 = nullptr;
    QAction* PlanPruefen1 = nullptr; // "Plan prüfen"
    QAction* Rueckgaengig1 = nullptr;
    QAction* Wiederherstellen1 = nullptr;
    QMenu* Rostelmark1 = nullptr;
    QAction* PrintPageAction = nullptr; // Ctrl+P
    QAction* QuitAction = nullptr; // Ctrl+Q
    std::array<QAction*, 10> LagerItems{}; // Rostelmark11 … Rostelmark17, Rostelmark71 … 73

    QLabel* StatusPanel0 = nullptr;
    TProgressPanel* StatusPanel1 = nullptr;
    QTimer* Timer1 = nullptr;

    // dialogs
    TPersonForm* PersonForm = nullptr;
    TDienstForm* DienstForm = nullptr;
    TTranslateForm* TranslateForm = nullptr;
    TAboutBox* AboutBox = nullptr;
    TSetSollStdForm* SetSollStdForm = nullptr;
    TOverHoursForm* OverHoursForm = nullptr;
    TDiensteOvertakeForm* DiensteOvertakeForm = nullptr;
    TICalExportForm* ICalExportForm = nullptr;

    // handlers
    void AboutBtnClick();
    void EndeBtnClick();
    void wwwBtnClick();
    void SpracheBtnClick();
    void Deutsch1Click();
    void English1Click();
    void bersetzen1Click();
    void LagerItemClick(int slot);
    void Timer1Timer();
    void FeiertageListClick();
    void TesselColorComboBoxChange(int which);
    void FontBtnClick(int which);
    void CSVExport1Click();
    void ExportalsPDFDatei1Click();
    void VomletzenMonatbernehmen1Click();
    // Planning rules: the rules dialog under the rules file's lock (one undo step), the
    // pattern dialog and the check list of the planner page.
    void BesetzungundRegeln1Click();
    void MusterAnwenden1Click();
    void PlanPruefen1Click();
    void PlanVorschlagen1Click();
    void Kalenderdateiexportieren1Click();
    void Rueckgaengig1Click();
    void Wiederherstellen1Click();
    // Texts and states of the two undo items after every change of the history.
    void UpdateUndoItems();
    // F10: the first menu of the menu bar opens.
    void OpenMenuBar();
    // Ctrl+P: "Drucken..." of the visible page, when it has one.
    void PrintCurrentPage();
    // Access keys of menus, the bottom bar, every page and every dialog (after the
    // windows were translated).
    void AssignAccessKeys();
    // Wheel over the month planner: its scroll box moves by 20 pixels per step.
    void FormMouseWheelDown();
    void FormMouseWheelUp();

    // Employee selectors of the month planner and the year view.
    void ListPersons2();
    void ListPersons3();
    // Repaints the month grid, the day and the year view (after reloads and setting
    // changes). While the window is being built nothing is drawn: its first showing
    // draws the grid and the view that shows; a view left out is drawn when its page is
    // chosen.
    void RepaintViews();

    // TStoreUi
    TLockAnswer AskLockMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    void ListPersons() override;
    void ListDienste() override;
    void LanguageRead(int index) override;
    void PollStatus(const QString& text) override;

    // The 21 control properties kept in the per-user settings store.
    static QStringList StoredProperties();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    std::array<bool, kLagerCount> tickedLagerItems() const;
    void chooseLanguage(int index);
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void buildPages();
    void buildBottomBar(QWidget* central);
    void buildMenus();
    void buildStatusBar();
    // No stored placement: open large enough for the month page at 100 % where the
    // screen allows, centred.
    void FirstStartPlacement();
    void connectUndo();
    // A display switch or heading of the settings page changed (only repaints; recorded
    // for undo when the data files hold it).
    void DisplaySettingsChanged();
    // Draws the preview of `page` (month grid, day or year view) if it was left out.
    void paintLeftOut(QWidget* page);
    bool building = true; // in the constructor: previews are left out, not drawn
    bool painted = false; // the window has painted once since its first showing
    std::array<bool, 3> leftOut{}; // month grid, day view, year view
    std::unique_ptr<TFormStorage> formStorage;
    bool destroyed = false;
    bool firstStart = false; // no stored placement: FirstStartPlacement at the first showing
};
