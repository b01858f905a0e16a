#include "planning/proposalview.h"

#include "core/format.h"
#include "core/roster.h"
#include "i18n/translate.h"
#include "widgets/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <thread>

namespace {

QString tr(const char* german)
{
    return TranslateText(QString::fromUtf8(german));
}

} // namespace

TProposeDialog::TProposeDialog(const TPlanRules& rules, int firstMarked, int lastMarked, QWidget* parent)
    : QDialog(parent)
    , m_first(firstMarked)
    , m_last(lastMarked)
{
    setObjectName(QStringLiteral("ProposeDialog"));
    setWindowTitle(tr("Plan vorschlagen"));
    MonthRadio = new QRadioButton(tr("Ganzer Monat"), this);
    MonthRadio->setObjectName(QStringLiteral("MonthRadio"));
    MarkedRadio = new QRadioButton(
        firstMarked > 0 ? tr("Markierte Tage (%1. bis %2.)").arg(firstMarked).arg(lastMarked) : tr("Markierte Tage"),
        this);
    MarkedRadio->setObjectName(QStringLiteral("MarkedRadio"));
    MarkedRadio->setEnabled(firstMarked > 0);
    (firstMarked > 0 ? MarkedRadio : MonthRadio)->setChecked(true);
    TimeLimitEd = new QSpinBox(this);
    TimeLimitEd->setObjectName(QStringLiteral("TimeLimitEd"));
    TimeLimitEd->setRange(1, 600);
    TimeLimitEd->setValue(10);
    TimeLimitEd->setSuffix(QStringLiteral(" s"));
    BalanceCheck = new QCheckBox(tr("Übertrag berücksichtigen"), this);
    BalanceCheck->setObjectName(QStringLiteral("BalanceCheck"));
    BalanceCheck->setToolTip(tr("Ziel ist das Soll abzüglich des Übertrags aus dem Vormonat."));
    PatternCombo = new QComboBox(this);
    PatternCombo->setObjectName(QStringLiteral("PatternCombo"));
    PatternCombo->addItem(tr("Kein Muster"));
    for (const TPattern& p : rules.patterns)
        PatternCombo->addItem(p.name);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Vorschlagen"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout;
    form->addRow(tr("Tage:"), MonthRadio);
    form->addRow(QString(), MarkedRadio);
    form->addRow(tr("Rechenzeit höchstens:"), TimeLimitEd);
    form->addRow(tr("Muster bevorzugen:"), PatternCombo);
    form->addRow(QString(), BalanceCheck);
    auto* box = new QVBoxLayout(this);
    box->addWidget(new QLabel(tr("Füllt die leeren Zellen der gezeigten Mitarbeiter mit Diensten. "
                                 "Vorhandene Einträge bleiben, wie sie sind."),
        this));
    box->addLayout(form);
    box->addWidget(buttons);
}

TProposalOptions TProposeDialog::Options() const
{
    TProposalOptions o;
    if (MarkedRadio->isChecked() && m_first > 0) {
        o.firstDay = m_first;
        o.lastDay = m_last;
    }
    o.timeLimit = TimeLimitEd->value();
    o.useBalance = BalanceCheck->isChecked();
    o.pattern = PatternCombo->currentIndex() - 1;
    return o;
}

TProposal RunProposalDialog(QWidget* parent, const TProposalInput& input)
{
    TSolveProgress progress;
    TProposal result;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = SolveProposal(input, &progress, false);
        done = true;
    });

    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ProposalProgress"));
    dialog.setWindowTitle(tr("Plan vorschlagen"));
    auto* label = new QLabel(&dialog);
    label->setObjectName(QStringLiteral("ProgressLabel"));
    label->setMinimumWidth(380);
    auto* cancel = new QPushButton(tr("Abbrechen"), &dialog);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    auto* box = new QVBoxLayout(&dialog);
    box->addWidget(label);
    box->addWidget(cancel, 0, Qt::AlignRight);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, [&] {
        progress.cancel = true;
        cancel->setEnabled(false);
    });
    QTimer timer;
    QElapsedTimer clock;
    clock.start();
    auto update = [&] {
        if (done) {
            dialog.accept();
            return;
        }
        std::lock_guard<std::mutex> lock(progress.mutex);
        QString text = tr("Rechnet seit %1 s von höchstens %2 s.")
                           .arg(FormatNumberText(double(clock.elapsed() / 1000)), FormatNumberText(input.timeLimit));
        text += QLatin1Char('\n');
        text += progress.solutions == 0 ? tr("Noch keine Lösung.")
                                        : tr("Beste Lösung bisher: Zielwert %1 (Schranke %2).")
                                              .arg(FormatNumberText(std::round(progress.best * 10) / 10),
                                                  FormatNumberText(std::round(progress.bound * 10) / 10));
        if (progress.cancel)
            text += QLatin1Char('\n') + tr("Wird abgebrochen; die beste Lösung bleibt.");
        label->setText(text);
    };
    QObject::connect(&timer, &QTimer::timeout, &dialog, update);
    timer.start(200);
    update();
    // Closed by Escape or its window button: stop as "Abbrechen" does, and keep saying
    // so until the solver has stopped (which it does at its next check).
    while (!done) {
        dialog.exec();
        if (!done) {
            progress.cancel = true;
            cancel->setEnabled(false);
            update();
        }
    }
    worker.join();
    ExplainProposal(input, result);
    return result;
}

QString ProposalSummary(const TProposal& p)
{
    QString how;
    switch (p.status) {
    case TProposalStatus::Optimal:
        how = tr("bestmöglich");
        break;
    case TProposalStatus::Stopped:
        how = tr("beste Lösung nach %1 s").arg(FormatNumberText(std::round(p.seconds * 10) / 10));
        break;
    case TProposalStatus::NoSolution:
        return tr("Keine Lösung gefunden, bevor die Rechenzeit endete. Bitte mit mehr Rechenzeit versuchen.");
    case TProposalStatus::NothingToDo:
        return tr("Keine leere Zelle kann einen Dienst mit Besetzungsvorgabe aufnehmen.");
    case TProposalStatus::Failed:
        return p.error.isEmpty() ? tr("Der Vorschlag konnte nicht berechnet werden.")
                                 : tr("Der Vorschlag konnte nicht berechnet werden: %1").arg(p.error);
    }
    return tr("Vorschlag (%1): %2 Dienste, %3 fehlende Besetzungen, %4 Regelverstöße, Abweichung vom Soll %5 Std.")
        .arg(how)
        .arg(p.cells.size())
        .arg(p.missing)
        .arg(p.ruleBreaks)
        .arg(FormatNumberText(std::round(p.deviation * 10) / 10));
}

TProposalPanel::TProposalPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ProposalPanel"));
    SummaryLabel = new QLabel(this);
    SummaryLabel->setObjectName(QStringLiteral("ProposalSummary"));
    SummaryLabel->setWordWrap(true);
    ShortfallList = NewReportList(this, "ShortfallList", {QString(), QString(), QString()}, {90, 70, 560});
    UebernehmenBtn = new QPushButton(this);
    UebernehmenBtn->setObjectName(QStringLiteral("UebernehmenBtn"));
    VerwerfenBtn = new QPushButton(this);
    VerwerfenBtn->setObjectName(QStringLiteral("VerwerfenBtn"));
    auto* top = new QHBoxLayout;
    top->addWidget(SummaryLabel, 1);
    top->addWidget(UebernehmenBtn);
    top->addWidget(VerwerfenBtn);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addLayout(top);
    box->addWidget(ShortfallList, 1);
    connect(UebernehmenBtn, &QPushButton::clicked, this, &TProposalPanel::accepted);
    connect(VerwerfenBtn, &QPushButton::clicked, this, &TProposalPanel::discarded);
    connect(ShortfallList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int i = ShortfallList->indexOfTopLevelItem(item);
        if (i >= 0 && i < int(m_shortfalls.size()))
            Q_EMIT jumpTo(m_shortfalls[std::size_t(i)].day, -1);
    });
}

void TProposalPanel::Show(const TRoster& roster, const TProposal& proposal)
{
    m_shortfalls = proposal.shortfalls;
    SummaryLabel->setText(ProposalSummary(proposal));
    UebernehmenBtn->setText(tr("Übernehmen"));
    UebernehmenBtn->setVisible(!proposal.cells.empty());
    VerwerfenBtn->setText(tr("Verwerfen"));
    ShortfallList->setHeaderLabels({tr("Tag"), tr("Dienst"), tr("Bleibt unterbesetzt, weil")});
    ShortfallList->clear();
    QList<QTreeWidgetItem*> items;
    for (const TShortfall& s : proposal.shortfalls) {
        const QDate date(proposal.year, proposal.month, s.day);
        const QString duty
            = s.duty >= 0 && s.duty < roster.dienste.Count() ? roster.dienste[s.duty].kuerzel : QString();
        items << new QTreeWidgetItem(QStringList{FormatDate4(date), duty, s.reason});
    }
    ShortfallList->addTopLevelItems(items);
    ShortfallList->setVisible(!items.isEmpty());
    show();
}

void TProposalPanel::ShowDiscarded(const QString& why)
{
    m_shortfalls.clear();
    SummaryLabel->setText(why);
    ShortfallList->clear();
    ShortfallList->hide();
    UebernehmenBtn->hide();
    VerwerfenBtn->setText(tr("Schließen"));
    show();
}
