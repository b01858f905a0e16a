#pragma once
// Per-user settings store of the main window: its placement and a fixed list of control
// properties ("Component.Property"), kept in an INI file of organisation "Quorvex",
// application "Rostelmark", section "MainForm".

#include <QStringList>

class QWidget;

class TFormStorage {
public:
    TFormStorage(QWidget* form, QStringList properties);
    // Restores placement and properties. True when a stored placement was applied.
    bool RestoreFormPlacement();
    void SaveFormPlacement();
    const QStringList& Properties() const { return m_properties; }
    // Name of the settings file (for tests and the about box).
    static QString FileName();

private:
    QWidget* m_form;
    QStringList m_properties;
};
