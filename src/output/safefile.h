#pragma once
// Writing a file so that its name never shows a half-written state: the content goes to a
// new file in the same folder, which replaces the target only once it is complete and on
// disk. On any failure the new file is removed and a file of the target's name stays as
// it was.

#include <QString>

class TSafeFile {
public:
    explicit TSafeFile(const QString& target);
    ~TSafeFile(); // removes the new file unless committed
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    // Creates the new, empty file beside the target; false (with ErrorString()) when the
    // folder does not allow it. The caller writes to TempPath() by name.
    bool Create();
    const QString& TempPath() const { return m_temp; }
    // Forces the new file to disk and renames it over the target; false (the target
    // untouched, the new file removed) when either step fails.
    bool Commit();
    // Removes the new file.
    void Discard();
    QString ErrorString() const { return m_error; }

private:
    QString m_target; // the file that is replaced (a symbolic link's target, if any)
    QString m_temp;
    QString m_error;
    bool m_committed = false;
};
