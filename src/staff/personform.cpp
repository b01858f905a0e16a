#include "staff/personform.h"

TPersonForm::TPersonForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PersonForm"));
    setWindowTitle(QStringLiteral("Person bearbeiten"));
}
