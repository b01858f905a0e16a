#pragma once
#include <QString>

// First name "<temp folder>/<prefix><N><suffix>" (N = 0, 1, 2, …) that does not exist yet.
QString GetUniqueTempFileName(const QString& prefix, const QString& suffix);

// Like GetUniqueTempFileName, but creates the file exclusively (O_CREAT|O_EXCL), so an
// existing file or link of that name is never written through. Returns the name of the
// created, empty file, or an empty string when no file could be created.
QString CreateUniqueTempFile(const QString& prefix, const QString& suffix);
