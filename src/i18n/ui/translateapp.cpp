#include "i18n/ui/translateapp.h"

#include "i18n/messagetable.h"
#include "i18n/translate.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSet>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>

namespace {

struct Walk {
    QSet<const QObject*> seen;
    QSet<const QAbstractItemModel*> models; // a model shared by several views is done once
};

// Translates a string property through a getter/setter pair; sets only on change, so no
// change signal fires for texts that stay the same.
template <typename Get, typename Set> void translateVia(Get get, Set set)
{
    const QString old = get();
    const QString now = TranslateText(old);
    if (now != old)
        set(now);
}

void translateToolTip(QWidget* w)
{
    translateVia([w] { return w->toolTip(); }, [w](const QString& s) { w->setToolTip(s); });
}

QString translateLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = TranslateText(line);
    return lines.join(QLatin1Char('\n'));
}

// Column titles of a list or grid: the horizontal header texts of its model.
void translateHeader(QAbstractItemModel* model, Walk& walk)
{
    if (!model || walk.models.contains(model))
        return;
    walk.models.insert(model);
    for (int c = 0; c < model->columnCount(); ++c) {
        const QVariant v = model->headerData(c, Qt::Horizontal, Qt::DisplayRole);
        if (v.typeId() != QMetaType::QString)
            continue; // no title of its own, only the section number
        const QString old = v.toString();
        const QString now = TranslateText(old);
        if (now != old)
            model->setHeaderData(c, Qt::Horizontal, now, Qt::DisplayRole);
    }
}

// Qt's own dialogs carry Qt's texts; they are not the program's German captions.
bool isToolkitDialog(const QObject* o)
{
    static const char* const kinds[] = {"QColorDialog", "QFontDialog", "QMessageBox", "QInputDialog", "QProgressDialog",
        "QErrorMessage", "QAbstractPrintDialog", "QPageSetupDialog", "QPrintPreviewDialog", "QWizard"};
    for (const char* k : kinds)
        if (o->inherits(k))
            return true;
    return false;
}

// Translates one object by the first rule its class matches. Returns whether the objects
// it owns are to be visited: composite controls own only their inner parts (the edit
// field of a spin box, the list of a combo box), which carry no texts of the program.
bool translateObject(QObject* o, Walk& walk)
{
    if (o->property(kNoTranslateProperty).toBool())
        return true;

    // A file dialog filter may be held by any object (the action that opens the dialog,
    // or a plain holder object).
    const QVariant filter = o->property(kFileFilterProperty);
    if (filter.typeId() == QMetaType::QString)
        translateVia(
            [&] { return filter.toString(); }, [o](const QString& s) { o->setProperty(kFileFilterProperty, s); });

    if (auto* a = qobject_cast<QAction*>(o)) {
        // Menu items: caption, then the hint (shown in the status bar, as the status tip).
        translateVia([a] { return a->text(); }, [a](const QString& s) { a->setText(s); });
        translateVia([a] { return a->statusTip(); }, [a](const QString& s) { a->setStatusTip(s); });
        return true;
    }
    auto* w = qobject_cast<QWidget*>(o);
    if (!w)
        return true;

    if (auto* l = qobject_cast<QLabel*>(w)) {
        translateVia([l] { return l->text(); }, [l](const QString& s) { l->setText(s); });
        return false;
    }
    if (auto* c = qobject_cast<QCheckBox*>(w)) {
        translateToolTip(c);
        translateVia([c] { return c->text(); }, [c](const QString& s) { c->setText(s); });
        return false;
    }
    if (auto* r = qobject_cast<QRadioButton*>(w)) {
        translateVia([r] { return r->text(); }, [r](const QString& s) { r->setText(s); });
        return false;
    }
    if (auto* t = qobject_cast<QTabWidget*>(w)) {
        for (int i = 0; i < t->count(); ++i)
            translateVia([t, i] { return t->tabText(i); }, [t, i](const QString& s) { t->setTabText(i, s); });
        return true;
    }
    if (isToolkitDialog(w))
        return false;
    if (auto* fd = qobject_cast<QFileDialog*>(w)) {
        QStringList filters = fd->nameFilters();
        for (QString& f : filters)
            f = TranslateText(f);
        if (filters != fd->nameFilters())
            fd->setNameFilters(filters);
        return false;
    }
    if (w->isWindow() && !qobject_cast<QMenu*>(w)) {
        translateVia([w] { return w->windowTitle(); }, [w](const QString& s) { w->setWindowTitle(s); });
        return true;
    }
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        // A tool button showing an action takes its texts from the action, which is
        // translated where it is owned; translating both would look up English text.
        auto* tb = qobject_cast<QToolButton*>(b);
        if (tb && tb->defaultAction())
            return false;
        translateVia([b] { return b->text(); }, [b](const QString& s) { b->setText(s); });
        translateToolTip(b);
        return false;
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        translateVia([g] { return g->title(); }, [g](const QString& s) { g->setTitle(s); });
        translateToolTip(g);
        return true;
    }
    if (qobject_cast<QSpinBox*>(w) || qobject_cast<QDoubleSpinBox*>(w)) {
        if (w->property(kTagProperty).toInt() != 99)
            translateToolTip(w);
        return false;
    }
    if (auto* cb = qobject_cast<QComboBox*>(w)) {
        if (cb->inherits("TTesselColorComboBox") || cb->property(kColorPickerProperty).toBool()) {
            translateToolTip(cb);
            return false;
        }
        const QSignalBlocker block(cb); // the selection stays; no change handler runs
        const int current = cb->currentIndex();
        for (int i = 0; i < cb->count(); ++i)
            translateVia([cb, i] { return cb->itemText(i); }, [cb, i](const QString& s) { cb->setItemText(i, s); });
        cb->setCurrentIndex(current);
        return false;
    }
    if (qobject_cast<QTableView*>(w) || qobject_cast<QTreeView*>(w)) {
        translateHeader(static_cast<QAbstractItemView*>(w)->model(), walk);
        return true; // cell widgets live in the viewport
    }
    if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) {
        const QString old = pe->toPlainText();
        const QString now = translateLines(old);
        if (now != old)
            pe->setPlainText(now);
        return false;
    }
    if (auto* te = qobject_cast<QTextEdit*>(w)) { // memo lines; formatting is not kept
        const QString old = te->toPlainText();
        const QString now = translateLines(old);
        if (now != old)
            te->setPlainText(now);
        return false;
    }
    if (auto* le = qobject_cast<QLineEdit*>(w)) {
        translateVia([le] { return le->text(); }, [le](const QString& s) { le->setText(s); });
        return false;
    }
    // Spin and date fields, scroll bars, tab bars and headers own only inner parts.
    if (qobject_cast<QAbstractSpinBox*>(w) || w->inherits("QAbstractSlider") || w->inherits("QTabBar")
        || w->inherits("QHeaderView") || w->inherits("QCalendarWidget"))
        return false;
    return true;
}

} // namespace

void TranslateApplication(const QList<QObject*>& roots)
{
    BeginTranslationBatch();
    Walk walk;
    // Guarded pointers: a change handler run by a new text may delete other objects.
    QList<QPointer<QObject>> work;
    auto visit = [&walk](QObject* o, QList<QPointer<QObject>>& into) {
        if (!o || walk.seen.contains(o))
            return;
        walk.seen.insert(o);
        if (translateObject(o, walk))
            into.append(o);
    };
    for (QObject* root : roots)
        visit(root, work);
    while (!work.isEmpty()) {
        const QPointer<QObject> owner = work.takeFirst();
        if (!owner)
            continue;
        const QObjectList children = owner->children();
        QList<QPointer<QObject>> owned(children.cbegin(), children.cend());
        QList<QPointer<QObject>> next;
        for (qsizetype i = owned.size() - 1; i >= 0; --i)
            visit(owned[i].data(), next);
        work.append(next);
    }
    EndTranslationBatch();
}

void TranslateApplication()
{
    QList<QObject*> roots;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (!w->parent()) // windows with an owner are reached through it
            roots.append(w);
    TranslateApplication(roots);
}

void TranslateAtFirstShowing(int language)
{
    RegisterMessages();
    SetCurrentLanguage(language);
    if (GetCurrentLanguage() != 0)
        TranslateApplication();
}

void InstallTranslationErrorBox()
{
    SetTranslationErrorReporter([](const QString& text) {
        QMessageBox box(QMessageBox::Critical, QString(), text, QMessageBox::Ok);
        box.exec();
    });
}

void ShowRestartNotice(QWidget* parent)
{
    QMessageBox::information(parent, GetMessageText(2), GetMessageText(1));
}
