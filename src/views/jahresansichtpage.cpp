#include "views/jahresansichtpage.h"

#include "core/canvas.h"
#include "core/datetime.h"
#include "core/roster.h"
#include "i18n/messagetable.h"
#include "output/printersource.h"
#include "output/printing.h"
#include "output/printjob.h"
#include "views/dayview.h"
#include "views/viewpaintbox.h"
#include "views/viewpreview.h"
#include "widgets/controls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

TJahresansichtPage::TJahresansichtPage(TRoster& roster, TPrinterSource& printer, QWidget* parent)
    : QWidget(parent)
    , m_roster(roster)
    , m_printer(printer)
{
    auto* yearLabel = NamedLabel(this, "Year3Label", "Jahr:");
    Year3Ed = new QSpinBox(this);
    Year3Ed->setObjectName(QStringLiteral("Year3Ed"));
    Year3Ed->setRange(1, 9999);
    Year3Ed->setValue(Clock::today().year());
    auto* zoomLabel = NamedLabel(this, "Zoom3Label", "Zoom:");
    ZoomEd3 = new QSpinBox(this);
    ZoomEd3->setObjectName(QStringLiteral("ZoomEd3"));
    ZoomEd3->setRange(10, 300);
    ZoomEd3->setSingleStep(10);
    ZoomEd3->setValue(100);
    auto* personLabel = NamedLabel(this, "Mitarbeiter3Label", "Mitarbeiter:");
    MitarbeiterEd = new QComboBox(this);
    MitarbeiterEd->setObjectName(QStringLiteral("MitarbeiterEd"));
    MitarbeiterEd->setEditable(false);
    MitarbeiterEd->setMinimumContentsLength(20);
    PrintYearBtn = NamedButton(this, "PrintYearBtn", "Drucken...");
    BitBtnXP2 = NamedButton(this, "BitBtnXP2", "Drucker einrichten...");

    ScrollBox3 = new QScrollArea(this);
    ScrollBox3->setObjectName(QStringLiteral("ScrollBox3"));
    ScrollBox3->setBackgroundRole(QPalette::Dark);
    PaintBox3 = new TViewPaintBox(
        m_image, [this] { render(); }, ScrollBox3);
    PaintBox3->setObjectName(QStringLiteral("PaintBox3"));
    ScrollBox3->setWidget(PaintBox3);

    auto* row = new QHBoxLayout;
    row->addWidget(yearLabel);
    row->addWidget(Year3Ed);
    row->addWidget(zoomLabel);
    row->addWidget(ZoomEd3);
    row->addWidget(personLabel);
    row->addWidget(MitarbeiterEd);
    row->addStretch();
    row->addWidget(PrintYearBtn);
    row->addWidget(BitBtnXP2);
    auto* box = new QVBoxLayout(this);
    box->addLayout(row);
    box->addWidget(ScrollBox3, 1);

    // Year3EdChange refills the list through the window, which repaints; ZoomEd3Change and
    // MitarbeiterEdChange repaint.
    connect(Year3Ed, &QSpinBox::valueChanged, this, &TJahresansichtPage::yearChanged);
    connect(ZoomEd3, &QSpinBox::valueChanged, this, &TJahresansichtPage::PaintBox3Paint);
    connect(MitarbeiterEd, &QComboBox::currentIndexChanged, this, &TJahresansichtPage::PaintBox3Paint);
    connect(PrintYearBtn, &QPushButton::clicked, this, &TJahresansichtPage::PrintYearBtnClick);
    connect(BitBtnXP2, &QPushButton::clicked, this, &TJahresansichtPage::PrintersetupBtnClick);
    connect(&m_printer, &TPrinterSource::Changed, this, &TJahresansichtPage::PaintBox3Paint);
}

TYearView TJahresansichtPage::View() const
{
    TYearView v;
    v.year = Year3Ed->value();
    v.selected = MitarbeiterEd->currentIndex();
    return v;
}

void TJahresansichtPage::render()
{
    // The printer page scaled to the screen at the zoom of the view; the drawing takes the
    // same zoom, so the paint area always holds the whole page.
    const int screenDpi = std::max(1, logicalDpiX());
    const TPrintablePage page = m_printer.Page();
    const QSize size = ScaledPageSize(page.width, page.height, page.dpi, screenDpi, ZoomEd3->value());
    if (PaintBox3->size() != size)
        PaintBox3->resize(size);
    // Drawn at the screen's pixels (the zoom times the device pixel ratio), so text and
    // lines stay sharp on a scaled desktop; at a ratio of 1 nothing changes.
    const double ratio = std::max(1.0, PaintBox3->devicePixelRatioF());
    m_geo = RenderYearPreview(m_image, page, screenDpi, ZoomEd3->value() * ratio, m_roster, m_roster.settings, View());
    m_image.setDevicePixelRatio(ratio);
}

void TJahresansichtPage::PaintBox3Paint()
{
    render();
    PaintBox3->MarkRendered();
    PaintBox3->update();
}

void TJahresansichtPage::PrintYearBtnClick()
{
    // One page, whatever the content: what does not fit is cut off at the page edge.
    const TYearView view = View();
    RunPrintJob(this, *m_printer.Printer(), GetMessageText(25), [&](QPrinter& printer) {
        return PrintPages(printer, 1, [&](TCanvas& canvas, int w, int h, int dpi, int) {
            DrawYear(canvas, w, h, dpi, dpi, 100, true, m_roster, m_roster.settings, view);
            return 1;
        });
    });
}

void TJahresansichtPage::PrintersetupBtnClick()
{
    m_printer.SetupDialog(this);
}
