#include "planner/monatsplanerpage.h"

#include "core/canvas.h"
#include "core/datetime.h"
#include "core/roster.h"
#include "output/printjob.h"
#include "planner/plannerdialogs.h"
#include "planning/plancheckview.h"
#include "storage/datastore.h"
#include "widgets/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

// --- paint box ------------------------------------------------------------------------

TMonthPaintBox::TMonthPaintBox(TMonatsplanerPage* page, QWidget* parent)
    : QWidget(parent)
    , m_page(page)
{
    setObjectName(QStringLiteral("PaintBox1"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TMonthPaintBox::paintEvent(QPaintEvent* event)
{
    m_page->paintPreview(event);
}

void TMonthPaintBox::mousePressEvent(QMouseEvent* event)
{
    m_page->PaintBox1MouseDown(event->position().toPoint(), event->button());
}

void TMonthPaintBox::mouseMoveEvent(QMouseEvent* event)
{
    m_page->PaintBox1MouseMove(event->position().toPoint());
}

void TMonthPaintBox::mouseReleaseEvent(QMouseEvent*)
{
    m_page->PaintBox1MouseUp();
}

// --- page -----------------------------------------------------------------------------

namespace {
QSpinBox* spinEdit(QWidget* parent, const char* name, int lo, int hi, int value)
{
    auto* e = new QSpinBox(parent);
    e->setObjectName(QLatin1String(name));
    e->setRange(lo, hi);
    e->setValue(value);
    return e;
}
} // namespace

TMonatsplanerPage::TMonatsplanerPage(TRoster& roster, TDataStore& store, TPrinterSource& printer, QWidget* parent)
    : QWidget(parent)
    , m_roster(roster)
    , m_store(store)
    , m_printer(printer)
{
    connect(&m_printer, &TPrinterSource::Changed, this, &TMonatsplanerPage::PrinterChanged);
    const QDate today = Clock::today();
    Mon2Ed = spinEdit(this, "Mon2Ed", 1, 12, today.month());
    Year2Ed = spinEdit(this, "Year2Ed", 1, 9999, today.year());
    ZoomEd = spinEdit(this, "ZoomEd", 10, 300, 100);
    ZoomEd->setSingleStep(10);
    SeiteEd = spinEdit(this, "SeiteEd", 1, 10000, 1);
    MitarbeiterCombo = new QComboBox(this);
    MitarbeiterCombo->setObjectName(QStringLiteral("MitarbeiterCombo"));
    DienstCombo = new QComboBox(this);
    DienstCombo->setObjectName(QStringLiteral("DienstCombo"));
    DienstCombo->setMaxVisibleItems(30);
    KeyEdit = new QLineEdit(this);
    KeyEdit->setObjectName(QStringLiteral("KeyEdit"));
    KeyEdit->setMaximumWidth(40);
    KeyEdit->installEventFilter(this);
    DienstBtn = NamedButton(this, "DienstBtn", "Dienst zuweisen");
    NoSelBtn = NamedButton(this, "NoSelBtn", "Markierung aufheben");
    OverHoursBtn = NamedButton(this, "OverHoursBtn", "Überstunden");
    SetSollStd = NamedButton(this, "SetSollStd", "Soll-Stunden festlegen...");
    PrintBtn = NamedButton(this, "PrintBtn", "Drucken...");
    PrintersetupBtn = NamedButton(this, "PrintersetupBtn", "Drucker einrichten...");
    BesetzungCheck = new QCheckBox(QStringLiteral("Besetzung anzeigen"), this);
    BesetzungCheck->setObjectName(QStringLiteral("BesetzungCheck"));
    PlanCheck = new TPlanCheckList(this);
    PlanCheck->setMaximumHeight(180); // the grid keeps most of the page
    PlanCheck->hide();

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    PaintBox1 = new TMonthPaintBox(this, ScrollBox1);
    ScrollBox1->setWidget(PaintBox1);
    PaintBox1->setFixedSize(PreviewSize(PrinterPage(), ScreenDpi(), ZoomEd->value()));

    auto* row1 = new QHBoxLayout;
    row1->addWidget(NamedLabel(this, "Mon2Label", "Monat:"));
    row1->addWidget(Mon2Ed);
    row1->addWidget(NamedLabel(this, "Year2Label", "Jahr:"));
    row1->addWidget(Year2Ed);
    row1->addWidget(NamedLabel(this, "ZoomLabel", "Zoom in %:"));
    row1->addWidget(ZoomEd);
    row1->addWidget(NamedLabel(this, "SeiteLabel", "Seite:"));
    row1->addWidget(SeiteEd);
    row1->addWidget(NamedLabel(this, "MitarbeiterLabel", "Mitarbeiter:"));
    row1->addWidget(MitarbeiterCombo, 1);
    row1->addWidget(BesetzungCheck);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(NamedLabel(this, "DienstLabel", "Dienst:"));
    row2->addWidget(DienstCombo, 1);
    row2->addWidget(KeyEdit);
    row2->addWidget(DienstBtn);
    row2->addWidget(OverHoursBtn);
    row2->addWidget(SetSollStd);
    row2->addWidget(NoSelBtn);
    row2->addWidget(PrintBtn);
    row2->addWidget(PrintersetupBtn);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 4, 4, 4);
    box->addLayout(row1);
    box->addLayout(row2);
    box->addWidget(ScrollBox1, 1);
    box->addWidget(PlanCheck);

    connect(Mon2Ed, &QSpinBox::valueChanged, this, &TMonatsplanerPage::monthChanged);
    connect(Year2Ed, &QSpinBox::valueChanged, this, &TMonatsplanerPage::monthChanged);
    connect(ZoomEd, &QSpinBox::valueChanged, this, &TMonatsplanerPage::PaintBox1Paint);
    connect(SeiteEd, &QSpinBox::valueChanged, this, &TMonatsplanerPage::SeiteEdChange);
    connect(MitarbeiterCombo, &QComboBox::currentIndexChanged, this, &TMonatsplanerPage::PaintBox1Paint);
    connect(DienstBtn, &QPushButton::clicked, this, &TMonatsplanerPage::DienstBtnClick);
    connect(NoSelBtn, &QPushButton::clicked, this, &TMonatsplanerPage::NoSelBtnClick);
    connect(OverHoursBtn, &QPushButton::clicked, this, &TMonatsplanerPage::OverHoursBtnClick);
    connect(SetSollStd, &QPushButton::clicked, this, &TMonatsplanerPage::SetSollStdClick);
    connect(PrintBtn, &QPushButton::clicked, this, &TMonatsplanerPage::PrintBtnClick);
    connect(PrintersetupBtn, &QPushButton::clicked, this, &TMonatsplanerPage::PrintersetupBtnClick);
    connect(BesetzungCheck, &QCheckBox::toggled, this, &TMonatsplanerPage::PaintBox1Paint);
    connect(PlanCheck, &TPlanCheckList::jumpTo, this, &TMonatsplanerPage::ShowCell);
}

TMonatsplanerPage::~TMonatsplanerPage() = default;

void TMonatsplanerPage::setDialogs(TSetSollStdForm* sollForm, TOverHoursForm* overHoursForm)
{
    m_sollForm = sollForm;
    m_overHoursForm = overHoursForm;
}

TMonthView TMonatsplanerPage::View() const
{
    TMonthView view;
    view.month = Mon2Ed->value();
    view.year = Year2Ed->value();
    view.page = SeiteEd->value();
    view.filter = std::max(0, MitarbeiterCombo->currentIndex());
    view.showCoverage = BesetzungCheck->isChecked();
    return view;
}

int TMonatsplanerPage::ScreenDpi() const
{
    const int dpi = PaintBox1 ? PaintBox1->logicalDpiX() : logicalDpiX();
    return dpi > 0 ? dpi : 96;
}

const TPrintablePage& TMonatsplanerPage::PrinterPage()
{
    if (!m_printerPage)
        m_printerPage = std::make_unique<TPrintablePage>(m_printer.Page());
    return *m_printerPage;
}

void TMonatsplanerPage::PrinterChanged()
{
    m_printerPage.reset();
    PaintBox1Paint();
}

TMonthGeometry TMonatsplanerPage::freshGeometry()
{
    const QSize size = PreviewSize(PrinterPage(), ScreenDpi(), ZoomEd->value());
    if (size.isEmpty())
        return {};
    // Measured on an image like the preview itself, so the rows agree with a drawing.
    QImage probe(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&probe, ScreenDpi());
    return LayoutMonth(
        canvas, size.width(), size.height(), ScreenDpi(), ZoomEd->value(), m_roster, m_roster.settings, View());
}

void TMonatsplanerPage::render()
{
    const TPrintablePage& printer = PrinterPage();
    const int dpi1 = ScreenDpi();
    const QSize size = PreviewSize(printer, dpi1, ZoomEd->value());
    if (PaintBox1->size() != size)
        PaintBox1->setFixedSize(size);
    TMonthOverlay overlay = m_sel.Overlay();
    overlay.ruleMarkers = true;
    m_geo = RenderMonthPreview(
        m_image, printer, dpi1, ZoomEd->value(), m_roster, m_roster.settings, View(), overlay, [this](TCanvas& canvas) {
            if (!m_sel.dienststr.isEmpty()) {
                canvas.SetFontColor(Qt::black);
                canvas.TextOut(0, 0, m_sel.dienststr);
            }
        });
}

void TMonatsplanerPage::PaintBox1Paint()
{
    render();
    m_rendered = true;
    PaintBox1->update();
    refreshPlanCheck();
}

void TMonatsplanerPage::paintPreview(QPaintEvent*)
{
    // An exposure without a preceding change draws anew, so the preview never shows an
    // older state of the roster than the one in memory.
    if (!m_rendered)
        render();
    m_rendered = false;
    QPainter painter(PaintBox1);
    if (m_image.isNull())
        painter.fillRect(PaintBox1->rect(), Qt::white);
    else
        painter.drawImage(0, 0, m_image);
}

void TMonatsplanerPage::PaintBox1MouseDown(const QPoint& pos, Qt::MouseButton button)
{
    if (!m_sel.MouseDown(m_geo, pos.x(), pos.y(), button == Qt::LeftButton))
        return;
    PaintBox1Paint();
    KeyEdit->setFocus(Qt::MouseFocusReason);
}

void TMonatsplanerPage::PaintBox1MouseMove(const QPoint& pos)
{
    if (m_sel.MouseMove(m_geo, pos.x(), pos.y()))
        PaintBox1Paint();
}

void TMonatsplanerPage::PaintBox1MouseUp()
{
    m_sel.MouseUp();
}

void TMonatsplanerPage::NoSelBtnClick()
{
    m_sel.ClearMarks();
    PaintBox1Paint();
}

void TMonatsplanerPage::KeyEditKeyPress(QChar key)
{
    const TKeyResult result = m_sel.KeyPress(key, m_roster.dienste);
    if (result.dienst >= 1 && result.dienst < DienstCombo->count()) {
        DienstCombo->setCurrentIndex(result.dienst);
        DienstBtnClick();
    }
    if (result.repaint)
        PaintBox1Paint();
}

bool TMonatsplanerPage::eventFilter(QObject* watched, QEvent* event)
{
    // The key field takes the focus after every press in the grid: undo and redo keys
    // go to the window's menu, not to the field's own text undo.
    if (watched == KeyEdit && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
            || key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) {
            event->ignore();
            return true;
        }
    }
    if (watched == KeyEdit && event->type() == QEvent::KeyPress) {
        // Only the keys are used: they build the typed abbreviation, the field stays empty.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            KeyEditKeyPress(QChar(13));
            return true;
        }
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            for (QChar c : text)
                KeyEditKeyPress(c);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TMonatsplanerPage::changeLocked(TUndoKind kind, const std::function<void(const TMonthGeometry&)>& change)
{
    if (!m_store.canwritenowpersonen())
        return;
    TUndoRecorder undo(m_undo, m_roster, kind);
    // The person list may have been reloaded since the last drawing: map the marked rows
    // through a layout of the roster as it is now.
    change(freshGeometry());
    PaintBox1Paint(); // records the month's hours and balances before they are saved
    m_store.savePersons();
    m_store.EndWriteMowpersonen();
    undo.Commit(m_roster);
}

void TMonatsplanerPage::DienstBtnClick()
{
    const int k = DienstCombo->currentIndex();
    changeLocked(TUndoKind::AssignDienst,
        [&](const TMonthGeometry& geo) { AssignDienst(m_roster, m_roster.settings, View(), geo, m_sel.select, k); });
}

void TMonatsplanerPage::OverHoursBtnClick()
{
    if (!m_overHoursForm || m_overHoursForm->exec() != QDialog::Accepted)
        return;
    const double value = m_overHoursForm->OverHoursEd->value();
    changeLocked(TUndoKind::OverHours, [&](const TMonthGeometry& geo) {
        AssignOverHours(m_roster, m_roster.settings, View(), geo, m_sel.select, value);
    });
}

void TMonatsplanerPage::SetSollStdClick()
{
    if (!m_sollForm || m_sollForm->exec() != QDialog::Accepted)
        return;
    const double value = m_sollForm->StundeEd->value();
    changeLocked(TUndoKind::SollStunden, [&](const TMonthGeometry& geo) {
        SetSollStunden(m_roster, m_roster.settings, View(), geo, m_sel.select, value);
    });
}

void TMonatsplanerPage::CopyPreviousMonthLocked(int shift)
{
    changeLocked(TUndoKind::CopyMonth, [&](const TMonthGeometry&) { CopyPreviousMonth(m_roster, View(), shift); });
}

void TMonatsplanerPage::SeiteEdChange()
{
    if (SeiteEd->value() > m_geo.maxseiten && m_geo.maxseiten >= 1) {
        SeiteEd->setValue(m_geo.maxseiten); // raises this handler again
        return;
    }
    PaintBox1Paint();
}
