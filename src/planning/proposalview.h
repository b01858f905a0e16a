#pragma once
// The windows of "Plan vorschlagen": the options dialog, the progress dialog that runs
// the solver on a worker thread, and the panel below the grid that sums the proposal up
// and offers "Übernehmen" and "Verwerfen".

#include "planning/proposal.h"

#include <QDialog>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;
class TRoster;

class TProposeDialog : public QDialog {
    Q_OBJECT
public:
    // `markedDays`: days first … last are marked, so "Markierte Tage" can be chosen.
    TProposeDialog(const TPlanRules& rules, int firstMarked, int lastMarked, QWidget* parent = nullptr);

    QRadioButton* MonthRadio;
    QRadioButton* MarkedRadio;
    QSpinBox* TimeLimitEd;
    QCheckBox* BalanceCheck;
    QComboBox* PatternCombo;

    // The options chosen (persons are the caller's to set).
    TProposalOptions Options() const;

private:
    int m_first, m_last;
};

// Solves on a worker thread behind a modal progress dialog with the best value so far;
// "Abbrechen" stops the solver and keeps the best solution found. The window's timers
// (the data folder's poll among them) go on meanwhile.
TProposal RunProposalDialog(QWidget* parent, const TProposalInput& input);

class TProposalPanel : public QWidget {
    Q_OBJECT
public:
    explicit TProposalPanel(QWidget* parent = nullptr);

    void Show(const TRoster& roster, const TProposal& proposal);
    // The proposal is gone (the data changed): says why, offers only closing.
    void ShowDiscarded(const QString& why);

    QLabel* SummaryLabel;
    QTreeWidget* ShortfallList;
    QPushButton* UebernehmenBtn;
    QPushButton* VerwerfenBtn;

Q_SIGNALS:
    void accepted();
    void discarded();
    void jumpTo(int day, int person);

private:
    std::vector<TShortfall> m_shortfalls;
};

// The summary line of a proposal, in the current language.
QString ProposalSummary(const TProposal& proposal);
