#pragma once
// Per-user settings store of the main window: its placement and a fixed list of control
// properties ("Component.Property"), kept in an INI file of organisation "Quorvex",
// application "Rostelmark", section "MainForm".

#include "output/printablepage.h"

#include <QStringList>

#include <optional>

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
    // The page of a fresh printer, kept from one run for the next (section "Printer"); empty
    // when none is stored or the stored one is not a page.
    static std::optional<TPrintablePage> RestorePrinterPage();
    static void SavePrinterPage(const TPrintablePage& page);

private:
    QWidget* m_form;
    QStringList m_properties;
};
