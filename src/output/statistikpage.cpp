#include "output/statistikpage.h"

#include "i18n/messagetable.h"
#include "output/dutystatistics.h"
#include "output/printersource.h"
#include "output/printjob.h"
#include "widgets/controls.h"

#include <QAbstractTextDocumentLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMarginsF>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include <memory>

TStatistikPage::TStatistikPage(TRoster& roster, TPrinterSource& printer, QWidget* parent)
    : QWidget(parent)
    , m_roster(roster)
    , m_printer(printer)
{
    NoteLabel = NamedLabel(this, "StatistikNoteLabel",
        "Die Berechnung erfolgt für den Monat und das Jahr, welches unter Monatsplaner eingestellt ist.");
    NoteLabel->setWordWrap(true);
    RenderMonthBtn = NamedButton(this, "RenderMonthBtn", "Berechnen Monat");
    RenderYearBtn = NamedButton(this, "RenderYearBtn", "Berechnen Jahr");
    PrintStatBtn = NamedButton(this, "PrintStatBtn", "Drucken");
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setAcceptRichText(true);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* row = new QHBoxLayout;
    row->addWidget(RenderMonthBtn);
    row->addWidget(RenderYearBtn);
    row->addWidget(PrintStatBtn);
    row->addStretch();
    auto* box = new QVBoxLayout(this);
    box->addWidget(NoteLabel);
    box->addLayout(row);
    box->addWidget(RichEdit1, 1);

    connect(RenderMonthBtn, &QPushButton::clicked, this, &TStatistikPage::RenderMonthBtnClick);
    connect(RenderYearBtn, &QPushButton::clicked, this, &TStatistikPage::RenderYearBtnClick);
    connect(PrintStatBtn, &QPushButton::clicked, this, &TStatistikPage::PrintStatBtnClick);
}

// The text's font is set when the page first shows or gets text: resolving it is work
// that a start with another page visible need not do.
void TStatistikPage::ensureFont()
{
    if (m_fontSet)
        return;
    m_fontSet = true;
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    RichEdit1->document()->setDefaultFont(font);
}

void TStatistikPage::showEvent(QShowEvent* event)
{
    ensureFont();
    QWidget::showEvent(event);
}

TStatistikPage::Period TStatistikPage::period() const
{
    return m_period ? m_period() : Period{};
}

void TStatistikPage::showLines(const std::vector<TStatLine>& lines)
{
    ensureFont();
    RichEdit1->clear();
    QTextCursor cursor(RichEdit1->document());
    QTextCharFormat regular;
    regular.setFontWeight(QFont::Normal);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bool first = true;
    for (const TStatLine& line : lines) {
        if (!first)
            cursor.insertBlock(QTextBlockFormat(), line.bold ? bold : regular);
        first = false;
        cursor.setCharFormat(line.bold ? bold : regular);
        cursor.insertText(line.text);
    }
    RichEdit1->moveCursor(QTextCursor::Start);
}

void TStatistikPage::RenderMonthBtnClick()
{
    const Period p = period();
    showLines(MonthStatistics(m_roster, p.year, p.month));
}

void TStatistikPage::RenderYearBtnClick()
{
    showLines(YearStatistics(m_roster, period().year));
}

bool TStatistikPage::PrintStatBtnClick()
{
    // A printer of its own for this dialog, set up like the shared one: what the user
    // picks here (another printer, a file) never changes where the other pages print.
    QPrinter printer(QPrinter::HighResolution);
    CopyPrinterSetup(*m_printer.Printer(), printer);
    const bool chosen = askPrinter ? askPrinter(printer) : QPrintDialog(&printer, this).exec() == QDialog::Accepted;
    if (!chosen)
        return false;
    return RunPrintJob(this, printer, GetMessageText(28), [this](QPrinter& p) {
        TExportResult result;
        if (!PrintStatistics(p))
            result.status = TExportStatus::WriteFailed;
        return result;
    }).ok();
}

bool TStatistikPage::PrintStatistics(QPrinter& printer)
{
    printer.setDocName(GetMessageText(28));
    const QPageLayout saved = printer.pageLayout();
    const bool savedFullPage = printer.fullPage();
    printer.setFullPage(false);
    // Half an inch (36 points) more on every side of the printable area.
    const QMarginsF margins = saved.margins(QPageLayout::Point) + QMarginsF(36, 36, 36, 36);
    printer.setPageMargins(margins, QPageLayout::Point);

    // A copy laid out for the printer, one printer page per document page, no margin of
    // its own: the page rectangle is the whole text area.
    ensureFont();
    std::unique_ptr<QTextDocument> doc(RichEdit1->document()->clone());
    doc->setDocumentMargin(0);
    doc->documentLayout()->setPaintDevice(&printer);
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const bool ok = area.width() > 0 && area.height() > 0;
    if (ok) {
        doc->setPageSize(QSizeF(area.size()));
        doc->print(&printer);
    }

    printer.setPageLayout(saved);
    printer.setFullPage(savedFullPage);
    return ok && printer.printerState() != QPrinter::Error;
}
