#include "app/mainform.h"

#include "app/aboutbox.h"
#include "app/datenbankpage.h"
#include "app/einstellungenpage.h"
#include "app/formstorage.h"
#include "app/progresspanel.h"
#include "calendar/feiertage.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "planner/plannerdialogs.h"
#include "staff/dienstform.h"
#include "staff/personform.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QString u8(const char* s)
{
    return QString::fromUtf8(s);
}

QWidget* placeholderPage(const char* name, QWidget* parent)
{
    auto* w = new QWidget(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// Menu item names of the ten plan slots, slot 1 first.
const char* const kLagerItemNames[10] = {
    "Rostelmark11", "Rostelmark12", "Rostelmark13", "Rostelmark14", "Rostelmark15",
    "Rostelmark16", "Rostelmark17", "Rostelmark71", "Rostelmark72", "Rostelmark73",
};
} // namespace

QStringList TMainForm::StoredProperties()
{
    return {
        QStringLiteral("CountNoDienstCheck.Checked"), QStringLiteral("Edit3.Text"),
        QStringLiteral("DirectoryEdit1.Text"), QStringLiteral("UserFolderCheck.Checked"),
        QStringLiteral("UseSpecialFolderCheck.Checked"), QStringLiteral("ProgramFolderCheck.Checked"),
        QStringLiteral("RandBreitEd.Value"), QStringLiteral("Rostelmark11.Checked"),
        QStringLiteral("Rostelmark12.Checked"), QStringLiteral("Rostelmark13.Checked"),
        QStringLiteral("Rostelmark14.Checked"), QStringLiteral("Rostelmark15.Checked"),
        QStringLiteral("Rostelmark16.Checked"), QStringLiteral("Rostelmark17.Checked"),
        QStringLiteral("Rostelmark71.Checked"), QStringLiteral("Rostelmark72.Checked"),
        QStringLiteral("Rostelmark73.Checked"), QStringLiteral("StundenSumCheck.Checked"),
        QStringLiteral("PrintActualDateCheck.Checked"), QStringLiteral("ShowKalenderwocheCheck.Checked"),
        QStringLiteral("ShowAbteilungCheck.Checked"),
    };
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
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
    Timer1->start();
}

TMainForm::~TMainForm()
{
    FormDestroy();
}

void TMainForm::buildPages()
{
    PersonenSheet = placeholderPage("PersonenSheet", PageControl1);
    DiensteSheet = placeholderPage("DiensteSheet", PageControl1);
    MonatsplanerSheet = placeholderPage("MonatsplanerSheet", PageControl1);
    TagesanwesenheitSheet = placeholderPage("TagesanwesenheitSheet", PageControl1);
    EinstellungenSheet = new TEinstellungenPage(roster.settings, PageControl1);
    EinstellungenSheet->setObjectName(QStringLiteral("EinstellungenSheet"));
    StatistikSheet = placeholderPage("StatistikSheet", PageControl1);
    DatenbankSheet = new TDatenbankPage(PageControl1);
    DatenbankSheet->setObjectName(QStringLiteral("DatenbankSheet"));
    JahresansichtSheet = placeholderPage("JahresansichtSheet", PageControl1);

    PageControl1->addTab(PersonenSheet, QStringLiteral("Personen"));
    PageControl1->addTab(DiensteSheet, QStringLiteral("Dienste"));
    PageControl1->addTab(MonatsplanerSheet, QStringLiteral("Monatsplaner"));
    PageControl1->addTab(TagesanwesenheitSheet, QStringLiteral("Tagesanwesenheit"));
    PageControl1->addTab(EinstellungenSheet, QStringLiteral("Einstellungen"));
    PageControl1->addTab(StatistikSheet, QStringLiteral("Dienst-Statistik"));
    PageControl1->addTab(DatenbankSheet, QStringLiteral("Datenbank Verzeichnis"));
    PageControl1->addTab(JahresansichtSheet, QStringLiteral("Jahresansicht"));
    PageControl1->setCurrentIndex(2);

    connect(EinstellungenSheet, &TEinstellungenPage::feiertageChanged, this, &TMainForm::FeiertageListClick);
    connect(EinstellungenSheet, &TEinstellungenPage::colorChanged, this, &TMainForm::TesselColorComboBoxChange);
    connect(EinstellungenSheet, &TEinstellungenPage::fontButtonClicked, this, &TMainForm::FontBtnClick);
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
    Monatsplan1->addSeparator()->setObjectName(QStringLiteral("N2"));
    VomletzenMonatbernehmen1 = Monatsplan1->addAction(u8("Vom letzen Monat übernehmen..."));
    VomletzenMonatbernehmen1->setObjectName(QStringLiteral("VomletzenMonatbernehmen1"));
    // The month planner's outputs are not built yet; their items stay disabled until then.
    for (QAction* a : {ExportalsPDFDatei1, CSVExport1, VomletzenMonatbernehmen1})
        a->setEnabled(false);

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

void TMainForm::CreateDialogs()
{
    PersonForm = new TPersonForm(this);
    DienstForm = new TDienstForm(this);
    AboutBox = new TAboutBox(this);
    SetSollStdForm = new TSetSollStdForm(this);
    OverHoursForm = new TOverHoursForm(this);
    DiensteOvertakeForm = new TDiensteOvertakeForm(this);
}

void TMainForm::FormCreate()
{
    // 1. The program's folder.
    progpath = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    // 2. Window placement and the stored control properties.
    formStorage->RestoreFormPlacement();
    // 7., 8. Default colours and the initial roster.
    roster.settings.TesselColorComboBox2 = 0x808096;
    roster.settings.TesselColorComboBox1 = 0x9696C4;
    roster.settings.TesselColorComboBox3 = 0xC4C4E4;
    roster.InitPersonenDienste();
    // 10. Holidays 0 … 26 in use.
    roster.settings.FeiertageList = TPlanSettings::DefaultFeiertage();
    EinstellungenSheet->ShowSettings();
    // 12. Restore the stored properties once more (they override the defaults above).
    formStorage->RestoreFormPlacement();
}

void TMainForm::FormShow()
{
    notthefirst = true;
    FillWeekdayAbbrev();
    QGuiApplication::setApplicationDisplayName(TranslateText(ApplicationTitle()));
}

void TMainForm::FormDestroy()
{
    if (destroyed)
        return;
    destroyed = true;
    Timer1->stop();
    roster.personen.Clear();
    roster.dienste.Clear();
}

void TMainForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!notthefirst)
        FormShow();
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    formStorage->SaveFormPlacement();
    QMainWindow::closeEvent(e);
}

bool TMainForm::event(QEvent* e)
{
    if (e->type() == TProgressEvent::kType) {
        SetProStatus(static_cast<TProgressEvent*>(e)->percent);
        return true;
    }
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

void TMainForm::Deutsch1Click() {}

void TMainForm::English1Click() {}

void TMainForm::bersetzen1Click() {}

void TMainForm::LagerItemClick(int slot)
{
    LagerItems[slot - 1]->setChecked(true);
}

void TMainForm::Timer1Timer() {}

void TMainForm::FeiertageListClick() {}

void TMainForm::TesselColorComboBoxChange(int) {}

void TMainForm::FontBtnClick(int which)
{
    TFontRec* rec = which == 1 ? &roster.settings.FontDialog1
                    : which == 2 ? &roster.settings.FontDialog2
                                 : &roster.settings.FontDialog3;
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, rec->ToQFont(), this);
    if (ok)
        *rec = TFontRec::FromQFont(font, rec->charset, rec->color);
}
