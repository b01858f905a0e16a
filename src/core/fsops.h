#pragma once
// The file-system calls through which everything that saves a file goes (data files,
// lock files, side files, exports, calendar files): one narrow seam, so that a test can
// record the operations of a save and rebuild every state a power cut may leave.
//
// Reads do not go through the seam; only the calls that change what is on disk do,
// plus open and close, which tie a descriptor to its name.

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

class TFsOps {
public:
    virtual ~TFsOps() = default;
    // As the POSIX calls of the same names: -1 and errno on failure.
    virtual int open(const char* path, int flags, mode_t mode);
    virtual int close(int fd);
    virtual ssize_t pwrite(int fd, const void* data, size_t size, off_t offset);
    virtual int ftruncate(int fd, off_t length);
    virtual int fsync(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);
    // Makes the names in `folder` durable (creations, renames, removals).
    virtual int fsyncFolder(const char* folder);
};

// The seam in use; the real file system unless a test installed another.
TFsOps& Fs();
// Installs `ops` (nullptr: the real file system again). For tests.
void SetFs(TFsOps* ops);

// Writes all of `bytes` at offset 0 of `fd` through the seam in pieces of at most
// `piece` bytes. Returns 0 or the error number.
int FsWriteAll(int fd, const char* data, qint64 size, qint64 piece = qint64(1) << 20);
// fsync of the folder that holds `path` ("" or no slash: the working folder). Returns 0
// or the error number.
int FsSyncFolderOf(const QString& path);

// Where a save to `path` may write, under the rule that nothing is written through a
// symbolic link another user could have planted: a link is followed only when it belongs
// to this user, or to the owner of a folder that nobody else may change (not sticky,
// neither group- nor world-writable). The answer is the path to write (the link's
// target, or `path` itself), or an empty string with `err` set (ELOOP for a refused link,
// or the error of resolving it).
QString ResolveWriteTarget(const QString& path, int& err);

// The folder part of `path` with a trailing slash ("" when it has none).
QString FolderOf(const QString& path);
