// Rostelmark: duty roster planning for small teams.
#include "app/mainform.h"
#include "core/dynaarray.h"
#include "i18n/ui/translateapp.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
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
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rostelmark"));
    QApplication::setOrganizationName(QStringLiteral("Quorvex"));
    QApplication::setApplicationDisplayName(TMainForm::ApplicationTitle());
    // Memory and translation-file errors are shown in an error box without caption.
    rostelmark::setAllocErrorHandler([](const QString& text) { QMessageBox::critical(nullptr, QString(), text); });
    InstallTranslationErrorBox();

    int rc = 0;
    {
        TMainForm form;
        form.CreateDialogs();
        installTerminationHandler(form);
        form.show();
        rc = app.exec();
    }
    return rc;
}
