#include "staff/personform.h"

#include "staff/formtexts.h"
#include "staff/stafflogic.h"
#include "widgets/controls.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {
// Personnel numbers are typed as digits only; the field shows a stored number that way.
QString asciiDigits(const QString& text)
{
    QString digits;
    for (QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    return digits;
}
} // namespace

TPersonForm::TPersonForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PersonForm"));
    setWindowTitle(QStringLiteral("Person bearbeiten"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    VonEd = NamedDateEdit(this, "VonEd");
    BisEd = NamedDateEdit(this, "BisEd");
    EntlassenCheck = new QCheckBox(QStringLiteral("Ist entlassen"), this);
    EntlassenCheck->setObjectName(QStringLiteral("EntlassenCheck"));
    UeberstundenEd = NamedFloatEdit(this, "UeberstundenEd");
    MaxStundenEd = NamedFloatEdit(this, "MaxStundenEd");
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Edit2));
    Edit3 = new QLineEdit(this);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    AddOkCancelButtons(this, BitBtn1, BitBtn2);

    auto* grid = new QGridLayout(this);
    int row = 0;
    const auto label = [this](const char* name, const char* text, QWidget* buddy) {
        QLabel* l = NamedLabel(this, name, text);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label("Label1", "Name:", Edit1), row, 0);
    grid->addWidget(Edit1, row++, 1, 1, 2);
    grid->addWidget(label("Label2", "Eingestellt:", VonEd), row, 0);
    grid->addWidget(VonEd, row++, 1);
    grid->addWidget(label("Label3", "Entlassen:", BisEd), row, 0);
    grid->addWidget(BisEd, row, 1);
    grid->addWidget(EntlassenCheck, row++, 2);
    grid->addWidget(label("Label4", "Starten mit x. Überstunden:", UeberstundenEd), row, 0);
    grid->addWidget(UeberstundenEd, row++, 1);
    grid->addWidget(label("Label5", "Maximale Stundenzahl im Monat (0=keine Begrenzung):", MaxStundenEd), row, 0);
    grid->addWidget(MaxStundenEd, row++, 1);
    grid->addWidget(label("Label6", "Personalnummer:", Edit2), row, 0);
    grid->addWidget(Edit2, row++, 1, 1, 2);
    grid->addWidget(label("Label7", "Abteilung:", Edit3), row, 0);
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
    m_fill.clear();
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
    // Each control shows what it can of the stored value; the memory keeps the value.
    m_fill.clear();
    Edit1->setText(p.name);
    m_fill.remember(Edit1, p.name);
    VonEd->setDate(DateTimeToDate(p.eingestellt));
    m_fill.remember(VonEd, p.eingestellt);
    BisEd->setDate(DateTimeToDate(p.entlassen));
    m_fill.remember(BisEd, p.entlassen);
    EntlassenCheck->setChecked(p.istentlassen);
    m_fill.remember(EntlassenCheck, p.istentlassen);
    UeberstundenEd->setValue(p.startueberstunden);
    m_fill.remember(UeberstundenEd, p.startueberstunden);
    MaxStundenEd->setValue(p.maxstunden);
    m_fill.remember(MaxStundenEd, p.maxstunden);
    Edit2->setText(asciiDigits(p.persnr));
    m_fill.remember(Edit2, p.persnr);
    Edit3->setText(p.abteilung);
    m_fill.remember(Edit3, p.abteilung);
    Edit1Change();
}

void TPersonForm::StoreInto(TPerson& p) const
{
    p.name = m_fill.take(Edit1, StorableText(Edit1->text()));
    p.eingestellt = m_fill.take(VonEd, DateToDateTime(VonEd->date()));
    p.entlassen = m_fill.take(BisEd, DateToDateTime(BisEd->date()));
    p.istentlassen = m_fill.take(EntlassenCheck, EntlassenCheck->isChecked());
    p.startueberstunden = m_fill.take(UeberstundenEd, UeberstundenEd->value());
    p.maxstunden = m_fill.take(MaxStundenEd, MaxStundenEd->value());
    p.persnr = m_fill.take(Edit2, asciiDigits(Edit2->text()));
    p.abteilung = m_fill.take(Edit3, StorableText(Edit3->text()));
}

void TPersonForm::accept()
{
    if (!CheckStorableTexts(this, m_fill, {Edit1, Edit2, Edit3}))
        return;
    QDialog::accept();
}
