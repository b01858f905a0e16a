#include "output/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Permissions of a newly created file under the process's umask.
mode_t defaultMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}
} // namespace

TSafeFile::TSafeFile(const QString& target)
    : m_target(target)
{
    // A symbolic link stays a link: its target file is the one replaced.
    const QFileInfo info(target);
    if (info.isSymLink()) {
        const QString resolved = info.symLinkTarget();
        if (!resolved.isEmpty())
            m_target = resolved;
    }
}

TSafeFile::~TSafeFile()
{
    if (!m_committed)
        Discard();
}

bool TSafeFile::Create()
{
    Discard();
    m_error.clear();
    const QFileInfo info(m_target);
    if (m_target.isEmpty() || info.fileName().isEmpty()) {
        m_error = systemError(ENOENT);
        return false;
    }
    if (info.isDir()) {
        m_error = systemError(EISDIR);
        return false;
    }
    const QString pattern = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX");
    QByteArray name = QFile::encodeName(pattern);
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        m_error = systemError(errno);
        return false;
    }
    // The replaced file keeps its permissions; a new one gets the usual ones.
    struct stat st {};
    const mode_t mode
        = ::stat(QFile::encodeName(m_target).constData(), &st) == 0 ? (st.st_mode & 07777) : defaultMode();
    ::fchmod(fd, mode);
    ::close(fd);
    m_temp = QFile::decodeName(name);
    m_committed = false;
    return true;
}

bool TSafeFile::Commit()
{
    if (m_temp.isEmpty()) {
        if (m_error.isEmpty())
            m_error = systemError(ENOENT);
        return false;
    }
    const QByteArray temp = QFile::encodeName(m_temp);
    const int fd = ::open(temp.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        m_error = systemError(errno);
        if (fd >= 0)
            ::close(fd);
        Discard();
        return false;
    }
    ::close(fd);
    if (::rename(temp.constData(), QFile::encodeName(m_target).constData()) != 0) {
        m_error = systemError(errno);
        Discard();
        return false;
    }
    m_temp.clear();
    m_committed = true;
    return true;
}

void TSafeFile::Discard()
{
    if (!m_temp.isEmpty())
        ::unlink(QFile::encodeName(m_temp).constData());
    m_temp.clear();
}
