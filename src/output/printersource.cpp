#include "output/printersource.h"

#include "output/printjob.h"

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
        PreparePrinter(*m_printer);
    }
    return m_printer.get();
}

TPrintablePage PrintablePageOf(const QPrinter* printer)
{
    TPrintablePage page;
    if (printer && printer->outputFormat() == QPrinter::NativeFormat && printer->isValid()) {
        const QRect r = printer->pageRect(QPrinter::DevicePixel).toRect();
        if (r.width() > 0 && r.height() > 0 && printer->resolution() > 0) {
            page.width = r.width();
            page.height = r.height();
            page.dpi = printer->resolution();
            return page;
        }
    }
    return DefaultPrintablePage();
}

TPrintablePage TPrinterSource::Page()
{
    return PrintablePageOf(Printer());
}

void TPrinterSource::SetupDialog(QWidget* parent)
{
    QPageSetupDialog dialog(Printer(), parent);
    dialog.exec();
    Q_EMIT Changed();
}
