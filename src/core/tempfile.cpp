#include "core/tempfile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
QString tempFolder()
{
    QString folder = QDir::tempPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}
} // namespace

QString GetUniqueTempFileName(const QString& prefix, const QString& suffix)
{
    const QString folder = tempFolder();
    for (quint64 n = 0;; ++n) {
        const QString candidate = folder + prefix + QString::number(n) + suffix;
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
}

QString CreateUniqueTempFile(const QString& prefix, const QString& suffix)
{
    const QString folder = tempFolder();
    // Bounded: a folder where a million names fail is not usable.
    for (quint64 n = 0; n < 1000000; ++n) {
        const QString candidate = folder + prefix + QString::number(n) + suffix;
        const QByteArray path = QFile::encodeName(candidate);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST && errno != ELOOP)
            return {};
    }
    return {};
}
