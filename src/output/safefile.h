#pragma once
// The one writer of every export (CSV, PDF, calendar files, the command-line tool's
// files): the content goes to a new file created exclusively beside the target and
// written through the descriptor that create returned (never by reopening a name). Once
// complete it is synced, renamed over the target, and the folder is synced, so the name
// shows the old or the new file after a power cut.
//
// Where the folder refuses new files (or the rename) but the target itself is writable,
// as in a shared folder where the user may change the existing file only, the target is
// written in place: the whole content at once, synced; should that fail part way, the
// old content is written back.
//
// A symbolic link is followed only where another user could not have planted it; FIFOs,
// devices and folders are refused before anything is opened for writing. Every call that
// changes the disk goes through the file-system seam (core/fsops.h).

#include <QByteArray>
#include <QString>

// Error number for a target that exists but is no regular file (FIFO, device, socket).
constexpr int kErrNotRegularFile = -1000;

// The system's reason for an error number, on one line ("No space left on device").
QString SystemReason(int err);

class TSafeFile {
public:
    explicit TSafeFile(const QString& target);
    ~TSafeFile(); // removes the new file unless committed
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    // Decides where the export goes and opens it: a new, empty file beside the target, or
    // the target itself when the folder refuses new files. False with Error() set when
    // neither is possible, or the target is a refused link or no regular file.
    bool Create();
    // The descriptor of the new file (-1 before Create, or when writing in place).
    int Descriptor() const { return m_inPlace ? -1 : m_fd; }
    // Appends bytes. False with Error() set when the disk refuses them.
    bool Write(const char* data, qint64 size);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    // Syncs the new file and renames it over the target (falling back to writing in place
    // where the rename is refused), then syncs the folder unless `syncFolder` is false
    // (the caller syncs it once after several files). False (the target as it was, the
    // new file removed) when a step fails.
    bool Commit(bool syncFolder = true);
    // Removes the new file.
    void Discard();

    bool InPlace() const { return m_inPlace; }
    // The file that is replaced: the target, or the target of a link that may be followed.
    const QString& Target() const { return m_target; }
    int Error() const { return m_errno; }
    QString ErrorString() const { return SystemReason(m_errno); }

private:
    bool fail(int err);
    bool openInPlace(int createError);
    bool writeInPlace(const QByteArray& data);

    QString m_given;
    QString m_target;
    QString m_temp;
    int m_fd = -1;
    qint64 m_size = 0; // bytes written to the new file
    QByteArray m_pending; // in place: everything, written at Commit
    bool m_inPlace = false;
    bool m_committed = false;
    int m_errno = 0;
};

// Writes `bytes` as the whole new content of `path` through TSafeFile. Returns 0 or the
// error number (see SystemReason).
int WriteFileSafely(const QString& path, const QByteArray& bytes, bool syncFolder = true);
