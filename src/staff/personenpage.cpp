#include "staff/personenpage.h"

#include "widgets/controls.h"
#include "core/format.h"
#include "i18n/messagetable.h"
#include "staff/personform.h"
#include "staff/stafflogic.h"
#include "storage/datastore.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

TPersonenPage::TPersonenPage(TRoster& roster, TDataStore& store, QWidget* parent)
    : QWidget(parent)
    , m_roster(roster)
    , m_store(store)
{
    auto* header = new QLabel(QString::fromUtf8("Hier verwalten Sie die Mitarbeiter. Die Reihenfolge der Liste ist die "
                                                "Reihenfolge der Zeilen im Monatsplan."),
        this);
    header->setObjectName(QStringLiteral("PersonenHeaderLabel"));
    header->setWordWrap(true);
    auto* listLabel = NamedLabel(this, "AktivLabel", "Auflisten von aktiven Personen:");
    auto* monLabel = NamedLabel(this, "MonatLabel", "Monat:");
    auto* yearLabel = NamedLabel(this, "JahrLabel", "Jahr:");
    MonEd = new QSpinBox(this);
    MonEd->setObjectName(QStringLiteral("MonEd"));
    MonEd->setRange(1, 12);
    yeared = new QSpinBox(this);
    yeared->setObjectName(QStringLiteral("yeared"));
    yeared->setRange(1, 9999);
    const QDate today = Clock::today();
    MonEd->setValue(today.month());
    yeared->setValue(today.year());

    ListView1 = NewReportList(this, "ListView1",
        {QStringLiteral("Name"), QStringLiteral("Eingestellt am"), QStringLiteral("Entlassen am"),
            QStringLiteral("Maximale Stunden"), QStringLiteral("Personalnummer"), QStringLiteral("Abteilung")},
        {150, 100, 100, 100, 100, 100});
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setSortIndicatorShown(false);

    AddPersonBtn = NamedButton(this, "AddPersonBtn", "Neue Person");
    EditPersonBtn = NamedButton(this, "EditPersonBtn", "Person bearbeiten");
    DelPersonBtn = NamedButton(this, "DelPersonBtn", "Person löschen");
    NachObenBtn = NamedButton(this, "NachObenBtn", "Nach oben");
    NachUntenBtn = NamedButton(this, "NachUntenBtn", "Nach unten");

    auto* grid = new QGridLayout(this);
    grid->addWidget(header, 0, 0, 1, 3);
    auto* filter = new QHBoxLayout;
    filter->addWidget(listLabel);
    filter->addWidget(monLabel);
    filter->addWidget(MonEd);
    filter->addWidget(yearLabel);
    filter->addWidget(yeared);
    filter->addStretch();
    grid->addLayout(filter, 1, 0, 1, 3);
    grid->addWidget(ListView1, 2, 0, 1, 2);
    auto* moves = new QVBoxLayout;
    moves->addWidget(NachObenBtn);
    moves->addWidget(NachUntenBtn);
    moves->addStretch();
    grid->addLayout(moves, 2, 2);
    auto* actions = new QHBoxLayout;
    actions->addWidget(AddPersonBtn);
    actions->addWidget(EditPersonBtn);
    actions->addWidget(DelPersonBtn);
    actions->addStretch();
    grid->addLayout(actions, 3, 0, 1, 3);
    grid->setColumnStretch(0, 1);

    connect(MonEd, &QSpinBox::valueChanged, this, &TPersonenPage::ListPersons);
    connect(yeared, &QSpinBox::valueChanged, this, &TPersonenPage::ListPersons);
    connect(AddPersonBtn, &QPushButton::clicked, this, &TPersonenPage::AddPersonBtnClick);
    connect(EditPersonBtn, &QPushButton::clicked, this, &TPersonenPage::EditPersonBtnClick);
    connect(DelPersonBtn, &QPushButton::clicked, this, &TPersonenPage::DelPersonBtnClick);
    connect(NachObenBtn, &QPushButton::clicked, this, &TPersonenPage::NachObenBtnClick);
    connect(NachUntenBtn, &QPushButton::clicked, this, &TPersonenPage::NachUntenBtnClick);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &TPersonenPage::EditPersonBtnClick);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, &TPersonenPage::ListView1ColumnClick);
}

void TPersonenPage::ListPersons()
{
    const int jahr = yeared->value();
    const int monat = MonEd->value();
    ListView1->setUpdatesEnabled(false);
    ListView1->clear();
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < m_roster.personen.Count(); ++i) {
        const TPerson& p = m_roster.personen[i];
        if (!IsActiveInMonth(p, jahr, monat))
            continue;
        auto* item = new QTreeWidgetItem;
        item->setText(0, p.name);
        item->setText(1, FormatDateTimeText(p.eingestellt));
        item->setText(2, p.istentlassen ? FormatDateTimeText(p.entlassen) : QString());
        item->setText(3, FormatNumberText(p.maxstunden));
        item->setText(4, p.persnr);
        item->setText(5, p.abteilung);
        item->setData(0, Qt::UserRole, i + 1); // 1-based record number
        rows << item;
    }
    ListView1->addTopLevelItems(rows);
    ListView1->setUpdatesEnabled(true);
}

int TPersonenPage::GetPersonNr(int listnr) const
{
    return ::GetPersonNr(m_roster.personen, listnr, yeared->value(), MonEd->value());
}

int TPersonenPage::SelectedRow() const
{
    const QList<QTreeWidgetItem*> sel = ListView1->selectedItems();
    if (sel.isEmpty())
        return -1;
    return ListView1->indexOfTopLevelItem(sel.first());
}

void TPersonenPage::SelectRow(int row)
{
    if (QTreeWidgetItem* item = ListView1->topLevelItem(row)) {
        ListView1->setCurrentItem(item);
        item->setSelected(true);
    }
}

int TPersonenPage::selectedRecordNumber() const
{
    const int row = SelectedRow();
    if (row < 0)
        return 0;
    const int nr = ListView1->topLevelItem(row)->data(0, Qt::UserRole).toInt();
    return nr >= 1 && nr <= m_roster.personen.Count() ? nr : 0;
}

void TPersonenPage::finishChange()
{
    ListPersons();
    Q_EMIT personsChanged();
    m_store.savePersons();
    m_store.EndWriteMowpersonen();
}

void TPersonenPage::AddPersonBtnClick()
{
    if (!PersonForm || !m_store.canwritenowpersonen())
        return;
    TUndoRecorder undo(m_undo, m_roster, TUndoKind::AddPerson);
    PersonForm->PrepareNew(Clock::today());
    if (PersonForm->exec() == QDialog::Accepted) {
        if (TPerson* p = m_roster.AddPerson()) {
            PersonForm->StoreInto(*p);
            undo.PersonInserted(m_roster.personen.Count() - 1);
        }
    }
    finishChange();
    undo.Commit(m_roster);
}

void TPersonenPage::EditPersonBtnClick()
{
    if (!PersonForm || !m_store.canwritenowpersonen())
        return;
    const int nr = selectedRecordNumber();
    if (nr == 0) {
        m_store.EndWriteMowpersonen();
        return;
    }
    TUndoRecorder undo(m_undo, m_roster, TUndoKind::EditPerson);
    PersonForm->FillFrom(m_roster.personen[nr - 1]);
    // Without a lock file (read-only folder) the poll may have reloaded the list while
    // the dialog was open: never write past its end.
    if (PersonForm->exec() == QDialog::Accepted && nr <= m_roster.personen.Count())
        PersonForm->StoreInto(m_roster.personen[nr - 1]);
    finishChange();
    undo.Commit(m_roster);
}

void TPersonenPage::DelPersonBtnClick()
{
    if (!m_store.canwritenowpersonen())
        return;
    const int nr = selectedRecordNumber();
    if (nr == 0) {
        m_store.EndWriteMowpersonen();
        return;
    }
    const auto answer = QMessageBox::question(
        this, GetMessageText(17), GetMessageText(16), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes && nr <= m_roster.personen.Count()) {
        TUndoRecorder undo(m_undo, m_roster, TUndoKind::DeletePerson);
        m_roster.personen.Delete(nr - 1);
        undo.PersonRemoved(nr - 1);
        ListPersons();
        Q_EMIT personsChanged();
        m_store.savePersons();
        undo.Commit(m_roster);
    }
    m_store.EndWriteMowpersonen();
}

void TPersonenPage::NachObenBtnClick()
{
    const int r = SelectedRow();
    if (r <= 0)
        return;
    const int a = GetPersonNr(r - 1);
    const int b = GetPersonNr(r);
    if (a < 0 || b < 0)
        return;
    TUndoRecorder undo(m_undo, m_roster, TUndoKind::MovePerson);
    m_roster.personen.Change(b, a);
    undo.PersonsSwapped(b, a);
    ListPersons();
    SelectRow(r - 1);
    Q_EMIT personsChanged();
    undo.Commit(m_roster);
}

void TPersonenPage::NachUntenBtnClick()
{
    const int r = SelectedRow();
    if (r < 0 || r >= ListView1->topLevelItemCount() - 1)
        return;
    const int a = GetPersonNr(r + 1);
    const int b = GetPersonNr(r);
    if (a < 0 || b < 0)
        return;
    TUndoRecorder undo(m_undo, m_roster, TUndoKind::MovePerson);
    m_roster.personen.Change(b, a);
    undo.PersonsSwapped(b, a);
    ListPersons();
    SelectRow(r + 1);
    Q_EMIT personsChanged();
    undo.Commit(m_roster);
}

void TPersonenPage::ListView1ColumnClick(int column)
{
    ChooseSortColumn(column, sortspalte, sortdir);
    TUndoRecorder undo(m_undo, m_roster, TUndoKind::SortPersons);
    std::vector<int> order;
    SortierePersonen(m_roster.personen, sortspalte, sortdir, &order);
    undo.PersonsReordered(order);
    ListPersons();
    Q_EMIT personsChanged();
    undo.Commit(m_roster);
}
