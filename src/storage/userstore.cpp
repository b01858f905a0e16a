#include "storage/userstore.h"

#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace {
template <typename T> std::optional<T> storedValue(QSettings& store, const QString& key)
{
    if (!store.contains(key))
        return std::nullopt;
    QVariant v = store.value(key);
    if (!v.convert(QMetaType::fromType<T>()))
        return std::nullopt;
    return v.value<T>();
}

void restoreOnce(QSettings& store, TUserStore& out)
{
    // The three folder options are radio buttons of one group, restored in this order.
    const std::pair<const char*, TDataFolderOption> options[] = {
        {"UserFolderCheck.Checked", TDataFolderOption::UserFolder},
        {"UseSpecialFolderCheck.Checked", TDataFolderOption::SpecialFolder},
        {"ProgramFolderCheck.Checked", TDataFolderOption::ProgramFolder},
    };
    if (auto text = storedValue<QString>(store, QStringLiteral("DirectoryEdit1.Text")))
        out.directoryEdit = *text;
    for (const auto& [key, option] : options)
        if (storedValue<bool>(store, QLatin1String(key)).value_or(false))
            out.folderOption = option;

    static const char* const lagerItems[kLagerCount] = {"Rostelmark11", "Rostelmark12", "Rostelmark13", "Rostelmark14",
        "Rostelmark15", "Rostelmark16", "Rostelmark17", "Rostelmark71", "Rostelmark72", "Rostelmark73"};
    for (int i = 0; i < kLagerCount; ++i) {
        const auto v = storedValue<bool>(store, QLatin1String(lagerItems[i]) + QStringLiteral(".Checked"));
        if (!v)
            continue;
        if (*v)
            out.ticked.fill(false); // the menu's items exclude each other
        out.ticked[i] = *v;
    }

    if (auto v = storedValue<double>(store, QStringLiteral("RandBreitEd.Value")))
        out.RandBreitEd = MarginFieldValue(*v);
    const std::pair<const char*, std::optional<bool> TUserStore::*> checks[] = {
        {"CountNoDienstCheck.Checked", &TUserStore::CountNoDienstCheck},
        {"StundenSumCheck.Checked", &TUserStore::StundenSumCheck},
        {"PrintActualDateCheck.Checked", &TUserStore::PrintActualDateCheck},
        {"ShowKalenderwocheCheck.Checked", &TUserStore::ShowKalenderwocheCheck},
        {"ShowAbteilungCheck.Checked", &TUserStore::ShowAbteilungCheck},
    };
    for (const auto& [key, field] : checks)
        if (auto v = storedValue<bool>(store, QLatin1String(key)))
            out.*field = *v;
}
} // namespace

double MarginFieldValue(double mm)
{
    // The field keeps two decimals, rounded through their decimal text, and its range.
    const double rounded = QString::number(mm, 'f', 2).toDouble();
    if (std::isnan(rounded))
        return 30.0;
    return std::clamp(rounded, 0.0, 30.0);
}

TUserStore ReadUserStore()
{
    QSettings store(
        QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvex"), QStringLiteral("Rostelmark"));
    store.beginGroup(QStringLiteral("MainForm"));
    TUserStore out;
    restoreOnce(store, out);
    restoreOnce(store, out);
    return out;
}

void ApplyUserStore(const TUserStore& store, TPlanSettings& settings)
{
    if (store.RandBreitEd)
        settings.RandBreitEd = *store.RandBreitEd;
    const std::pair<std::optional<bool> TUserStore::*, bool TPlanSettings::*> checks[] = {
        {&TUserStore::CountNoDienstCheck, &TPlanSettings::CountNoDienstCheck},
        {&TUserStore::StundenSumCheck, &TPlanSettings::StundenSumCheck},
        {&TUserStore::PrintActualDateCheck, &TPlanSettings::PrintActualDateCheck},
        {&TUserStore::ShowKalenderwocheCheck, &TPlanSettings::ShowKalenderwocheCheck},
        {&TUserStore::ShowAbteilungCheck, &TPlanSettings::ShowAbteilungCheck},
    };
    for (const auto& [from, to] : checks)
        if (store.*from)
            settings.*to = *(store.*from);
}
