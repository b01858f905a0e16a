#include "planner/monatsplanerpage.h"

#include "core/canvas.h"
#include "core/datetime.h"
#include "core/roster.h"
#include "i18n/translate.h"
#include "i18n/ui/translateapp.h"
#include "output/printjob.h"
#include "planner/plannerdialogs.h"
#include "planning/plancheckview.h"
#include "planning/proposalview.h"
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
    setFocusPolicy(Qt::StrongFocus);
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

void TMonthPaintBox::keyPressEvent(QKeyEvent* event)
{
    if (m_page->GridKeyPress(*event))
        return;
    // Typed abbreviations reach the grid here too when it has the focus itself.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_page->KeyEditKeyPress(QChar(13));
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        for (QChar c : text)
            m_page->KeyEditKeyPress(c);
        return;
    }
    QWidget::keyPressEvent(event);
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
    // Wide enough for "Leerer Eintrag" and ordinary duty names in any window size.
    DienstCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    DienstCombo->setMinimumContentsLength(14);
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
    ProposalPanel = new TProposalPanel(this);
    ProposalPanel->setMaximumHeight(180);
    ProposalPanel->hide();

    HintLabel = new QLabel(this);
    HintLabel->setObjectName(QStringLiteral("HintLabel"));
    HintLabel->setWordWrap(true);
    HintLabel->setVisible(false);
    // UpdateHint puts the text in the current language itself; the translation of the
    // windows must not take an already translated text for a German one.
    HintLabel->setProperty(kNoTranslateProperty, true);

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
    box->addWidget(HintLabel);
    box->addWidget(ScrollBox1, 1);
    box->addWidget(ProposalPanel);
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
    connect(ProposalPanel, &TProposalPanel::jumpTo, this, &TMonatsplanerPage::ShowCell);
    connect(ProposalPanel, &TProposalPanel::accepted, this, &TMonatsplanerPage::ProposalUebernehmen);
    connect(ProposalPanel, &TProposalPanel::discarded, this, &TMonatsplanerPage::ProposalVerwerfen);
    // A proposal belongs to its month.
    connect(Mon2Ed, &QSpinBox::valueChanged, this, &TMonatsplanerPage::ProposalVerwerfen);
    connect(Year2Ed, &QSpinBox::valueChanged, this, &TMonatsplanerPage::ProposalVerwerfen);
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

double TMonatsplanerPage::PixelRatio() const
{
    const double ratio = PaintBox1 ? PaintBox1->devicePixelRatioF() : devicePixelRatioF();
    return ratio >= 1.0 ? ratio : 1.0;
}

void TMonatsplanerPage::UpdateHint()
{
    const bool show = IsDefaultRoster(m_roster);
    if (show)
        HintLabel->setText(TranslateText(QString::fromUtf8(
            "Erste Schritte: unter „Personen“ die Mitarbeiter und unter „Dienste“ die Dienste anlegen, dann hier "
            "Zellen markieren (Maus oder Pfeiltasten) und einen Dienst zuweisen.")));
    HintLabel->setVisible(show);
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
    const double zoom = ZoomEd->value() * PixelRatio();
    const QSize size = PreviewSize(PrinterPage(), ScreenDpi(), zoom);
    if (size.isEmpty())
        return {};
    // Measured on an image like the preview itself, so the rows agree with a drawing.
    QImage probe(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&probe, ScreenDpi());
    return LayoutMonth(canvas, size.width(), size.height(), ScreenDpi(), zoom, m_roster, m_roster.settings, View());
}

void TMonatsplanerPage::render()
{
    const TPrintablePage& printer = PrinterPage();
    const int dpi1 = ScreenDpi();
    const QSize size = PreviewSize(printer, dpi1, ZoomEd->value());
    if (PaintBox1->size() != size)
        PaintBox1->setFixedSize(size);
    // On a scaled desktop the page is drawn at the screen's pixels, as if the zoom were
    // multiplied by the ratio; the geometry is then in those pixels (see mapped()).
    const double ratio = PixelRatio();
    auto draw = [&] {
        TMonthOverlay overlay = m_sel.Overlay();
        overlay.ruleMarkers = true;
        if (m_proposal)
            overlay.proposal = &m_proposalCells;
        m_geo = RenderMonthPreview(m_image, printer, dpi1, ZoomEd->value() * ratio, m_roster, m_roster.settings, View(),
            overlay, [this](TCanvas& canvas) {
                if (!m_sel.dienststr.isEmpty()) {
                    canvas.SetFontColor(Qt::black);
                    canvas.TextOut(0, 0, m_sel.dienststr);
                }
            });
    };
    draw();
    // The cursor follows month, page, filter and layout: kept within the rows shown.
    if (m_sel.cursorOn && m_sel.ClampCursor(m_geo))
        draw();
    m_image.setDevicePixelRatio(ratio);
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

namespace {
// A point of the paint box in the pixels of the preview image.
QPoint mapped(const QPoint& pos, double ratio)
{
    return ratio == 1.0 ? pos : QPoint(int(std::floor(pos.x() * ratio)), int(std::floor(pos.y() * ratio)));
}
} // namespace

void TMonatsplanerPage::PaintBox1MouseDown(const QPoint& logical, Qt::MouseButton button)
{
    const QPoint pos = mapped(logical, PixelRatio());
    if (!m_sel.MouseDown(m_geo, pos.x(), pos.y(), button == Qt::LeftButton))
        return;
    PaintBox1Paint();
    KeyEdit->setFocus(Qt::MouseFocusReason);
}

void TMonatsplanerPage::PaintBox1MouseMove(const QPoint& logical)
{
    const QPoint pos = mapped(logical, PixelRatio());
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
        assignByKey(result.dienst, true);
        return; // the assignment repainted
    }
    if (result.repaint)
        PaintBox1Paint();
}

bool TMonatsplanerPage::GridKeyPress(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    if (mods & ~(Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    if (key.key() == Qt::Key_Delete && !ctrl) {
        assignByKey(0, false);
        return true;
    }
    TGridKey which;
    switch (key.key()) {
    case Qt::Key_Left:
        which = TGridKey::Left;
        break;
    case Qt::Key_Right:
        which = TGridKey::Right;
        break;
    case Qt::Key_Up:
        which = TGridKey::Up;
        break;
    case Qt::Key_Down:
        which = TGridKey::Down;
        break;
    case Qt::Key_Home:
        which = ctrl ? TGridKey::First : TGridKey::Home;
        break;
    case Qt::Key_End:
        which = TGridKey::End;
        break;
    case Qt::Key_PageUp:
        which = TGridKey::PageUp;
        break;
    case Qt::Key_PageDown:
        which = TGridKey::PageDown;
        break;
    case Qt::Key_Escape:
        which = TGridKey::Escape;
        break;
    case Qt::Key_Space:
        // A space inside a typed abbreviation belongs to it.
        if (!m_sel.dienststr.isEmpty())
            return false;
        which = TGridKey::Space;
        break;
    default:
        return false;
    }
    if (ctrl && which != TGridKey::First)
        return false;
    const TCursorResult result = m_sel.CursorKey(m_geo, which, shift);
    if (result.page >= 1 && result.page != SeiteEd->value())
        SeiteEd->setValue(result.page); // repaints
    else
        PaintBox1Paint();
    showCursor();
    return true;
}

void TMonatsplanerPage::showCursor()
{
    if (!m_sel.cursorOn || m_geo.wx <= 0 || m_geo.wy <= 0)
        return;
    const double ratio = PixelRatio();
    const int x = int((m_geo.sx + (m_sel.cx - 1) * m_geo.wx + m_geo.wx / 2) / ratio);
    const int y = int((m_geo.sy + (m_sel.cy - 1) * m_geo.wy + m_geo.wy / 2) / ratio);
    ScrollBox1->ensureVisible(x, y, int(m_geo.wx / ratio) + 8, int(m_geo.wy / ratio) + 8);
}

void TMonatsplanerPage::assignByKey(int k, bool nextDay)
{
    const TMarks targets = m_sel.KeyTargets(m_geo);
    if (!targets.Any())
        return;
    // The cursor moves before the change so that its repaint shows the new place.
    if (nextDay)
        m_sel.CursorToNextDay(m_geo);
    changeLocked(TUndoKind::AssignDienst,
        [&](const TMonthGeometry& geo) { AssignDienst(m_roster, m_roster.settings, View(), geo, targets, k); });
    showCursor();
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
        // Only the keys are used: they move the cursor or build the typed abbreviation,
        // the field stays empty.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (GridKeyPress(*key))
            return true;
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
    // A change of the cells makes a proposal shown for them stale.
    if (m_proposal)
        ProposalVerwerfen();
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
