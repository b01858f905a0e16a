// The month planner page's outputs in the real main window, offscreen: the print button on
// a printer that writes a PDF file, the missing printer, the PDF export and the CSV export
// through the menu and its save dialog.
#include "app/mainform.h"
#include "i18n/messagetable.h"
#include "output/csvexport.h"
#include "output/printersource.h"
#include "output/printjob.h"
#include "output/safefile.h"
#include "output/statistikpage.h"
#include "outputtestutil.h"
#include "planner/monatsplanerpage.h"
#include "testsupport.h"
#include "views/tagesanwesenheitpage.h"
#include "widgettestsupport.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <cerrno>
#include <memory>
#include <optional>

using namespace plantest;

namespace {
struct Window {
    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;
    TMonatsplanerPage* page = nullptr;

    // The main window on an empty data folder, holding `n` persons with a duty every
    // day of March 2024 (the month the planner shows).
    explicit Window(int n)
    {
        form = std::make_unique<TMainForm>();
        form->CreateDialogs();
        form->store.progpath = dir.path() + QLatin1Char('/');
        TRoster& r = form->roster;
        fill(r, n);
        addDuty(r, QStringLiteral("Rot"), QStringLiteral("R"), 0x0000FF, 8);
        for (int i = 0; i < n; ++i)
            for (int d = 1; d <= 31; ++d)
                addEntry(r.personen[i], 2024, 3, d, 1);
        form->ListPersons();
        form->ListDienste();
        form->ListPersons2();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("main window not shown");
        page = form->MonatsplanerSheet;
        page->PaintBox1Paint();
    }
};
} // namespace

class TestMonthOutputPage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The print button prints every page of the printer's layout and puts the selector
    // back; the pages follow the printer, not the screen.
    void printButton()
    {
        Window w(80);
        QPrinter* printer = w.form->PrinterSource->Printer();
        const QString path = w.dir.filePath(QStringLiteral("printed.pdf"));
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        w.page->SeiteEd->setValue(2);
        QCOMPARE(w.page->SeiteEd->value(), 2);
        QTest::mouseClick(w.page->PrintBtn, Qt::LeftButton);
        QCOMPARE(w.page->SeiteEd->value(), 2);
        QVERIFY(qpdfCheck(path));
        const int pages = pdfPages(path);
        QVERIFY(pages >= 2);
        // The selector's range on screen is the screen's page count again.
        w.page->SeiteEd->setValue(10000);
        QCOMPARE(w.page->SeiteEd->value(), w.page->Geometry().maxseiten);
    }

    // No print service reachable: one clear message, no job, the selector unchanged.
    void noPrinter()
    {
        Window w(3);
        QPrinter* printer = w.form->PrinterSource->Printer();
        if (PrinterAvailable(*printer))
            QSKIP("this machine has a printer installed");
        QString text;
        whenModal([&](QWidget* box) {
            if (auto* m = qobject_cast<QMessageBox*>(box))
                text = m->text();
            box->close();
        });
        QTest::mouseClick(w.page->PrintBtn, Qt::LeftButton);
        // This test has no scheduler at all: the user is told that, not "no printer".
        QCOMPARE(text, PrintServiceDownText());
        QCOMPARE(w.page->SeiteEd->value(), 1);
    }

    // A page remembered from an earlier run stands in for the printer until it is made;
    // making it repaints the views only when the page was not the printer's. A page given
    // once the printer exists is ignored.
    void rememberedPageStandsInForThePrinter()
    {
        const TPrintablePage fresh = PrintablePageOf(TPrinterSource().Printer());
        const TPrintablePage other{fresh.width / 2, fresh.height, fresh.dpi};
        for (const TPrintablePage& remembered : {fresh, other}) {
            TPrinterSource source;
            QSignalSpy changed(&source, &TPrinterSource::Changed);
            source.UseRememberedPage(remembered);
            QCOMPARE(source.Page(), remembered);
            QVERIFY(!source.HasPrinter());
            QVERIFY(!source.FreshPage());
            source.MakePrinter();
            QCOMPARE(source.Page(), fresh);
            QCOMPARE(source.FreshPage(), std::optional(fresh));
            QCoreApplication::processEvents();
            QCOMPARE(changed.count(), remembered == fresh ? 0 : 1);
            source.UseRememberedPage(other);
            QCOMPARE(source.Page(), fresh);
        }
    }

    // The statistics printed to a file through their own print dialog: the shared printer
    // stays as it was, so the day list's print button neither overwrites that file nor
    // prints silently; it tells that no print service answers.
    void statisticsPrintKeepsTheSharedPrinter()
    {
        Window w(3);
        QPrinter* shared = w.form->PrinterSource->Printer();
        const QPrinter::OutputFormat format = shared->outputFormat();
        const QString statsFile = w.dir.filePath(QStringLiteral("statistik.pdf"));
        TStatistikPage* stats = w.form->StatistikSheet;
        stats->RenderMonthBtnClick();
        bool ownPrinter = false;
        stats->askPrinter = [&](QPrinter& printer) {
            ownPrinter = &printer != shared;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(statsFile); // the user picked "print to file" here
            return true;
        };
        QVERIFY(stats->PrintStatBtnClick());
        QVERIFY(ownPrinter);
        QVERIFY(qpdfCheck(statsFile));
        const QByteArray printed = readFile(statsFile);
        QCOMPARE(shared->outputFormat(), format);
        QVERIFY(shared->outputFileName().isEmpty());

        QString text;
        const auto catchBox = [&] {
            whenModal([&](QWidget* box) {
                if (auto* m = qobject_cast<QMessageBox*>(box))
                    text = m->text();
                box->close();
            });
        };
        catchBox();
        QTest::mouseClick(w.form->TagesanwesenheitSheet->PrintBtn2, Qt::LeftButton);
        QCOMPARE(text, PrintServiceDownText());
        QCOMPARE(readFile(statsFile), printed);

        // A statistics job that fails is told, not dropped.
        stats->askPrinter = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(w.dir.filePath(QStringLiteral("no/such/folder.pdf")));
            return true;
        };
        catchBox();
        QVERIFY(!stats->PrintStatBtnClick());
        QVERIFY2(text.startsWith(PrintErrorText(TExportResult{TExportStatus::WriteFailed, {}, 0, 0}).left(20)),
            qPrintable(text));
    }

    void pdfExport()
    {
        Window w(80);
        const QString path = w.dir.filePath(QStringLiteral("plan.pdf"));
        w.page->SeiteEd->setValue(2);
        QVERIFY(w.page->PDFExportTo(path).isEmpty());
        QCOMPARE(w.page->SeiteEd->value(), 2);
        QVERIFY(qpdfCheck(path));
        QVERIFY(pdfPages(path) >= 2);
        const QString gone = w.dir.filePath(QStringLiteral("gone/plan.pdf"));
        QCOMPARE(w.page->PDFExportTo(gone),
            QStringLiteral("Die Datei kann nicht geschrieben werden: %1\n%2").arg(gone, SystemReason(ENOENT)));
    }

    // The menu item asks for a name and writes the month there; a file that cannot be
    // created is named together with the system's reason.
    void csvExportThroughMenu()
    {
        Window w(3);
        const QString path = w.dir.filePath(QStringLiteral("plan.csv"));
        whenModal([&](QWidget* dialog) {
            auto* d = qobject_cast<QFileDialog*>(dialog);
            if (!d || d->objectName() != QStringLiteral("SaveDialog1")) {
                dialog->close(); // never leave the handler waiting on a window nobody answers
                QFAIL("the CSV export did not ask for a file name");
            }
            acceptFileDialog(d, path);
        });
        w.form->CSVExport1->trigger();
        QCOMPARE(readFile(path), CsvBytes(BuildCsvTable(w.form->roster, 2024, 3, w.form->roster.settings.CaptionEd)));
        const QString gone = w.dir.filePath(QStringLiteral("gone/plan.csv"));
        QCOMPARE(w.page->CSVExportTo(gone),
            QStringLiteral("Die Datei kann nicht geschrieben werden: %1\n%2").arg(gone, SystemReason(ENOENT)));
    }
};

int main(int argc, char** argv)
{
    testsupport::prepareEnvironment();
    // No scheduler here: the program sees a system without printers.
    qputenv("CUPS_SERVER", "/nonexistent/rostelmark-test/cups.sock");
    QApplication app(argc, argv);
    testsupport::prepareApplication();
    TestMonthOutputPage tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_monthoutputpage.moc"
