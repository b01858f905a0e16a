#include "output/printjob.h"

#include "i18n/translate.h"

#include <QMessageBox>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

void PreparePrinter(QPrinter& printer)
{
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setColorMode(QPrinter::Color);
    printer.setFullPage(false);
}

bool PrinterAvailable(const QPrinter& printer)
{
    // Without any system printer QPrinter falls back to writing a PDF file, which has no
    // name until someone gives it one.
    if (printer.outputFormat() != QPrinter::NativeFormat)
        return !printer.outputFileName().isEmpty();
    return printer.isValid() && !printer.printerName().isEmpty() && !QPrinterInfo::availablePrinterNames().isEmpty();
}

QString NoPrinterText()
{
    return TranslateText(QStringLiteral("Es ist kein Drucker eingerichtet. Bitte richten Sie zuerst einen Drucker "
                                        "im System ein."));
}

QString PrintErrorText(const TExportResult& result)
{
    switch (result.status) {
    case TExportStatus::Ok:
        return {};
    case TExportStatus::CannotCreate:
        return TranslateText(QStringLiteral("Der Drucker hat den Druckauftrag abgelehnt."));
    case TExportStatus::WriteFailed:
        return TranslateText(
            QStringLiteral("Der Druckauftrag konnte nicht vollständig an den Drucker übergeben werden."));
    case TExportStatus::BadPage:
        return TranslateText(QStringLiteral("Der Drucker meldet keine gültige Seitengröße."));
    }
    return {};
}

TExportResult RunPrintJob(
    QWidget* parent, QPrinter& printer, const QString& title, const std::function<TExportResult(QPrinter&)>& job)
{
    TExportResult result;
    if (!PrinterAvailable(printer)) {
        result.status = TExportStatus::CannotCreate;
        QMessageBox::information(parent, QString(), NoPrinterText());
        return result;
    }
    printer.setDocName(title);
    result = job(printer);
    if (!result.ok()) {
        QString text = PrintErrorText(result);
        if (printer.printerState() == QPrinter::Error && !printer.printerName().isEmpty())
            text += QStringLiteral(" (") + printer.printerName() + QLatin1Char(')');
        QMessageBox::critical(parent, QString(), text);
    }
    return result;
}
