#pragma once
// Helpers of the output tests: rosters (from the planner tests), files, a device and a
// file size limit that make writes fail, and the external PDF checkers.
#include "planner/plannertestutil.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace plantest {

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A buffer that accepts `capacity` bytes and then fails every write.
class TFailingBuffer : public QBuffer {
public:
    explicit TFailingBuffer(qint64 capacity)
        : m_capacity(capacity)
    {
    }

protected:
    qint64 writeData(const char* data, qint64 len) override
    {
        const qint64 room = m_capacity - size();
        if (room <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        return QBuffer::writeData(data, std::min(len, room));
    }

private:
    qint64 m_capacity;
};

// While it lives, no file of this process can grow beyond `bytes`: writes past the limit
// fail (EFBIG) as they would on a full disk. Works without privileges on any file system.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (getrlimit(RLIMIT_FSIZE, &m_old) != 0)
            return;
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~TFileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_active = false;
};

// Runs a tool; exit code, or -1 when it did not run or timed out.
inline int runTool(const QString& program, const QStringList& args, QByteArray* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

inline bool haveTool(const QString& name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// qpdf --check passes (exit 0, no warnings).
inline bool qpdfCheck(const QString& path, QByteArray* report = nullptr)
{
    QByteArray out;
    const int rc = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &out);
    if (report)
        *report = out;
    return rc == 0;
}

// Page count as pdfinfo reads it; -1 on failure.
inline int pdfPages(const QString& path)
{
    QByteArray out;
    if (runTool(QStringLiteral("pdfinfo"), {path}, &out) != 0)
        return -1;
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromLatin1(out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Page `page` rendered by pdftoppm at `dpi`; a null image when it did not render.
inline QImage renderPage(const QString& path, int page, int dpi, const QString& pngBase = QString())
{
    QTemporaryDir dir;
    const QString base = pngBase.isEmpty() ? dir.filePath(QStringLiteral("page")) : pngBase;
    const int rc = runTool(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
            QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"), path,
            base});
    if (rc != 0)
        return {};
    return QImage(base + QStringLiteral(".png"));
}

// Pixels of `img` for which `pred` holds.
template <typename Pred> int countPixels(const QImage& img, Pred pred)
{
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            n += pred(line[x]) ? 1 : 0;
    }
    return n;
}

// Near a pure colour, allowing for JPEG and scaling.
inline bool near(QRgb c, int r, int g, int b, int tol = 40)
{
    return std::abs(qRed(c) - r) <= tol && std::abs(qGreen(c) - g) <= tol && std::abs(qBlue(c) - b) <= tol;
}

} // namespace plantest
