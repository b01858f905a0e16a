#pragma once
// The dialogs of the planning rules: "Besetzung und Regeln..." edits a copy of the rules
// (targets, rules, qualifications, patterns); "Muster anwenden..." chooses a pattern,
// the days and each row's offset. Neither touches the roster: the caller takes the lock,
// applies the result and saves.

#include "planning/planrules.h"
#include "planning/rotation.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QTableWidget;
class TRoster;

class TRulesDialog : public QDialog {
    Q_OBJECT
public:
    TRulesDialog(const TRoster& roster, const TPlanRules& rules, QWidget* parent = nullptr);

    // The rules as the dialog shows them; keys and values the dialog has no field for
    // (unknown keys, rules of duties that no longer exist) are kept.
    TPlanRules Rules() const;

    QTableWidget* TargetTable; // duty, Mo … So minimum, Mo … So maximum, holiday min / max
    QTableWidget* DateTable; // duty, date, minimum, maximum
    QSpinBox* MaxDaysEd;
    QSpinBox* MinFreeEd;
    QDoubleSpinBox* MaxHoursEd;
    QTableWidget* SuccessionTable; // first duty, second duty
    QTableWidget* QualificationTable; // persons × duties, ticked = not allowed
    QTableWidget* PatternTable; // name, steps

private:
    void addTargetRow(const TStaffTarget* t);
    void addDateRow(int duty, const TDateTarget* d);
    void addSuccessionRow(const TSuccession* s);
    void addPatternRow(const TPattern* p);
    QComboBox* dutyCombo(int current) const;
    TDutyKey keyOf(QTableWidget* table, int row, int column) const;

    const TRoster& m_roster;
    TPlanRules m_rules;
};

class TPatternDialog : public QDialog {
    Q_OBJECT
public:
    // `names`: the employees of the marked rows, in order.
    TPatternDialog(const TPlanRules& rules, const QStringList& names, const QDate& start, QWidget* parent = nullptr);

    // The chosen pattern (a stored one or the steps typed in) and the run without its
    // persons.
    TPattern Pattern() const;
    TPatternRun Run() const;

    QComboBox* PatternCombo;
    QLineEdit* StepsEd;
    QDateEdit* StartEd;
    QSpinBox* DaysEd; // 0 = to the end of the month
    QTableWidget* OffsetTable; // name, offset
    QCheckBox* AbsencesCheck;

private:
    const TPlanRules& m_rules;
};
