#include "views/tagesanwesenheitpage.h"

#include "core/canvas.h"
#include "core/datetime.h"
#include "core/roster.h"
#include "i18n/messagetable.h"
#include "output/printersource.h"
#include "output/printing.h"
#include "output/printjob.h"
#include "views/viewpaintbox.h"
#include "views/viewpreview.h"
#include "widgets/controls.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWheelEvent>

TTagesanwesenheitPage::TTagesanwesenheitPage(TRoster& roster, TPrinterSource& printer, QWidget* parent)
    : QWidget(parent)
    , m_roster(roster)
    , m_printer(printer)
{
    auto* caption = NamedLabel(this, "Tagesanwesenheit2Caption",
        "Tagesanwesenheit - Druckt eine Liste für den aktuellen Tag mit der Liste der Arbeiter  und Dienste");
    auto* dayLabel = NamedLabel(this, "DateLabel1", "Tag:");
    DateEdit1 = NamedDateEdit(this, "DateEdit1");
    DateEdit1->setDate(Clock::today());
    auto* zoomLabel = NamedLabel(this, "Zoom2Label", "Zoom:");
    ZoomEd2 = new QSpinBox(this);
    ZoomEd2->setObjectName(QStringLiteral("ZoomEd2"));
    ZoomEd2->setRange(10, 300);
    ZoomEd2->setSingleStep(10);
    ZoomEd2->setValue(100);
    auto* pageLabel = NamedLabel(this, "Seite2Label", "Seite:");
    SeiteEd2 = new QSpinBox(this);
    SeiteEd2->setObjectName(QStringLiteral("SeiteEd2"));
    SeiteEd2->setRange(1, 10000);
    SeiteEd2->setValue(1);
    auto* headingLabel = NamedLabel(this, "Capt2Label", "Überschrift:");
    Capt2Ed = new QLineEdit(this);
    Capt2Ed->setObjectName(QStringLiteral("Capt2Ed"));
    CountNoDienstCheck = new QCheckBox(QString::fromUtf8("Kein Dienst als Abwesenheit zählen"), this);
    CountNoDienstCheck->setObjectName(QStringLiteral("CountNoDienstCheck"));
    PrintBtn2 = NamedButton(this, "PrintBtn2", "Drucken...");
    PrinterSetup2Btn = NamedButton(this, "PrinterSetup2Btn", "Drucker einrichten...");

    ScrollBox2 = new QScrollArea(this);
    ScrollBox2->setObjectName(QStringLiteral("ScrollBox2"));
    ScrollBox2->setBackgroundRole(QPalette::Dark);
    PaintBox2 = new TViewPaintBox(
        m_image, [this] { render(); }, ScrollBox2);
    PaintBox2->setObjectName(QStringLiteral("PaintBox2"));
    ScrollBox2->setWidget(PaintBox2);

    auto* row1 = new QHBoxLayout;
    row1->addWidget(dayLabel);
    row1->addWidget(DateEdit1);
    row1->addWidget(zoomLabel);
    row1->addWidget(ZoomEd2);
    row1->addWidget(pageLabel);
    row1->addWidget(SeiteEd2);
    row1->addWidget(headingLabel);
    row1->addWidget(Capt2Ed, 1);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(CountNoDienstCheck);
    row2->addStretch();
    row2->addWidget(PrintBtn2);
    row2->addWidget(PrinterSetup2Btn);
    auto* box = new QVBoxLayout(this);
    box->addWidget(caption);
    box->addLayout(row1);
    box->addLayout(row2);
    box->addWidget(ScrollBox2, 1);

    ShowSettings();

    // DateEdit1Change, ZoomEd2Change, Capt2EdChange, CountNoDienstCheckClick: repaint.
    connect(DateEdit1, &QDateEdit::dateChanged, this, &TTagesanwesenheitPage::PaintBox2Paint);
    connect(ZoomEd2, &QSpinBox::valueChanged, this, &TTagesanwesenheitPage::PaintBox2Paint);
    connect(Capt2Ed, &QLineEdit::textChanged, this, [this] {
        if (m_showing)
            return;
        ReadControls();
        PaintBox2Paint();
    });
    connect(CountNoDienstCheck, &QCheckBox::toggled, this, [this] {
        if (m_showing)
            return;
        ReadControls();
        PaintBox2Paint();
    });
    connect(SeiteEd2, &QSpinBox::valueChanged, this, &TTagesanwesenheitPage::SeiteEd2Change);
    connect(PrintBtn2, &QPushButton::clicked, this, &TTagesanwesenheitPage::PrintBtn2Click);
    connect(PrinterSetup2Btn, &QPushButton::clicked, this, &TTagesanwesenheitPage::PrintersetupBtnClick);
    connect(&m_printer, &TPrinterSource::Changed, this, &TTagesanwesenheitPage::PaintBox2Paint);

    // Wheel steps over the list and over the page around it.
    installEventFilter(this);
    ScrollBox2->viewport()->installEventFilter(this);
}

TDayView TTagesanwesenheitPage::View() const
{
    TDayView v;
    v.date = DateEdit1->date();
    v.page = SeiteEd2->value();
    return v;
}

void TTagesanwesenheitPage::ShowSettings()
{
    m_showing = true;
    Capt2Ed->setText(m_roster.settings.Capt2Ed);
    CountNoDienstCheck->setChecked(m_roster.settings.CountNoDienstCheck);
    m_showing = false;
}

void TTagesanwesenheitPage::ReadControls()
{
    m_roster.settings.Capt2Ed = Capt2Ed->text();
    m_roster.settings.CountNoDienstCheck = CountNoDienstCheck->isChecked();
}

void TTagesanwesenheitPage::render()
{
    // The printer page scaled to the screen at the zoom of the view.
    const int screenDpi = std::max(1, logicalDpiX());
    const TPrintablePage page = m_printer.Page();
    const QSize size = ScaledPageSize(page.width, page.height, page.dpi, screenDpi, ZoomEd2->value());
    if (PaintBox2->size() != size)
        PaintBox2->resize(size);
    // Drawn at the screen's pixels (the zoom times the device pixel ratio), so text and
    // lines stay sharp on a scaled desktop; at a ratio of 1 nothing changes.
    const double ratio = std::max(1.0, PaintBox2->devicePixelRatioF());
    m_geo = RenderDayPreview(m_image, page, screenDpi, ZoomEd2->value() * ratio, m_roster, m_roster.settings, View());
    m_image.setDevicePixelRatio(ratio);
    maxseiten2 = m_geo.maxseiten2;
}

void TTagesanwesenheitPage::PaintBox2Paint()
{
    render();
    PaintBox2->MarkRendered();
    PaintBox2->update();
}

void TTagesanwesenheitPage::SeiteEd2Change()
{
    // Setting the selector raises this handler once more, which then finds it in range.
    if (SeiteEd2->value() > maxseiten2) {
        SeiteEd2->setValue(std::max(1, maxseiten2));
        return;
    }
    PaintBox2Paint();
}

void TTagesanwesenheitPage::PrintBtn2Click()
{
    const int remembered = SeiteEd2->value();
    TDayView view = View();
    RunPrintJob(this, *m_printer.Printer(), GetMessageText(26), [&](QPrinter& printer) {
        return PrintPages(printer, maxseiten2, [&](TCanvas& canvas, int w, int h, int dpi, int page) {
            // The selector shows the page being printed; its handler would clamp it to
            // the screen's page count, so it stays out of it.
            const QSignalBlocker block(SeiteEd2);
            SeiteEd2->setValue(page);
            view.page = page;
            return DrawDay(canvas, w, h, dpi, dpi, 100, true, m_roster, m_roster.settings, view).maxseiten2;
        });
    });
    {
        const QSignalBlocker block(SeiteEd2);
        SeiteEd2->setValue(remembered);
    }
    SeiteEd2Change(); // the preview is drawn for the screen again
}

void TTagesanwesenheitPage::PrintersetupBtnClick()
{
    m_printer.SetupDialog(this);
}

void TTagesanwesenheitPage::WheelScroll(int notches)
{
    QScrollBar* bar = ScrollBox2->verticalScrollBar();
    bar->setValue(bar->value() + 20 * notches);
}

bool TTagesanwesenheitPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && isVisible()) {
        m_wheelRest -= static_cast<QWheelEvent*>(event)->angleDelta().y();
        const int notches = m_wheelRest / 120;
        m_wheelRest -= notches * 120;
        if (notches != 0)
            WheelScroll(notches);
        // The list scrolls only by these steps; elsewhere the event goes on as usual.
        return watched == ScrollBox2->viewport();
    }
    return QWidget::eventFilter(watched, event);
}
