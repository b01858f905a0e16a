#include "output/safefile.h"

#include "core/fsops.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Old content up to this size is kept in memory while a file is written in place, so a
// failed write can put it back; a larger target is written without that net.
constexpr qint64 kRestoreLimit = qint64(64) << 20;

bool isRegular(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// The whole content of `fd` from offset 0, at most `limit` bytes; false when larger or
// unreadable.
bool readAll(int fd, qint64 limit, QByteArray& out)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size > limit)
        return false;
    out.resize(qsizetype(st.st_size));
    qint64 done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd, out.data() + done, size_t(out.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    out.resize(qsizetype(done));
    return true;
}

// Errors of create or rename after which writing the existing target in place may work.
bool refusedByFolder(int err)
{
    return err == EACCES || err == EPERM || err == EROFS || err == EBUSY || err == EEXIST || err == ENOSPC
        || err == EDQUOT;
}
} // namespace

QString SystemReason(int err)
{
    if (err == kErrNotRegularFile)
        return QStringLiteral("Not a regular file");
    return QString::fromLocal8Bit(std::strerror(err));
}

TSafeFile::TSafeFile(const QString& target)
    : m_given(target)
{
}

TSafeFile::~TSafeFile()
{
    Discard();
}

bool TSafeFile::fail(int err)
{
    m_errno = err != 0 ? err : EIO;
    return false;
}

bool TSafeFile::Create()
{
    Discard();
    m_errno = 0;
    m_inPlace = false;
    m_committed = false;
    m_size = 0;
    m_pending.clear();

    int err = 0;
    m_target = ResolveWriteTarget(m_given, err);
    if (m_target.isEmpty())
        return fail(err != 0 ? err : ENOENT);
    const QString name = m_target.mid(m_target.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.isEmpty())
        return fail(EISDIR);

    // What is there now decides the kind of target and the owner and mode to keep.
    struct stat old {};
    const bool exists = ::lstat(QFile::encodeName(m_target).constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        return fail(errno);
    if (exists && S_ISDIR(old.st_mode))
        return fail(EISDIR);
    if (exists && !S_ISREG(old.st_mode))
        return fail(kErrNotRegularFile);

    const QString stem = FolderOf(m_target) + QLatin1Char('.') + name + QLatin1Char('.');
    int createError = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temp
            = stem + QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".tmp");
        const int fd
            = Fs().open(QFile::encodeName(temp).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = temp;
            break;
        }
        createError = errno;
        if (createError != EEXIST)
            break;
    }
    if (m_fd < 0) {
        if (exists && refusedByFolder(createError) && openInPlace(createError))
            return true;
        return fail(createError);
    }
    if (exists) {
        // The replaced file keeps its owner, group and permissions where this user may
        // give them; a group it cannot keep is not widened to this user's group, and the
        // set-id bits stay only on a file whose owner and group were both kept.
        const bool keptBoth = ::fchown(m_fd, old.st_uid, old.st_gid) == 0;
        const bool keptGroup = keptBoth || ::fchown(m_fd, uid_t(-1), old.st_gid) == 0;
        ::fchmod(m_fd, old.st_mode & (keptBoth ? 07777 : keptGroup ? 0777 : 0700));
    }
    return true;
}

bool TSafeFile::openInPlace(int createError)
{
    const int fd
        = Fs().open(QFile::encodeName(m_target).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0)
        return fail(createError);
    if (!isRegular(fd)) {
        Fs().close(fd);
        return fail(kErrNotRegularFile);
    }
    m_fd = fd;
    m_inPlace = true;
    return true;
}

bool TSafeFile::Write(const char* data, qint64 size)
{
    if (m_fd < 0)
        return fail(m_errno != 0 ? m_errno : EBADF);
    if (m_inPlace) {
        m_pending.append(data, qsizetype(size));
        return true;
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 n = std::min<qint64>(size - done, qint64(1) << 20);
        const ssize_t w = Fs().pwrite(m_fd, data + done, size_t(n), off_t(m_size + done));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return fail(w == 0 ? EIO : errno);
        done += w;
    }
    m_size += size;
    return true;
}

bool TSafeFile::writeInPlace(const QByteArray& data)
{
    QByteArray old;
    const bool restorable = readAll(m_fd, kRestoreLimit, old);
    int err = FsWriteAll(m_fd, data.constData(), data.size());
    if (err == 0 && Fs().ftruncate(m_fd, off_t(data.size())) != 0)
        err = errno;
    if (err == 0 && Fs().fsync(m_fd) != 0)
        err = errno;
    if (err != 0 && restorable) {
        FsWriteAll(m_fd, old.constData(), old.size());
        Fs().ftruncate(m_fd, off_t(old.size()));
        Fs().fsync(m_fd);
    }
    return err == 0 || fail(err);
}

bool TSafeFile::Commit(bool syncFolder)
{
    if (m_fd < 0)
        return fail(m_errno != 0 ? m_errno : EBADF);
    if (m_inPlace) {
        const bool ok = writeInPlace(m_pending);
        Fs().close(m_fd);
        m_fd = -1;
        m_pending.clear();
        m_committed = ok;
        return ok;
    }
    if (Fs().fsync(m_fd) != 0) {
        fail(errno);
        Discard();
        return false;
    }
    const QByteArray temp = QFile::encodeName(m_temp);
    const QByteArray target = QFile::encodeName(m_target);
    if (Fs().rename(temp.constData(), target.constData()) != 0) {
        const int renameError = errno;
        // A sticky folder where another user owns the target, or a share that holds the
        // file open: the target may still be writable in place.
        QByteArray content;
        struct stat st {};
        if (!refusedByFolder(renameError) || ::lstat(target.constData(), &st) != 0 || !S_ISREG(st.st_mode)
            || !readAll(m_fd, m_size, content) || content.size() != m_size) {
            fail(renameError);
            Discard();
            return false;
        }
        Discard();
        if (!openInPlace(renameError))
            return false;
        m_pending = content;
        return Commit(syncFolder);
    }
    Fs().close(m_fd);
    m_fd = -1;
    m_temp.clear();
    m_committed = true;
    // The data is in place; a folder that cannot be synced (some file systems refuse
    // it) leaves only the name's durability to the system, unless the disk failed.
    if (syncFolder && FsSyncFolderOf(m_target) == EIO)
        return fail(EIO);
    return true;
}

void TSafeFile::Discard()
{
    if (m_fd >= 0)
        Fs().close(m_fd);
    m_fd = -1;
    if (!m_temp.isEmpty())
        Fs().unlink(QFile::encodeName(m_temp).constData());
    m_temp.clear();
    m_pending.clear();
}

int WriteFileSafely(const QString& path, const QByteArray& bytes, bool syncFolder)
{
    TSafeFile file(path);
    if (!file.Create() || !file.Write(bytes) || !file.Commit(syncFolder))
        return file.Error();
    return 0;
}
