#pragma once
// The "Dienst-Statistik" page: duty statistics of the month or the year set on the month
// planner, shown as editable rich text and printed as it stands. Counting and text lines
// come from output/dutystatistics.

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPrinter;
class QPushButton;
class QTextEdit;
class TPrinterSource;
class TRoster;
struct TStatLine;

class TStatistikPage : public QWidget {
    Q_OBJECT
public:
    // The month and year of the month planner, read at every calculation.
    struct Period {
        int month = 1;
        int year = 2000;
    };

    TStatistikPage(TRoster& roster, TPrinterSource& printer, QWidget* parent = nullptr);
    void setPeriodSource(std::function<Period()> source) { m_period = std::move(source); }

    QLabel* NoteLabel;
    QPushButton* RenderMonthBtn;
    QPushButton* RenderYearBtn;
    QPushButton* PrintStatBtn;
    QTextEdit* RichEdit1;

    // --- handlers ---------------------------------------------------------------------
    void RenderMonthBtnClick();
    void RenderYearBtnClick();
    // Asks for the printer on a copy of the shared one, then prints the text box; a
    // failure is told like on the other pages. True when the job was printed.
    bool PrintStatBtnClick();
    // Shows the print dialog on `printer`; false when cancelled. Tests replace it.
    std::function<bool(QPrinter& printer)> askPrinter;

    // Prints whatever the box holds, the user's edits included, half an inch inside the
    // printable area on every side, as the job "Statistik". False when nothing could be
    // printed.
    bool PrintStatistics(QPrinter& printer);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ensureFont();
    void showLines(const std::vector<TStatLine>& lines);
    Period period() const;

    TRoster& m_roster;
    TPrinterSource& m_printer;
    std::function<Period()> m_period;
    bool m_fontSet = false;
};
