#include "storage/datastore.h"

#include "core/fsops.h"
#include "core/undohistory.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace {

TDateTime ageOf(const TFileStamp& st)
{
    if (!st.exists)
        return 0;
    const qint64 ms = st.mtimeNs / 1000000;
    return QDateTimeToDateTime(QDateTime::fromMSecsSinceEpoch(ms).toLocalTime());
}

void pause(int ms)
{
    if (ms > 0)
        QThread::msleep(ulong(ms));
}

} // namespace

TDataStore::TDataStore(TRoster& r, TStoreUi& u)
    : roster(r)
    , ui(u)
{
}

// ---- data folder --------------------------------------------------------------------

QString TDataStore::GetProgramDir(bool create) const
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return progpath;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    base += QStringLiteral("Quorvex/Rostelmark 1/");
    if (create)
        QDir().mkpath(base);
    return base;
}

void TDataStore::ChooseDataFolder(TDataFolderOption option, const QString& directoryEdit)
{
    switch (option) {
    case TDataFolderOption::UserFolder:
        progpath = GetProgramDir(true);
        break;
    case TDataFolderOption::SpecialFolder:
        progpath = directoryEdit;
        if (!progpath.isEmpty() && !progpath.endsWith(QLatin1Char('/')))
            progpath += QLatin1Char('/');
        break;
    case TDataFolderOption::ProgramFolder:
        break;
    }
}

TDateTime TDataStore::GetFileAge(const QString& path)
{
    return ageOf(StampOf(path));
}

// ---- plan slots ---------------------------------------------------------------------

QString TDataStore::SlotFileName(const char* stem, int nr)
{
    QString name = QLatin1String(stem);
    if (nr != 1)
        name += QString::number(nr);
    return name + QStringLiteral(".dat");
}

void TDataStore::SetNewLagerNr(int newnr)
{
    if (newnr < 1 || newnr > kLagerCount)
        return;
    personendat = SlotFileName("personen", newnr);
    dienstedat = SlotFileName("dienste", newnr);
    personenschreibedat = SlotFileName("personenschreibe", newnr);
    diensteschreibedat = SlotFileName("diensteschreibe", newnr);
    regelndat = SlotFileName("regeln", newnr);
    regelnschreibedat = SlotFileName("regelnschreibe", newnr);
    alagernr = newnr;
}

bool TDataStore::FindALagerNr(const std::array<bool, kLagerCount>& ticked)
{
    for (int i = 0; i < kLagerCount; ++i) {
        if (ticked[i]) {
            SetNewLagerNr(i + 1);
            return true;
        }
    }
    return false;
}

void TDataStore::ChangeTheLager(const std::array<bool, kLagerCount>& ticked)
{
    // Changes that wait for the next save (order, headings, switches, renumbered entries)
    // would be lost with the old slot's roster: save them under the locks first, as the
    // end of the program does. A file without such changes is left alone, so an empty
    // slot gets no files and no lock question is asked for nothing.
    if (personsUnwritten())
        SavePersonsLocked();
    if (dutiesUnwritten())
        SaveDiensteLocked();
    if (regelnUnwritten())
        SaveRegelnLocked();
    const int before = alagernr;
    FindALagerNr(ticked);
    if (alagernr != before) {
        personsState = TFileState();
        dutiesState = TFileState();
        regelnState = TFileState();
    }
    roster.InitPersonenDienste();
    if (onRosterReplaced)
        onRosterReplaced();
    loadPersons();
    ui.ListPersons();
    loadDienste();
    ui.ListDienste();
    loadRegeln();
}

// ---- reading ------------------------------------------------------------------------

void TDataStore::showError(const QString& text)
{
    ++busy;
    ui.ShowError(text);
    --busy;
}

void TDataStore::reportDamage(TReadResult result, const QString& path)
{
    if (result == TReadResult::NoMemory)
        showError(QStringLiteral("Out of memory while reading\n") + QDir::toNativeSeparators(path));
    else
        showError(QStringLiteral("Read beyond end of file\n") + QDir::toNativeSeparators(path));
}

// The file buffers are kept between reads and writes: the poll reloads and every change
// saves the same file again and again, and fresh memory for it costs more than copying
// the bytes. Unusually large files do not keep their buffers.
void TDataStore::releaseLargeBuffers()
{
    constexpr qsizetype kKeep = 64 * 1024 * 1024;
    if (readBuffer.capacity() > kKeep)
        readBuffer = QByteArray();
    if (writeBuffer.capacity() > kKeep)
        writeBuffer = QByteArray();
}

// Another copy's new file or side file of `path` is there: the file may be missing only
// for the moment of a replace (network clients replace by delete, then rename).
static bool replaceUnderWay(const QString& path)
{
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    const QDir dir(slash < 0 ? QStringLiteral(".") : path.left(slash + 1));
    return !dir.entryList({QLatin1Char('.') + path.mid(slash + 1) + QStringLiteral(".*")},
                   QDir::Files | QDir::Hidden | QDir::System)
                .isEmpty();
}

// Reads `path` (the caller holds the read lock) and hands the bytes to `apply`, which
// parses them into fresh containers and moves them into the roster only when the parse
// succeeded. A file that another copy is just replacing may be missing for a moment or
// show a cut content through a network client's cache: such reads are tried again after
// short pauses before the file counts as missing or damaged. What was read (also of a
// damaged file) becomes the file's known state, so the poll reports it once; a damaged
// or unreadable file is then kept from being replaced until it is read successfully.
TLoadResult TDataStore::loadFile(const QString& path, TDateTime& known, TFileState& state,
    const std::function<void()>& onMissing, const std::function<TReadResult(const QByteArray&)>& apply,
    const std::function<void(QByteArray&)>& serialize,
    const std::function<std::function<void(QByteArray&)>(const QByteArray&)>& deferBaseline)
{
    if (state.lockHeld)
        RecoverInterruptedWrites(path);
    // Without a lock file of this copy, a shared byte-range lock keeps a rewrite in place
    // by another copy from being read half done (where the file system has such locks).
    TRangeLock shared;
    if (!state.lockHeld && !lockFree && !rangeOf(state).held())
        shared.acquire(path, false, 2000);
    TFileStamp stamp;
    int err = 0;
    TReadStatus status = TReadStatus::Missing;
    TReadResult parsed = TReadResult::Ok;
    for (int attempt = 0;; ++attempt) {
        status = ReadDataFile(path, readBuffer, stamp, err);
        if (status == TReadStatus::Missing && attempt < 3 && (state.stamp.exists || replaceUnderWay(path))) {
            pause(settlePauseMs << attempt);
            continue;
        }
        if (status != TReadStatus::Ok)
            break;
        // New bytes that do not parse may be a read cut short by a cached size (the
        // stat may still show the old file then): tried again after a pause.
        parsed = apply(readBuffer);
        if (parsed != TReadResult::Damaged || attempt == 3 || (stamp == state.stamp && readBuffer == state.disk))
            break;
        pause(settlePauseMs << attempt);
    }

    TLoadResult result = TLoadResult::Missing;
    const QString cannotRead = TranslateText(QStringLiteral("Die Datei konnte nicht gelesen werden:"))
        + QLatin1Char('\n') + QDir::toNativeSeparators(path) + QLatin1Char('\n');
    switch (status) {
    case TReadStatus::Missing:
        stamp = TFileStamp();
        readBuffer.clear();
        onMissing();
        break;
    case TReadStatus::ReadError:
    case TReadStatus::NotRegular:
    case TReadStatus::TooLarge:
        showError(cannotRead + DataFileErrorText(err));
        result = TLoadResult::Damaged;
        readBuffer.clear();
        break;
    case TReadStatus::NoMemory:
        reportDamage(TReadResult::NoMemory, path);
        result = TLoadResult::NoMemory;
        break;
    case TReadStatus::Ok:
        if (parsed != TReadResult::Ok) {
            reportDamage(parsed, path); // the roster stays as it was
            result = parsed == TReadResult::NoMemory ? TLoadResult::NoMemory : TLoadResult::Damaged;
        } else {
            result = TLoadResult::Loaded;
        }
        break;
    }
    state.stamp = stamp;
    std::swap(state.disk, readBuffer);
    known = ageOf(stamp);
    releaseLargeBuffers();
    if (state.disk.capacity() > 64 * 1024 * 1024 && state.disk.size() < state.disk.capacity() / 2)
        state.disk.squeeze();
    if (result == TLoadResult::Loaded || result == TLoadResult::Missing) {
        state.unreadable = false;
        state.told = false;
        state.pendingBaseline = nullptr;
        if (result == TLoadResult::Loaded && deferBaseline) {
            // The bytes are shared with `disk`, not copied; a later damaged read that
            // replaces `disk` leaves these in place.
            state.baseline = QByteArray();
            state.pendingBaseline = deferBaseline(state.disk);
        } else {
            serialize(state.baseline);
        }
    } else {
        state.unreadable = true;
    }
    return result;
}

void TDataStore::serializePersons(QByteArray& out) const
{
    SerializePersonFile(roster.personen, roster.settings, out);
}

void TDataStore::serializeDienste(QByteArray& out) const
{
    SerializeDutyFile(roster.dienste, roster.settings.RandBreitEd, out);
}

void TDataStore::serializeRegeln(QByteArray& out) const
{
    out = SerializePlanRules(roster.regeln);
}

TLoadResult TDataStore::loadPersons()
{
    if (!canreadnowpersonen())
        return TLoadResult::Refused;
    const TLoadResult result = loadPersonsLocked();
    EndWriteMowpersonen();
    return result;
}

TLoadResult TDataStore::loadPersonsLocked()
{
    return loadFile(
        personFile(), kownfileagepersonen, personsState,
        [this] {
            roster.settings.languagesetto = 0;
            ui.LanguageRead(0);
        },
        [this](const QByteArray& bytes) {
            TPersonFileContent content(roster.settings);
            content.settings.languagesetto = 0;
            const TReadResult r = ParsePersonFile(bytes.constData(), bytes.size(), content);
            if (r != TReadResult::Ok)
                return r;
            for (TPerson& p : content.personen)
                p.eintraege.setCursorVariable(&roster.aeintrag);
            content.personen.setCursorVariable(&roster.apers);
            roster.personen = std::move(content.personen);
            roster.apers = roster.personen.aobj;
            roster.aeintrag = nullptr;
            roster.settings = content.settings;
            ui.LanguageRead(roster.settings.languagesetto);
            return r;
        },
        [this](QByteArray& out) { serializePersons(out); },
        [this](const QByteArray& bytes) {
            // What a fresh parse of these bytes serializes to equals the roster right
            // after the load; settings the file does not hold keep their present values.
            return std::function<void(QByteArray&)>([bytes, settings = roster.settings](QByteArray& out) {
                TPersonFileContent content(settings);
                content.settings.languagesetto = 0;
                if (ParsePersonFile(bytes.constData(), bytes.size(), content) != TReadResult::Ok) {
                    out.clear();
                    return;
                }
                SerializePersonFile(content.personen, content.settings, out);
            });
        });
}

TLoadResult TDataStore::loadDienste()
{
    if (!canreadnowdienste())
        return TLoadResult::Refused;
    const TLoadResult result = loadDiensteLocked();
    EndWriteMowdienste();
    return result;
}

TLoadResult TDataStore::loadDiensteLocked()
{
    return loadFile(
        dutyFile(), kownfileagedienste, dutiesState, [] {},
        [this](const QByteArray& bytes) {
            TDutyFileContent content(roster.settings.RandBreitEd);
            const TReadResult r = ParseDutyFile(bytes.constData(), bytes.size(), content);
            if (r != TReadResult::Ok)
                return r;
            content.dienste.setCursorVariable(&roster.adienst);
            roster.dienste = std::move(content.dienste);
            roster.adienst = roster.dienste.aobj;
            roster.settings.RandBreitEd = content.randbreite;
            return r;
        },
        [this](QByteArray& out) { serializeDienste(out); },
        [this](const QByteArray& bytes) {
            return std::function<void(QByteArray&)>([bytes, margin = roster.settings.RandBreitEd](QByteArray& out) {
                TDutyFileContent content(margin);
                if (ParseDutyFile(bytes.constData(), bytes.size(), content) != TReadResult::Ok) {
                    out.clear();
                    return;
                }
                SerializeDutyFile(content.dienste, content.randbreite, out);
            });
        });
}

TLoadResult TDataStore::loadRegeln()
{
    if (!canreadnowregeln())
        return TLoadResult::Refused;
    const TLoadResult result = loadRegelnLocked();
    EndWriteMowregeln();
    return result;
}

TLoadResult TDataStore::loadRegelnLocked()
{
    return loadFile(
        rulesFile(), kownfileageregeln, regelnState, [this] { roster.regeln = TPlanRules(); },
        [this](const QByteArray& bytes) {
            TPlanRules rules;
            if (!ParsePlanRules(bytes, rules))
                return TReadResult::Damaged;
            roster.regeln = std::move(rules);
            return TReadResult::Ok;
        },
        [this](QByteArray& out) { serializeRegeln(out); });
}

// The baseline of a file, built from the bytes of its last load when first asked for.
// Empty when there is none (or those bytes could not be parsed again): everything then
// counts as unwritten.
const QByteArray& TDataStore::baselineOf(TFileState& state)
{
    if (state.pendingBaseline) {
        const std::function<void(QByteArray&)> build = std::move(state.pendingBaseline);
        state.pendingBaseline = nullptr;
        build(state.baseline);
    }
    return state.baseline;
}

bool TDataStore::unwritten(TFileState& state, const std::function<void(QByteArray&)>& serialize)
{
    if (baselineOf(state).isEmpty())
        return true;
    serialize(writeBuffer);
    const bool differs = writeBuffer != state.baseline;
    releaseLargeBuffers();
    return differs;
}

bool TDataStore::personsUnwritten()
{
    return unwritten(personsState, [this](QByteArray& out) { serializePersons(out); });
}

bool TDataStore::dutiesUnwritten()
{
    return unwritten(dutiesState, [this](QByteArray& out) { serializeDienste(out); });
}

bool TDataStore::regelnUnwritten()
{
    // Rules never read nor written: only rules made since would be new in the file, so
    // a slot without rules gets no rules file.
    if (baselineOf(regelnState).isEmpty())
        return !roster.regeln.Empty();
    return unwritten(regelnState, [this](QByteArray& out) { serializeRegeln(out); });
}

// ---- judging another copy's change ---------------------------------------------------

// Whether the file on disk is no longer what this copy last read or wrote. Time and size
// catch most changes; where they agree (file systems with whole-second times, network
// caches) the content decides.
bool TDataStore::changedOnDisk(const QString& path, const TFileState& state)
{
    TFileStamp now;
    int err = 0;
    QByteArray& bytes = compareBuffer;
    const TReadStatus status = ReadDataFile(path, bytes, now, err);
    bool changed;
    if (status == TReadStatus::Missing)
        changed = state.stamp.exists;
    else if (status != TReadStatus::Ok)
        changed = false; // not a readable file now: the save refuses it with its reason
    else
        changed = !state.stamp.exists || bytes != state.disk;
    if (compareBuffer.capacity() > 64 * 1024 * 1024)
        compareBuffer = QByteArray();
    return changed;
}

// ---- writing ------------------------------------------------------------------------

bool TDataStore::saveFile(
    const QString& path, TDateTime& known, TFileState& state, const std::function<void(QByteArray&)>& serialize)
{
    if (lockFree)
        return false;
    if (state.unreadable) {
        // Writing the roster in memory would replace content that was never read.
        if (!state.told) {
            state.told = true;
            showError(TranslateText(QStringLiteral("Die Datei\n%1\nkonnte nicht gelesen werden und bleibt unverändert, "
                                                   "bis sie wieder gelesen werden kann. Änderungen daran werden bis "
                                                   "dahin nicht gespeichert."))
                          .arg(QDir::toNativeSeparators(path)));
        }
        return false;
    }
    // Right before writing, once more: without a lock file of this copy (a folder that
    // allows none, or a lock another copy ignored) another copy may have saved since the
    // lock check. Its save wins; this change is not written.
    const bool recheck = !state.lockHeld || state.overridden || StampOf(path) != state.stamp;
    if (recheck && changedOnDisk(path, state)) {
        showError(TranslateText(QStringLiteral("Die Datei\n%1\nwurde gerade von einem anderen Nutzer gespeichert. "
                                               "Ihre Änderung wurde nicht gespeichert; die Daten werden neu gelesen."))
                      .arg(QDir::toNativeSeparators(path)));
        state.stamp = TFileStamp();
        state.stamp.size = -1; // differs from every stamp: the next poll reads the file again
        return false;
    }
    serialize(writeBuffer);
    const TSaveOutcome out = SaveDataFile(path, writeBuffer);
    if (out.err == 0 && out.unprotected && !unprotectedTold) {
        unprotectedTold = true;
        showError(TranslateText(QStringLiteral("In diesem Ordner können keine neuen Dateien angelegt werden:\n%1\n"
                                               "Der Dienstplan ist hier nicht gegen einen Stromausfall während des "
                                               "Speicherns geschützt."))
                      .arg(QDir::toNativeSeparators(FolderOf(path))));
    }
    if (out.err != 0) {
        QString text = TranslateText(QStringLiteral("Die Datei konnte nicht gespeichert werden:")) + QLatin1Char('\n')
            + QDir::toNativeSeparators(path) + QLatin1Char('\n') + DataFileErrorText(out.err);
        if (out.err == ELOOP)
            text += QLatin1Char('\n')
                + TranslateText(QStringLiteral("Sie ist eine Verknüpfung eines anderen Nutzers und wird nicht "
                                               "beschrieben."));
        showError(text);
        releaseLargeBuffers();
        return false;
    }
    state.stamp = out.stamp;
    if (afterWriteHook) {
        // The time as the path shows it now (a server may set it when the file is
        // closed), as long as the path still names the written file.
        afterWriteHook(path);
        const TFileStamp now = StampOf(path);
        if (now.exists && now.dev == out.stamp.dev && now.ino == out.stamp.ino)
            state.stamp = now;
    }
    known = ageOf(state.stamp);
    state.disk = writeBuffer; // shared, not copied
    state.pendingBaseline = nullptr;
    std::swap(state.baseline, writeBuffer);
    writeBuffer = QByteArray();
    releaseLargeBuffers();
    return true;
}

bool TDataStore::savePersons()
{
    return saveFile(
        personFile(), kownfileagepersonen, personsState, [this](QByteArray& out) { serializePersons(out); });
}

bool TDataStore::saveDienste()
{
    return saveFile(dutyFile(), kownfileagedienste, dutiesState, [this](QByteArray& out) { serializeDienste(out); });
}

bool TDataStore::saveRegeln()
{
    return saveFile(rulesFile(), kownfileageregeln, regelnState, [this](QByteArray& out) { serializeRegeln(out); });
}

// ---- locks --------------------------------------------------------------------------

bool TDataStore::canreadnow(const QString& lockFile, TFileState& state)
{
    state.lockHeld = false;
    state.overridden = false;
    if (lockFree)
        return true;
    switch (TakeLockFile(lockFile)) {
    case TLockResult::Taken:
        state.lockHeld = true;
        return true;
    case TLockResult::Impossible:
        return true; // no lock possible here (read-only folder): the content checks must do
    case TLockResult::Held:
        break;
    }
    ++busy;
    const TLockAnswer answer = ui.AskLockMessage(GetMessageText(30));
    --busy;
    if (answer != TLockAnswer::No)
        return false;
    // The user overrides the other copy's lock: this copy takes it over. The other copy
    // may still be writing, so the file is checked again right before the write.
    TakeOverLockFile(lockFile);
    state.lockHeld = true;
    state.overridden = true;
    return true;
}

bool TDataStore::canreadnowpersonen()
{
    return canreadnow(personLockFile(), personsState);
}

bool TDataStore::canreadnowdienste()
{
    return canreadnow(dutyLockFile(), dutiesState);
}

bool TDataStore::canreadnowregeln()
{
    return canreadnow(rulesLockFile(), regelnState);
}

TDataStore::TFileState& TDataStore::stateOf(TKind kind)
{
    return kind == TKind::Persons ? personsState : kind == TKind::Duties ? dutiesState : regelnState;
}

QString TDataStore::fileOf(TKind kind) const
{
    return kind == TKind::Persons ? personFile() : kind == TKind::Duties ? dutyFile() : rulesFile();
}

QString TDataStore::lockOf(TKind kind) const
{
    return kind == TKind::Persons ? personLockFile() : kind == TKind::Duties ? dutyLockFile() : rulesLockFile();
}

TLoadResult TDataStore::loadLocked(TKind kind)
{
    return kind == TKind::Persons ? loadPersonsLocked()
        : kind == TKind::Duties   ? loadDiensteLocked()
                                  : loadRegelnLocked();
}

void TDataStore::reloaded(TKind kind, TLoadResult result)
{
    endWrite(kind);
    otherCopyLoaded(result,
        kind == TKind::Persons      ? kUndoPersonFile
            : kind == TKind::Duties ? kUndoDutyFile
                                    : kUndoRulesFile);
    if (kind == TKind::Persons)
        ui.ListPersons();
    else if (kind == TKind::Duties)
        ui.ListDienste();
}

// Lock first, then judge: once the lock is this copy's (also after the user overrode
// another copy's lock), a file another copy saved meanwhile is read again and the
// operation refused.
bool TDataStore::canwritenow(TKind kind)
{
    if (lockFree)
        return false;
    TFileState& state = stateOf(kind);
    const QString path = fileOf(kind);
    state.told = false; // a refused save is told once per operation
    if (!canreadnow(lockOf(kind), state))
        return false;
    // The byte-range lock, held until the release: another copy that is between its
    // check and its write (also where no lock file exists) is waited for a moment.
    if (rangeOf(state).acquire(path, true, 2000) == TRangeLock::Result::Busy) {
        ++busy;
        const TLockAnswer answer = ui.AskLockMessage(GetMessageText(30));
        --busy;
        if (answer != TLockAnswer::No) {
            endWrite(kind);
            return false;
        }
    }
    if (state.lockHeld && RecoverInterruptedWrites(path))
        state.stamp.size = -1; // repaired: read it
    if (!changedOnDisk(path, state))
        return true;
    // Another copy saved since this one read: show its data, skip the change.
    reloaded(kind, loadLocked(kind));
    return false;
}

bool TDataStore::canwritenowpersonen()
{
    return canwritenow(TKind::Persons);
}

bool TDataStore::canwritenowdienste()
{
    return canwritenow(TKind::Duties);
}

bool TDataStore::canwritenowregeln()
{
    return canwritenow(TKind::Rules);
}

// Release: the byte-range lock, and the lock file when it is this copy's.
void TDataStore::endWrite(TKind kind)
{
    if (lockFree)
        return;
    TFileState& state = stateOf(kind);
    rangeOf(state).release();
    if (state.lockHeld)
        ReleaseLockFile(lockOf(kind));
    state.lockHeld = false;
}

void TDataStore::EndWriteMowpersonen()
{
    endWrite(TKind::Persons);
}

void TDataStore::EndWriteMowdienste()
{
    endWrite(TKind::Duties);
}

void TDataStore::EndWriteMowregeln()
{
    endWrite(TKind::Rules);
}

void TDataStore::otherCopyLoaded(TLoadResult result, unsigned files)
{
    if (result != TLoadResult::Refused && onOtherCopyLoaded)
        onOtherCopyLoaded(files);
}

bool TDataStore::SavePersonsLocked()
{
    if (!canwritenowpersonen())
        return false;
    const bool saved = savePersons();
    EndWriteMowpersonen();
    return saved;
}

bool TDataStore::SaveDiensteLocked()
{
    if (!canwritenowdienste())
        return false;
    const bool saved = saveDienste();
    EndWriteMowdienste();
    return saved;
}

bool TDataStore::SaveRegelnLocked()
{
    if (!canwritenowregeln())
        return false;
    const bool saved = saveRegeln();
    EndWriteMowregeln();
    return saved;
}

// ---- polling and end ----------------------------------------------------------------

namespace {
// What the poll learns about one data file off the user-interface thread.
struct TProbe {
    TFileStamp stamp;
    bool locked = false;
};
struct TPollResult {
    TProbe duties, persons, rules;
};
TProbe probe(const QString& file, const QString& lock)
{
    TProbe p;
    p.stamp = StampOf(file);
    p.locked = LockFilePresent(lock);
    return p;
}
} // namespace

// The worker's answer is shared with a detached thread, so that a program that ends
// while a network server does not answer does not wait for it.
struct TPollShared {
    std::mutex mutex;
    std::condition_variable done;
    bool ready = false;
    TPollResult result;
};

struct TDataStore::TPoll {
    std::shared_ptr<TPollShared> pending;
    QElapsedTimer started;
    bool stalled = false;
    int rounds = 0;
};

// The poll's reload: never asks. When another copy holds the lock the round is skipped;
// the next one tries again.
void TDataStore::pollReload(TKind kind)
{
    TFileState& state = stateOf(kind);
    const TLockResult lr = TakeLockFile(lockOf(kind));
    if (lr == TLockResult::Held)
        return;
    state.lockHeld = lr == TLockResult::Taken;
    reloaded(kind, loadLocked(kind));
}

void TDataStore::Timer1Timer()
{
    // A message box of the store is open (its event loop runs this timer): wait.
    if (busy > 0)
        return;
    if (!poll)
        poll = std::make_shared<TPoll>();
    // The file calls of the poll run on a worker thread: a network server that stops
    // answering must not freeze the window. The result is taken when it is there.
    if (!poll->pending) {
        auto shared = std::make_shared<TPollShared>();
        poll->pending = shared;
        poll->started.start();
        std::thread([shared, duty = dutyFile(), dutyLock = dutyLockFile(), person = personFile(),
                        personLock = personLockFile(), rules = rulesFile(), rulesLock = rulesLockFile()] {
            TPollResult r;
            r.duties = probe(duty, dutyLock);
            r.persons = probe(person, personLock);
            r.rules = probe(rules, rulesLock);
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->result = r;
            shared->ready = true;
            shared->done.notify_all();
        }).detach();
    }
    TPollResult r;
    {
        std::unique_lock<std::mutex> lock(poll->pending->mutex);
        if (!poll->pending->done.wait_for(
                lock, std::chrono::milliseconds(pollWaitMs), [&] { return poll->pending->ready; })) {
            if (!poll->stalled && poll->started.elapsed() > 3000) {
                poll->stalled = true;
                ui.PollStatus(TranslateText(QStringLiteral("Der Datenordner antwortet nicht.")));
            }
            return;
        }
        r = poll->pending->result;
    }
    poll->pending.reset();
    if (poll->stalled) {
        poll->stalled = false;
        ui.PollStatus(QString());
    }
    // On a file system with whole-second times a change within the same second shows in
    // no stamp: there the content is compared now and then.
    const bool coarse = ++poll->rounds % 3 == 0;
    auto due = [&](const TProbe& p, const TFileState& state, const QString& path) {
        if (p.locked)
            return false;
        if (p.stamp != state.stamp)
            return true;
        return coarse && p.stamp.exists && p.stamp.mtimeNs % 1000000000 == 0 && changedOnDisk(path, state);
    };
    if (due(r.duties, dutiesState, dutyFile()))
        pollReload(TKind::Duties);
    if (due(r.persons, personsState, personFile()))
        pollReload(TKind::Persons);
    if (due(r.rules, regelnState, rulesFile()))
        pollReload(TKind::Rules);
}

void TDataStore::SaveAllAtEnd()
{
    SavePersonsLocked();
    SaveDiensteLocked();
    // Rules are saved only when changed, so a slot without rules gets no rules file.
    if (regelnUnwritten())
        SaveRegelnLocked();
}
