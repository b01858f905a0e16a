#pragma once
// What the desktop program's per-user settings store decides at start, read without the
// window: the data folder option, the ticked plan slot and the plan settings kept per
// user. The store is the INI file of organisation "Quorvex", application "Rostelmark",
// section "MainForm", with one "Control.Property" key per stored control property. Values
// are taken as the window's restore takes them: converted to the control's type (what
// does not convert is ignored), a radio button or slot item that is set ticks itself and
// unticks the others of its group, and a checked radio button is never unticked by a
// "false". The window restores the store twice at start; so does ReadUserStore.

#include "core/plansettings.h"
#include "storage/datastore.h"

#include <QString>

#include <array>
#include <optional>

struct TUserStore {
    TDataFolderOption folderOption = TDataFolderOption::UserFolder;
    QString directoryEdit; // DirectoryEdit1.Text
    std::array<bool, kLagerCount> ticked{true}; // Rostelmark11 … Rostelmark73
    // Plan settings kept per user; unset when the store has no usable value.
    std::optional<double> RandBreitEd;
    std::optional<bool> CountNoDienstCheck;
    std::optional<bool> StundenSumCheck;
    std::optional<bool> PrintActualDateCheck;
    std::optional<bool> ShowKalenderwocheCheck;
    std::optional<bool> ShowAbteilungCheck;
};

TUserStore ReadUserStore();

// Puts the stored per-user values into `settings` (the margin as its field holds it:
// rounded to two decimals and kept within 0 … 30).
void ApplyUserStore(const TUserStore& store, TPlanSettings& settings);

// The margin as the "Seitenrand in mm:" field holds a value: rounded to two decimals,
// then kept within 0 … 30.
double MarginFieldValue(double mm);
