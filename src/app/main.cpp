// Rostelmark: duty roster planning for small teams.
#include "app/aboutbox.h"
#include "app/firstpaintprobe.h"
#include "app/mainform.h"
#include "app/toolkitlanguage.h"
#include "core/dynaarray.h"
#include "core/version.h"
#include "i18n/translate.h"
#include "i18n/ui/translateapp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QMessageBox>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &c, 1);
}

// SIGTERM and SIGINT (logout, shutdown, Ctrl+C) close the main window like the user
// would, so the end sequence saves what is in memory.
void installTerminationHandler(TMainForm& form)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form, notifier] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[1], &c, 1);
        notifier->setEnabled(false);
        form.close();
    });
    struct sigaction sa = {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

// The arguments without the options the widget application itself understands (with their
// values), in either "-name" or "--name" form.
QStringList withoutToolkitOptions(const QStringList& args)
{
    static const QStringList withValue{QStringLiteral("platform"), QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowtitle"), QStringLiteral("qwindowicon"), QStringLiteral("session"),
        QStringLiteral("style"), QStringLiteral("stylesheet"), QStringLiteral("display"), QStringLiteral("geometry"),
        QStringLiteral("title"), QStringLiteral("name"), QStringLiteral("qmljsdebugger")};
    static const QStringList flags{QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
        QStringLiteral("dograb"), QStringLiteral("sync"), QStringLiteral("testability")};
    QStringList out;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i == 0 || !a.startsWith(QLatin1Char('-'))) {
            out << a;
            continue;
        }
        const QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
        if (flags.contains(name))
            continue;
        if (withValue.contains(name)) {
            if (!a.contains(QLatin1Char('=')))
                ++i; // the value follows
            continue;
        }
        out << a;
    }
    return out;
}

void setUpParser(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Plans monthly duty rosters for small teams."));
    parser.addHelpOption();
    parser.addVersionOption();
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("Rostelmark"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROSTELMARK_VERSION));

    // --help and --version answer on the terminal. They are looked for before the widget
    // application exists, because creating it needs a display.
    QCommandLineParser parser;
    setUpParser(parser);
    {
        QStringList args;
        for (int i = 0; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        // The toolkit's own options are taken by the widget application below; every other
        // option is checked here, so a wrong one ends with exit code 1 before a display is
        // needed.
        const QStringList ours = withoutToolkitOptions(args);
        const bool parsed = parser.parse(ours);
        const QStringList infoOptions{QStringLiteral("help"), QStringLiteral("help-all"), QStringLiteral("version")};
        if (!parsed
            || std::any_of(infoOptions.begin(), infoOptions.end(), [&](const QString& o) { return parser.isSet(o); })) {
            QCoreApplication terminal(argc, argv);
            parser.process(ours); // prints the answer (or the wrong option) and ends
        }
    }

    QApplication app(argc, argv);
    // Any option other than the toolkit's own ends the program with a message on stderr.
    parser.process(app);
    QApplication::setApplicationDisplayName(TMainForm::ApplicationTitle());
    // Ties the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(ROSTELMARK_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(ROSTELMARK_APP_ID), QIcon(RostelmarkPicture(256))));
    // Memory and translation-file errors are shown in an error box without caption.
    rostelmark::setAllocErrorHandler([](const QString& text) { QMessageBox::critical(nullptr, QString(), text); });
    InstallTranslationErrorBox();

    int rc = 0;
    {
        // Texts met for the first time while the window is built and first shown are
        // saved to the translation table once, not one by one.
        BeginTranslationBatch();
        // The toolkit's texts in the language of the start (German until the person file
        // says otherwise) before any widget exists, so that no widget needs to change.
        ApplyToolkitLanguage(GetCurrentLanguage());
        TMainForm form;
        installTerminationHandler(form);
        FirstPaintProbe probe;
        if (qEnvironmentVariableIsSet("ROSTELMARK_FIRST_PAINT_FD"))
            form.installEventFilter(&probe);
        form.show();
        EndTranslationBatch();
        rc = app.exec();
    }
    return rc;
}
