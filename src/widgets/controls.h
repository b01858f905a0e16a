#pragma once
// Small constructors for the controls the forms and pages build in code: each control
// gets its documented object name (settings and translations find it by that name).

#include <QStringList>

#include <initializer_list>

class QLabel;
class QPushButton;
class QDateEdit;
class QDialog;
class QDoubleSpinBox;
class QTreeWidget;
class QWidget;

QLabel* NamedLabel(QWidget* parent, const char* name, const char* utf8Text);
QPushButton* NamedButton(QWidget* parent, const char* name, const char* utf8Text);
// Date field with a pop-up calendar, showing and taking four-digit years in the locale's
// order ("30.12.1899"): a typed year is the year stored, never a guessed century. The
// range starts at day 0 (30 December 1899), the default hire date.
QDateEdit* NamedDateEdit(QWidget* parent, const char* name);
// Decimal number field with two decimals, right-aligned, practically unbounded.
QDoubleSpinBox* NamedFloatEdit(QWidget* parent, const char* name);
// OK ("BitBtn1", default, disabled until the form enables it) and "Abbrechen"
// ("BitBtn2") of an edit dialog, wired to accept and reject.
void AddOkCancelButtons(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel);
// A report list: whole-row single selection, no tree decoration, fixed column widths.
QTreeWidget* NewReportList(
    QWidget* parent, const char* name, const QStringList& titles, std::initializer_list<int> widths);
