#pragma once
// Access keys ('&' before one character of a caption) for the buttons of a page, the
// titles of a menu bar and the items of a menu, unique within what is visible at once.
// Keys are chosen from the captions as they are shown, after the translation of the
// windows, so every language gets keys of its own words.

#include <QList>
#include <QSet>
#include <QString>

class QMenu;
class QMenuBar;
class QWidget;

// `text` with an access key: a key already in the text is kept (and taken); otherwise
// the first character that starts a word, then any letter or digit, whose lower case is
// not in `taken`. The key chosen is added to `taken`. A text without a free character is
// returned without key; a literal '&' is doubled so it stays visible.
QString WithAccessKey(const QString& text, QSet<QChar>& taken);
// The caption without its access-key marks ("&Drucken..." → "Drucken...").
QString WithoutAccessKey(const QString& text);

// Keys for the push and tool buttons with an object name below `root` (nested windows
// excluded), in creation order, avoiding `taken`. Returns the keys in use afterwards.
QSet<QChar> AssignButtonAccessKeys(QWidget* root, QSet<QChar> taken = {});
// Keys for the titles of a menu bar; returns them.
QSet<QChar> AssignMenuBarAccessKeys(QMenuBar* bar);
// Keys for the items of one menu (its titles' keys are of no concern inside it).
void AssignMenuAccessKeys(QMenu* menu);
