#include "staff/dienstform.h"

TDienstForm::TDienstForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DienstForm"));
    setWindowTitle(QStringLiteral("Dienst bearbeiten"));
}
