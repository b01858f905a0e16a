#include "widgets/controls.h"

#include "core/format.h"

#include <QDateEdit>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

QLabel* NamedLabel(QWidget* parent, const char* name, const char* utf8Text)
{
    auto* l = new QLabel(QString::fromUtf8(utf8Text), parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QPushButton* NamedButton(QWidget* parent, const char* name, const char* utf8Text)
{
    auto* b = new QPushButton(QString::fromUtf8(utf8Text), parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QTreeWidget* NewReportList(
    QWidget* parent, const char* name, const QStringList& titles, std::initializer_list<int> widths)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHeaderLabels(titles);
    int column = 0;
    for (int w : widths)
        list->setColumnWidth(column++, w);
    return list;
}

void AddOkCancelButtons(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel)
{
    ok = NamedButton(dialog, "BitBtn1", "OK");
    ok->setDefault(true);
    ok->setEnabled(false);
    cancel = NamedButton(dialog, "BitBtn2", "Abbrechen");
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

QDateEdit* NamedDateEdit(QWidget* parent, const char* name)
{
    auto* e = new QDateEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setDisplayFormat(ShortDateFormat4());
    e->setCalendarPopup(true);
    e->setDateRange(DateEpoch(), QDate(9999, 12, 31));
    return e;
}

QDoubleSpinBox* NamedFloatEdit(QWidget* parent, const char* name)
{
    auto* e = new QDoubleSpinBox(parent);
    e->setObjectName(QLatin1String(name));
    e->setRange(-1e9, 1e9);
    e->setDecimals(2);
    e->setAlignment(Qt::AlignRight);
    return e;
}
