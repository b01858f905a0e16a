#pragma once
// Print jobs on the system's printer: the printer's start-up setup, the check that a
// printer exists at all, and one path that runs a job and tells the user what went wrong.

#include "output/exportresult.h"

#include <functional>

class QPrinter;
class QWidget;

// The setup the program starts with: landscape, in colour (a printer without a driver
// description would otherwise get grey), the printable area as the page.
void PreparePrinter(QPrinter& printer);

// False when `printer` is a system printer and none is installed (or it is not valid):
// a normal state on desktops without printers. A printer that writes a named file is
// available.
bool PrinterAvailable(const QPrinter& printer);

// The text for "no printer installed", for a print service that does not answer, for a
// job the service never received, and the one for a failed job.
QString NoPrinterText();
QString PrintServiceDownText();
QString JobLostText();
QString PrintErrorText(const TExportResult& result);

// Runs `job` on `printer` under the document title `title` (shown by the spooler). On a
// system printer the job counts as printed only once the scheduler lists it. Tells the
// user in a message box when there is no printer, the print service does not answer or
// the job failed (lost on its way included), and returns the job's result (CannotCreate
// without a printer).
TExportResult RunPrintJob(
    QWidget* parent, QPrinter& printer, const QString& title, const std::function<TExportResult(QPrinter&)>& job);
