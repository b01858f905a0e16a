#pragma once
// The "Plan prüfen" list of the planner page: one line per shortfall or broken rule of
// the month (day, duty or person, rule, numbers). A double-click asks the page to show
// the cell.

#include "planning/plancheck.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;
class TRoster;

class TPlanCheckList : public QWidget {
    Q_OBJECT
public:
    explicit TPlanCheckList(QWidget* parent = nullptr);

    // Shows the findings of the month (a clean month: one line saying so).
    void Show(const TRoster& roster, int year, int month, const std::vector<TFinding>& findings);
    const std::vector<TFinding>& Findings() const { return m_findings; }

    QTreeWidget* CheckList;
    QLabel* CheckLabel;

Q_SIGNALS:
    // Day 0: the whole month; person -1: a duty's coverage.
    void jumpTo(int day, int person);

private:
    std::vector<TFinding> m_findings;
    QPushButton* m_close = nullptr;
};
