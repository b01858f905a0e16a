#pragma once
// Outcome of an export or a print job, and the text that tells the user about a failure.

#include <QString>

enum class TExportStatus {
    Ok,
    CannotCreate, // the file (or the job) could not be started
    WriteFailed, // writing stopped part way (disk full, I/O error, refused job)
    BadPage, // the printer page has no usable size or resolution
};

struct TExportResult {
    TExportStatus status = TExportStatus::Ok;
    QString detail; // the system's reason, when there is one
    int error = 0; // the error number behind `detail` (0: none; see SystemReason)
    int pages = 0; // pages drawn

    bool ok() const { return status == TExportStatus::Ok; }
};

// The message for a failed file export: it names the file and the system's reason (a
// link of another user refused, a missing folder, a full disk); message 31 only when no
// reason is known; after a failed write it adds that an existing file of that name is
// unchanged. Empty for success.
QString ExportErrorText(const TExportResult& result, const QString& fileName);

// The result of a failed writer step: `status`, the error number and its reason.
TExportResult ExportFailure(TExportStatus status, int error);
