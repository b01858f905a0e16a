#pragma once
// What an edit dialog was filled with: per control, the record's stored value and the
// control's state right after filling. A control still in that state gives back the
// stored value unchanged, so opening a record and pressing OK rewrites nothing the user
// did not touch — also values the control cannot show exactly (more decimals, a time of
// day, a date outside the field's range, a longer text, a system colour). Only what the
// user changed passes through the dialog's rules.

#include <QHash>
#include <QVariant>

class QWidget;

class TFillMemory {
public:
    // A new record: nothing is stored, every control's value counts.
    void clear() { m_fields.clear(); }
    // Call once the control shows the stored value.
    template <typename T> void remember(const QWidget* control, const T& stored)
    {
        m_fields.insert(control, Field{QVariant::fromValue(stored), ControlState(control)});
    }
    // True when the control was filled from a stored value and still shows that fill.
    bool untouched(const QWidget* control) const;
    // The stored value while the control is untouched, otherwise `edited`.
    template <typename T> T take(const QWidget* control, const T& edited) const
    {
        return untouched(control) ? m_fields.value(control).stored.template value<T>() : edited;
    }

    // What the user sees of a control: the text of line and spin edits (dates and
    // numbers included, so two values shown alike are alike), else its user property.
    static QVariant ControlState(const QWidget* control);

private:
    struct Field {
        QVariant stored;
        QVariant shown;
    };
    QHash<const QWidget*, Field> m_fields;
};
