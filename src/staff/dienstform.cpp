#include "staff/dienstform.h"

#include "widgets/colorcombobox.h"

#include "widgets/controls.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TDienstForm::TDienstForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DienstForm"));
    setWindowTitle(QStringLiteral("Dienst bearbeiten"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMaxLength(6);
    TesselColorComboBox1 = new TTesselColorComboBox(this);
    TesselColorComboBox1->setObjectName(QStringLiteral("TesselColorComboBox1"));
    abwesendcheck = new QCheckBox(QStringLiteral("Abwesend"), this);
    abwesendcheck->setObjectName(QStringLiteral("abwesendcheck"));
    StundeEd = new QDoubleSpinBox(this);
    StundeEd->setObjectName(QStringLiteral("StundeEd"));
    StundeEd->setRange(-1e9, 1e9);
    StundeEd->setDecimals(2);
    StundeEd->setAlignment(Qt::AlignRight);
    AddOkCancelButtons(this, BitBtn1, BitBtn2);

    auto* grid = new QGridLayout(this);
    grid->addWidget(NamedLabel(this, "Label1", "Name:"), 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(NamedLabel(this, "Label2", "Kürzel:"), 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(NamedLabel(this, "Label3", "Farbe:"), 2, 0);
    grid->addWidget(TesselColorComboBox1, 2, 1);
    grid->addWidget(abwesendcheck, 3, 1);
    grid->addWidget(NamedLabel(this, "Label4", "Stunden:"), 4, 0);
    grid->addWidget(StundeEd, 4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    grid->addLayout(buttons, 5, 0, 1, 2);

    connect(Edit1, &QLineEdit::textChanged, this, &TDienstForm::Edit1Change);
    connect(Edit2, &QLineEdit::textChanged, this, &TDienstForm::Edit1Change);
    setFixedSize(sizeHint());
}

void TDienstForm::Edit1Change()
{
    BitBtn1->setEnabled(!Edit1->text().isEmpty() && !Edit2->text().isEmpty());
}

void TDienstForm::PrepareNew()
{
    Edit1->clear();
    Edit2->clear();
    TesselColorComboBox1->setColorValue(0x0000FFFF);
    StundeEd->setValue(0);
    Edit1Change();
}

void TDienstForm::FillFrom(const TDienst& d)
{
    Edit1->setText(d.name);
    Edit2->setText(d.kuerzel.left(6));
    TesselColorComboBox1->setColorValue(d.farbe);
    abwesendcheck->setChecked(d.abwesend);
    StundeEd->setValue(d.stunden);
    Edit1Change();
}

void TDienstForm::StoreInto(TDienst& d) const
{
    d.name = Edit1->text();
    d.kuerzel = Edit2->text();
    d.farbe = TesselColorComboBox1->colorValue();
    d.abwesend = abwesendcheck->isChecked();
    d.stunden = StundeEd->value();
}
