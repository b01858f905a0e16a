#include "widgets/colorcombobox.h"

#include "core/plansettings.h"
#include "i18n/ui/translateapp.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

namespace {
// Drawn once per colour and shared by every combo box through the toolkit's pixmap cache.
QIcon swatch(quint32 value)
{
    const QString key = QStringLiteral("rostelmark-swatch-%1").arg(value);
    QPixmap pm;
    if (!QPixmapCache::find(key, &pm)) {
        pm = QPixmap(24, 14);
        pm.fill(ColorFromRef(value));
        QPainter p(&pm);
        p.setPen(Qt::black);
        p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
        p.end();
        QPixmapCache::insert(key, pm);
    }
    return QIcon(pm);
}

struct Named {
    quint32 value;
    const char* name;
};
// The standard colours, BGR encoded, with the plan defaults among them.
const Named kColors[] = {
    {0x000000, "Schwarz"},
    {0x000080, "Kastanienbraun"},
    {0x008000, "Grün"},
    {0x008080, "Oliv"},
    {0x800000, "Marineblau"},
    {0x800080, "Violett"},
    {0x808000, "Blaugrün"},
    {0x808080, "Grau"},
    {0xC0C0C0, "Silber"},
    {0x0000FF, "Rot"},
    {0x00FF00, "Hellgrün"},
    {0x00FFFF, "Gelb"},
    {0xFF0000, "Blau"},
    {0xFF00FF, "Fuchsie"},
    {0xFFFF00, "Aquamarin"},
    {0xFFFFFF, "Weiß"},
    {0x9696C4, "Rosé"},
    {0x808096, "Graurot"},
    {0xC4C4E4, "Hellrosé"},
};
} // namespace

TTesselColorComboBox::TTesselColorComboBox(QWidget* parent)
    : QComboBox(parent)
{
    // The window translation treats this as a colour picker: only its hint is translated.
    setProperty(kColorPickerProperty, true);
    setIconSize(QSize(24, 14));
    for (const Named& c : kColors)
        addItem(swatch(c.value), QString::fromUtf8(c.name), c.value);
    addItem(QStringLiteral("Benutzerdefiniert..."));
    m_customIndex = count() - 1;
    connect(this, &QComboBox::activated, this, &TTesselColorComboBox::onActivated);
    setColorValue(0);
}

int TTesselColorComboBox::indexOfValue(quint32 value) const
{
    for (int i = 0; i < count(); ++i)
        if (i != m_customIndex && itemData(i).isValid() && itemData(i).toUInt() == value)
            return i;
    return -1;
}

void TTesselColorComboBox::setColorValue(quint32 value)
{
    m_value = value & 0x00FFFFFF;
    int idx = indexOfValue(m_value);
    if (idx < 0) {
        // An unnamed colour gets its own swatch entry before "Benutzerdefiniert...".
        insertItem(m_customIndex, swatch(m_value),
            QStringLiteral("#%1").arg(ColorFromRef(m_value).name().mid(1).toUpper()), m_value);
        idx = m_customIndex++;
    }
    const QSignalBlocker block(this);
    setCurrentIndex(idx);
}

void TTesselColorComboBox::onActivated(int index)
{
    quint32 picked = m_value;
    if (index == m_customIndex) {
        const QColor c = QColorDialog::getColor(ColorFromRef(m_value), this);
        if (c.isValid())
            picked = ColorToRef(c);
        setColorValue(picked);
    } else {
        picked = itemData(index).toUInt();
        m_value = picked;
    }
    Q_EMIT Change();
}
