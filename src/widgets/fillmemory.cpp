#include "widgets/fillmemory.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QMetaProperty>
#include <QWidget>

bool TFillMemory::untouched(const QWidget* control) const
{
    const auto it = m_fields.constFind(control);
    return it != m_fields.constEnd() && ControlState(control) == it->shown;
}

QVariant TFillMemory::ControlState(const QWidget* control)
{
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(control))
        return spin->text();
    if (const auto* line = qobject_cast<const QLineEdit*>(control))
        return line->text();
    const QMetaProperty user = control->metaObject()->userProperty();
    return user.isValid() ? user.read(control) : QVariant();
}
