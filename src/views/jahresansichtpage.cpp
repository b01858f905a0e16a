#include "views/jahresansichtpage.h"

#include "widgets/controls.h"
#include "core/datetime.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

TJahresansichtPage::TJahresansichtPage(QWidget* parent)
    : QWidget(parent)
{
    auto* yearLabel = NamedLabel(this, "Year3Label", "Jahr:");
    Year3Ed = new QSpinBox(this);
    Year3Ed->setObjectName(QStringLiteral("Year3Ed"));
    Year3Ed->setRange(1, 9999);
    Year3Ed->setValue(Clock::today().year());
    MitarbeiterEd = new QComboBox(this);
    MitarbeiterEd->setObjectName(QStringLiteral("MitarbeiterEd"));
    auto* row = new QHBoxLayout;
    row->addWidget(yearLabel);
    row->addWidget(Year3Ed);
    row->addWidget(MitarbeiterEd);
    row->addStretch();
    auto* box = new QVBoxLayout(this);
    box->addLayout(row);
    box->addStretch();
    connect(Year3Ed, &QSpinBox::valueChanged, this, &TJahresansichtPage::yearChanged);
}
