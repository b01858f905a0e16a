#include "app/mainform.h"

#include "app/aboutbox.h"
#include "app/datenbankpage.h"
#include "app/einstellungenpage.h"
#include "app/formstorage.h"
#include "app/toolkitlanguage.h"
#include "calendar/feiertage.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "i18n/ui/translateapp.h"
#include "i18n/ui/translateform.h"
#include "output/icalexportform.h"
#include "output/printersource.h"
#include "output/statistikpage.h"
#include "planner/monatsplanerpage.h"
#include "planner/plannerdialogs.h"
#include "planning/rulesdialog.h"
#include "staff/dienstepage.h"
#include "staff/dienstform.h"
#include "staff/personenpage.h"
#include "staff/personform.h"
#include "views/jahresansichtpage.h"
#include "views/tagesanwesenheitpage.h"
#include "widgets/accesskeys.h"
#include "widgets/progresspanel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <utility>

namespace {
QString u8(const char* s)
{
    return QString::fromUtf8(s);
}

// Menu item names of the ten plan slots, slot 1 first.
const char* const kLagerItemNames[10] = {
    "Rostelmark11",
    "Rostelmark12",
    "Rostelmark13",
    "Rostelmark14",
    "Rostelmark15",
    "Rostelmark16",
    "Rostelmark17",
    "Rostelmark71",
    "Rostelmark72",
    "Rostelmark73",
};
} // namespace

QStringList TMainForm::StoredProperties()
{
    return {
        QStringLiteral("CountNoDienstCheck.Checked"),
        QStringLiteral("Edit3.Text"),
        QStringLiteral("DirectoryEdit1.Text"),
        QStringLiteral("UserFolderCheck.Checked"),
        QStringLiteral("UseSpecialFolderCheck.Checked"),
        QStringLiteral("ProgramFolderCheck.Checked"),
        QStringLiteral("RandBreitEd.Value"),
        QStringLiteral("Rostelmark11.Checked"),
        QStringLiteral("Rostelmark12.Checked"),
        QStringLiteral("Rostelmark13.Checked"),
        QStringLiteral("Rostelmark14.Checked"),
        QStringLiteral("Rostelmark15.Checked"),
        QStringLiteral("Rostelmark16.Checked"),
        QStringLiteral("Rostelmark17.Checked"),
        QStringLiteral("Rostelmark71.Checked"),
        QStringLiteral("Rostelmark72.Checked"),
        QStringLiteral("Rostelmark73.Checked"),
        QStringLiteral("StundenSumCheck.Checked"),
        QStringLiteral("PrintActualDateCheck.Checked"),
        QStringLiteral("ShowKalenderwocheCheck.Checked"),
        QStringLiteral("ShowAbteilungCheck.Checked"),
    };
}

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(MainCaption());
    setWindowIcon(QIcon(RostelmarkPicture(64)));

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1, 1);
    setCentralWidget(central);
    buildPages();
    buildBottomBar(central);
    buildMenus();
    buildStatusBar();
    connectUndo();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);

    // 937 × 521 client area, centred, unless the settings store restores a placement.
    resize(937, 521 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }

    formStorage = std::make_unique<TFormStorage>(this, StoredProperties());
    FormCreate();
    building = false;
    Timer1->start();
}

TMainForm::~TMainForm()
{
    FormDestroy();
}

void TMainForm::buildPages()
{
    PersonenSheet = new TPersonenPage(roster, store, PageControl1);
    PersonenSheet->setObjectName(QStringLiteral("PersonenSheet"));
    DiensteSheet = new TDienstePage(roster, store, PageControl1);
    DiensteSheet->setObjectName(QStringLiteral("DiensteSheet"));
    PrinterSource = new TPrinterSource(this);
    // The views are drawn for the page the printer had at the last run; the printer itself
    // is made once the window has painted.
    PrinterSource->UseRememberedPage(TFormStorage::RestorePrinterPage());
    MonatsplanerSheet = new TMonatsplanerPage(roster, store, *PrinterSource, PageControl1);
    MonatsplanerSheet->setObjectName(QStringLiteral("MonatsplanerSheet"));
    DiensteSheet->setDienstCombo(MonatsplanerSheet->DienstCombo);
    TagesanwesenheitSheet = new TTagesanwesenheitPage(roster, *PrinterSource, PageControl1);
    TagesanwesenheitSheet->setObjectName(QStringLiteral("TagesanwesenheitSheet"));
    EinstellungenSheet = new TEinstellungenPage(roster.settings, PageControl1);
    EinstellungenSheet->setObjectName(QStringLiteral("EinstellungenSheet"));
    StatistikSheet = new TStatistikPage(roster, *PrinterSource, PageControl1);
    StatistikSheet->setObjectName(QStringLiteral("StatistikSheet"));
    StatistikSheet->setPeriodSource([this] {
        return TStatistikPage::Period{MonatsplanerSheet->Mon2Ed->value(), MonatsplanerSheet->Year2Ed->value()};
    });
    DatenbankSheet = new TDatenbankPage(PageControl1);
    DatenbankSheet->setObjectName(QStringLiteral("DatenbankSheet"));
    JahresansichtSheet = new TJahresansichtPage(roster, *PrinterSource, PageControl1);
    JahresansichtSheet->setObjectName(QStringLiteral("JahresansichtSheet"));

    PageControl1->addTab(PersonenSheet, QStringLiteral("Personen"));
    PageControl1->addTab(DiensteSheet, QStringLiteral("Dienste"));
    PageControl1->addTab(MonatsplanerSheet, QStringLiteral("Monatsplaner"));
    PageControl1->addTab(TagesanwesenheitSheet, QStringLiteral("Tagesanwesenheit"));
    PageControl1->addTab(EinstellungenSheet, QStringLiteral("Einstellungen"));
    PageControl1->addTab(StatistikSheet, QStringLiteral("Dienst-Statistik"));
    PageControl1->addTab(DatenbankSheet, QStringLiteral("Datenbank Verzeichnis"));
    PageControl1->addTab(JahresansichtSheet, QStringLiteral("Jahresansicht"));
    PageControl1->setCurrentIndex(2);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { paintLeftOut(PageControl1->currentWidget()); });

    connect(MonatsplanerSheet, &TMonatsplanerPage::monthChanged, this, &TMainForm::ListPersons2);
    connect(JahresansichtSheet, &TJahresansichtPage::yearChanged, this, &TMainForm::ListPersons3);
    connect(PersonenSheet, &TPersonenPage::personsChanged, this, [this] {
        ListPersons2();
        ListPersons3();
    });
    connect(EinstellungenSheet, &TEinstellungenPage::feiertageChanged, this, &TMainForm::FeiertageListClick);
    connect(EinstellungenSheet, &TEinstellungenPage::colorChanged, this, &TMainForm::TesselColorComboBoxChange);
    connect(EinstellungenSheet, &TEinstellungenPage::fontButtonClicked, this, &TMainForm::FontBtnClick);
    // Wheel steps over the grid and over the page around it.
    MonatsplanerSheet->installEventFilter(this);
    MonatsplanerSheet->ScrollBox1->viewport()->installEventFilter(this);
    // Holidays, colours and fonts repaint through their handlers; the other display
    // settings only repaint.
    connect(EinstellungenSheet, &TEinstellungenPage::displayChanged, this, &TMainForm::DisplaySettingsChanged);
}

void TMainForm::buildBottomBar(QWidget* central)
{
    auto* bar = new QWidget(central);
    bar->setObjectName(QStringLiteral("BottomPanel"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    wwwBtn = new QToolButton(bar);
    wwwBtn->setObjectName(QStringLiteral("wwwBtn"));
    wwwBtn->setAutoRaise(true);
    wwwBtn->setText(QStringLiteral("www.quorvex.example"));
    SpracheBtn = new QPushButton(QStringLiteral("Sprache..."), bar);
    SpracheBtn->setObjectName(QStringLiteral("SpracheBtn"));
    AboutBtn = new QPushButton(u8("Über..."), bar);
    AboutBtn->setObjectName(QStringLiteral("AboutBtn"));
    EndeBtn = new QPushButton(QStringLiteral("Beenden"), bar);
    EndeBtn->setObjectName(QStringLiteral("EndeBtn"));
    row->addWidget(wwwBtn);
    row->addStretch();
    row->addWidget(SpracheBtn);
    row->addWidget(AboutBtn);
    row->addWidget(EndeBtn);
    central->layout()->addWidget(bar);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto* languages = new QActionGroup(PopupMenu1);
    // A stored language other than 0 or 1 ticks neither item.
    languages->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    Deutsch1 = PopupMenu1->addAction(QStringLiteral("Deutsch"));
    Deutsch1->setObjectName(QStringLiteral("Deutsch1"));
    English1 = PopupMenu1->addAction(QStringLiteral("English"));
    English1->setObjectName(QStringLiteral("English1"));
    for (QAction* a : {Deutsch1, English1}) {
        a->setCheckable(true);
        languages->addAction(a);
    }
    Deutsch1->setChecked(true);
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N1"));
    bersetzen1 = PopupMenu1->addAction(u8("Übersetzen..."));
    bersetzen1->setObjectName(QStringLiteral("bersetzen1"));

    connect(wwwBtn, &QToolButton::clicked, this, &TMainForm::wwwBtnClick);
    connect(SpracheBtn, &QPushButton::clicked, this, &TMainForm::SpracheBtnClick);
    connect(AboutBtn, &QPushButton::clicked, this, &TMainForm::AboutBtnClick);
    connect(EndeBtn, &QPushButton::clicked, this, &TMainForm::EndeBtnClick);
    connect(Deutsch1, &QAction::triggered, this, &TMainForm::Deutsch1Click);
    connect(English1, &QAction::triggered, this, &TMainForm::English1Click);
    connect(bersetzen1, &QAction::triggered, this, &TMainForm::bersetzen1Click);
}

void TMainForm::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    Monatsplan1 = bar->addMenu(QStringLiteral("Monatsplan"));
    Monatsplan1->setObjectName(QStringLiteral("Monatsplan1"));
    Monatsplan1->menuAction()->setObjectName(QStringLiteral("Monatsplan1Item"));
    ExportalsPDFDatei1 = Monatsplan1->addAction(QStringLiteral("Export als PDF Datei..."));
    ExportalsPDFDatei1->setObjectName(QStringLiteral("ExportalsPDFDatei1"));
    CSVExport1 = Monatsplan1->addAction(QStringLiteral("CSV Export..."));
    CSVExport1->setObjectName(QStringLiteral("CSVExport1"));
    Kalenderdateiexportieren1 = Monatsplan1->addAction(QStringLiteral("Kalenderdatei exportieren..."));
    Kalenderdateiexportieren1->setObjectName(QStringLiteral("Kalenderdateiexportieren1"));
    connect(Kalenderdateiexportieren1, &QAction::triggered, this, &TMainForm::Kalenderdateiexportieren1Click);
    Monatsplan1->addSeparator()->setObjectName(QStringLiteral("N2"));
    VomletzenMonatbernehmen1 = Monatsplan1->addAction(u8("Vom letzen Monat übernehmen..."));
    VomletzenMonatbernehmen1->setObjectName(QStringLiteral("VomletzenMonatbernehmen1"));
    connect(ExportalsPDFDatei1, &QAction::triggered, this, &TMainForm::ExportalsPDFDatei1Click);
    connect(CSVExport1, &QAction::triggered, this, &TMainForm::CSVExport1Click);
    connect(VomletzenMonatbernehmen1, &QAction::triggered, this, &TMainForm::VomletzenMonatbernehmen1Click);
    BesetzungundRegeln1 = Monatsplan1->addAction(QStringLiteral("Besetzung und Regeln..."));
    BesetzungundRegeln1->setObjectName(QStringLiteral("BesetzungundRegeln1"));
    MusterAnwenden1 = Monatsplan1->addAction(QStringLiteral("Muster anwenden..."));
    MusterAnwenden1->setObjectName(QStringLiteral("MusterAnwenden1"));
    PlanPruefen1 = Monatsplan1->addAction(u8("Plan prüfen"));
    PlanPruefen1->setObjectName(QStringLiteral("PlanPruefen1"));
    PlanVorschlagen1 = Monatsplan1->addAction(QStringLiteral("Plan vorschlagen..."));
    PlanVorschlagen1->setObjectName(QStringLiteral("PlanVorschlagen1"));
    connect(PlanVorschlagen1, &QAction::triggered, this, &TMainForm::PlanVorschlagen1Click);
    connect(BesetzungundRegeln1, &QAction::triggered, this, &TMainForm::BesetzungundRegeln1Click);
    connect(MusterAnwenden1, &QAction::triggered, this, &TMainForm::MusterAnwenden1Click);
    connect(PlanPruefen1, &QAction::triggered, this, &TMainForm::PlanPruefen1Click);
    // Undo and redo act on every kind of change (persons, duties, settings), so they
    // sit in a menu of their own before "Monatsplan".
    Bearbeiten1 = new QMenu(QStringLiteral("Bearbeiten"), bar);
    Bearbeiten1->setObjectName(QStringLiteral("Bearbeiten1"));
    Bearbeiten1->menuAction()->setObjectName(QStringLiteral("Bearbeiten1Item"));
    bar->insertMenu(Monatsplan1->menuAction(), Bearbeiten1);
    Rueckgaengig1 = Bearbeiten1->addAction(u8("Rückgängig"));
    Rueckgaengig1->setObjectName(QStringLiteral("Rueckgaengig1"));
    Rueckgaengig1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Wiederherstellen1 = Bearbeiten1->addAction(QStringLiteral("Wiederherstellen"));
    Wiederherstellen1->setObjectName(QStringLiteral("Wiederherstellen1"));
    Wiederherstellen1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(Rueckgaengig1, &QAction::triggered, this, &TMainForm::Rueckgaengig1Click);
    connect(Wiederherstellen1, &QAction::triggered, this, &TMainForm::Wiederherstellen1Click);

    Rostelmark1 = bar->addMenu(QStringLiteral("Rostelmark"));
    Rostelmark1->setObjectName(QStringLiteral("Rostelmark1"));
    auto* slots = new QActionGroup(Rostelmark1);
    for (int i = 0; i < 10; ++i) {
        QAction* a = Rostelmark1->addAction(QStringLiteral("Rostelmark %1").arg(i + 1));
        a->setObjectName(QLatin1String(kLagerItemNames[i]));
        a->setCheckable(true);
        slots->addAction(a);
        LagerItems[i] = a;
        connect(a, &QAction::triggered, this, [this, i] { LagerItemClick(i + 1); });
    }
    LagerItems[0]->setChecked(true);

    // Keys of a desktop program: F10 opens the menu bar, Ctrl+P prints the visible page,
    // Ctrl+Q ends the program through the normal end sequence.
    auto* menuKey = new QAction(this);
    menuKey->setObjectName(QStringLiteral("MenuKeyAction"));
    menuKey->setShortcut(QKeySequence(Qt::Key_F10));
    connect(menuKey, &QAction::triggered, this, &TMainForm::OpenMenuBar);
    PrintPageAction = new QAction(this);
    PrintPageAction->setObjectName(QStringLiteral("PrintPageAction"));
    PrintPageAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(PrintPageAction, &QAction::triggered, this, &TMainForm::PrintCurrentPage);
    QuitAction = new QAction(this);
    QuitAction->setObjectName(QStringLiteral("QuitAction"));
    QuitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(QuitAction, &QAction::triggered, this, &TMainForm::EndeBtnClick);
    addActions({menuKey, PrintPageAction, QuitAction});
}

void TMainForm::OpenMenuBar()
{
    const QList<QAction*> titles = menuBar()->actions();
    if (!titles.isEmpty())
        menuBar()->setActiveAction(titles.first());
}

void TMainForm::PrintCurrentPage()
{
    // "Drucken..." of the visible tab; pages without one ignore the key.
    QWidget* page = PageControl1->currentWidget();
    if (!page)
        return;
    for (const char* name : {"PrintBtn", "PrintBtn2", "PrintYearBtn", "PrintStatBtn"}) {
        auto* button = page->findChild<QPushButton*>(QLatin1String(name));
        if (button && button->isEnabled()) {
            button->click();
            return;
        }
    }
}

void TMainForm::AssignAccessKeys()
{
    const QSet<QChar> titles = AssignMenuBarAccessKeys(menuBar());
    for (QAction* title : menuBar()->actions()) {
        if (title->menu())
            AssignMenuAccessKeys(title->menu());
    }
    AssignMenuAccessKeys(PopupMenu1);
    // The bottom bar is seen together with every page, the menu titles as well.
    const QSet<QChar> bottom = AssignButtonAccessKeys(
        centralWidget()->findChild<QWidget*>(QStringLiteral("BottomPanel"), Qt::FindDirectChildrenOnly), titles);
    for (int i = 0; i < PageControl1->count(); ++i)
        AssignButtonAccessKeys(PageControl1->widget(i), bottom);
    for (QDialog* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        AssignButtonAccessKeys(dialog);
}

void TMainForm::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(250);
    StatusPanel1 = new TProgressPanel(StatusPosition, bar);
    bar->addWidget(StatusPanel0);
    bar->addWidget(StatusPanel1);
}

void TMainForm::connectUndo()
{
    PersonenSheet->setUndoHistory(&undo.history);
    DiensteSheet->setUndoHistory(&undo.history);
    MonatsplanerSheet->setUndoHistory(&undo.history);
    undo.history.onChanged = [this] { UpdateUndoItems(); };
    // Shown as the original action shows it; the repaint records the month's hours that
    // the save then writes.
    undo.onApplied = [this](unsigned refresh) {
        if (refresh & kRefreshDuties)
            DiensteSheet->ListDienste();
        ListPersons();
        if (refresh & kRefreshPersons) {
            ListPersons2();
            ListPersons3();
        }
    };
    // The panel is 250 pixels wide: a short note there, the whole sentence as its tip.
    undo.onDropped = [this](int) {
        StatusPanel0->setText(TranslateText(u8("Rückgängig geleert: andere Kopie")));
        StatusPanel0->setToolTip(TranslateText(u8("Änderungen einer anderen Kopie wurden geladen; die früheren "
                                                  "Schritte können nicht mehr rückgängig gemacht werden.")));
    };
    undo.onSaveFailed = [this](bool redo) {
        StatusPanel0->setText(
            TranslateText(redo ? u8("Wiederherstellen nicht gespeichert") : u8("Rückgängig nicht gespeichert")));
        StatusPanel0->setToolTip(TranslateText(u8("Die Datei konnte nicht geschrieben werden; die Änderung "
                                                  "besteht nur im Speicher bis zum nächsten Speichern.")));
    };
    // The item texts are translated from the first showing on, once the translation table
    // is loaded; until then both items are simply off.
    Rueckgaengig1->setEnabled(false);
    Wiederherstellen1->setEnabled(false);
}

void TMainForm::UpdateUndoItems()
{
    Rueckgaengig1->setText(undo.UndoText());
    Rueckgaengig1->setEnabled(undo.history.CanUndo());
    Wiederherstellen1->setText(undo.RedoText());
    Wiederherstellen1->setEnabled(undo.history.CanRedo());
    if (notthefirst)
        AssignMenuAccessKeys(Bearbeiten1);
}

void TMainForm::Rueckgaengig1Click()
{
    undo.Undo();
}

void TMainForm::Wiederherstellen1Click()
{
    undo.Redo();
}

void TMainForm::DisplaySettingsChanged()
{
    TUndoRecorder step(&undo.history, roster, TUndoKind::Display);
    step.SetSettingsBefore(EinstellungenSheet->SettingsBefore());
    step.Commit(roster);
    RepaintViews();
}

void TMainForm::CreateDialogs()
{
    if (PersonForm)
        return;
    // Texts the dialogs meet for the first time are saved to the translation table once.
    BeginTranslationBatch();
    PersonForm = new TPersonForm(this);
    DienstForm = new TDienstForm(this);
    TranslateForm = new TTranslateForm(this);
    PersonenSheet->setPersonForm(PersonForm);
    DiensteSheet->setDienstForm(DienstForm);
    AboutBox = new TAboutBox(this);
    SetSollStdForm = new TSetSollStdForm(this);
    OverHoursForm = new TOverHoursForm(this);
    DiensteOvertakeForm = new TDiensteOvertakeForm(this);
    ICalExportForm = new TICalExportForm(this);
    MonatsplanerSheet->setDialogs(SetSollStdForm, OverHoursForm);
    // Made after the first showing, they get the language the windows were translated into.
    if (notthefirst && GetCurrentLanguage() != 0)
        TranslateApplication({PersonForm, DienstForm, TranslateForm, AboutBox, SetSollStdForm, OverHoursForm,
            DiensteOvertakeForm, ICalExportForm});
    EndTranslationBatch();
}

void TMainForm::FormCreate()
{
    // 1. The program's folder.
    store.progpath = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    // 2. Window placement and the stored control properties.
    bool placed = formStorage->RestoreFormPlacement();
    // 3., 4. The per-user folder for display, then the data folder of this run.
    DatenbankSheet->Edit3->setText(store.GetProgramDir(false));
    const TDataFolderOption option = DatenbankSheet->UserFolderCheck->isChecked() ? TDataFolderOption::UserFolder
        : DatenbankSheet->UseSpecialFolderCheck->isChecked()                      ? TDataFolderOption::SpecialFolder
                                                                                  : TDataFolderOption::ProgramFolder;
    store.ChooseDataFolder(option, DatenbankSheet->DirectoryEdit1->text());
    // 5. The translation table lives in the per-user folder whatever the data folder is.
    InitTranslations(store.GetProgramDir(true));
    // Standard buttons and dialogs in the current language until the person file says otherwise.
    ApplyToolkitLanguage(GetCurrentLanguage());
    // 7., 8. Default colours and the initial roster.
    roster.settings.TesselColorComboBox2 = 0x808096;
    roster.settings.TesselColorComboBox1 = 0x9696C4;
    roster.settings.TesselColorComboBox3 = 0xC4C4E4;
    roster.InitPersonenDienste();
    // 9. Month and year from today.
    const QDate today = Clock::today();
    PersonenSheet->MonEd->setValue(today.month());
    MonatsplanerSheet->Mon2Ed->setValue(today.month());
    PersonenSheet->yeared->setValue(today.year());
    MonatsplanerSheet->Year2Ed->setValue(today.year());
    JahresansichtSheet->Year3Ed->setValue(today.year());
    // 10. Holidays 0 … 26 in use.
    roster.settings.FeiertageList = TPlanSettings::DefaultFeiertage();
    EinstellungenSheet->ShowSettings();
    // 11. Plan slot 1.
    store.SetNewLagerNr(1);
    // 12. The stored properties once more (they override the defaults above).
    placed = formStorage->RestoreFormPlacement() || placed;
    firstStart = !placed; // sized at the first showing, once the layouts have placed everything
    // 13. The slot of the ticked menu item.
    store.FindALagerNr(tickedLagerItems());
    // 14. The roster of that slot; the files' values override the defaults.
    store.loadPersons();
    ListPersons();
    store.loadDienste();
    ListDienste();
    store.loadRegeln();
    ListPersons2();
    ListPersons3();
}

void TMainForm::FirstStartPlacement()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Large enough for the whole month page at 100 %: the preview plus what the window
    // needs around the scroll box's viewport, as the layouts have placed it.
    const QSize around = size() - MonatsplanerSheet->ScrollBox1->viewport()->size();
    QSize want = MonatsplanerSheet->PaintBox1->size() + around.expandedTo(QSize(0, 0));
    want = want.expandedTo(size());
    const QRect avail = screen->availableGeometry();
    // The window frame of the desktop comes on top of the client area.
    const QSize room = avail.size() - QSize(16, 40);
    resize(want.boundedTo(room).expandedTo(minimumSizeHint()));
    move(avail.center() - QPoint(width() / 2, height() / 2));
}

std::array<bool, kLagerCount> TMainForm::tickedLagerItems() const
{
    std::array<bool, kLagerCount> ticked{};
    for (int i = 0; i < kLagerCount; ++i)
        ticked[i] = LagerItems[i]->isChecked();
    return ticked;
}

void TMainForm::FormShow()
{
    notthefirst = true;
    // Registers the 85 messages and, for a language other than German, translates every
    // window once.
    TranslateAtFirstShowing(languagesetto);
    UpdateUndoItems();
    ApplyToolkitLanguage(languagesetto);
    EinstellungenSheet->ReadControls();
    TagesanwesenheitSheet->ReadControls();
    FillWeekdayAbbrev();
    // After the translation, so that the keys are letters of the words shown.
    AssignAccessKeys();
    UpdateUndoItems();
    MonatsplanerSheet->UpdateHint();
    // What the building left out: the month grid, and the view of the page that shows.
    paintLeftOut(MonatsplanerSheet);
    paintLeftOut(PageControl1->currentWidget());
    QGuiApplication::setApplicationDisplayName(TranslateText(ApplicationTitle()));
}

void TMainForm::FormDestroy()
{
    if (destroyed)
        return;
    destroyed = true;
    Timer1->stop();
    store.SaveAllAtEnd();
    roster.personen.Clear();
    roster.dienste.Clear();
}

void TMainForm::showEvent(QShowEvent* e)
{
    if (firstStart) {
        firstStart = false;
        FirstStartPlacement();
    }
    QMainWindow::showEvent(e);
    if (!notthefirst)
        FormShow();
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    formStorage->SaveFormPlacement();
    if (const std::optional<TPrintablePage> page = PrinterSource->FreshPage())
        TFormStorage::SavePrinterPage(*page);
    QMainWindow::closeEvent(e);
}

bool TMainForm::event(QEvent* e)
{
    if (e->type() == TProgressEvent::kType) {
        SetProStatus(static_cast<TProgressEvent*>(e)->percent);
        return true;
    }
    // The printer and the dialogs are not needed for the window to show: they are made
    // once it has painted.
    if (e->type() == QEvent::Paint && notthefirst && !std::exchange(painted, true))
        QTimer::singleShot(0, this, [this] {
            PrinterSource->MakePrinter();
            CreateDialogs();
        });
    return QMainWindow::event(e);
}

void TMainForm::SetProStatus(int pro)
{
    if (pro < StatusPosition) {
        StatusPosition = pro;
        statusBar()->update();
        StatusPanel1->update();
    } else {
        StatusPosition = pro;
        StatusPanel1->repaint();
    }
    sbrect = StatusPanel1->lastRect();
}

bool TMainForm::IsFeiertag(int jahr, int monat, int tag) const
{
    return ::IsFeiertag(roster.settings.FeiertageList, jahr, monat, tag);
}

void TMainForm::AboutBtnClick()
{
    CreateDialogs();
    if (AboutBox)
        AboutBox->exec();
}

void TMainForm::EndeBtnClick()
{
    close();
}

void TMainForm::wwwBtnClick()
{
    QDesktopServices::openUrl(QUrl(GetMessageText(12)));
}

void TMainForm::SpracheBtnClick()
{
    PopupMenu1->popup(SpracheBtn->mapToGlobal(QPoint(5, 5)));
}

void TMainForm::Deutsch1Click()
{
    chooseLanguage(0);
}

void TMainForm::English1Click()
{
    chooseLanguage(1);
}

void TMainForm::chooseLanguage(int index)
{
    if (!ChooseLanguage(index, dontchlang))
        return;
    (index == 0 ? Deutsch1 : English1)->setChecked(true);
    roster.settings.languagesetto = index;
    ApplyToolkitLanguage(index);
    ShowRestartNotice(this);
    store.SavePersonsLocked();
}

void TMainForm::bersetzen1Click()
{
    CreateDialogs();
    if (TranslateForm)
        TranslateForm->ShowEditor();
}

void TMainForm::LagerItemClick(int slot)
{
    LagerItems[slot - 1]->setChecked(true);
    store.ChangeTheLager(tickedLagerItems());
    ListPersons2();
    ListPersons3();
}

void TMainForm::Timer1Timer()
{
    const TDateTime rulesAge = store.kownfileageregeln;
    store.Timer1Timer();
    if (store.kownfileageregeln != rulesAge)
        MonatsplanerSheet->PaintBox1Paint(); // another copy changed the rules
}

void TMainForm::FeiertageListClick()
{
    // The list already shows and holds the change; a reload by the lock check ends the
    // recording.
    TUndoRecorder step(&undo.history, roster, TUndoKind::Holidays);
    step.SetSettingsBefore(EinstellungenSheet->SettingsBefore());
    store.SavePersonsLocked();
    step.Commit(roster);
    RepaintViews();
}

void TMainForm::TesselColorComboBoxChange(int)
{
    TUndoRecorder step(&undo.history, roster, TUndoKind::Colour);
    step.SetSettingsBefore(EinstellungenSheet->SettingsBefore());
    store.SavePersonsLocked();
    step.Commit(roster);
    RepaintViews();
}

void TMainForm::FontBtnClick(int which)
{
    if (!store.canwritenowpersonen())
        return;
    TUndoRecorder step(&undo.history, roster, TUndoKind::Font);
    TFontRec* rec = which == 1 ? &roster.settings.FontDialog1
        : which == 2           ? &roster.settings.FontDialog2
                               : &roster.settings.FontDialog3;
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, rec->ToQFont(), this);
    if (ok)
        *rec = TFontRec::FromQFont(font, rec->charset, rec->color);
    store.savePersons();
    store.EndWriteMowpersonen();
    step.Commit(roster);
    RepaintViews();
}

void TMainForm::CSVExport1Click()
{
    MonatsplanerSheet->CSVExportBtnClick();
}

void TMainForm::ExportalsPDFDatei1Click()
{
    MonatsplanerSheet->ExportalsPDFDatei1Click();
}

void TMainForm::VomletzenMonatbernehmen1Click()
{
    QMessageBox ask(QMessageBox::Critical, GetMessageText(73), GetMessageText(72),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    if (ask.exec() != QMessageBox::Yes)
        return;
    CreateDialogs();
    if (!DiensteOvertakeForm || DiensteOvertakeForm->exec() != QDialog::Accepted)
        return;
    MonatsplanerSheet->CopyPreviousMonthLocked(DiensteOvertakeForm->VerchiebEd->value());
}

void TMainForm::BesetzungundRegeln1Click()
{
    if (!store.canwritenowregeln()) {
        MonatsplanerSheet->PaintBox1Paint(); // the lock check may have read newer rules
        return;
    }
    TRulesDialog dialog(roster, roster.regeln, this);
    if (dialog.exec() == QDialog::Accepted) {
        TUndoRecorder step(&undo.history, roster, TUndoKind::Rules);
        roster.regeln = dialog.Rules();
        store.saveRegeln();
        step.Commit(roster);
    }
    store.EndWriteMowregeln();
    MonatsplanerSheet->PaintBox1Paint();
}

void TMainForm::MusterAnwenden1Click()
{
    MonatsplanerSheet->MusterAnwendenClick();
}

void TMainForm::PlanPruefen1Click()
{
    PageControl1->setCurrentWidget(MonatsplanerSheet);
    MonatsplanerSheet->PlanPruefenClick();
}

void TMainForm::PlanVorschlagen1Click()
{
    PageControl1->setCurrentWidget(MonatsplanerSheet);
    MonatsplanerSheet->PlanVorschlagenClick();
}

void TMainForm::Kalenderdateiexportieren1Click()
{
    CreateDialogs();
    if (ICalExportForm)
        ICalExportForm->Execute(store, MonatsplanerSheet->Year2Ed->value(), MonatsplanerSheet->Mon2Ed->value());
}

void TMainForm::FormMouseWheelDown()
{
    if (PageControl1->currentIndex() == 2) {
        QScrollBar* bar = MonatsplanerSheet->ScrollBox1->verticalScrollBar();
        bar->setValue(bar->value() + 20);
    }
}

void TMainForm::FormMouseWheelUp()
{
    if (PageControl1->currentIndex() == 2) {
        QScrollBar* bar = MonatsplanerSheet->ScrollBox1->verticalScrollBar();
        bar->setValue(bar->value() - 20);
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Wheel) {
        const int dy = static_cast<QWheelEvent*>(e)->angleDelta().y();
        if (dy < 0)
            FormMouseWheelDown();
        else if (dy > 0)
            FormMouseWheelUp();
        // The grid scrolls only by these steps; elsewhere the event goes on as usual.
        return dy != 0 && watched == MonatsplanerSheet->ScrollBox1->viewport();
    }
    return QMainWindow::eventFilter(watched, e);
}

void TMainForm::ListPersons2()
{
    QComboBox* combo = MonatsplanerSheet->MitarbeiterCombo;
    const int jahr = MonatsplanerSheet->Year2Ed->value();
    const int monat = MonatsplanerSheet->Mon2Ed->value();
    {
        const QSignalBlocker quiet(combo);
        combo->clear();
        combo->addItem(QStringLiteral("Alle Mitarbeiter"));
        for (const TPerson& p : roster.personen)
            if (IsActiveInMonth(p, jahr, monat))
                combo->addItem(p.name);
        combo->setCurrentIndex(0);
    }
    if (building)
        leftOut[0] = true;
    else
        MonatsplanerSheet->PaintBox1Paint();
}

void TMainForm::ListPersons3()
{
    QComboBox* combo = JahresansichtSheet->MitarbeiterEd;
    const int jahr = JahresansichtSheet->Year3Ed->value();
    {
        const QSignalBlocker quiet(combo);
        combo->clear();
        for (const TPerson& p : roster.personen)
            if (IsActiveInYear(p, jahr))
                combo->addItem(p.name);
        if (combo->count() > 0)
            combo->setCurrentIndex(0);
    }
    if (building)
        leftOut[2] = true;
    else
        JahresansichtSheet->PaintBox3Paint();
}

void TMainForm::RepaintViews()
{
    if (building) {
        leftOut = {true, true, true};
        return;
    }
    leftOut = {};
    MonatsplanerSheet->PaintBox1Paint();
    TagesanwesenheitSheet->PaintBox2Paint();
    JahresansichtSheet->PaintBox3Paint();
}

void TMainForm::paintLeftOut(QWidget* page)
{
    if (building)
        return;
    if (page == MonatsplanerSheet && std::exchange(leftOut[0], false))
        MonatsplanerSheet->PaintBox1Paint();
    else if (page == TagesanwesenheitSheet && std::exchange(leftOut[1], false))
        TagesanwesenheitSheet->PaintBox2Paint();
    else if (page == JahresansichtSheet && std::exchange(leftOut[2], false))
        JahresansichtSheet->PaintBox3Paint();
}

TLockAnswer TMainForm::AskLockMessage(const QString& text)
{
    QMessageBox box(
        QMessageBox::Critical, QString(), text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    switch (box.exec()) {
    case QMessageBox::No:
        return TLockAnswer::No;
    case QMessageBox::Yes:
        return TLockAnswer::Yes;
    default:
        return TLockAnswer::Cancel;
    }
}

void TMainForm::ShowError(const QString& text)
{
    QMessageBox::critical(this, QString(), text);
}

void TMainForm::ListPersons()
{
    MonatsplanerSheet->RosterChanged();
    PersonenSheet->ListPersons();
    MonatsplanerSheet->UpdateHint();
    // A read of the person file brings its plan settings too.
    TagesanwesenheitSheet->ShowSettings();
    EinstellungenSheet->ShowSettings();
    RepaintViews();
}

void TMainForm::ListDienste()
{
    MonatsplanerSheet->RosterChanged();
    DiensteSheet->ListDienste();
    MonatsplanerSheet->UpdateHint();
    EinstellungenSheet->ShowSettings(); // the page margin comes with the duty file
    RepaintViews();
}

// The data folder stopped answering the poll (a network server gone): said in the status
// bar, without a box that would wait on an unattended screen.
void TMainForm::PollStatus(const QString& text)
{
    auto* label = statusBar()->findChild<QLabel*>(QStringLiteral("PollStatusLabel"));
    if (label == nullptr) {
        label = new QLabel(statusBar());
        label->setObjectName(QStringLiteral("PollStatusLabel"));
        label->setStyleSheet(QStringLiteral("color: #b00000"));
        statusBar()->addPermanentWidget(label);
    }
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

void TMainForm::LanguageRead(int index)
{
    dontchlang = true;
    Deutsch1->setChecked(index == 0);
    English1->setChecked(index == 1);
    languagesetto = index;
    SetCurrentLanguage(index);
    ApplyToolkitLanguage(index);
    dontchlang = false;
}
