#include "core/fsops.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

int TFsOps::open(const char* path, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::open(path, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

int TFsOps::close(int fd)
{
    return ::close(fd);
}

ssize_t TFsOps::pwrite(int fd, const void* data, size_t size, off_t offset)
{
    return ::pwrite(fd, data, size, offset);
}

int TFsOps::ftruncate(int fd, off_t length)
{
    return ::ftruncate(fd, length);
}

int TFsOps::fsync(int fd)
{
    return ::fsync(fd);
}

int TFsOps::rename(const char* from, const char* to)
{
    return ::rename(from, to);
}

int TFsOps::unlink(const char* path)
{
    return ::unlink(path);
}

int TFsOps::fsyncFolder(const char* folder)
{
    const int fd = ::open(*folder ? folder : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int r = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    errno = err;
    return r;
}

namespace {
TFsOps realOps;
TFsOps* current = &realOps;
} // namespace

TFsOps& Fs()
{
    return *current;
}

void SetFs(TFsOps* ops)
{
    current = ops ? ops : &realOps;
}

int FsWriteAll(int fd, const char* data, qint64 size, qint64 piece)
{
    qint64 offset = 0;
    while (offset < size) {
        const qint64 n = std::min(size - offset, std::max<qint64>(piece, 1));
        const ssize_t w = Fs().pwrite(fd, data + offset, size_t(n), off_t(offset));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return w == 0 ? EIO : errno;
        offset += w;
    }
    return 0;
}

QString FolderOf(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

int FsSyncFolderOf(const QString& path)
{
    const QString folder = FolderOf(path);
    return Fs().fsyncFolder(QFile::encodeName(folder).constData()) == 0 ? 0 : errno;
}

QString ResolveWriteTarget(const QString& path, int& err)
{
    err = 0;
    const QByteArray native = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(native.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    const QString folder = FolderOf(path);
    struct stat dir {};
    if (::stat(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData(), &dir) != 0) {
        err = errno;
        return {};
    }
    const bool sharedFolder = (dir.st_mode & (S_ISVTX | S_IWGRP | S_IWOTH)) != 0;
    const bool trusted = link.st_uid == ::geteuid() || (link.st_uid == dir.st_uid && !sharedFolder);
    if (!trusted) {
        err = ELOOP;
        return {};
    }
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty()) {
        // A dangling link: its target does not exist yet. Not followed.
        err = ENOENT;
        return {};
    }
    return real;
}
