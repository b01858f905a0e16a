#include "app/einstellungenpage.h"

#include "widgets/colorcombobox.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString tr8(const char* s)
{
    return QString::fromUtf8(s);
}
} // namespace

QCheckBox* TEinstellungenPage::addCheck(const char* name, const char* caption)
{
    auto* box = new QCheckBox(tr8(caption), this);
    box->setObjectName(QLatin1String(name));
    connect(box, &QCheckBox::toggled, this, [this] {
        if (m_showing)
            return;
        readChange();
        Q_EMIT displayChanged();
    });
    return box;
}

TEinstellungenPage::TEinstellungenPage(TPlanSettings& settings, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
{
    auto* colours = new QGroupBox(tr8("Farben"), this);
    colours->setObjectName(QStringLiteral("FarbenGroup"));
    auto* colourForm = new QFormLayout(colours);
    TTesselColorComboBox** pickers[3] = {&TesselColorComboBox1, &TesselColorComboBox2, &TesselColorComboBox3};
    const char* captions[3] = {"Farbe für normale Tage:", "Farbe fürs Wochenende:", "Farbe für Feiertage:"};
    for (int i = 0; i < 3; ++i) {
        auto* picker = new TTesselColorComboBox(colours);
        picker->setObjectName(QStringLiteral("TesselColorComboBox%1").arg(i + 1));
        *pickers[i] = picker;
        auto* label = new QLabel(tr8(captions[i]), colours);
        label->setObjectName(QStringLiteral("FarbLabel%1").arg(i + 1));
        colourForm->addRow(label, picker);
        connect(picker, &TTesselColorComboBox::Change, this, [this, i] {
            readChange();
            Q_EMIT colorChanged(i + 1);
        });
    }

    auto* fonts = new QGroupBox(tr8("Schriftarten"), this);
    fonts->setObjectName(QStringLiteral("SchriftartenGroup"));
    auto* fontBox = new QVBoxLayout(fonts);
    QPushButton** buttons[3] = {&FontBtn, &Font2Btn, &Font3Btn};
    const char* names[3] = {"FontBtn", "Font2Btn", "Font3Btn"};
    const char* fontCaptions[3] = {"Schriftart Überschrift", "Schriftart Einträge", "Schriftart Tages-Zeile"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(tr8(fontCaptions[i]), fonts);
        b->setObjectName(QLatin1String(names[i]));
        *buttons[i] = b;
        fontBox->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, i] { Q_EMIT fontButtonClicked(i + 1); });
    }

    auto* plan = new QGroupBox(tr8("Monatsplan und Tagesplan"), this);
    plan->setObjectName(QStringLiteral("PlanGroup"));
    auto* planForm = new QFormLayout(plan);
    CaptionEd = new QLineEdit(plan);
    CaptionEd->setObjectName(QStringLiteral("CaptionEd"));
    RandBreitEd = new QDoubleSpinBox(plan);
    RandBreitEd->setObjectName(QStringLiteral("RandBreitEd"));
    RandBreitEd->setRange(0, 30);
    RandBreitEd->setDecimals(2);
    RandBreitEd->setSingleStep(1);
    auto* capLabel = new QLabel(tr8("Überschrift:"), plan);
    capLabel->setObjectName(QStringLiteral("CaptionLabel"));
    auto* marginLabel = new QLabel(tr8("Seitenrand in mm:"), plan);
    marginLabel->setObjectName(QStringLiteral("RandLabel"));
    planForm->addRow(capLabel, CaptionEd);
    planForm->addRow(marginLabel, RandBreitEd);
    connect(CaptionEd, &QLineEdit::textEdited, this, [this] {
        readChange();
        Q_EMIT displayChanged();
    });
    connect(RandBreitEd, &QDoubleSpinBox::valueChanged, this, [this] {
        if (m_showing)
            return;
        readChange();
        Q_EMIT displayChanged();
    });

    auto* switches = new QGroupBox(tr8("Anzeige"), this);
    switches->setObjectName(QStringLiteral("AnzeigeGroup"));
    auto* switchBox = new QVBoxLayout(switches);
    LegendeCheck = addCheck("LegendeCheck", "Legende einfügen");
    ShowSumCheck = addCheck("ShowSumCheck", "Summe der Stunden anzeigen");
    ShowAnwCheck = addCheck("ShowAnwCheck", "Anwesenheit anzeigen");
    DoubleRowHeightCheck = addCheck("DoubleRowHeightCheck", "Doppelte Zeilenhöhe (Überstunden anzeigen)");
    AddFreeLinesCheck = addCheck("AddFreeLinesCheck", "Freie Zeilen einfügen");
    SecondLinesareDarkerCheck = addCheck("SecondLinesareDarkerCheck", "Jede 2. Zeile dunkler hinterlegen");
    StundenSumCheck = addCheck("StundenSumCheck", "2 Nachkommastellen für Summen der Stunden");
    PrintActualDateCheck = addCheck("PrintActualDateCheck", "Aktuelles Datum auf Monatsplan mit ausdrucken");
    ShowKalenderwocheCheck = addCheck("ShowKalenderwocheCheck", "Zeige Kalenderwoche statt Montag");
    ShowAbteilungCheck = addCheck("ShowAbteilungCheck", "Abteilung und Personalnummer anzeigen");
    for (QCheckBox* c :
        {LegendeCheck, ShowSumCheck, ShowAnwCheck, DoubleRowHeightCheck, AddFreeLinesCheck, SecondLinesareDarkerCheck,
            StundenSumCheck, PrintActualDateCheck, ShowKalenderwocheCheck, ShowAbteilungCheck}) {
        c->setParent(switches);
        switchBox->addWidget(c);
    }
    switchBox->addStretch();

    auto* holidays = new QGroupBox(tr8("Feiertage"), this);
    holidays->setObjectName(QStringLiteral("FeiertageGroup"));
    auto* holidayBox = new QVBoxLayout(holidays);
    FeiertageList = new QListWidget(holidays);
    FeiertageList->setObjectName(QStringLiteral("FeiertageList"));
    FeiertageList->setToolTip(tr8("Liste der Feiertage, Sie können nicht gewünschte Feiertage hier deaktivieren"));
    for (const char* name : kFeiertagNames) {
        auto* item = new QListWidgetItem(tr8(name), FeiertageList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    holidayBox->addWidget(FeiertageList);
    connect(FeiertageList, &QListWidget::itemChanged, this, [this] {
        if (m_showing)
            return;
        readChange();
        Q_EMIT feiertageChanged();
    });

    auto* grid = new QGridLayout(this);
    grid->addWidget(colours, 0, 0);
    grid->addWidget(fonts, 1, 0);
    grid->addWidget(plan, 2, 0);
    grid->addWidget(switches, 0, 1, 3, 1);
    grid->addWidget(holidays, 0, 2, 3, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    ShowSettings();
}

void TEinstellungenPage::ShowSettings()
{
    m_showing = true;
    const TPlanSettings& s = m_settings;
    TesselColorComboBox1->setColorValue(s.TesselColorComboBox1);
    TesselColorComboBox2->setColorValue(s.TesselColorComboBox2);
    TesselColorComboBox3->setColorValue(s.TesselColorComboBox3);
    CaptionEd->setText(s.CaptionEd);
    RandBreitEd->setValue(s.RandBreitEd);
    LegendeCheck->setChecked(s.LegendeCheck);
    ShowSumCheck->setChecked(s.ShowSumCheck);
    ShowAnwCheck->setChecked(s.ShowAnwCheck);
    DoubleRowHeightCheck->setChecked(s.DoubleRowHeightCheck);
    AddFreeLinesCheck->setChecked(s.AddFreeLinesCheck);
    SecondLinesareDarkerCheck->setChecked(s.SecondLinesareDarkerCheck);
    StundenSumCheck->setChecked(s.StundenSumCheck);
    PrintActualDateCheck->setChecked(s.PrintActualDateCheck);
    ShowKalenderwocheCheck->setChecked(s.ShowKalenderwocheCheck);
    ShowAbteilungCheck->setChecked(s.ShowAbteilungCheck);
    for (int i = 0; i < kFeiertagCount; ++i)
        FeiertageList->item(i)->setCheckState(s.FeiertageList[i] ? Qt::Checked : Qt::Unchecked);
    m_showing = false;
}

void TEinstellungenPage::readControls()
{
    TPlanSettings& s = m_settings;
    s.TesselColorComboBox1 = TesselColorComboBox1->colorValue();
    s.TesselColorComboBox2 = TesselColorComboBox2->colorValue();
    s.TesselColorComboBox3 = TesselColorComboBox3->colorValue();
    s.CaptionEd = CaptionEd->text();
    s.RandBreitEd = RandBreitEd->value();
    s.LegendeCheck = LegendeCheck->isChecked();
    s.ShowSumCheck = ShowSumCheck->isChecked();
    s.ShowAnwCheck = ShowAnwCheck->isChecked();
    s.DoubleRowHeightCheck = DoubleRowHeightCheck->isChecked();
    s.AddFreeLinesCheck = AddFreeLinesCheck->isChecked();
    s.SecondLinesareDarkerCheck = SecondLinesareDarkerCheck->isChecked();
    s.StundenSumCheck = StundenSumCheck->isChecked();
    s.PrintActualDateCheck = PrintActualDateCheck->isChecked();
    s.ShowKalenderwocheCheck = ShowKalenderwocheCheck->isChecked();
    s.ShowAbteilungCheck = ShowAbteilungCheck->isChecked();
    for (int i = 0; i < kFeiertagCount; ++i)
        s.FeiertageList[i] = FeiertageList->item(i)->checkState() == Qt::Checked;
}
