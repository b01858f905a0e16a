// The day, year and statistics pages: page selector limits, the switches reaching the
// settings, wheel steps, the preview growing with the zoom, the year's employee list
// through the main window, and the statistics text shown and printed.
#include "app/formstorage.h"
#include "app/mainform.h"
#include "core/format.h"
#include "output/printersource.h"
#include "output/statistikpage.h"
#include "planner/monatsplanerpage.h"
#include "testsupport.h"
#include "views/jahresansichtpage.h"
#include "views/tagesanwesenheitpage.h"
#include "views/viewpaintbox.h"
#include "viewtestutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QWheelEvent>

using namespace viewtest;

namespace {

// Early duty (work) and leave (absence); persons P1 … Pn, every second one on leave on
// 18 March 2024, a Monday.
void fillDay(TRoster& r, int persons)
{
    clear(r);
    addDuty(r, QStringLiteral("Frühdienst"), QStringLiteral("F"), 0x0000FF);
    addDuty(r, QStringLiteral("Urlaub"), QStringLiteral("U"), 0xFF0000, true);
    for (int i = 0; i < persons; ++i) {
        TPerson& p = addPerson(r, QStringLiteral("P%1").arg(i + 1));
        if (i % 2 == 1)
            addEntry(p, QDate(2024, 3, 18), 2);
    }
}

void wheel(QWidget* target, int angle)
{
    const QPointF pos(10, 10);
    QWheelEvent event(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class TestViewPages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QFile::remove(TFormStorage::FileName()); }

    void dayPageSelectorsAndSwitches()
    {
        TRoster r;
        fillDay(r, 4);
        TPrinterSource printer;
        TTagesanwesenheitPage page(r, printer);
        page.DateEdit1->setDate(QDate(2024, 3, 18));
        QCOMPARE(page.DateEdit1->text(), QStringLiteral("18.03.2024"));
        QCOMPARE(page.Geometry().count, 2);
        QCOMPARE(page.maxseiten2, 1);

        // A page beyond the count is pulled back to it.
        page.SeiteEd2->setValue(7);
        QCOMPARE(page.SeiteEd2->value(), 1);

        // The switch and the heading live in the roster's settings.
        page.CountNoDienstCheck->setChecked(true);
        QVERIFY(r.settings.CountNoDienstCheck);
        QCOMPARE(page.Geometry().count, 0);
        page.Capt2Ed->setText(QString::fromUtf8("Anwesenheit Küche"));
        QCOMPARE(r.settings.Capt2Ed, QString::fromUtf8("Anwesenheit Küche"));

        // Values read from a file show without changing anything else.
        r.settings.Capt2Ed = QStringLiteral("Tagesanwesenheit");
        r.settings.CountNoDienstCheck = false;
        page.ShowSettings();
        QCOMPARE(page.Capt2Ed->text(), QStringLiteral("Tagesanwesenheit"));
        QVERIFY(!page.CountNoDienstCheck->isChecked());

        // The list can be printed.
        QVERIFY(page.PrintBtn2->isEnabled());
    }

    void dayPageWheelSteps()
    {
        TRoster r;
        fillDay(r, 4);
        TPrinterSource printer;
        TTagesanwesenheitPage page(r, printer);
        page.resize(800, 500);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.ZoomEd2->setValue(300);
        QCoreApplication::processEvents();
        QScrollBar* bar = page.ScrollBox2->verticalScrollBar();
        QVERIFY(bar->maximum() > 100);
        QCOMPARE(bar->value(), 0);
        wheel(page.ScrollBox2->viewport(), -120);
        QCOMPARE(bar->value(), 20);
        wheel(page.ScrollBox2->viewport(), -240);
        QCOMPARE(bar->value(), 60);
        wheel(page.ScrollBox2->viewport(), 120);
        QCOMPARE(bar->value(), 40);
        // Half notches add up.
        wheel(page.ScrollBox2->viewport(), -60);
        QCOMPARE(bar->value(), 40);
        wheel(page.ScrollBox2->viewport(), -60);
        QCOMPARE(bar->value(), 60);
        // Over the page around the list too (where controls pass the wheel on), as long as
        // the page shows.
        wheel(&page, -120);
        QCOMPARE(bar->value(), 80);
        page.hide();
        wheel(&page, -120);
        QCOMPARE(bar->value(), 80);
    }

    void previewGrowsWithTheZoom()
    {
        TRoster r;
        fillDay(r, 3);
        TPrinterSource printer;
        TJahresansichtPage year(r, printer);
        year.MitarbeiterEd->addItems({QStringLiteral("P1"), QStringLiteral("P2"), QStringLiteral("P3")});
        year.MitarbeiterEd->setCurrentIndex(1);
        year.ZoomEd3->setValue(100);
        year.PaintBox3Paint();
        const QSize small = year.PaintBox3->size();
        const int smallDay = year.Geometry().dayWidth;
        QCOMPARE(year.Geometry().person, 1);
        year.ZoomEd3->setValue(200);
        const QSize large = year.PaintBox3->size();
        QVERIFY(qAbs(large.width() - 2 * small.width()) <= 1);
        QVERIFY(qAbs(large.height() - 2 * small.height()) <= 1);
        QCOMPARE(year.Preview().size(), large);
        QVERIFY(year.Geometry().dayWidth >= 2 * smallDay - 2);

        TTagesanwesenheitPage day(r, printer);
        day.ZoomEd2->setValue(50);
        const QSize half = day.PaintBox2->size();
        day.ZoomEd2->setValue(100);
        QVERIFY(qAbs(day.PaintBox2->size().width() - 2 * half.width()) <= 1);
    }

    // The start-up draws only the page that shows; a view left out is drawn, with the
    // roster as it is then, when its page is chosen.
    void hiddenViewsDrawWhenChosen()
    {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.PageControl1->currentWidget(), form.MonatsplanerSheet);
        QVERIFY(form.JahresansichtSheet->Geometry().heading.isEmpty());
        QCOMPARE(form.TagesanwesenheitSheet->Geometry().rowHeight, 0);
        form.roster.personen[0].name = QStringLiteral("Zora");
        form.PageControl1->setCurrentWidget(form.JahresansichtSheet);
        QVERIFY(form.JahresansichtSheet->Geometry().heading.contains(QStringLiteral("Zora")));
        form.PageControl1->setCurrentWidget(form.TagesanwesenheitSheet);
        QVERIFY(form.TagesanwesenheitSheet->Geometry().rowHeight > 0);
    }

    void mainWindowCarriesTheViews()
    {
        TMainForm form;
        // One control per name, the day plan's settings on the day page.
        for (const char* name :
            {"Capt2Ed", "CountNoDienstCheck", "DateEdit1", "ZoomEd2", "SeiteEd2", "PrintBtn2", "PrinterSetup2Btn",
                "ScrollBox2", "PaintBox2", "Year3Ed", "ZoomEd3", "MitarbeiterEd", "PrintYearBtn", "BitBtnXP2",
                "ScrollBox3", "PaintBox3", "RenderMonthBtn", "RenderYearBtn", "PrintStatBtn", "RichEdit1"}) {
            QCOMPARE(form.findChildren<QObject*>(QLatin1String(name)).size(), 1);
        }
        QCOMPARE(form.TagesanwesenheitSheet->parentWidget()->parentWidget(), form.PageControl1);
        QCOMPARE(form.PageControl1->indexOf(form.TagesanwesenheitSheet), 3);
        QCOMPARE(form.PageControl1->indexOf(form.StatistikSheet), 5);
        QCOMPARE(form.TagesanwesenheitSheet->DateEdit1->date(), Clock::today());

        // The year's list: employees active in the year, the first one selected, and the
        // view showing the selected one even behind persons not active in that year.
        TRoster& r = form.roster;
        clear(r);
        TPerson& gone = addPerson(r, QStringLiteral("Alt"), DateToDateTime(QDate(2000, 1, 1)));
        gone.istentlassen = true;
        gone.entlassen = DateToDateTime(QDate(2019, 5, 1));
        addPerson(r, QStringLiteral("Bea"), DateToDateTime(QDate(2021, 7, 1)));
        addPerson(r, QStringLiteral("Cem"));
        form.JahresansichtSheet->Year3Ed->setValue(2020);
        QComboBox* list = form.JahresansichtSheet->MitarbeiterEd;
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->itemText(0), QStringLiteral("Cem"));
        QCOMPARE(form.JahresansichtSheet->Geometry().person, 2);
        form.JahresansichtSheet->Year3Ed->setValue(2022);
        QCOMPARE(list->count(), 2);
        list->setCurrentIndex(1);
        QCOMPARE(form.JahresansichtSheet->Geometry().person, 2);
        QVERIFY(form.JahresansichtSheet->Geometry().heading.contains(QStringLiteral("Cem 2022")));

        // Statistics of the month planner's month.
        form.MonatsplanerSheet->Mon2Ed->setValue(7);
        form.MonatsplanerSheet->Year2Ed->setValue(2021);
        form.StatistikSheet->RenderMonthBtn->click();
        QVERIFY(form.StatistikSheet->RichEdit1->toPlainText().startsWith(QStringLiteral("Dienst Statistik 7/2021\n")));
        form.StatistikSheet->RenderYearBtn->click();
        QVERIFY(form.StatistikSheet->RichEdit1->toPlainText().startsWith(QStringLiteral("Dienst Statistik 2021\n")));
    }

    void statisticsShownAndPrinted()
    {
        TRoster r;
        fillDay(r, 2);
        TPrinterSource printer;
        TStatistikPage page(r, printer);
        page.setPeriodSource([] { return TStatistikPage::Period{3, 2024}; });
        // The text's font comes with the first text (or showing), not with the page.
        QVERIFY(page.RichEdit1->document()->defaultFont().family() != QStringLiteral("MS Sans Serif"));
        page.RenderMonthBtn->click();
        QCOMPARE(page.RichEdit1->document()->defaultFont().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(page.RichEdit1->document()->defaultFont().pointSize(), 8);
        QCOMPARE(page.RichEdit1->toPlainText(), QStringLiteral("Dienst Statistik 3/2024\n\n\nP1\n\nP2\nUrlaub: 1\n"));
        const QTextDocument* doc = page.RichEdit1->document();
        auto weightOfLine = [&](int line) {
            QTextCursor c(doc->findBlockByNumber(line));
            c.movePosition(QTextCursor::NextCharacter);
            return c.charFormat().fontWeight();
        };
        QCOMPARE(weightOfLine(0), int(QFont::Bold));
        QCOMPARE(weightOfLine(3), int(QFont::Normal)); // "P1"
        QCOMPARE(weightOfLine(6), int(QFont::Normal)); // "Urlaub: 1"

        // The user's edit is printed with the rest.
        QTextCursor end(page.RichEdit1->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QStringLiteral("Notiz Ende"));

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("stat.pdf"));
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setOutputFileName(file);
        const QPageLayout before = pdf.pageLayout();
        QVERIFY(page.PrintStatistics(pdf));
        QCOMPARE(pdf.pageLayout(), before); // the printer's setup is left as it was
        QFile out(file);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QVERIFY(out.read(5) == "%PDF-");

        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
        if (pdftotext.isEmpty() || pdfinfo.isEmpty())
            QSKIP("poppler-utils not installed");
        QProcess info;
        info.start(pdfinfo, {file});
        QVERIFY(info.waitForFinished());
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression(QStringLiteral("Title:\\s+Statistik"))));
        QProcess text;
        text.start(pdftotext, {QStringLiteral("-bbox"), file, QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        const QString html = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY(html.contains(QStringLiteral(">Notiz</word>")));
        // The first word sits half an inch inside the printable area.
        const QRegularExpressionMatch m
            = QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>Dienst</word>"))
                  .match(html);
        QVERIFY(m.hasMatch());
        const QMarginsF margins = before.margins(QPageLayout::Point);
        const double xMin = m.captured(1).toDouble(), yMin = m.captured(2).toDouble();
        QVERIFY2(xMin >= margins.left() + 35 && xMin <= margins.left() + 40, qPrintable(m.captured(0)));
        QVERIFY2(yMin >= margins.top() + 35 && yMin <= margins.top() + 44, qPrintable(m.captured(0)));
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestViewPages, QApplication)
#include "tst_viewpages.moc"
