#pragma once
// For the start-up benchmark: at the watched window's first paint, writes the monotonic
// clock in nanoseconds to the descriptor named by ROSTELMARK_FIRST_PAINT_FD and quits.
// Header-only, so the bare reference window of the benchmark reports the same way.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdio>
#include <ctime>
#include <unistd.h>

class FirstPaintProbe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !done) {
            done = true;
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const QByteArray line = QByteArray::number(qint64(now.tv_sec) * 1000000000 + now.tv_nsec) + '\n';
            const int fd = qEnvironmentVariableIntValue("ROSTELMARK_FIRST_PAINT_FD");
            if (::write(fd, line.constData(), size_t(line.size())) < 0)
                std::perror("first paint");
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool done = false;
};
