#include "staff/dienstepage.h"

#include "widgets/controls.h"
#include "core/format.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "staff/dienstform.h"
#include "staff/stafflogic.h"
#include "storage/datastore.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TDienstePage::TDienstePage(TRoster& roster, TDataStore& store, QWidget* parent)
    : QWidget(parent)
    , m_roster(roster)
    , m_store(store)
{
    auto* header = new QLabel(QString::fromUtf8("Hier verwalten Sie die Dienste und Abwesenheiten. Die Position in der "
                                                "Liste ist die Nummer des Dienstes."),
        this);
    header->setObjectName(QStringLiteral("DiensteHeaderLabel"));
    header->setWordWrap(true);
    ListView2 = NewReportList(this, "ListView2",
        {QStringLiteral("Name"), QString::fromUtf8("Kürzel"), QStringLiteral("Stunden")}, {150, 100, 75});

    AddDienstBtn = NamedButton(this, "AddDienstBtn", "Neuer Dienst");
    EditDienstBtn = NamedButton(this, "EditDienstBtn", "Dienst bearbeiten");
    DelDienstBtn = NamedButton(this, "DelDienstBtn", "Dienst löschen");
    DienstNachObenBtn = NamedButton(this, "DienstNachObenBtn", "Nach oben");
    DienstnachUntenBtn = NamedButton(this, "DienstnachUntenBtn", "Nach unten");

    auto* grid = new QGridLayout(this);
    grid->addWidget(header, 0, 0, 1, 2);
    grid->addWidget(ListView2, 1, 0);
    auto* moves = new QVBoxLayout;
    moves->addWidget(DienstNachObenBtn);
    moves->addWidget(DienstnachUntenBtn);
    moves->addStretch();
    grid->addLayout(moves, 1, 1);
    auto* actions = new QHBoxLayout;
    actions->addWidget(AddDienstBtn);
    actions->addWidget(EditDienstBtn);
    actions->addWidget(DelDienstBtn);
    actions->addStretch();
    grid->addLayout(actions, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    connect(AddDienstBtn, &QPushButton::clicked, this, &TDienstePage::AddDienstBtnClick);
    connect(EditDienstBtn, &QPushButton::clicked, this, &TDienstePage::EditDienstBtnClick);
    connect(DelDienstBtn, &QPushButton::clicked, this, &TDienstePage::DelDienstBtnClick);
    connect(DienstNachObenBtn, &QPushButton::clicked, this, &TDienstePage::DienstNachObenBtnClick);
    connect(DienstnachUntenBtn, &QPushButton::clicked, this, &TDienstePage::DienstnachUntenBtnClick);
    connect(ListView2, &QTreeWidget::itemDoubleClicked, this, &TDienstePage::EditDienstBtnClick);
}

void TDienstePage::ListDienste()
{
    if (DienstCombo) {
        DienstCombo->clear();
        DienstCombo->addItem(GetMessageText(18));
    }
    ListView2->setUpdatesEnabled(false);
    ListView2->clear();
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < m_roster.dienste.Count(); ++i) {
        const TDienst& d = m_roster.dienste[i];
        auto* item = new QTreeWidgetItem;
        item->setText(0, d.name);
        item->setText(1, d.kuerzel);
        item->setText(2, FormatNumberText(d.stunden));
        item->setData(0, Qt::UserRole, i + 1);
        rows << item;
        if (DienstCombo)
            DienstCombo->addItem(d.name);
    }
    ListView2->addTopLevelItems(rows);
    ListView2->setUpdatesEnabled(true);
    if (DienstCombo)
        DienstCombo->setCurrentIndex(0);
}

int TDienstePage::SelectedRow() const
{
    const QList<QTreeWidgetItem*> sel = ListView2->selectedItems();
    if (sel.isEmpty())
        return -1;
    const int row = ListView2->indexOfTopLevelItem(sel.first());
    return row < m_roster.dienste.Count() ? row : -1;
}

void TDienstePage::SelectRow(int row)
{
    if (QTreeWidgetItem* item = ListView2->topLevelItem(row)) {
        ListView2->setCurrentItem(item);
        item->setSelected(true);
    }
}

void TDienstePage::AddDienstBtnClick()
{
    if (!DienstForm || !m_store.canwritenowdienste())
        return;
    TUndoRecorder undo(m_undo, m_roster, TUndoKind::AddDienst);
    DienstForm->PrepareNew();
    if (DienstForm->exec() == QDialog::Accepted) {
        if (TDienst* d = m_roster.dienste.Add()) {
            DienstForm->StoreInto(*d);
            undo.DutyInserted(m_roster.dienste.Count() - 1);
        }
    }
    ListDienste();
    Q_EMIT dutiesChanged();
    m_store.saveDienste();
    m_store.EndWriteMowdienste();
    undo.Commit(m_roster);
}

void TDienstePage::EditDienstBtnClick()
{
    if (!DienstForm || !m_store.canwritenowdienste())
        return;
    const int r = SelectedRow();
    if (r < 0) {
        m_store.EndWriteMowdienste();
        return;
    }
    TUndoRecorder undo(m_undo, m_roster, TUndoKind::EditDienst);
    DienstForm->FillFrom(m_roster.dienste[r]);
    // Without a lock file (read-only folder) the poll may have reloaded the list while
    // the dialog was open: never write past its end.
    if (DienstForm->exec() == QDialog::Accepted && r < m_roster.dienste.Count())
        DienstForm->StoreInto(m_roster.dienste[r]);
    ListDienste();
    Q_EMIT dutiesChanged();
    m_store.saveDienste();
    m_store.EndWriteMowdienste();
    undo.Commit(m_roster);
}

bool TDienstePage::lockBoth()
{
    if (!m_store.canwritenowdienste())
        return false;
    if (!m_store.canwritenowpersonen()) {
        m_store.EndWriteMowdienste();
        return false;
    }
    return true;
}

void TDienstePage::saveBothAndRelease()
{
    m_store.saveDienste();
    m_store.savePersons();
    m_store.EndWriteMowpersonen();
    m_store.EndWriteMowdienste();
}

void TDienstePage::DelDienstBtnClick()
{
    if (!lockBoth())
        return;
    const int r = SelectedRow();
    if (r < 0) {
        m_store.EndWriteMowpersonen();
        m_store.EndWriteMowdienste();
        return;
    }
    // The duty's staffing targets, successions and qualifications go with it.
    const int rules = CountDutyRules(m_roster.regeln, m_roster.dienste, r);
    QString question = GetMessageText(19);
    if (rules > 0)
        question += QStringLiteral("\n\n")
            + TranslateText(QStringLiteral("Die Besetzung und Regeln dieses Dienstes (%1) werden ebenfalls gelöscht."))
                  .arg(rules);
    const auto answer = QMessageBox::question(
        this, GetMessageText(20), question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes && r < m_roster.dienste.Count()) {
        TUndoRecorder undo(m_undo, m_roster, TUndoKind::DeleteDienst);
        const bool rulesLocked = rules > 0 && m_store.canwritenowregeln();
        if (rulesLocked)
            RemoveDutyRules(m_roster.regeln, m_roster.dienste, r);
        DeleteDienstAndEntries(m_roster, r + 1);
        undo.DutyRemoved(r);
        ListDienste();
        Q_EMIT dutiesChanged();
        saveBothAndRelease();
        if (rulesLocked) {
            m_store.saveRegeln();
            m_store.EndWriteMowregeln();
        }
        undo.Commit(m_roster);
        return;
    }
    m_store.EndWriteMowpersonen();
    m_store.EndWriteMowdienste();
}

void TDienstePage::moveDienst(int from, int to)
{
    if (!lockBoth())
        return;
    // A reload by the lock check may have changed the list under the selection.
    if (from >= m_roster.dienste.Count() || to >= m_roster.dienste.Count()) {
        m_store.EndWriteMowpersonen();
        m_store.EndWriteMowdienste();
        return;
    }
    TUndoRecorder undo(m_undo, m_roster, TUndoKind::MoveDienst);
    SwapDienste(m_roster, from + 1, to + 1);
    undo.DutiesSwapped(from, to);
    ListDienste();
    SelectRow(to);
    Q_EMIT dutiesChanged();
    saveBothAndRelease();
    undo.Commit(m_roster);
}

void TDienstePage::DienstNachObenBtnClick()
{
    const int r = SelectedRow();
    if (r <= 0)
        return;
    moveDienst(r, r - 1);
}

void TDienstePage::DienstnachUntenBtnClick()
{
    const int r = SelectedRow();
    if (r < 0 || r >= m_roster.dienste.Count() - 1)
        return;
    moveDienst(r, r + 1);
}
