#include "i18n/ui/translateform.h"

#include "i18n/translate.h"
#include "i18n/ui/translateapp.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kColumnWidth = 250;
constexpr int kRowHeight = 24;

// Reports every keystroke of a cell editor, like the grid's edit-text event, and undoes
// those reports when editing is cancelled.
class EditTextDelegate : public QStyledItemDelegate {
public:
    EditTextDelegate(TTranslateForm* form, QTableWidget* grid)
        : QStyledItemDelegate(grid)
        , form(form)
        , grid(grid)
    {
        connect(
            this, &QAbstractItemDelegate::closeEditor, form, [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::RevertModelCache && editRow >= 0) {
                    const QTableWidgetItem* item = this->grid->item(editRow, editColumn);
                    this->form->StringGrid1SetEditText(editColumn, editRow, item ? item->text() : QString());
                }
                editRow = editColumn = -1;
            });
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            const int row = index.row();
            const int column = index.column();
            editRow = row;
            editColumn = column;
            connect(line, &QLineEdit::textEdited, form,
                [f = form, row, column](const QString& text) { f->StringGrid1SetEditText(column, row, text); });
        }
        return editor;
    }

private:
    TTranslateForm* form;
    QTableWidget* grid;
    mutable int editRow = -1;
    mutable int editColumn = -1;
};

// The grid, telling whether a cell editor is open.
class StringGrid : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    bool editing() const { return state() == EditingState; }
};

// Capitals for a to z only; every other character, umlauts included, stays as it is.
QString foldAsciiLetters(QString s)
{
    for (QChar& ch : s)
        if (ch >= u'a' && ch <= u'z')
            ch = QChar(ch.unicode() - 0x20);
    return s;
}

} // namespace

TTranslateForm::TTranslateForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TranslateForm"));
    setWindowTitle(QStringLiteral("Translate"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    resize(705, 453);

    BackBtn = new QPushButton(QStringLiteral("Zurück..."), this);
    BackBtn->setObjectName(QStringLiteral("BackBtn"));
    BackBtn->setAutoDefault(false);
    FilterEdit = new QLineEdit(this);
    FilterEdit->setObjectName(QStringLiteral("FilterEdit"));
    FilterBtn = new QPushButton(QStringLiteral("Suchen"), this);
    FilterBtn->setObjectName(QStringLiteral("FilterBtn"));
    FilterBtn->setAutoDefault(false);
    DeleteRowBtn = new QPushButton(QStringLiteral("Zeile löschen"), this);
    DeleteRowBtn->setObjectName(QStringLiteral("DeleteRowBtn"));
    DeleteRowBtn->setAutoDefault(false);
    FixedColCheck = new QCheckBox(QStringLiteral("Erste Spalte ist fixiert"), this);
    FixedColCheck->setObjectName(QStringLiteral("FixedColCheck"));

    StringGrid1 = new StringGrid(0, kTranslationColumns, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    StringGrid1->verticalHeader()->setMinimumSectionSize(8);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGrid1->setEditTriggers(
        QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    StringGrid1->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    StringGrid1->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    StringGrid1->setItemDelegate(new EditTextDelegate(this, StringGrid1));
    StringGrid1->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setSingleShot(false);

    auto* bar = new QHBoxLayout;
    bar->addWidget(BackBtn);
    bar->addSpacing(12);
    bar->addWidget(FilterEdit, 1);
    bar->addWidget(FilterBtn);
    bar->addSpacing(12);
    bar->addWidget(DeleteRowBtn);
    bar->addWidget(FixedColCheck);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(StringGrid1, 1);

    connect(BackBtn, &QPushButton::clicked, this, &TTranslateForm::BackBtnClick);
    connect(FilterBtn, &QPushButton::clicked, this, &TTranslateForm::FilterBtnClick);
    connect(DeleteRowBtn, &QPushButton::clicked, this, &TTranslateForm::DeleteRowBtnClick);
    connect(FixedColCheck, &QCheckBox::toggled, this, &TTranslateForm::FixedColCheckClick);
    connect(Timer1, &QTimer::timeout, this, &TTranslateForm::Timer1Timer);
    // A finished edit (also a paste or any other change of an item) reaches the table too.
    connect(StringGrid1, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (TranslationCell(item->row(), item->column()) != item->text())
            StringGrid1SetEditText(item->column(), item->row(), item->text());
    });

    // The fixed German column: a second view over the same model laid over column 0.
    frozen = new QTableView(StringGrid1);
    frozen->setObjectName(QStringLiteral("FixedColumnView"));
    frozen->setModel(StringGrid1->model());
    frozen->setSelectionModel(StringGrid1->selectionModel());
    frozen->setFocusPolicy(Qt::NoFocus);
    frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    frozen->verticalHeader()->hide();
    frozen->verticalHeader()->setMinimumSectionSize(8);
    frozen->verticalHeader()->setDefaultSectionSize(kRowHeight);
    frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    frozen->setStyleSheet(QStringLiteral("QTableView { border: none; }"));
    for (int c = 1; c < kTranslationColumns; ++c)
        frozen->setColumnHidden(c, true);
    frozen->setColumnWidth(0, kColumnWidth);
    frozen->hide();
    connect(frozen->verticalScrollBar(), &QScrollBar::valueChanged, StringGrid1->verticalScrollBar(),
        &QScrollBar::setValue);
    connect(StringGrid1->verticalScrollBar(), &QScrollBar::valueChanged, frozen->verticalScrollBar(),
        &QScrollBar::setValue);
    StringGrid1->viewport()->stackUnder(frozen);
    // Keyboard moves to the left must not end under the fixed column.
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int, int column) {
        if (FixedColCheck->isChecked() && column >= 1
            && StringGrid1->columnViewportPosition(column) < StringGrid1->columnWidth(0))
            StringGrid1->horizontalScrollBar()->setValue(column - 1);
    });
}

QString TTranslateForm::ColumnTitle(int column)
{
    static const char* const kTitles[] = {"German", "English", "Frensh", "Italian", "Japanese", "Espannol", "Norsk",
        "Castella", "Nederlands", "Finnish", "Serbisch", "Romance", "Czech", "Chinese traditional",
        "Chinese simplified", "Portuguese", "Swedish", "Polski", "Brazilian", "Russian", "Hungarian", "Farsi"};
    constexpr int kNamed = int(sizeof(kTitles) / sizeof(kTitles[0]));
    if (column < 0 || column >= kTranslationColumns)
        return {};
    if (column < kNamed)
        return QString::fromLatin1(kTitles[column]);
    return QStringLiteral("language%1").arg(column);
}

void TTranslateForm::ShowEditor()
{
    FillStringGrid();
    exec();
    ShowRestartNotice(parentWidget());
}

void TTranslateForm::FillStringGrid()
{
    const QSignalBlocker block(StringGrid1);
    const int rows = TranslationRowCount();
    StringGrid1->clearContents();
    StringGrid1->setRowCount(rows);
    QStringList titles;
    for (int c = 0; c < kTranslationColumns; ++c)
        titles.append(ColumnTitle(c));
    StringGrid1->setHorizontalHeaderLabels(titles);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kTranslationColumns; ++c)
            StringGrid1->setItem(r, c, new QTableWidgetItem(TranslationCell(r, c)));
    updateFrozenGeometry();
}

void TTranslateForm::StringGrid1SetEditText(int column, int row, const QString& text)
{
    if (!SetTranslationCell(row, column, text))
        return;
    restartSaveTimer();
}

void TTranslateForm::restartSaveTimer()
{
    Timer1->stop();
    Timer1->start();
}

void TTranslateForm::Timer1Timer()
{
    Timer1->stop();
    SaveTranslations();
}

void TTranslateForm::done(int result)
{
    if (Timer1->isActive()) {
        Timer1->stop();
        SaveTranslations();
    }
    QDialog::done(result);
}

void TTranslateForm::BackBtnClick()
{
    close();
}

void TTranslateForm::FixedColCheckClick()
{
    frozen->setVisible(FixedColCheck->isChecked());
    updateFrozenGeometry();
}

void TTranslateForm::updateFrozenGeometry()
{
    if (!frozen->isVisible() && !FixedColCheck->isChecked())
        return;
    const int frame = StringGrid1->frameWidth();
    frozen->setGeometry(frame, frame, StringGrid1->columnWidth(0),
        StringGrid1->viewport()->height() + StringGrid1->horizontalHeader()->height());
    frozen->verticalScrollBar()->setValue(StringGrid1->verticalScrollBar()->value());
}

void TTranslateForm::scrollToCell(int row, int column)
{
    // Per-item scrolling: the scroll values are the first visible row and column. While
    // the German column is fixed it covers the first scrolled column, so one less.
    if (row >= 0)
        StringGrid1->verticalScrollBar()->setValue(row);
    const bool fixed = FixedColCheck->isChecked() && column >= 1;
    StringGrid1->horizontalScrollBar()->setValue(fixed ? column - 1 : column);
}

QMessageBox::StandardButton TTranslateForm::askContinueSearch(const QString& found)
{
    return QMessageBox::question(this, QStringLiteral("Suchen"),
        QStringLiteral("Gefunden: \"%1\"\nWeitersuchen?").arg(found), QMessageBox::Yes | QMessageBox::No);
}

QMessageBox::StandardButton TTranslateForm::askDeleteRow(const QString& german)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Zeile löschen"), german,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void TTranslateForm::FilterBtnClick()
{
    const QString needle = foldAsciiLetters(FilterEdit->text());
    if (needle.isEmpty())
        return;
    // The title row first, then the table rows; within a row from the German column on.
    for (int c = 0; c < kTranslationColumns; ++c) {
        const QTableWidgetItem* title = StringGrid1->horizontalHeaderItem(c);
        if (!title || !foldAsciiLetters(title->text()).contains(needle))
            continue;
        StringGrid1->clearSelection();
        scrollToCell(0, c);
        if (askContinueSearch(title->text()) != QMessageBox::Yes)
            return;
    }
    for (int r = 0; r < StringGrid1->rowCount(); ++r) {
        for (int c = 0; c < kTranslationColumns; ++c) {
            const QTableWidgetItem* item = StringGrid1->item(r, c);
            if (!item || !foldAsciiLetters(item->text()).contains(needle))
                continue;
            StringGrid1->setCurrentCell(r, c);
            scrollToCell(r, c);
            if (askContinueSearch(item->text()) != QMessageBox::Yes)
                return;
        }
    }
}

void TTranslateForm::DeleteRowBtnClick()
{
    const int row = StringGrid1->currentRow();
    const int column = qMax(0, StringGrid1->currentColumn());
    if (row >= 0 && row < TranslationRowCount()) {
        if (askDeleteRow(TranslationCell(row, 0)) == QMessageBox::Yes)
            DeleteTranslationRow(row);
    }
    SaveTranslations();
    FillStringGrid();
    if (row >= 0 && row < StringGrid1->rowCount())
        StringGrid1->setCurrentCell(row, column);
}

void TTranslateForm::keyPressEvent(QKeyEvent* event)
{
    // "Zeile löschen" is the window's cancel button: Escape presses it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        DeleteRowBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TTranslateForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == StringGrid1) {
        if (event->type() == QEvent::KeyPress) {
            // Delete on the grid itself deletes the row; inside a cell editor the key
            // never reaches the grid and deletes characters.
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Delete && !static_cast<StringGrid*>(StringGrid1)->editing()) {
                DeleteRowBtnClick();
                return true;
            }
        } else if (event->type() == QEvent::Resize) {
            updateFrozenGeometry();
        }
    }
    return QDialog::eventFilter(watched, event);
}
