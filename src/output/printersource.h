#pragma once
// The printer the views preview and print on. Created on first use, in landscape; its
// setup changes only through the printer-setup dialog and lasts until the program ends.

#include "output/printablepage.h"

#include <QObject>

#include <memory>

class QPrinter;
class QWidget;

// The printable page of `printer`. Without an installed printer (no printer, or one that
// only writes files): A4 landscape at 600 dpi, the size in pixels as QPageSize gives it.
TPrintablePage PrintablePageOf(const QPrinter* printer);

class TPrinterSource : public QObject {
    Q_OBJECT
public:
    explicit TPrinterSource(QObject* parent = nullptr);
    ~TPrinterSource() override;

    QPrinter* Printer();
    // Read from the printer every time (never cached). Without a usable printer: A4
    // landscape at 600 dpi.
    TPrintablePage Page();
    // PrintersetupBtnClick: the platform's page setup dialog; whatever it returns, every
    // view repaints (Changed).
    void SetupDialog(QWidget* parent);

Q_SIGNALS:
    void Changed();

private:
    std::unique_ptr<QPrinter> m_printer;
};
