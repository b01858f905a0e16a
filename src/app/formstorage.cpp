#include "app/formstorage.h"

#include <QAction>
#include <QSettings>
#include <QWidget>

namespace {
QSettings openStore()
{
    return QSettings(
        QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvex"), QStringLiteral("Rostelmark"));
}
const QString kSection = QStringLiteral("MainForm");

// "Checked" in the store is the Qt property "checked".
QByteArray qtProperty(const QString& entry)
{
    QByteArray p = entry.section(QLatin1Char('.'), 1).toLatin1();
    if (!p.isEmpty())
        p[0] = static_cast<char>(QChar::toLower(static_cast<char16_t>(p[0])));
    return p;
}
// The object called `name` among the form's own controls and menu items, nearest first.
// Dialogs and other windows owned by the form have controls of the same names (the person
// dialog's Edit3), so their subtrees are not searched; menus are the form's own popups.
QObject* ownControl(QWidget* form, const QString& name)
{
    QObjectList level = form->children();
    while (!level.isEmpty()) {
        QObjectList next;
        for (QObject* o : level) {
            if (const auto* w = qobject_cast<QWidget*>(o); w && w->isWindow() && w->windowType() != Qt::Popup)
                continue;
            if (o->objectName() == name)
                return o;
            next += o->children();
        }
        level = std::move(next);
    }
    return nullptr;
}
} // namespace

TFormStorage::TFormStorage(QWidget* form, QStringList properties)
    : m_form(form)
    , m_properties(std::move(properties))
{
}

QString TFormStorage::FileName()
{
    return openStore().fileName();
}

namespace {
const QString kPrinterPageKey = QStringLiteral("Printer/Page");
}

std::optional<TPrintablePage> TFormStorage::RestorePrinterPage()
{
    const QStringList parts = openStore().value(kPrinterPageKey).toString().split(QLatin1Char(','));
    if (parts.size() != 3)
        return std::nullopt;
    bool ok[3] = {};
    TPrintablePage page;
    page.width = parts[0].toInt(&ok[0]);
    page.height = parts[1].toInt(&ok[1]);
    page.dpi = parts[2].toInt(&ok[2]);
    // A page of at most 10 m at the resolution, as a printer reports it.
    const bool sane = ok[0] && ok[1] && ok[2] && page.dpi >= 1 && page.dpi <= 10000 && page.width >= 1
        && page.height >= 1 && page.width / 400 <= page.dpi && page.height / 400 <= page.dpi;
    return sane ? std::optional(page) : std::nullopt;
}

void TFormStorage::SavePrinterPage(const TPrintablePage& page)
{
    QSettings store = openStore();
    store.setValue(kPrinterPageKey, QStringLiteral("%1,%2,%3").arg(page.width).arg(page.height).arg(page.dpi));
    store.sync();
}

bool TFormStorage::RestoreFormPlacement()
{
    QSettings store = openStore();
    store.beginGroup(kSection);
    const QByteArray geometry = store.value(QStringLiteral("Placement")).toByteArray();
    const bool placed = !geometry.isEmpty() && m_form->restoreGeometry(geometry);
    for (const QString& entry : m_properties) {
        if (!store.contains(entry))
            continue;
        const QString object = entry.section(QLatin1Char('.'), 0, 0);
        const QByteArray property = qtProperty(entry);
        QObject* target = ownControl(m_form, object);
        if (!target)
            continue;
        QVariant value = store.value(entry);
        const QVariant current = target->property(property.constData());
        // Values from the INI file come back as strings; convert to the property's type
        // and ignore what does not convert.
        if (current.isValid() && value.convert(current.metaType()))
            target->setProperty(property.constData(), value);
    }
    return placed;
}

void TFormStorage::SaveFormPlacement()
{
    QSettings store = openStore();
    store.beginGroup(kSection);
    store.setValue(QStringLiteral("Placement"), m_form->saveGeometry());
    for (const QString& entry : m_properties) {
        const QString object = entry.section(QLatin1Char('.'), 0, 0);
        const QByteArray property = qtProperty(entry);
        if (QObject* target = ownControl(m_form, object))
            store.setValue(entry, target->property(property.constData()));
    }
    store.endGroup();
    store.sync();
}
