#pragma once
// Helpers for tests that drive windows offscreen.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

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
