#include "planner/plannerdialogs.h"

#include "widgets/controls.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <limits>

namespace {
QDoubleSpinBox* floatEdit(QWidget* parent, const char* name)
{
    auto* e = new QDoubleSpinBox(parent);
    e->setObjectName(QLatin1String(name));
    // Hours to the minute of a shift (7,125 h) and any value the file holds in practice.
    e->setDecimals(3);
    e->setRange(-999999999.999, 999999999.999);
    e->setAlignment(Qt::AlignRight);
    return e;
}
QPushButton* okButton(QDialog* dlg)
{
    auto* ok = new QPushButton(QStringLiteral("OK"), dlg);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dlg, &QDialog::accept);
    return ok;
}
} // namespace

TSetSollStdForm::TSetSollStdForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SetSollStdForm"));
    setWindowTitle(QStringLiteral("Soll-Stunden festlegen"));
    StundeEd = floatEdit(this, "StundeEd");
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* grid = new QGridLayout(this);
    grid->addWidget(NamedLabel(this, "Label1", "Stunden:"), 0, 0);
    grid->addWidget(StundeEd, 0, 1);
    grid->addWidget(
        NamedLabel(this, "Label2", "Die Einstellung wirkt sich auf alle markierten Personen dieses Monats aus."), 1, 0,
        1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton(this));
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
}

void TSetSollStdForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    StundeEd->setFocus();
    StundeEd->selectAll();
}

TOverHoursForm::TOverHoursForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("OverHoursForm"));
    setWindowTitle(QString::fromUtf8("Den markierten Einträgen Überstunden zuweisen"));
    OverHoursEd = floatEdit(this, "OverHoursEd");
    auto* grid = new QGridLayout(this);
    grid->addWidget(NamedLabel(this, "Label1", "Überstunden eintragen für die markieten Einträge:"), 0, 0, 1, 2);
    grid->addWidget(OverHoursEd, 1, 0);
    grid->addWidget(NamedLabel(this, "Label2", "Stunden"), 1, 1);
    grid->addWidget(okButton(this), 2, 1);
}

TDiensteOvertakeForm::TDiensteOvertakeForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DiensteOvertakeForm"));
    setWindowTitle(QString::fromUtf8("Dienste vom vorherigen Monat übernehmen"));
    VerchiebEd = new QSpinBox(this);
    VerchiebEd->setObjectName(QStringLiteral("VerchiebEd"));
    VerchiebEd->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    VerchiebEd->setValue(0);
    auto* grid = new QGridLayout(this);
    grid->addWidget(NamedLabel(this, "Label1", "Um x Tage verschieben:"), 0, 0);
    grid->addWidget(VerchiebEd, 0, 1);
    grid->addWidget(okButton(this), 1, 1);
}
