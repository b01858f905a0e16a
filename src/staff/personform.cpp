#include "staff/personform.h"

#include "widgets/controls.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <limits>

namespace {
QDateEdit* dateEdit(QWidget* parent, const char* name)
{
    auto* e = new QDateEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setCalendarPopup(true);
    e->setDateRange(DateEpoch(), QDate(9999, 12, 31)); // day 0 is the default hire date
    return e;
}
QDoubleSpinBox* numberEdit(QWidget* parent, const char* name)
{
    auto* e = new QDoubleSpinBox(parent);
    e->setObjectName(QLatin1String(name));
    e->setRange(-1e9, 1e9);
    e->setDecimals(2);
    e->setAlignment(Qt::AlignRight);
    return e;
}
} // namespace

TPersonForm::TPersonForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PersonForm"));
    setWindowTitle(QStringLiteral("Person bearbeiten"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    VonEd = dateEdit(this, "VonEd");
    BisEd = dateEdit(this, "BisEd");
    EntlassenCheck = new QCheckBox(QStringLiteral("Ist entlassen"), this);
    EntlassenCheck->setObjectName(QStringLiteral("EntlassenCheck"));
    UeberstundenEd = numberEdit(this, "UeberstundenEd");
    MaxStundenEd = numberEdit(this, "MaxStundenEd");
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Edit2));
    Edit3 = new QLineEdit(this);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    AddOkCancelButtons(this, BitBtn1, BitBtn2);

    auto* grid = new QGridLayout(this);
    int row = 0;
    grid->addWidget(NamedLabel(this, "Label1", "Name:"), row, 0);
    grid->addWidget(Edit1, row++, 1, 1, 2);
    grid->addWidget(NamedLabel(this, "Label2", "Eingestellt:"), row, 0);
    grid->addWidget(VonEd, row++, 1);
    grid->addWidget(NamedLabel(this, "Label3", "Entlassen:"), row, 0);
    grid->addWidget(BisEd, row, 1);
    grid->addWidget(EntlassenCheck, row++, 2);
    grid->addWidget(NamedLabel(this, "Label4", "Starten mit x. Überstunden:"), row, 0);
    grid->addWidget(UeberstundenEd, row++, 1);
    grid->addWidget(NamedLabel(this, "Label5", "Maximale Stundenzahl im Monat (0=keine Begrenzung):"), row, 0);
    grid->addWidget(MaxStundenEd, row++, 1);
    grid->addWidget(NamedLabel(this, "Label6", "Personalnummer:"), row, 0);
    grid->addWidget(Edit2, row++, 1, 1, 2);
    grid->addWidget(NamedLabel(this, "Label7", "Abteilung:"), row, 0);
    grid->addWidget(Edit3, row++, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    grid->addLayout(buttons, row, 0, 1, 3);

    for (QLineEdit* e : {Edit1, Edit2, Edit3})
        connect(e, &QLineEdit::textChanged, this, &TPersonForm::Edit1Change);
    setFixedSize(sizeHint());
}

void TPersonForm::Edit1Change()
{
    BitBtn1->setEnabled(!Edit1->text().isEmpty());
}

void TPersonForm::PrepareNew(const QDate& today)
{
    Edit1->clear();
    VonEd->setDate(today);
    BisEd->setDate(today);
    UeberstundenEd->setValue(0);
    MaxStundenEd->setValue(0);
    Edit2->clear();
    Edit3->clear();
    Edit1Change();
}

void TPersonForm::FillFrom(const TPerson& p)
{
    Edit1->setText(p.name);
    VonEd->setDate(DateTimeToDate(p.eingestellt));
    BisEd->setDate(DateTimeToDate(p.entlassen));
    EntlassenCheck->setChecked(p.istentlassen);
    UeberstundenEd->setValue(p.startueberstunden);
    MaxStundenEd->setValue(p.maxstunden);
    // Only digits can be typed; a stored number keeps its digits.
    QString digits;
    for (QChar c : p.persnr)
        if (c.isDigit() && c.unicode() < 128)
            digits += c;
    Edit2->setText(digits);
    Edit3->setText(p.abteilung);
    Edit1Change();
}

void TPersonForm::StoreInto(TPerson& p) const
{
    p.name = Edit1->text();
    p.eingestellt = DateToDateTime(VonEd->date());
    p.entlassen = DateToDateTime(BisEd->date());
    p.istentlassen = EntlassenCheck->isChecked();
    p.startueberstunden = UeberstundenEd->value();
    p.maxstunden = MaxStundenEd->value();
    p.persnr = Edit2->text();
    p.abteilung = Edit3->text();
}
