// rostelmark-cli: the desktop program's roster, holidays, statistics, exports and pictures
// for scripts and servers, without a window system.
#include "commands.h"
#include "core/version.h"
#include "session.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {
const char* const kTryHelp = "Try 'rostelmark-cli --help' for more information.\n";

// Qt's own diagnostics (missing runtime folder and the like) would break the one-line
// message rule of the tool; only fatal ones get through.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}
} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietMessages);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    TCliRequest request;
    QString usageError;
    if (!ParseCommandLine(args, request, usageError)) {
        std::fprintf(stderr, "rostelmark-cli: %s\n%s", qPrintable(usageError), kTryHelp);
        return kExitUsage;
    }
    if (request.help) {
        std::fputs(qPrintable(UsageText(request.command)), stdout);
        return kExitOk;
    }
    if (request.version) {
        std::fputs("rostelmark-cli " ROSTELMARK_VERSION "\n", stdout);
        return kExitOk;
    }

    // Drawing and font measuring need a QGuiApplication; the offscreen platform needs no
    // display. The other commands get by with the core application.
    std::unique_ptr<QCoreApplication> app;
    if (CommandNeedsFonts(request)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvex"));
    QCoreApplication::setApplicationName(QStringLiteral("rostelmark-cli"));

    QString error;
    const int rc = RunCommand(request, error);
    if (rc != kExitOk)
        std::fprintf(stderr, "rostelmark-cli: %s\n", qPrintable(OneLine(error)));
    if (rc == kExitUsage)
        std::fputs(kTryHelp, stderr);
    return rc;
}
