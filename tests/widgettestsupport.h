#pragma once
// Helpers for tests that drive windows offscreen.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Runs `act` on the next modal window once it is shown (dialogs and message boxes run
// their own loop). The polling timer belongs to the application and deletes itself after
// acting, so nothing is left behind for the leak checker.
inline void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act)] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

// Chooses `path` in a save dialog and accepts it. The dialog's folder model loads in the
// background and may overwrite a selection made too early, so the name is typed into the
// dialog's name field and accepted again until the dialog has closed (at most five
// seconds).
inline void acceptFileDialog(QFileDialog* dialog, const QString& path)
{
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(20);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, dialog = QPointer<QFileDialog>(dialog), path, tries] {
        if (!dialog || !dialog->isVisible() || ++*tries > 250) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(path);
        else
            dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    timer->start();
}
