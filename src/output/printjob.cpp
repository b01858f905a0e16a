#include "output/printjob.h"

#include "i18n/translate.h"
#include "output/printservice.h"

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

QString PrintServiceDownText()
{
    return TranslateText(QStringLiteral("Der Druckdienst des Systems ist nicht erreichbar. Bitte starten Sie ihn "
                                        "oder fragen Sie Ihren Administrator."));
}

QString JobLostText()
{
    return TranslateText(QStringLiteral("Der Druckauftrag ist beim Druckdienst nicht angekommen."));
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
        // No printer because the service is down is not the same as none installed.
        QMessageBox::information(parent, QString(), PrintServiceReachable() ? NoPrinterText() : PrintServiceDownText());
        return result;
    }
    printer.setDocName(title);
    // A system printer's job is handed to the scheduler when the painter ends; that it
    // arrived shows in the scheduler's job list, under a number above the last one.
    const bool native = printer.outputFormat() == QPrinter::NativeFormat;
    const QString queue = printer.printerName();
    const int before = native ? LastPrintJobId(queue) : 0;
    if (native && before < 0) {
        result.status = TExportStatus::CannotCreate;
        QMessageBox::critical(parent, QString(), PrintServiceDownText());
        return result;
    }
    result = job(printer);
    if (result.ok() && native) {
        switch (FindPrintJob(queue, before, title)) {
        case TJobCheck::Found:
            break;
        case TJobCheck::Missing:
            result.status = TExportStatus::WriteFailed;
            result.detail = JobLostText();
            break;
        case TJobCheck::Unreachable:
            result.status = TExportStatus::WriteFailed;
            result.detail = PrintServiceDownText();
            break;
        }
    }
    if (!result.ok()) {
        QString text = PrintErrorText(result);
        if (!queue.isEmpty() && (native || printer.printerState() == QPrinter::Error))
            text += QStringLiteral(" (") + queue + QLatin1Char(')');
        if (!result.detail.isEmpty())
            text += QLatin1Char('\n') + result.detail;
        QMessageBox::critical(parent, QString(), text);
    }
    return result;
}
