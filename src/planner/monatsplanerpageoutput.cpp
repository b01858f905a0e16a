// The month planner page's outputs: printing, printer setup, CSV and PDF export. The work
// is done by the output core; these handlers ask for file names, keep the page selector
// in step and report failures.
#include "planner/monatsplanerpage.h"

#include "core/roster.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "output/csvexport.h"
#include "output/pdfexport.h"
#include "output/printing.h"
#include "output/printjob.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {
// The selector shows the page being output. Its change handler stays out of it: it
// would clamp to the screen's page count, and the window does not repaint during the job.
void showPage(QSpinBox* selector, double page)
{
    const QSignalBlocker block(selector);
    selector->setValue(int(page));
}
} // namespace

void TMonatsplanerPage::PrintBtnClick()
{
    const int remembered = SeiteEd->value();
    TMonthView view = View();
    RunPrintJob(this, *m_printer.Printer(), GetMessageText(25), [&](QPrinter& printer) {
        return PrintMonth(printer, m_roster, m_roster.settings, view, m_geo.maxseiten,
            [this](double page) { showPage(SeiteEd, page); });
    });
    showPage(SeiteEd, remembered);
    SeiteEdChange(); // the preview is drawn for the screen again
}

void TMonatsplanerPage::PrintersetupBtnClick()
{
    m_printer.SetupDialog(this); // every view repaints for the printer's new page
}

QString TMonatsplanerPage::CSVExportTo(const QString& fileName)
{
    const TMonthView view = View();
    const TExportResult res = ExportMonthCsv(fileName, m_roster, view.year, view.month, m_roster.settings.CaptionEd);
    return ExportErrorText(res, fileName);
}

QString TMonatsplanerPage::PDFExportTo(const QString& fileName)
{
    const int remembered = SeiteEd->value();
    const TPrintablePage& page = PrinterPage();
    TMonthView view = View();
    const TExportResult res = ExportMonthPdf(fileName, TPdfPageGeometry{page.width, page.height, page.dpi}, m_roster,
        m_roster.settings, view, m_geo.maxseiten, [this](double p) { showPage(SeiteEd, p); });
    showPage(SeiteEd, remembered);
    SeiteEdChange();
    return ExportErrorText(res, fileName);
}

void TMonatsplanerPage::CSVExportBtnClick()
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setNameFilter(TranslateText(QStringLiteral("CSV-Dateien (*.csv)")));
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString error = CSVExportTo(dialog.selectedFiles().constFirst());
    if (!error.isEmpty())
        QMessageBox::critical(this, QString(), error);
}

void TMonatsplanerPage::ExportalsPDFDatei1Click()
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("SaveDialog2"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.setNameFilter(TranslateText(QStringLiteral("PDF-Dateien (*.pdf)")));
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // an existing file is replaced
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString error = PDFExportTo(dialog.selectedFiles().constFirst());
    if (!error.isEmpty())
        QMessageBox::critical(this, QString(), error);
}
