#include "widgets/accesskeys.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

namespace {
bool usable(QChar c)
{
    return c.isLetterOrNumber();
}

// Index of the character after a single '&' (a key already set), -1 when there is none.
int existingKey(const QString& text)
{
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&') {
            ++i; // "&&" is a literal ampersand
            continue;
        }
        return usable(text[i + 1]) ? i + 1 : -1;
    }
    return -1;
}
} // namespace

QString WithAccessKey(const QString& text, QSet<QChar>& taken)
{
    const int have = existingKey(text);
    if (have >= 0) {
        taken.insert(text[have].toLower());
        return text;
    }
    QString plain = text;
    plain.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto freeAt = [&](int i) { return usable(plain[i]) && !taken.contains(plain[i].toLower()); };
    int pick = -1;
    // Word starts first, then any character.
    for (int i = 0; i < plain.size() && pick < 0; ++i) {
        const bool wordStart = i == 0 || !plain[i - 1].isLetterOrNumber();
        if (wordStart && plain[i] != u'&' && freeAt(i))
            pick = i;
    }
    for (int i = 0; i < plain.size() && pick < 0; ++i) {
        if (plain[i] != u'&' && freeAt(i))
            pick = i;
    }
    if (pick < 0)
        return plain;
    taken.insert(plain[pick].toLower());
    return plain.left(pick) + QLatin1Char('&') + plain.mid(pick);
}

QString WithoutAccessKey(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&')
                out += QLatin1Char('&');
            ++i;
            if (i < text.size() && text[i] != u'&')
                out += text[i];
            continue;
        }
        out += text[i];
    }
    return out;
}

QSet<QChar> AssignButtonAccessKeys(QWidget* root, QSet<QChar> taken)
{
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
        // Only the program's own buttons: named, not inside another window, not the
        // inner buttons of a composite control.
        const QString name = b->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || b->text().isEmpty())
            continue;
        if (!qobject_cast<QPushButton*>(b) && !qobject_cast<QToolButton*>(b))
            continue;
        if (b->window() != root->window())
            continue;
        buttons << b;
    }
    // Keys set by hand first, so that the automatic ones avoid them.
    for (QAbstractButton* b : buttons) {
        const int have = existingKey(b->text());
        if (have >= 0)
            taken.insert(b->text()[have].toLower());
    }
    for (QAbstractButton* b : buttons) {
        const QString now = WithAccessKey(b->text(), taken);
        if (now != b->text())
            b->setText(now);
    }
    return taken;
}

namespace {
void assignActions(const QList<QAction*>& actions, QSet<QChar>& taken)
{
    for (QAction* a : actions) {
        const int have = a->isSeparator() ? -1 : existingKey(a->text());
        if (have >= 0)
            taken.insert(a->text()[have].toLower());
    }
    for (QAction* a : actions) {
        if (a->isSeparator() || a->text().isEmpty())
            continue;
        const QString now = WithAccessKey(a->text(), taken);
        if (now != a->text())
            a->setText(now);
    }
}
} // namespace

QSet<QChar> AssignMenuBarAccessKeys(QMenuBar* bar)
{
    QSet<QChar> taken;
    assignActions(bar->actions(), taken);
    return taken;
}

void AssignMenuAccessKeys(QMenu* menu)
{
    QSet<QChar> taken;
    assignActions(menu->actions(), taken);
}
