#include "planning/plancheckview.h"

#include "core/roster.h"
#include "i18n/translate.h"
#include "widgets/controls.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TPlanCheckList::TPlanCheckList(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PlanCheckPanel"));
    CheckLabel = new QLabel(this);
    CheckLabel->setObjectName(QStringLiteral("PlanCheckLabel"));
    // The texts are translated when the list is first shown: the page is built before the
    // translation table is read.
    CheckList = NewReportList(this, "PlanCheckList", {QString(), QString(), QString(), QString()}, {90, 160, 190, 220});
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("PlanCheckClose"));
    connect(m_close, &QPushButton::clicked, this, &QWidget::hide);
    auto* top = new QHBoxLayout;
    top->addWidget(CheckLabel, 1);
    top->addWidget(m_close);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addLayout(top);
    box->addWidget(CheckList, 1);
    connect(CheckList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int i = CheckList->indexOfTopLevelItem(item);
        if (i >= 0 && i < int(m_findings.size()))
            Q_EMIT jumpTo(m_findings[std::size_t(i)].day, m_findings[std::size_t(i)].person);
    });
}

void TPlanCheckList::Show(const TRoster& roster, int year, int month, const std::vector<TFinding>& findings)
{
    m_findings = findings;
    CheckList->setHeaderLabels({TranslateText(QStringLiteral("Tag")), TranslateText(QStringLiteral("Dienst/Person")),
        TranslateText(QStringLiteral("Regel")), TranslateText(QStringLiteral("Werte"))});
    m_close->setText(TranslateText(QStringLiteral("Schließen")));
    CheckList->clear();
    QList<QTreeWidgetItem*> items;
    for (const TFinding& f : findings) {
        const TFindingText t = FindingText(f, roster, year, month);
        items << new QTreeWidgetItem(QStringList{t.day, t.subject, t.rule, t.numbers});
    }
    CheckList->addTopLevelItems(items);
    CheckLabel->setText(findings.empty()
            ? TranslateText(QStringLiteral("Plan prüfen: keine Unterbesetzung, keine Regel verletzt."))
            : TranslateText(QStringLiteral("Plan prüfen: %1 Befunde")).arg(findings.size()));
    show();
}
