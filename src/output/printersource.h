#pragma once
// The printer the views preview and print on. Created on first use, in landscape; its
// setup changes only through the printer-setup dialog (printer, orientation, paper and
// margins) and lasts until the program ends. Other dialogs work on copies of it.

#include "output/printablepage.h"

#include <QDialog>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QPrinter;
class QPushButton;
class QWidget;

// The printable page of `printer`. Without an installed printer (no printer, or one that
// only writes files): A4 landscape at 600 dpi, the size in pixels as QPageSize gives it.
TPrintablePage PrintablePageOf(const QPrinter* printer);

// Gives `to` the system printer, paper, orientation, margins and colour mode of `from`.
// A printer that writes a file passes on its page only, never the file.
void CopyPrinterSetup(const QPrinter& from, QPrinter& to);

// "Drucker einrichten": the installed printers, the orientation, and the platform's page
// setup for paper and margins, all on `printer` (a copy the caller applies on OK).
class TPrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    TPrinterSetupDialog(QPrinter& printer, QWidget* parent = nullptr);

    QComboBox* PrinterCombo; // installed printers by name; empty and disabled without any
    QComboBox* OrientationCombo; // "Hochformat", "Querformat"
    QPushButton* PaperBtn; // "Papier und Ränder..."
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

private:
    void printerChosen(int index);
    void orientationChosen(int index);
    void paperClicked();

    QPrinter& m_printer;
};

class TPrinterSource : public QObject {
    Q_OBJECT
public:
    explicit TPrinterSource(QObject* parent = nullptr);
    ~TPrinterSource() override;

    QPrinter* Printer();
    // Read from the printer every time (never cached). Without a usable printer: A4
    // landscape at 600 dpi. Before the printer is made, the remembered page if one was given.
    TPrintablePage Page();

    // The page a fresh printer had in an earlier run: Page() answers with it until the
    // printer is made, so that the views can be drawn before the printer (and the print
    // system behind it) is loaded. Making the printer drops it; when the printer's page
    // differs, every view repaints (Changed).
    void UseRememberedPage(std::optional<TPrintablePage> page);
    // Makes the printer if it does not exist yet.
    void MakePrinter() { Printer(); }
    bool HasPrinter() const { return m_printer != nullptr; }
    // The page the printer had when it was made, before any setup: what the next run
    // remembers. Empty while the printer is not made.
    std::optional<TPrintablePage> FreshPage() const { return m_freshPage; }
    // PrintersetupBtnClick: the printer-setup dialog on a copy of the printer; OK applies
    // the copy. Whatever it returns, every view repaints (Changed).
    void SetupDialog(QWidget* parent);
    // Runs the setup dialog (shown modally by default). Tests replace it.
    std::function<bool(TPrinterSetupDialog& dialog)> runSetup;

Q_SIGNALS:
    void Changed();

private:
    std::unique_ptr<QPrinter> m_printer;
    std::optional<TPrintablePage> m_remembered;
    std::optional<TPrintablePage> m_freshPage;
};
