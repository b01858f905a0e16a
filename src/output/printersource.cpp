#include "output/printersource.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrinter>

TPrinterSource::TPrinterSource(QObject* parent)
    : QObject(parent)
{
}

TPrinterSource::~TPrinterSource() = default;

QPrinter* TPrinterSource::Printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageOrientation(QPageLayout::Landscape);
    }
    return m_printer.get();
}

TPrintablePage TPrinterSource::Page()
{
    QPrinter* printer = Printer();
    TPrintablePage page;
    const QRect rect = printer->pageLayout().paintRectPixels(printer->resolution());
    const int dpi = printer->logicalDpiX();
    if (rect.width() > 0 && rect.height() > 0 && dpi > 0) {
        page.width = rect.width();
        page.height = rect.height();
        page.dpi = dpi;
    } else {
        // A4 landscape, 297 × 210 mm, at 600 dpi.
        page.width = 7016;
        page.height = 4961;
        page.dpi = 600;
    }
    return page;
}

void TPrinterSource::SetupDialog(QWidget* parent)
{
    QPageSetupDialog dialog(Printer(), parent);
    dialog.exec();
    Q_EMIT Changed();
}
