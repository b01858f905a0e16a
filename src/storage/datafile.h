#pragma once
// File mechanics of the shared data folder, below the roster: reading a data file that
// another copy may be replacing, saving one so that a power cut leaves the old or the new
// content (also where the file can only be rewritten in place), side files that make an
// in-place rewrite recoverable, and lock files whose ownership is verified.
//
// Everything that changes the disk goes through the seam of core/fsops.h.

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Largest data file that is read at all. Far above any real roster (500 persons with
// three years of entries are about 33 MB), far below what would exhaust memory.
constexpr qint64 kMaxDataFileSize = qint64(1) << 31;

// What a stat of a data file shows. Two stamps that differ mean the file changed; two
// equal stamps do not prove it did not (whole-second times, network caches).
struct TFileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    qint64 size = 0;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// Stamp of the file `path` names now (links followed); exists false when there is none.
TFileStamp StampOf(const QString& path);

enum class TReadStatus {
    Ok,
    Missing, // no such file
    ReadError, // exists but cannot be opened or read (err)
    NotRegular, // a FIFO, a device, a folder
    TooLarge, // larger than kMaxDataFileSize
    NoMemory, // no buffer for it could be allocated
};

// Reads the whole regular file at `path` without blocking on FIFOs or devices and without
// trusting the size a cache reports (it reads to the end of the file). When the file
// changes while it is read, the read is repeated a few times. `stamp` is of exactly the
// file that was read.
TReadStatus ReadDataFile(const QString& path, QByteArray& bytes, TFileStamp& stamp, int& err);

// Error number for "not a regular file" in messages.
constexpr int kNotRegularFile = -1;
// Error number for "too large to be a roster".
constexpr int kFileTooLarge = -2;
QString DataFileErrorText(int err);

struct TSaveOutcome {
    int err = 0; // 0 or the error number of the failure
    TFileStamp stamp; // of the written file
    bool inPlace = false; // the existing file was rewritten instead of replaced
    bool unprotected = false; // rewritten in place without a side file (folder refuses new files)
};

// Saves `bytes` as `path`: a new file beside it, synced, renamed over it, the folder
// synced. A rename refused because another copy has the file open is retried for a short
// while. Where the folder refuses the new file or the rename over the existing file, the
// existing file is rewritten in place behind a side file (see RecoverInterruptedWrites).
// Symbolic links are followed only under ResolveWriteTarget's rule; a FIFO or device is
// never written.
TSaveOutcome SaveDataFile(const QString& path, const QByteArray& bytes);

// Finishes an in-place rewrite of `path` that a crash interrupted: a complete side file
// whose new content the data file holds only partly is written into the data file.
// Side files that are incomplete, stale, or that the data file already agrees with are
// removed where this user may. Call while holding the file's lock, before reading it.
// Returns true when the data file was repaired.
bool RecoverInterruptedWrites(const QString& path);

// Side file names of `path`: ".<name>.<unique>.side" in the same folder.
QString SideFilePattern(const QString& path);

// ---- lock files ---------------------------------------------------------------------

enum class TLockResult {
    Taken, // this copy created the lock file and proved it owns it
    Held, // a lock file exists (another copy's, or one this copy lost a race for)
    Impossible, // the folder allows no lock file (read-only); nothing was created
};

// Creates `lockPath` exclusively, writes this copy's token into it, syncs it and reads it
// back: a network client whose exclusive create is not exclusive shows another token.
// Any error of the create other than "exists" is judged by whether a lock file is there.
TLockResult TakeLockFile(const QString& lockPath);
// After the user chose to override another copy's lock: the lock file is replaced by one
// of this copy (never opened in a way that could block or follow a link).
void TakeOverLockFile(const QString& lockPath);
// Removes the lock file if it is this copy's (its token) or empty (an older copy's
// override); another copy's lock stays.
void ReleaseLockFile(const QString& lockPath);
// A lock file (or anything else of that name, a dangling link included) is present.
bool LockFilePresent(const QString& path);
// This copy's token as written into its lock files.
QByteArray LockToken();

// ---- byte-range locks ---------------------------------------------------------------
//
// A second guard beside the lock files: an open-file-description lock over the whole
// data file, held across check and write. It also reaches servers of network file
// systems that pass such locks on, and it is the only guard in folders where no lock
// file can be made.
class TRangeLock {
public:
    TRangeLock() = default;
    ~TRangeLock() { release(); }
    TRangeLock(const TRangeLock&) = delete;
    TRangeLock& operator=(const TRangeLock&) = delete;

    enum class Result { Taken, Busy, Unsupported };
    // Exclusive (write) or shared (read) lock on the regular file `path`, waiting up to
    // `waitMs` for another holder. Unsupported when the file is missing, cannot be opened
    // for it, or the file system has no such locks.
    Result acquire(const QString& path, bool exclusive, int waitMs);
    void release();
    bool held() const { return fd >= 0; }

private:
    int fd = -1;
};
