#include "storage/datafile.h"

#include "core/fsops.h"
#include "i18n/translate.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

TFileStamp stampOf(const struct stat& st)
{
    TFileStamp s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

void pause(int ms)
{
    QThread::msleep(ulong(ms));
}

quint32 crc(const char* data, qint64 size)
{
    uLong c = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const uInt n = uInt(std::min<qint64>(size, 1 << 30));
        c = crc32(c, reinterpret_cast<const Bytef*>(data), n);
        data += n;
        size -= n;
    }
    return quint32(c);
}

// Reads exactly `size` bytes at `offset`; false on an error or an early end.
bool preadAll(int fd, char* data, qsizetype size, qsizetype offset)
{
    while (size > 0) {
        const ssize_t n = ::pread(fd, data, size_t(size), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

// Copying a large file out of the system's cache is most of its load: the second half is
// read by a helper thread while this one reads the first. False (and the bytes undefined)
// when either half came back short or failed, or no thread could be had; the caller then
// reads the file in one go.
bool readHalvesAtOnce(int fd, char* data, qsizetype size)
{
    const qsizetype half = (size / 2) & ~qsizetype(4095);
    bool secondRead = false;
    std::thread helper;
    try {
        helper = std::thread([&] { secondRead = preadAll(fd, data + half, size - half, half); });
    } catch (const std::system_error&) {
        return false;
    }
    const bool firstRead = preadAll(fd, data, half, 0);
    helper.join();
    return firstRead && secondRead;
}

constexpr qsizetype kReadInHalvesFrom = qsizetype(8) << 20;

// One read of the whole file; Ok also when the file changed meanwhile (`changed` says so).
TReadStatus readOnce(const QByteArray& path, QByteArray& bytes, TFileStamp& stamp, int& err, bool& changed)
{
    changed = false;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        err = errno;
        if (err == ENOENT || err == ENOTDIR)
            return TReadStatus::Missing;
        struct stat st {};
        if (::stat(path.constData(), &st) == 0)
            stamp = stampOf(st);
        return TReadStatus::ReadError;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        err = errno;
        ::close(fd);
        return TReadStatus::ReadError;
    }
    stamp = stampOf(st);
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        err = kNotRegularFile;
        return TReadStatus::NotRegular;
    }
    if (st.st_size > kMaxDataFileSize) {
        ::close(fd);
        err = kFileTooLarge;
        return TReadStatus::TooLarge;
    }
    qsizetype used = 0;
    qsizetype capacity = qsizetype(st.st_size) + 4096;
    try {
        bytes.resize(capacity);
        if (st.st_size >= kReadInHalvesFrom && readHalvesAtOnce(fd, bytes.data(), qsizetype(st.st_size)))
            used = qsizetype(st.st_size); // the loop reads on to the end, should the file have grown
        for (;;) {
            if (used == capacity) {
                if (capacity > kMaxDataFileSize) {
                    ::close(fd);
                    err = kFileTooLarge;
                    return TReadStatus::TooLarge;
                }
                capacity = std::min<qsizetype>(capacity * 2, kMaxDataFileSize + 4096);
                bytes.resize(capacity);
            }
            const ssize_t n = ::pread(fd, bytes.data() + used, size_t(capacity - used), off_t(used));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                err = errno;
                ::close(fd);
                return TReadStatus::ReadError;
            }
            if (n == 0)
                break;
            used += n;
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        bytes = QByteArray();
        return TReadStatus::NoMemory;
    }
    struct stat after {};
    if (::fstat(fd, &after) == 0) {
        const TFileStamp now = stampOf(after);
        changed = now.size != stamp.size || now.mtimeNs != stamp.mtimeNs || used != now.size;
        stamp = now;
    }
    ::close(fd);
    bytes.resize(used); // keeps the capacity for the next read
    return TReadStatus::Ok;
}

// ---- side files ---------------------------------------------------------------------
//
// A side file holds the complete new content, then one CRC-32 per 4 KiB block of the old
// content, then a trailer that proves both complete. It is written and synced before the
// data file is touched, so a data file torn by a power cut can always be finished.

constexpr qint64 kBlock = 4096;
constexpr char kSideMagic[8] = {'R', 'M', 'S', 'I', 'D', 'E', '0', '1'};
constexpr int kTrailerSize = 48;

struct TSideTrailer {
    quint64 newLength = 0;
    quint64 oldLength = 0;
    quint32 newCrc = 0;
    quint32 tableCrc = 0;
    quint64 inode = 0;
};

QByteArray blockTable(const QByteArray& old)
{
    QByteArray table;
    const qint64 blocks = (old.size() + kBlock - 1) / kBlock;
    table.resize(blocks * 4);
    for (qint64 i = 0; i < blocks; ++i) {
        const qint64 from = i * kBlock;
        qToLittleEndian<quint32>(crc(old.constData() + from, std::min(kBlock, old.size() - from)),
            table.data() + i * 4);
    }
    return table;
}

QByteArray sideContent(const QByteArray& bytes, const QByteArray& old, quint64 inode)
{
    const QByteArray table = blockTable(old);
    QByteArray out;
    out.reserve(bytes.size() + table.size() + kTrailerSize);
    out.append(bytes);
    out.append(table);
    char t[kTrailerSize] = {};
    std::memcpy(t, kSideMagic, 8);
    qToLittleEndian<quint64>(quint64(bytes.size()), t + 8);
    qToLittleEndian<quint64>(quint64(old.size()), t + 16);
    qToLittleEndian<quint32>(crc(bytes.constData(), bytes.size()), t + 24);
    qToLittleEndian<quint32>(crc(table.constData(), table.size()), t + 28);
    qToLittleEndian<quint64>(inode, t + 32);
    qToLittleEndian<quint32>(crc(t, 44), t + 44);
    out.append(t, kTrailerSize);
    return out;
}

// The new content and the old block table of a complete side file; false when it is not.
bool parseSide(const QByteArray& side, TSideTrailer& tr, QByteArray& bytes, QByteArray& table)
{
    if (side.size() < kTrailerSize)
        return false;
    const char* t = side.constData() + side.size() - kTrailerSize;
    if (std::memcmp(t, kSideMagic, 8) != 0 || qFromLittleEndian<quint32>(t + 44) != crc(t, 44))
        return false;
    tr.newLength = qFromLittleEndian<quint64>(t + 8);
    tr.oldLength = qFromLittleEndian<quint64>(t + 16);
    tr.newCrc = qFromLittleEndian<quint32>(t + 24);
    tr.tableCrc = qFromLittleEndian<quint32>(t + 28);
    tr.inode = qFromLittleEndian<quint64>(t + 32);
    const quint64 body = quint64(side.size() - kTrailerSize);
    if (tr.newLength > body || tr.oldLength > quint64(kMaxDataFileSize))
        return false;
    const quint64 tableSize = (tr.oldLength + kBlock - 1) / kBlock * 4;
    if (tr.newLength + tableSize != body)
        return false;
    bytes = side.left(qsizetype(tr.newLength));
    table = side.mid(qsizetype(tr.newLength), qsizetype(tableSize));
    return crc(bytes.constData(), bytes.size()) == tr.newCrc && crc(table.constData(), table.size()) == tr.tableCrc;
}

bool allZero(const char* p, qint64 n)
{
    return std::all_of(p, p + n, [](char c) { return c == 0; });
}

// Whether `data` is what an interrupted rewrite of the old content (known by its block
// table) with `bytes` can leave: every block old, new, or not yet written (zeros).
bool isTornMix(const QByteArray& data, const QByteArray& bytes, const QByteArray& table, qint64 oldLength)
{
    const qint64 len = data.size();
    if (len > std::max<qint64>(oldLength, bytes.size()))
        return false;
    for (qint64 from = 0; from < len; from += kBlock) {
        const qint64 n = std::min(kBlock, len - from);
        const char* d = data.constData() + from;
        const qint64 newN = std::clamp<qint64>(bytes.size() - from, 0, n);
        if (newN > 0 && std::memcmp(d, bytes.constData() + from, size_t(newN)) == 0
            && (newN == n || from + kBlock >= bytes.size()))
            continue; // new (a last new block may still be followed by old bytes)
        // Old: the old block, or the old file's last block followed by zeros where a
        // later block extended the file first.
        const qint64 oldN = std::clamp<qint64>(oldLength - from, 0, kBlock);
        if (oldN > 0 && oldN <= n && qFromLittleEndian<quint32>(table.constData() + from / kBlock * 4) == crc(d, oldN)
            && allZero(d + oldN, n - oldN))
            continue;
        if (allZero(d, n))
            continue; // not yet written
        return false;
    }
    return true;
}

bool readWhole(const QByteArray& path, QByteArray& out, struct stat& st, bool noFollow)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (noFollow ? O_NOFOLLOW : 0));
    if (fd < 0)
        return false;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= 2 * kMaxDataFileSize;
    if (ok) {
        try {
            out.resize(qsizetype(st.st_size));
            qsizetype used = 0;
            while (ok && used < out.size()) {
                const ssize_t n = ::read(fd, out.data() + used, size_t(out.size() - used));
                if (n < 0 && errno == EINTR)
                    continue;
                ok = n > 0;
                used += std::max<ssize_t>(n, 0);
            }
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    ::close(fd);
    return ok;
}

// Writes `bytes` over the existing regular file `target` (same inode), syncs it and
// returns 0 or the error number; `written` is its status afterwards.
int rewriteExisting(const QByteArray& target, const QByteArray& bytes, struct stat& written)
{
    const int fd = Fs().open(target.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, 0);
    if (fd < 0)
        return errno;
    int err = 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode))
        err = kNotRegularFile;
    if (err == 0 && bytes.size() > st.st_size) {
        // Claim the room first, so a full disk leaves the old content (size unchanged).
        const int r = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size()));
        if (r != 0 && errno == ENOSPC)
            err = ENOSPC;
    }
    if (err == 0)
        err = FsWriteAll(fd, bytes.constData(), bytes.size(), kBlock);
    if (err == 0 && Fs().ftruncate(fd, off_t(bytes.size())) != 0)
        err = errno;
    if (err == 0 && Fs().fsync(fd) != 0)
        err = errno;
    if (err == 0 && ::fstat(fd, &written) != 0)
        err = errno;
    if (err == 0 && written.st_size != off_t(bytes.size()))
        err = EIO;
    if (Fs().close(fd) != 0 && err == 0)
        err = errno;
    return err;
}

QString uniqueTag()
{
    char host[64] = {};
    ::gethostname(host, sizeof host - 1);
    QString h = QString::fromLocal8Bit(host);
    h.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("%1-%2-%3")
        .arg(h)
        .arg(::getpid())
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

QString nameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QStringList sideFilesOf(const QString& path)
{
    const QString folder = FolderOf(path);
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    QStringList out;
    const QStringList names = dir.entryList({QLatin1Char('.') + nameOf(path) + QStringLiteral(".*.side")},
        QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& n : names)
        out << folder + n;
    return out;
}

// Whether a side file may speak for the data file: it belongs to this user, to the data
// file's owner, or to someone who may write the data file through its group or world
// bits. A side file planted by anybody else is ignored.
bool trustedSide(const struct stat& side, const struct stat& data)
{
    return side.st_uid == ::geteuid() || side.st_uid == data.st_uid
        || ((data.st_mode & S_IWGRP) && side.st_gid == data.st_gid) || (data.st_mode & S_IWOTH);
}

// Rewrites in place behind a side file. `unprotected` tells that no side file could be
// made (the folder refuses new files) and the rewrite went ahead without one.
int rewriteInPlace(const QString& path, const QByteArray& bytes, struct stat& written, bool& unprotected)
{
    const QByteArray target = native(path);
    QByteArray old;
    struct stat st {};
    if (!readWhole(target, old, st, true))
        return errno ? errno : EIO;
    const QString side = FolderOf(path) + QLatin1Char('.') + nameOf(path) + QLatin1Char('.') + uniqueTag()
        + QStringLiteral(".side");
    const QByteArray sideName = native(side);
    const int fd = Fs().open(sideName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        unprotected = true;
        return rewriteExisting(target, bytes, written);
    }
    // Whoever may rewrite the data file may finish this rewrite after a crash.
    if (::fchown(fd, uid_t(-1), st.st_gid) != 0) {}
    ::fchmod(fd, st.st_mode & 0666);
    const QByteArray content = sideContent(bytes, old, quint64(st.st_ino));
    int err = FsWriteAll(fd, content.constData(), content.size());
    if (err == 0 && Fs().fsync(fd) != 0)
        err = errno;
    if (Fs().close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0)
        err = FsSyncFolderOf(path);
    if (err != 0) {
        Fs().unlink(sideName.constData());
        return err;
    }
    err = rewriteExisting(target, bytes, written);
    if (err == 0 || err == kNotRegularFile) {
        Fs().unlink(sideName.constData());
        FsSyncFolderOf(path);
    }
    // Otherwise the side file stays: the next reader finishes the rewrite.
    return err;
}

bool retryableRename(int err)
{
    return err == EEXIST || err == EBUSY || err == EACCES || err == EPERM || err == ETXTBSY;
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
        if (t.lastModified() < limit && t.ownerId() == ::geteuid())
            Fs().unlink(native(t.filePath()).constData());
    }
}

} // namespace

// ---- reading ------------------------------------------------------------------------

TFileStamp StampOf(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(native(path).constData(), &st) != 0)
        return {};
    return stampOf(st);
}

TReadStatus ReadDataFile(const QString& path, QByteArray& bytes, TFileStamp& stamp, int& err)
{
    const QByteArray name = native(path);
    TReadStatus status = TReadStatus::Missing;
    for (int attempt = 0; attempt < 4; ++attempt) {
        bool changed = false;
        err = 0;
        status = readOnce(name, bytes, stamp, err, changed);
        if (status != TReadStatus::Ok || !changed)
            break;
        pause(50 << attempt); // another copy is rewriting it: wait for the end
    }
    return status;
}

QString DataFileErrorText(int err)
{
    if (err == kNotRegularFile)
        return TranslateText(QStringLiteral("Sie ist keine gewöhnliche Datei."));
    if (err == kFileTooLarge)
        return TranslateText(QStringLiteral("Sie ist zu groß für einen Dienstplan."));
    return qt_error_string(err);
}

// ---- saving -------------------------------------------------------------------------

TSaveOutcome SaveDataFile(const QString& shownPath, const QByteArray& bytes)
{
    static std::atomic<unsigned> serial{0};
    TSaveOutcome out;
    const QString path = ResolveWriteTarget(shownPath, out.err);
    if (path.isEmpty())
        return out;
    const QByteArray target = native(path);

    // A FIFO or a device in place of the file is never written; a file the user may not
    // write stays as it is.
    struct stat old {};
    const bool hadOld = ::stat(target.constData(), &old) == 0;
    if (hadOld && !S_ISREG(old.st_mode)) {
        out.err = kNotRegularFile;
        return out;
    }
    if (hadOld && ::access(target.constData(), W_OK) != 0) {
        out.err = errno;
        return out;
    }

    const QString folder = FolderOf(path);
    const QString name = nameOf(path);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = native(folder + QLatin1Char('.') + name + QLatin1Char('.') + QString::number(::getpid())
            + QLatin1Char('-') + QString::number(serial++) + QStringLiteral(".tmp"));
        fd = Fs().open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            break;
    }
    // In a shared folder the user may be allowed to change the data files but not to make
    // new files (no write right on the folder), or another user planted the new names.
    bool inPlace = fd < 0 && hadOld;
    if (fd < 0)
        out.err = errno;

    if (fd >= 0) {
        struct stat st {};
        if (hadOld) {
            // Keep who may read and change the file in a shared folder (best effort).
            if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, uid_t(-1), old.st_gid) != 0) {}
            ::fchmod(fd, old.st_mode & 07777);
        }
        out.err = FsWriteAll(fd, bytes.constData(), bytes.size());
        if (out.err == 0 && Fs().fsync(fd) != 0)
            out.err = errno;
        if (out.err == 0 && ::fstat(fd, &st) != 0)
            out.err = errno;
        if (Fs().close(fd) != 0 && out.err == 0)
            out.err = errno;
        // A rename refused while another copy has the file open (network shares) is
        // tried again after short pauses.
        for (int attempt = 0; out.err == 0; ++attempt) {
            if (Fs().rename(temp.constData(), target.constData()) == 0)
                break;
            const int e = errno;
            if (!retryableRename(e) || attempt == 4) {
                out.err = e;
                inPlace = hadOld && retryableRename(e);
                break;
            }
            pause(50 << attempt);
        }
        if (out.err != 0) {
            Fs().unlink(temp.constData());
        } else {
            // Make the rename itself durable; a failure here does not undo the save.
            FsSyncFolderOf(path);
            out.stamp = stampOf(st);
            struct stat now {};
            if (::stat(target.constData(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino)
                out.stamp = stampOf(now); // a server may set the time when the file is closed
            removeStaleTempFiles(folder, name);
            return out;
        }
    }
    if (inPlace) {
        struct stat st {};
        const int e = rewriteInPlace(path, bytes, st, out.unprotected);
        out.err = e;
        out.inPlace = true;
        if (e == 0) {
            out.stamp = stampOf(st);
            struct stat now {};
            if (::stat(target.constData(), &now) == 0 && now.st_ino == st.st_ino)
                out.stamp = stampOf(now);
        }
    }
    return out;
}

QString SideFilePattern(const QString& path)
{
    return FolderOf(path) + QLatin1Char('.') + nameOf(path) + QStringLiteral(".*.side");
}

bool RecoverInterruptedWrites(const QString& path)
{
    bool repaired = false;
    for (const QString& sidePath : sideFilesOf(path)) {
        const QByteArray sideName = native(sidePath);
        QByteArray side, bytes, table, data;
        struct stat sst {}, dst {};
        const bool sideRead = readWhole(sideName, side, sst, true);
        TSideTrailer tr;
        if (!sideRead || !parseSide(side, tr, bytes, table)) {
            // Incomplete: the data file was never touched. Old ones are cleared away.
            struct stat lst {};
            if (::lstat(sideName.constData(), &lst) == 0 && S_ISREG(lst.st_mode) && lst.st_uid == ::geteuid()
                && lst.st_mtime < ::time(nullptr) - 3600)
                Fs().unlink(sideName.constData());
            continue;
        }
        const QByteArray target = native(path);
        if (!readWhole(target, data, dst, false) || !trustedSide(sst, dst))
            continue;
        // The inode is not compared: network clients number files each their own way, and
        // the block check below tells a torn rewrite from a later save.
        if (data != bytes
            && !(quint64(data.size()) == tr.oldLength && blockTable(data) == table)
            && isTornMix(data, bytes, table, qint64(tr.oldLength))) {
            struct stat written {};
            if (rewriteExisting(target, bytes, written) != 0)
                continue; // the side file stays for the next try
            repaired = true;
        }
        // Done, stale, or never started: the side file has nothing more to say.
        if (Fs().unlink(sideName.constData()) != 0) {
            const int fd = Fs().open(sideName.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0);
            if (fd >= 0) {
                Fs().ftruncate(fd, 0);
                Fs().fsync(fd);
                Fs().close(fd);
            }
        }
        FsSyncFolderOf(path);
    }
    return repaired;
}

// ---- lock files ---------------------------------------------------------------------

QByteArray LockToken()
{
    static const QByteArray token = uniqueTag().toUtf8() + '\n';
    return token;
}

bool LockFilePresent(const QString& path)
{
    struct stat st {};
    return ::lstat(native(path).constData(), &st) == 0;
}

namespace {
// Writes this copy's token into the new lock file `fd`, syncs it, and proves by reading
// the file back through a fresh descriptor that it is still this copy's.
bool claim(int fd, const QByteArray& name)
{
    const QByteArray token = LockToken();
    const bool written = FsWriteAll(fd, token.constData(), token.size()) == 0;
    Fs().fsync(fd);
    Fs().close(fd);
    if (!written)
        return true; // no room for the token: the exclusive create has to do
    QByteArray back;
    struct stat st {};
    if (!readWhole(name, back, st, true))
        return true;
    // A network client may still report the size the file had when it was created and
    // return nothing or a part: only another copy's token means the race was lost.
    return token.startsWith(back);
}
} // namespace

TLockResult TakeLockFile(const QString& lockPath)
{
    const QByteArray name = native(lockPath);
    const int fd = Fs().open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd >= 0)
        return claim(fd, name) ? TLockResult::Taken : TLockResult::Held;
    const int err = errno;
    if (err == EEXIST || LockFilePresent(lockPath))
        return TLockResult::Held;
    // Some network clients answer a lost race with another error; only a folder that
    // plainly refuses new files has no lock.
    if (err == EACCES || err == EROFS || err == ENOENT || err == ENOTDIR)
        return TLockResult::Impossible;
    pause(20);
    return LockFilePresent(lockPath) ? TLockResult::Held : TLockResult::Impossible;
}

void TakeOverLockFile(const QString& lockPath)
{
    const QByteArray name = native(lockPath);
    Fs().unlink(name.constData());
    int fd = Fs().open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd >= 0) {
        claim(fd, name);
        return;
    }
    // Another user's lock file in a sticky folder cannot be removed: take it over in place
    // when it is a regular file this user may write.
    fd = Fs().open(name.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && Fs().ftruncate(fd, 0) == 0) {
        claim(fd, name);
        return;
    }
    Fs().close(fd);
}

void ReleaseLockFile(const QString& lockPath)
{
    const QByteArray name = native(lockPath);
    QByteArray content;
    struct stat st {};
    if (!readWhole(name, content, st, true))
        return;
    if (LockToken().startsWith(content)) // this copy's, empty, or cut short by a cache
        Fs().unlink(name.constData());
}

// ---- byte-range locks ---------------------------------------------------------------

TRangeLock::Result TRangeLock::acquire(const QString& path, bool exclusive, int waitMs)
{
    release();
    const QByteArray name = native(path);
    const int f = ::open(name.constData(), (exclusive ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (f < 0)
        return Result::Unsupported;
    struct stat st {};
    if (::fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(f);
        return Result::Unsupported;
    }
    struct flock fl {};
    fl.l_type = short(exclusive ? F_WRLCK : F_RDLCK);
    fl.l_whence = SEEK_SET;
    for (int waited = 0;; waited += 20) {
        if (::fcntl(f, F_OFD_SETLK, &fl) == 0) {
            fd = f;
            return Result::Taken;
        }
        if ((errno != EAGAIN && errno != EACCES && errno != EINTR) || waited >= waitMs) {
            const bool busy = errno == EAGAIN || errno == EACCES;
            ::close(f);
            return busy ? Result::Busy : Result::Unsupported;
        }
        pause(20);
    }
}

void TRangeLock::release()
{
    if (fd >= 0)
        ::close(fd); // closing the description releases its lock
    fd = -1;
}
