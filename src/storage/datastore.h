#pragma once
// The data folder of one running copy: the person and duty files of the current plan
// slot, their lock files, and the once-a-second poll that brings in changes other copies
// saved. No widgets: what must be asked or shown goes through TStoreUi.
//
// Protocol between copies sharing a folder: a lock file (created exclusively, holding the
// token of the copy that made it) exists while a copy reads or changes a data file, and
// every copy remembers the file as of its own last read or write: its stat and its bytes.
// A changing operation calls canwritenow… first; that takes the lock (refusing when
// another copy holds it, unless the user answers No to message 30), then reloads the file
// and refuses when it changed on disk, judged by the bytes, not by the time alone.

#include "core/datetime.h"
#include "core/roster.h"
#include "storage/datafile.h"
#include "storage/rosterfiles.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>

enum class TLockAnswer { Yes, No, Cancel };

// Implemented by the main window (message boxes, list refreshes, language menu) and by
// scripted fakes in tests.
class TStoreUi {
public:
    virtual ~TStoreUi() = default;
    // Message 30 (`text`), buttons Yes/No/Cancel, stop icon, no caption. Only No lets
    // the operation continue.
    virtual TLockAnswer AskLockMessage(const QString& text) = 0;
    // An error box (damaged file, failed save, memory).
    virtual void ShowError(const QString& text) = 0;
    // The person list / duty list must show the roster again (ListPersons, ListDienste).
    virtual void ListPersons() = 0;
    virtual void ListDienste() = 0;
    // The person file was read or found missing: roster.settings.languagesetto already
    // holds `index` (0 when the file or its language is missing). Set the current
    // language to it and tick "Deutsch" (0) or "English" (1), neither for other values,
    // with dontchlang set. Not called when the read was refused or the file is damaged.
    virtual void LanguageRead(int index) = 0;
    // The poll's state for the status bar: a text while the data folder does not answer,
    // an empty text when it answers again.
    virtual void PollStatus(const QString& text) { (void)text; }
};

// The three choices of the "Datenbank Verzeichnis" page.
enum class TDataFolderOption { UserFolder, ProgramFolder, SpecialFolder };

enum class TLoadResult {
    Refused, // read lock refused (Yes or Cancel to message 30); nothing changed
    Missing, // no such file; roster kept
    Loaded, // roster replaced by the file's content
    Damaged, // file damaged, unreadable or not a regular file; reported, roster and file kept
    NoMemory, // file too large for memory; reported, roster and file kept
};

constexpr int kLagerCount = 10;

class TDataStore {
public:
    TDataStore(TRoster& roster, TStoreUi& ui);

    TRoster& roster;
    TStoreUi& ui;

    // Data folder, "/"-terminated unless empty (then names are relative to the working
    // folder).
    QString progpath;
    int alagernr = 1;
    QString personendat = QStringLiteral("personen.dat");
    QString dienstedat = QStringLiteral("dienste.dat");
    QString personenschreibedat = QStringLiteral("personenschreibe.dat");
    QString diensteschreibedat = QStringLiteral("diensteschreibe.dat");
    QString regelndat = QStringLiteral("regeln.dat");
    QString regelnschreibedat = QStringLiteral("regelnschreibe.dat");
    TDateTime kownfileagepersonen = 0;
    TDateTime kownfileagedienste = 0;
    TDateTime kownfileageregeln = 0;

    // --- data folder ---------------------------------------------------------------
    // Per-user folder: GenericDataLocation + "/Quorvex/Rostelmark 1/", created with its
    // parents when `create`. The current progpath when the system names no such folder.
    QString GetProgramDir(bool create) const;
    // Start-up choice of progpath. Call with progpath set to the program's folder;
    // `directoryEdit` is the text of DirectoryEdit1.
    void ChooseDataFolder(TDataFolderOption option, const QString& directoryEdit);
    // Last-write time in local time with millisecond precision; 0 if there is no such file.
    static TDateTime GetFileAge(const QString& path);

    // --- plan slots ----------------------------------------------------------------
    static QString SlotFileName(const char* stem, int nr); // "personen", 10 → "personen10.dat"
    void SetNewLagerNr(int newnr); // 1 … 10; others ignored
    // `ticked[i]` says whether the menu item of slot i + 1 is ticked (Rostelmark11 …
    // Rostelmark17, Rostelmark71 … Rostelmark73). The first ticked one becomes the slot;
    // none ticked changes nothing. Returns whether a slot was taken.
    bool FindALagerNr(const std::array<bool, kLagerCount>& ticked);
    // Switch to the ticked slot: each file of the current slot whose roster part holds
    // changes not yet written is saved under its lock first; then a new default roster,
    // loadPersons, ListPersons, loadDienste, ListDienste. The caller then refreshes
    // ListPersons2/3 and repaints.
    void ChangeTheLager(const std::array<bool, kLagerCount>& ticked);

    QString personFile() const { return progpath + personendat; }
    QString dutyFile() const { return progpath + dienstedat; }
    QString personLockFile() const { return progpath + personenschreibedat; }
    QString dutyLockFile() const { return progpath + diensteschreibedat; }
    QString rulesFile() const { return progpath + regelndat; }
    QString rulesLockFile() const { return progpath + regelnschreibedat; }

    // --- files ---------------------------------------------------------------------
    // Read under the read lock (taken and released here; a rewrite a crash interrupted is
    // finished first); loadPersons reports the
    // language through LanguageRead. Refreshing the lists is the caller's business,
    // except in canwritenow… and Timer1Timer, which call ListPersons / ListDienste.
    TLoadResult loadPersons();
    TLoadResult loadDienste();
    // The planning rules (JSON); a missing file gives empty rules.
    TLoadResult loadRegeln();
    // Write the complete file (the caller holds the lock): new file in the same folder,
    // synced, renamed over the old one. Where the folder refuses the new file or the
    // rename (shared folders), the existing file is rewritten in place behind a side file
    // that lets any reader finish the rewrite after a power cut. Right before writing,
    // a file that another copy saved meanwhile (seen by its bytes where no lock of this
    // copy protects it) is not overwritten. On failure memory stays, the error naming the
    // file and the reason is shown, and false is returned.
    // A file whose last read failed (damaged, unreadable, not a regular file) is never
    // replaced: the save returns false, and the first refused save tells the user that
    // the file is kept as it is. The next successful read of the file ends this.
    bool savePersons();
    bool saveDienste();
    bool saveRegeln();

    // Pauses between the reads of a file that another copy is just replacing (tests
    // shorten them), and how long the poll waits for its worker within one round.
    static inline int settlePauseMs = 100;
    static inline int pollWaitMs = 300;

    // The last read of the file failed although the file exists; saves are refused.
    bool personsUnreadable() const { return personsState.unreadable; }
    bool dutiesUnreadable() const { return dutiesState.unreadable; }
    bool regelnUnreadable() const { return regelnState.unreadable; }
    // The roster differs from what was last read from or written to the file (or
    // neither happened yet): the next save would change the file.
    bool personsUnwritten();
    bool dutiesUnwritten();
    bool regelnUnwritten();

    // --- locks ---------------------------------------------------------------------
    // Read without creating, asking about or deleting any lock file (the command-line
    // tool's --force, which only reads). Writes are refused while this is set.
    bool lockFree = false;
    bool canreadnowpersonen();
    bool canreadnowdienste();
    bool canreadnowregeln();
    bool canwritenowpersonen();
    bool canwritenowdienste();
    bool canwritenowregeln();
    void EndWriteMowpersonen();
    void EndWriteMowdienste();
    void EndWriteMowregeln();

    // Poll, every 1000 ms: reload a file whose stat (time, size, inode, change time)
    // differs from the known one while no lock file exists for it, then refresh its list.
    // Its file calls run on a worker thread; it never asks message 30 (a lock taken by
    // another copy meanwhile skips the round), and it tells through PollStatus when the
    // folder stops answering.
    void Timer1Timer();

    // End of the program (window closed, SIGTERM, SIGINT): save each file under its lock.
    void SaveAllAtEnd();

    // canwritenow…, save…, EndWriteMow…: for handlers whose change is already in
    // roster.settings (holiday list, day colours, language). When the file had changed
    // on disk it is reloaded instead (the settings then hold the stored values); when
    // the lock is refused the change stays in memory until the next save. True only
    // when the file was written.
    bool SavePersonsLocked();
    bool SaveDiensteLocked();
    bool SaveRegelnLocked();

    // Told when a data file was read again because another copy changed it (the lock
    // check or the poll found a new file time and the read was not refused): `files` is
    // kUndoPersonFile or kUndoDutyFile. The undo history drops its steps of that file.
    std::function<void(unsigned files)> onOtherCopyLoaded;
    // Told when a plan-slot change replaced the whole roster.
    std::function<void()> onRosterReplaced;

    // For tests: called with the data file's path right after a save replaced or
    // rewrote it and before its stat is taken (a network server may set the time then).
    static inline void (*afterWriteHook)(const QString& path) = nullptr;

private:
    // What the store knows about one data file of the current slot.
    struct TFileState {
        bool unreadable = false; // last read failed on an existing file: keep it untouched
        bool told = false; // the user was told in this operation that it is kept
        bool lockHeld = false; // this copy's lock file for it exists now
        bool overridden = false; // ... because the user overrode another copy's lock
        QByteArray baseline; // the roster part as last read or written, serialized; empty: none
        // Set by a load instead of `baseline`: builds it from the bytes read, only when a
        // question about unwritten changes needs it (a load then pays no serialization).
        std::function<void(QByteArray&)> pendingBaseline;
        QByteArray disk; // the file's bytes as last read or written
        TFileStamp stamp; // the file's stat as last read or written
    };
    TFileState personsState, dutiesState, regelnState;
    // The data files of a slot, for the steps all of them share.
    enum class TKind { Persons, Duties, Rules };
    TRangeLock ranges[3];
    TRangeLock& rangeOf(const TFileState& state)
    {
        return ranges[&state == &personsState ? 0 : &state == &dutiesState ? 1 : 2];
    }
    TFileState& stateOf(TKind kind);
    QString fileOf(TKind kind) const;
    QString lockOf(TKind kind) const;
    TLoadResult loadLocked(TKind kind);
    void endWrite(TKind kind);
    // Reload after another copy's change: release the lock, tell undo, refresh the list.
    void reloaded(TKind kind, TLoadResult result);

    int busy = 0; // > 0 while a message box of the store is open: the poll waits
    bool unprotectedTold = false;
    QByteArray readBuffer, writeBuffer, compareBuffer;
    struct TPoll;
    std::shared_ptr<TPoll> poll;
    void releaseLargeBuffers();
    TLoadResult loadPersonsLocked();
    TLoadResult loadDiensteLocked();
    TLoadResult loadRegelnLocked();
    bool changedOnDisk(const QString& path, const TFileState& state);
    bool canwritenow(TKind kind);
    void pollReload(TKind kind);
    TLoadResult loadFile(const QString& path, TDateTime& known, TFileState& state,
        const std::function<void()>& onMissing, const std::function<TReadResult(const QByteArray&)>& apply,
        const std::function<void(QByteArray&)>& serialize,
        const std::function<std::function<void(QByteArray&)>(const QByteArray&)>& deferBaseline = {});
    const QByteArray& baselineOf(TFileState& state);
    bool saveFile(
        const QString& path, TDateTime& known, TFileState& state, const std::function<void(QByteArray&)>& serialize);
    bool unwritten(TFileState& state, const std::function<void(QByteArray&)>& serialize);
    void serializePersons(QByteArray& out) const;
    void serializeDienste(QByteArray& out) const;
    void serializeRegeln(QByteArray& out) const;
    bool canreadnow(const QString& lockFile, TFileState& state);
    void showError(const QString& text);
    void reportDamage(TReadResult result, const QString& path);
    void otherCopyLoaded(TLoadResult result, unsigned files);
};
