#include "storage/datastore.h"

#include "core/undohistory.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TDateTime ageOf(const struct stat& st)
{
    const qint64 ms = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return QDateTimeToDateTime(QDateTime::fromMSecsSinceEpoch(ms).toLocalTime());
}

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

// A lock file counts as present even when it is a dangling link, as for O_EXCL.
bool lockFilePresent(const QString& path)
{
    struct stat st {};
    return ::lstat(nativePath(path).constData(), &st) == 0;
}

// Error number of a data file that is not a regular file (a FIFO, a device, a folder).
constexpr int kNotRegular = -1;

QString systemReason(int err)
{
    if (err == kNotRegular)
        return TranslateText(QStringLiteral("Sie ist keine gewöhnliche Datei."));
    return qt_error_string(err);
}

enum class ReadStatus { Ok, Missing, ReadError, NotRegular };

// The whole file and the last-write time of exactly the file that was read (another
// copy may rename a new file over the path right after). Only a regular file is read:
// the open does not block (a FIFO would wait for a writer), and a device such as
// /dev/zero never ends.
ReadStatus readWholeFile(const QString& path, QByteArray& bytes, TDateTime& age, int& err)
{
    const QByteArray native = nativePath(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        err = errno;
        if (err == ENOENT || err == ENOTDIR)
            return ReadStatus::Missing;
        struct stat st {};
        if (::stat(native.constData(), &st) == 0)
            age = ageOf(st);
        return ReadStatus::ReadError;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        err = errno;
        ::close(fd);
        return ReadStatus::ReadError;
    }
    age = ageOf(st);
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::NotRegular;
    }
    qsizetype used = 0;
    qsizetype capacity = st.st_size > 0 ? qsizetype(st.st_size) + 1 : 4096;
    bytes.resize(capacity);
    for (;;) {
        if (used == capacity) {
            capacity *= 2;
            bytes.resize(capacity);
        }
        const ssize_t n = ::read(fd, bytes.data() + used, size_t(capacity - used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            err = errno;
            ::close(fd);
            return ReadStatus::ReadError;
        }
        if (n == 0)
            break;
        used += n;
    }
    ::close(fd);
    bytes.resize(used); // keeps the capacity for the next read
    return ReadStatus::Ok;
}

// New files of saves that never finished (a copy killed while saving). A save takes
// seconds at most; an hour leaves room for clocks of other computers that run behind.
void removeStaleTempFiles(const QString& folder, const QString& name)
{
    const QDateTime limit = QDateTime::currentDateTime().addSecs(-3600);
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QFileInfoList temps = dir.entryInfoList(
        {QLatin1Char('.') + name + QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& t : temps) {
        if (t.lastModified() < limit)
            QFile::remove(t.filePath());
    }
}

bool writeAll(int fd, const char* data, qsizetype size)
{
    off_t offset = 0;
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(std::min<qsizetype>(size, 1 << 30)), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

// Rewrites the existing file `target` with `bytes`, for folders where no new file can
// be made or renamed over it. Room for a longer content is claimed before anything is
// overwritten, so a full disk leaves the old content. Owner, group, mode and hard
// links stay as they are. Returns 0 or the error number; `written` is the file's
// status after the write.
int rewriteInPlace(const QByteArray& target, const QByteArray& bytes, struct stat& written)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0)
        return errno;
    int err = 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode))
        err = kNotRegular;
    if (err == 0 && bytes.size() > st.st_size) {
        const int r = ::posix_fallocate(fd, st.st_size, off_t(bytes.size() - st.st_size));
        if (r != 0 && r != EOPNOTSUPP && r != EINVAL)
            err = r;
    }
    if (err == 0
        && (!writeAll(fd, bytes.constData(), bytes.size()) || ::ftruncate(fd, off_t(bytes.size())) != 0
            || ::fsync(fd) != 0 || ::fstat(fd, &written) != 0))
        err = errno;
    if (err == 0 && written.st_size != off_t(bytes.size()))
        err = EIO;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    return err;
}

// The time of the saved file as the path shows it now: a server may set it when the
// file is closed. When the path no longer names the written file (another copy renamed
// its own over it meanwhile), the written file's time is kept, so that the other
// copy's file counts as a change.
TDateTime ageAfterWrite(const QString& path, const QByteArray& target, const struct stat& written)
{
    if (TDataStore::afterWriteHook)
        TDataStore::afterWriteHook(path);
    struct stat now {};
    if (::stat(target.constData(), &now) == 0 && now.st_dev == written.st_dev && now.st_ino == written.st_ino)
        return ageOf(now);
    return ageOf(written);
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
    struct stat st {};
    if (path.isEmpty() || ::stat(nativePath(path).constData(), &st) != 0)
        return 0;
    return ageOf(st);
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

// Reads `path` (the caller holds the read lock) and hands the bytes to `apply`, which
// parses them into fresh containers and moves them into the roster only when the parse
// succeeded. Records the known file time of exactly the file that was read, also of a
// damaged one, so the poll reports it once, not every second; a damaged or unreadable
// file is then kept from being replaced until it is read successfully.
TLoadResult TDataStore::loadFile(const QString& path, TDateTime& known, TFileState& state,
    const std::function<void()>& onMissing, const std::function<TReadResult(const QByteArray&)>& apply,
    const std::function<void(QByteArray&)>& serialize)
{
    TDateTime age = 0;
    int err = 0;
    TLoadResult result = TLoadResult::Missing;
    const QString cannotRead = TranslateText(QStringLiteral("Die Datei konnte nicht gelesen werden:"))
        + QLatin1Char('\n') + QDir::toNativeSeparators(path) + QLatin1Char('\n');
    switch (readWholeFile(path, readBuffer, age, err)) {
    case ReadStatus::Missing:
        onMissing();
        break;
    case ReadStatus::ReadError:
        showError(cannotRead + systemReason(err));
        result = TLoadResult::Damaged;
        break;
    case ReadStatus::NotRegular:
        showError(cannotRead + systemReason(kNotRegular));
        result = TLoadResult::Damaged;
        break;
    case ReadStatus::Ok: {
        const TReadResult r = apply(readBuffer);
        if (r != TReadResult::Ok) {
            reportDamage(r, path); // the roster stays as it was
            result = r == TReadResult::NoMemory ? TLoadResult::NoMemory : TLoadResult::Damaged;
        } else {
            result = TLoadResult::Loaded;
        }
        break;
    }
    }
    releaseLargeBuffers();
    known = age;
    if (result == TLoadResult::Loaded || result == TLoadResult::Missing) {
        state.unreadable = false;
        state.told = false;
        serialize(state.baseline);
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
    const TLoadResult result = loadFile(
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
        [this](QByteArray& out) { serializePersons(out); });
    EndWriteMowpersonen();
    return result;
}

TLoadResult TDataStore::loadDienste()
{
    if (!canreadnowdienste())
        return TLoadResult::Refused;
    const TLoadResult result = loadFile(
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
        [this](QByteArray& out) { serializeDienste(out); });
    EndWriteMowdienste();
    return result;
}

TLoadResult TDataStore::loadRegeln()
{
    if (!canreadnowregeln())
        return TLoadResult::Refused;
    const TLoadResult result = loadFile(
        rulesFile(), kownfileageregeln, regelnState, [this] { roster.regeln = TPlanRules(); },
        [this](const QByteArray& bytes) {
            TPlanRules rules;
            if (!ParsePlanRules(bytes, rules))
                return TReadResult::Damaged;
            roster.regeln = std::move(rules);
            return TReadResult::Ok;
        },
        [this](QByteArray& out) { serializeRegeln(out); });
    EndWriteMowregeln();
    return result;
}

bool TDataStore::unwritten(TFileState& state, const std::function<void(QByteArray&)>& serialize)
{
    if (state.baseline.isEmpty())
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
    if (regelnState.baseline.isEmpty())
        return !roster.regeln.Empty();
    return unwritten(regelnState, [this](QByteArray& out) { serializeRegeln(out); });
}

// ---- writing ------------------------------------------------------------------------

bool TDataStore::writeFileReplacing(const QString& shownPath, const QByteArray& bytes, TDateTime& age)
{
    static std::atomic<unsigned> serial{0};
    // A data file that is a link to a file elsewhere is replaced there, not turned into
    // a file of its own.
    QString path = shownPath;
    struct stat link {};
    if (::lstat(nativePath(path).constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        const QString real = QFileInfo(path).canonicalFilePath();
        if (!real.isEmpty())
            path = real;
    }
    const QByteArray target = nativePath(path);
    int err = 0;

    // A file the user made read-only stays as it is, as when it was written in place;
    // a FIFO or a device in place of the file (or behind its link) is never replaced.
    struct stat old {};
    const bool hadOld = ::stat(target.constData(), &old) == 0;
    if (hadOld && !S_ISREG(old.st_mode))
        err = kNotRegular;
    else if (hadOld && ::access(target.constData(), W_OK) != 0)
        err = errno;

    // The new content goes into a fresh file beside the target and replaces it by a
    // rename, so readers and a crash see either the old or the new file, never a part.
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; err == 0 && attempt < 100; ++attempt) {
        temp = nativePath(folder + QLatin1Char('.') + name + QLatin1Char('.') + QString::number(::getpid())
            + QLatin1Char('-') + QString::number(serial++) + QStringLiteral(".tmp"));
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            break;
    }
    // In a shared folder the user may be allowed to change the data files but not to
    // make new files (no write right on the folder) or to rename over a file of another
    // user (sticky folder): the existing file is then written in place.
    bool inPlace = false;
    if (fd < 0 && err == 0) {
        err = errno;
        inPlace = hadOld;
    }

    if (fd >= 0) {
        struct stat st {};
        if (hadOld) {
            // Keep who may read and change the file in a shared folder (best effort).
            if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, uid_t(-1), old.st_gid) != 0) {}
            ::fchmod(fd, old.st_mode & 07777);
        }
        if (!writeAll(fd, bytes.constData(), bytes.size()) || ::fsync(fd) != 0 || ::fstat(fd, &st) != 0)
            err = errno;
        if (::close(fd) != 0 && err == 0)
            err = errno;
        if (err == 0 && ::rename(temp.constData(), target.constData()) != 0) {
            err = errno;
            inPlace = hadOld && (err == EACCES || err == EPERM || err == EBUSY);
        }
        if (err != 0) {
            ::unlink(temp.constData());
        } else {
            // Make the rename itself durable; a failure here does not undo the save.
            const QByteArray dir = nativePath(folder.isEmpty() ? QStringLiteral(".") : folder);
            const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dfd >= 0) {
                ::fsync(dfd);
                ::close(dfd);
            }
            age = ageAfterWrite(path, target, st);
            removeStaleTempFiles(folder, name);
            return true;
        }
    }
    if (inPlace) {
        struct stat st {};
        const int e = rewriteInPlace(target, bytes, st);
        if (e == 0) {
            age = ageAfterWrite(path, target, st);
            return true;
        }
        err = e;
    }
    showError(TranslateText(QStringLiteral("Die Datei konnte nicht gespeichert werden:")) + QLatin1Char('\n')
        + QDir::toNativeSeparators(shownPath) + QLatin1Char('\n') + systemReason(err));
    return false;
}

bool TDataStore::saveFile(
    const QString& path, TDateTime& known, TFileState& state, const std::function<void(QByteArray&)>& serialize)
{
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
    TDateTime age = 0;
    serialize(writeBuffer);
    const bool written = writeFileReplacing(path, writeBuffer, age);
    if (written) {
        known = age;
        std::swap(state.baseline, writeBuffer); // the old baseline's block is reused next time
    }
    releaseLargeBuffers();
    return written;
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

bool TDataStore::canreadnow(const QString& lockFile)
{
    if (lockFree)
        return true;
    const QByteArray path = nativePath(lockFile);
    // Creating the lock file exclusively is the test and the claim in one step.
    int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EEXIST)
        return true; // no lock possible here (read-only folder): go on without one
    ++busy;
    const TLockAnswer answer = ui.AskLockMessage(GetMessageText(30));
    --busy;
    if (answer != TLockAnswer::No)
        return false;
    // The user overrides the other copy's lock: take it over, emptied.
    fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0)
        ::close(fd);
    return true;
}

bool TDataStore::canreadnowpersonen()
{
    return canreadnow(personLockFile());
}

bool TDataStore::canreadnowdienste()
{
    return canreadnow(dutyLockFile());
}

bool TDataStore::canreadnowregeln()
{
    return canreadnow(rulesLockFile());
}

bool TDataStore::canwritenowpersonen()
{
    if (GetFileAge(personFile()) != kownfileagepersonen) {
        // Another copy saved since this one read: show its data, skip the change.
        otherCopyLoaded(loadPersons(), kUndoPersonFile);
        ui.ListPersons();
        return false;
    }
    return canreadnowpersonen();
}

bool TDataStore::canwritenowdienste()
{
    if (GetFileAge(dutyFile()) != kownfileagedienste) {
        otherCopyLoaded(loadDienste(), kUndoDutyFile);
        ui.ListDienste();
        return false;
    }
    return canreadnowdienste();
}

bool TDataStore::canwritenowregeln()
{
    if (GetFileAge(rulesFile()) != kownfileageregeln) {
        otherCopyLoaded(loadRegeln(), kUndoRulesFile);
        return false;
    }
    return canreadnowregeln();
}

void TDataStore::EndWriteMowpersonen()
{
    if (lockFree)
        return;
    ::unlink(nativePath(personLockFile()).constData());
}

void TDataStore::EndWriteMowdienste()
{
    if (lockFree)
        return;
    ::unlink(nativePath(dutyLockFile()).constData());
}

void TDataStore::EndWriteMowregeln()
{
    if (lockFree)
        return;
    ::unlink(nativePath(rulesLockFile()).constData());
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

void TDataStore::Timer1Timer()
{
    // A message box of the store is open (its event loop runs this timer): wait.
    if (busy > 0)
        return;
    if (GetFileAge(dutyFile()) != kownfileagedienste && !lockFilePresent(dutyLockFile())) {
        otherCopyLoaded(loadDienste(), kUndoDutyFile);
        ui.ListDienste();
    }
    if (GetFileAge(personFile()) != kownfileagepersonen && !lockFilePresent(personLockFile())) {
        otherCopyLoaded(loadPersons(), kUndoPersonFile);
        ui.ListPersons();
    }
    if (GetFileAge(rulesFile()) != kownfileageregeln && !lockFilePresent(rulesLockFile()))
        otherCopyLoaded(loadRegeln(), kUndoRulesFile);
}

void TDataStore::SaveAllAtEnd()
{
    SavePersonsLocked();
    SaveDiensteLocked();
    // Rules are saved only when changed, so a slot without rules gets no rules file.
    if (regelnUnwritten())
        SaveRegelnLocked();
}
