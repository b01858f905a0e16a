#pragma once
// One run of the command-line tool against a data folder: the roster of one plan slot read
// as the desktop program reads it at start (per-user settings store, data folder, slot,
// person file, duty file, all under the read locks), and for the commands that write texts
// the state of the program's first showing (language, translated headings, weekday
// abbreviations). Nothing here asks or waits: a lock held by another copy is an error
// unless the caller forces the read.

#include "core/roster.h"
#include "storage/datastore.h"
#include "storage/userstore.h"

#include <QString>

#include <optional>

// Exit codes of the tool.
enum TCliExit { kExitOk = 0, kExitUsage = 1, kExitIo = 2, kExitLocked = 3 };

struct TSessionOptions {
    std::optional<QString> data; // --data
    std::optional<int> slot; // --slot, 1 … 10
    bool force = false; // --force
    bool texts = false; // the command writes texts: load translate.dat, apply the language
};

class TCliSession : public TStoreUi {
public:
    TCliSession();

    TRoster roster;
    TDataStore store{roster, *this};
    TUserStore userStore;

    // Reads the roster. On failure returns the exit code and leaves a one-line message in
    // `error`; no lock file of this run is left behind.
    TCliExit Open(const TSessionOptions& options);
    QString error;

    // TStoreUi: a lock is never waited for; errors are collected as one line.
    TLockAnswer AskLockMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    void ListPersons() override {}
    void ListDienste() override {}
    void LanguageRead(int index) override;

private:
    TCliExit load(TLoadResult result, const QString& lockFile);
    void firstShowing();

    bool force_ = false;
    bool locked_ = false;
    QString shownError_;
};

// A message of several lines (file name and reason on lines of their own) as one line.
QString OneLine(const QString& text);
