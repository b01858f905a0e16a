#include "staff/dienstform.h"

#include "staff/formtexts.h"
#include "staff/stafflogic.h"
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
    StundeEd = NamedFloatEdit(this, "StundeEd");
    AddOkCancelButtons(this, BitBtn1, BitBtn2);

    const auto label = [this](const char* name, const char* text, QWidget* buddy) {
        QLabel* l = NamedLabel(this, name, text);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout(this);
    grid->addWidget(label("Label1", "Name:", Edit1), 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(label("Label2", "Kürzel:", Edit2), 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(label("Label3", "Farbe:", TesselColorComboBox1), 2, 0);
    grid->addWidget(TesselColorComboBox1, 2, 1);
    grid->addWidget(abwesendcheck, 3, 1);
    grid->addWidget(label("Label4", "Stunden:", StundeEd), 4, 0);
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
    m_fill.clear();
    Edit1->clear();
    Edit2->clear();
    TesselColorComboBox1->setColorValue(0x0000FFFF);
    StundeEd->setValue(0);
    Edit1Change();
}

void TDienstForm::FillFrom(const TDienst& d)
{
    // Each control shows what it can of the stored value; the memory keeps the value.
    m_fill.clear();
    Edit1->setText(d.name);
    m_fill.remember(Edit1, d.name);
    Edit2->setText(d.kuerzel.left(Edit2->maxLength()));
    m_fill.remember(Edit2, d.kuerzel);
    TesselColorComboBox1->setColorValue(d.farbe);
    m_fill.remember(TesselColorComboBox1, quint32(d.farbe));
    abwesendcheck->setChecked(d.abwesend);
    m_fill.remember(abwesendcheck, d.abwesend);
    StundeEd->setValue(d.stunden);
    m_fill.remember(StundeEd, d.stunden);
    Edit1Change();
}

void TDienstForm::StoreInto(TDienst& d) const
{
    d.name = m_fill.take(Edit1, StorableText(Edit1->text()));
    d.kuerzel = m_fill.take(Edit2, StorableText(Edit2->text().left(Edit2->maxLength())));
    d.farbe = m_fill.take(TesselColorComboBox1, quint32(TesselColorComboBox1->colorValue()));
    d.abwesend = m_fill.take(abwesendcheck, abwesendcheck->isChecked());
    d.stunden = m_fill.take(StundeEd, StundeEd->value());
}

void TDienstForm::accept()
{
    if (!CheckStorableTexts(this, m_fill, {Edit1, Edit2}))
        return;
    QDialog::accept();
}
