// The real print path: a private CUPS scheduler with its own configuration, folders and
// listening socket, a raw queue whose device is a socket printer on 127.0.0.1 (a listener
// in this test standing in for a network printer on port 9100), and the month plan
// printed through QPrinter on that queue. What reaches the "printer" must be the month as
// a PDF with its page count and its duty colours.
//
// Without CUPS the test does not pass: it ends with the skip code, which CTest shows as
// "Skipped" together with the reason.
#include "i18n/messagetable.h"
#include "output/printersource.h"
#include "output/printing.h"
#include "output/printjob.h"
#include "outputtestutil.h"
#include "testsupport.h"
#include "widgettestsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <arpa/inet.h>
#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace plantest;

namespace {
constexpr std::uint32_t kGreen = 0x00C000;
constexpr int kSkipCode = 77;
QString g_skipReason;

QString findProgram(const QString& name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

bool isGreen(QRgb c)
{
    return near(c, 0, 192, 0, 50);
}

// The stand-in network printer: a TCP listener on 127.0.0.1 that keeps everything sent to
// it, one connection after the other, on a thread of its own.
class TSocketPrinter {
public:
    ~TSocketPrinter() { stop(); }

    bool start()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 4) != 0
            || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return false;
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    int port() const { return m_port; }
    int connections() const { return m_connections; }
    int closed() const { return m_closed; }
    QByteArray received() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_data;
    }

private:
    // Waits for `fd` to become readable for at most 100 ms; false when it did not.
    bool readable(int fd) const
    {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 100) > 0;
    }
    void run()
    {
        while (!m_stop) {
            if (!readable(m_fd))
                continue;
            const int c = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            ++m_connections;
            char buf[65536];
            while (!m_stop) {
                if (!readable(c))
                    continue;
                const ssize_t n = ::read(c, buf, sizeof buf);
                if (n <= 0)
                    break;
                std::lock_guard<std::mutex> lock(m_mutex);
                m_data.append(buf, n);
            }
            ::close(c);
            ++m_closed;
        }
    }

    int m_fd = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::atomic<int> m_closed{0};
    mutable std::mutex m_mutex;
    QByteArray m_data;
};
} // namespace

class TestCupsPrint : public QObject {
    Q_OBJECT
public:
    ~TestCupsPrint() override { stopScheduler(); }

private:
    QTemporaryDir m_dir{QStringLiteral("/tmp/rostelmark-cups-XXXXXX")};
    QProcess m_cupsd;
    TSocketPrinter m_printer;
    QString m_lpadmin, m_lpstat;

    QString dir(const QString& name) const { return m_dir.filePath(name); }

    void skip(const QString& reason)
    {
        g_skipReason = reason;
        QSKIP(qPrintable(reason));
    }

    int runCups(const QString& program, const QStringList& args, QByteArray* out = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CUPS_SERVER"), dir(QStringLiteral("cups.sock")));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        if (!p.waitForStarted(10000) || !p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        if (out)
            *out = p.readAll();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    void stopScheduler()
    {
        if (m_cupsd.state() == QProcess::NotRunning)
            return;
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(5000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
    }

    QString log() const { return QString::fromLocal8Bit(readFile(dir(QStringLiteral("log/error_log"))).right(3000)); }

private Q_SLOTS:
    void initTestCase()
    {
        const QString cupsd = findProgram(QStringLiteral("cupsd"));
        m_lpadmin = findProgram(QStringLiteral("lpadmin"));
        m_lpstat = findProgram(QStringLiteral("lpstat"));
        if (cupsd.isEmpty() || m_lpadmin.isEmpty() || m_lpstat.isEmpty())
            skip(QStringLiteral("CUPS is not installed (cupsd, lpadmin, lpstat; scripts/setup installs it): the real "
                                "print path was NOT tested"));
        if (!QFile::exists(QStringLiteral("/usr/lib/cups/backend/socket")))
            skip(QStringLiteral("the CUPS socket backend is missing (package cups): the real print path was NOT "
                                "tested"));
        QVERIFY(m_dir.isValid());
        QFile::setPermissions(m_dir.path(),
            QFile::permissions(m_dir.path()) | QFileDevice::ExeOther | QFileDevice::ReadOther | QFileDevice::ExeGroup
                | QFileDevice::ReadGroup);
        for (const char* sub : {"spool/tmp", "cache", "state", "log", "ppd"})
            QVERIFY(QDir().mkpath(dir(QString::fromLatin1(sub))));

        // The stand-in network printer: collects everything sent to it.
        QVERIFY(m_printer.start());

        const QByteArray root = m_dir.path().toLocal8Bit();
        writeFile(dir(QStringLiteral("cupsd.conf")),
            (QByteArray("Listen ") + root
                + "/cups.sock\n"
                  "LogLevel debug\nMaxLogSize 0\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                  "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n"));
        writeFile(dir(QStringLiteral("cups-files.conf")),
            (QByteArray("ServerRoot ") + root + "\nStateDir " + root + "/state\nCacheDir " + root
                + "/cache\nRequestRoot " + root + "/spool\nTempDir " + root + "/spool/tmp\nErrorLog " + root
                + "/log/error_log\nAccessLog " + root + "/log/access_log\nPageLog " + root
                + "/log/page_log\nFileDevice No\nSandboxing Relaxed\n"));

        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(cupsd,
            {QStringLiteral("-f"), QStringLiteral("-c"), dir(QStringLiteral("cupsd.conf")), QStringLiteral("-s"),
                dir(QStringLiteral("cups-files.conf"))});
        if (!m_cupsd.waitForStarted(10000))
            skip(QStringLiteral("cupsd did not start: the real print path was NOT tested"));
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(dir(QStringLiteral("cups.sock"))) && m_cupsd.state() == QProcess::Running
            && t.elapsed() < 15000)
            QTest::qWait(100);
        if (!QFile::exists(dir(QStringLiteral("cups.sock"))))
            skip(QStringLiteral("cupsd did not open its socket (%1): the real print path was NOT tested\n%2")
                     .arg(QString::fromLocal8Bit(m_cupsd.readAll()), log()));

        QByteArray out;
        const int rc = runCups(m_lpadmin,
            {QStringLiteral("-p"), QStringLiteral("Q"), QStringLiteral("-E"), QStringLiteral("-v"),
                QStringLiteral("socket://127.0.0.1:%1").arg(m_printer.port()), QStringLiteral("-m"),
                QStringLiteral("raw")},
            &out);
        if (rc != 0)
            skip(QStringLiteral("lpadmin could not add the raw queue (%1): the real print path was NOT tested")
                     .arg(QString::fromLocal8Bit(out)));
        // The program (this process) reaches the private scheduler only.
        qputenv("CUPS_SERVER", dir(QStringLiteral("cups.sock")).toLocal8Bit());
    }

    void printsMonthToNetworkPrinter()
    {
        QVERIFY2(QPrinterInfo::availablePrinterNames().contains(QStringLiteral("Q")),
            qPrintable(QPrinterInfo::availablePrinterNames().join(QLatin1Char(','))));
        QPrinter printer(QPrinterInfo::printerInfo(QStringLiteral("Q")), QPrinter::HighResolution);
        QVERIFY(printer.isValid());
        QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        PreparePrinter(printer);

        // Enough persons for three printed pages, every day in the duty's green.
        TRoster r;
        fill(r, 1);
        int perPage = 0;
        {
            QPrinter scratch(QPrinter::HighResolution);
            scratch.setOutputFormat(QPrinter::PdfFormat);
            scratch.setOutputFileName(dir(QStringLiteral("scratch.pdf")));
            scratch.setPageLayout(printer.pageLayout());
            scratch.setResolution(printer.resolution());
            QPainter painter(&scratch);
            TCanvas canvas(&painter, scratch.logicalDpiX());
            perPage = LayoutMonth(canvas, printer.width(), printer.height(), printer.logicalDpiX(), 100, r, r.settings,
                          view(2024, 3))
                          .zeilen
                - 1;
        }
        QVERIFY(perPage > 2);
        fill(r, 2 * perPage + 1);
        addDuty(r, QStringLiteral("Grün"), QStringLiteral("G"), kGreen, 8);
        for (int i = 0; i < r.personen.Count(); ++i)
            for (int d = 1; d <= 31; ++d)
                addEntry(r.personen[i], 2024, 3, d, 1);

        TMonthView v = view(2024, 3);
        // The program's print command: the job under its title, errors as message boxes.
        const TExportResult res = RunPrintJob(
            nullptr, printer, GetMessageText(25), [&](QPrinter& p) { return PrintMonth(p, r, r.settings, v, 1); });
        QVERIFY(res.ok());
        QCOMPARE(res.pages, 3);

        // The job goes through the scheduler to the socket printer, which sees the
        // connection closed when the job is done.
        QTRY_VERIFY2_WITH_TIMEOUT(m_printer.closed() >= 1, qPrintable(log()), 60000);
        QCOMPARE(m_printer.connections(), 1);
        const QByteArray received = m_printer.received();
        QByteArray jobs;
        QElapsedTimer t;
        t.start();
        do {
            QTest::qWait(200);
            runCups(m_lpstat, {QStringLiteral("-W"), QStringLiteral("not-completed"), QStringLiteral("-o")}, &jobs);
        } while (!jobs.trimmed().isEmpty() && t.elapsed() < 20000);
        QVERIFY2(jobs.trimmed().isEmpty(), jobs.constData());
        runCups(m_lpstat,
            {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), QStringLiteral("Q")}, &jobs);
        QVERIFY2(jobs.contains("Q-1"), jobs.constData());

        QVERIFY2(received.startsWith("%PDF-"), received.left(64).constData());
        const QString file = qEnvironmentVariableIsSet("ROSTELMARK_KEEP_PRINT")
            ? qEnvironmentVariable("ROSTELMARK_KEEP_PRINT")
            : dir(QStringLiteral("received.pdf"));
        writeFile(file, received);
        QByteArray report;
        QVERIFY2(qpdfCheck(file, &report), report.constData());
        QCOMPARE(pdfPages(file), 3);
        QByteArray info;
        runTool(QStringLiteral("pdfinfo"), {file}, &info);
        QVERIFY2(
            QRegularExpression(QStringLiteral("Title:\\s+Monatsplan\\n")).match(QString::fromUtf8(info)).hasMatch(),
            info.constData()); // the job title travels in the document
        for (int page = 1; page <= 3; ++page) {
            const QImage img = renderPage(file, page, 40);
            QVERIFY(!img.isNull());
            QVERIFY(img.width() > img.height());
            if (page < 3)
                QVERIFY(countPixels(img, isGreen) > 1000);
            else
                QVERIFY(countPixels(img, isGreen) > 10); // the one row of the last page
        }
    }

    // "Drucker einrichten..." lists the installed printers; the printer and orientation
    // chosen there are the shared printer's, which every preview and print button uses.
    void setupChoosesAmongInstalledPrinters()
    {
        QCOMPARE(runCups(m_lpadmin,
                     {QStringLiteral("-p"), QStringLiteral("R"), QStringLiteral("-E"), QStringLiteral("-v"),
                         QStringLiteral("socket://127.0.0.1:%1").arg(m_printer.port()), QStringLiteral("-m"),
                         QStringLiteral("raw")}),
            0);
        TPrinterSource source;
        QPrinter* shared = source.Printer();
        int changed = 0;
        connect(&source, &TPrinterSource::Changed, this, [&] { ++changed; });
        QStringList offered;
        const auto choose = [&](const QString& name, int orientation, bool ok) {
            source.runSetup = [&, name, orientation, ok](TPrinterSetupDialog& d) {
                offered.clear();
                for (int i = 0; i < d.PrinterCombo->count(); ++i)
                    offered << d.PrinterCombo->itemText(i);
                d.PrinterCombo->setCurrentIndex(d.PrinterCombo->findText(name));
                d.OrientationCombo->setCurrentIndex(orientation);
                return ok;
            };
            source.SetupDialog(nullptr);
        };
        choose(QStringLiteral("R"), 0, true);
        QVERIFY2(offered.contains(QStringLiteral("Q")) && offered.contains(QStringLiteral("R")),
            qPrintable(offered.join(QLatin1Char(','))));
        QCOMPARE(shared->printerName(), QStringLiteral("R"));
        QCOMPARE(shared->pageLayout().orientation(), QPageLayout::Portrait);
        const TPrintablePage portrait = source.Page();
        QVERIFY(portrait.width < portrait.height);
        // Cancelled: nothing changes, the views still repaint.
        choose(QStringLiteral("Q"), 1, false);
        QCOMPARE(shared->printerName(), QStringLiteral("R"));
        QCOMPARE(changed, 2);
        choose(QStringLiteral("Q"), 1, true);
        QCOMPARE(shared->printerName(), QStringLiteral("Q"));
        QVERIFY(source.Page().width > source.Page().height);
    }

    // The scheduler stops while the job is being drawn: the job never arrives, and that
    // is reported as a failure through the normal error display, not as success.
    void schedulerStoppedDuringJobIsAFailure()
    {
        QPrinter printer(QPrinterInfo::printerInfo(QStringLiteral("Q")), QPrinter::HighResolution);
        QVERIFY(printer.isValid());
        PreparePrinter(printer);
        TRoster r;
        fill(r, 3);
        TMonthView v = view(2024, 3);
        QString shown;
        whenModal([&](QWidget* box) {
            if (auto* m = qobject_cast<QMessageBox*>(box))
                shown = m->text();
            box->close();
        });
        const TExportResult res = RunPrintJob(nullptr, printer, GetMessageText(25), [&](QPrinter& p) {
            stopScheduler();
            return PrintMonth(p, r, r.settings, v, 1);
        });
        QCOMPARE(res.status, TExportStatus::WriteFailed);
        QVERIFY2(shown.contains(PrintServiceDownText()), qPrintable(shown));
    }

    void cleanupTestCase()
    {
        stopScheduler();
        m_printer.stop();
    }
};

int main(int argc, char** argv)
{
    testsupport::prepareEnvironment();
    QApplication app(argc, argv);
    testsupport::prepareApplication();
    int rc = 0;
    {
        TestCupsPrint tc;
        QTEST_SET_MAIN_SOURCE_PATH
        rc = QTest::qExec(&tc, argc, argv);
    }
    if (rc == 0 && !g_skipReason.isEmpty()) {
        std::fprintf(stderr, "SKIPPED: %s\n", qPrintable(g_skipReason));
        return kSkipCode;
    }
    return rc;
}

#include "tst_cupsprint.moc"
