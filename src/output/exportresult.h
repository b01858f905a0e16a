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
    int pages = 0; // pages drawn

    bool ok() const { return status == TExportStatus::Ok; }
};

// The message for a failed file export: message 31 when the file cannot be created,
// otherwise a text that names the file and the reason and says that an existing file of
// that name is unchanged. Empty for success.
QString ExportErrorText(const TExportResult& result, const QString& fileName);
