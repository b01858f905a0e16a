#include "planner/monatsplanerpage.h"

#include "widgets/controls.h"
#include "core/datetime.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

TMonatsplanerPage::TMonatsplanerPage(QWidget* parent)
    : QWidget(parent)
{
    auto* monLabel = NamedLabel(this, "Mon2Label", "Monat:");
    Mon2Ed = new QSpinBox(this);
    Mon2Ed->setObjectName(QStringLiteral("Mon2Ed"));
    Mon2Ed->setRange(1, 12);
    auto* yearLabel = NamedLabel(this, "Year2Label", "Jahr:");
    Year2Ed = new QSpinBox(this);
    Year2Ed->setObjectName(QStringLiteral("Year2Ed"));
    Year2Ed->setRange(1, 9999);
    const QDate today = Clock::today();
    Mon2Ed->setValue(today.month());
    Year2Ed->setValue(today.year());
    MitarbeiterCombo = new QComboBox(this);
    MitarbeiterCombo->setObjectName(QStringLiteral("MitarbeiterCombo"));
    DienstCombo = new QComboBox(this);
    DienstCombo->setObjectName(QStringLiteral("DienstCombo"));
    DienstCombo->setMaxVisibleItems(30);

    auto* row = new QHBoxLayout;
    row->addWidget(monLabel);
    row->addWidget(Mon2Ed);
    row->addWidget(yearLabel);
    row->addWidget(Year2Ed);
    row->addWidget(MitarbeiterCombo);
    row->addWidget(DienstCombo);
    row->addStretch();
    auto* box = new QVBoxLayout(this);
    box->addLayout(row);
    box->addStretch();

    connect(Mon2Ed, &QSpinBox::valueChanged, this, &TMonatsplanerPage::monthChanged);
    connect(Year2Ed, &QSpinBox::valueChanged, this, &TMonatsplanerPage::monthChanged);
}
