#pragma once
// Common set-up of every test executable: German locale, a fixed "now", private
// per-user folders, so results do not depend on the machine or the day.

#include "core/datetime.h"

#include <QDir>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace testsupport {

inline QDateTime fixedNow()
{
    return QDateTime(QDate(2024, 3, 15), QTime(10, 30));
}

// Call before the application object exists.
inline void prepareEnvironment()
{
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/rostelmark-test-XXXXXX"));
    const QByteArray base = home.path().toLocal8Bit();
    qputenv("XDG_DATA_HOME", base + "/data");
    qputenv("XDG_CONFIG_HOME", base + "/config");
    qputenv("XDG_RUNTIME_DIR", base + "/runtime");
    QDir().mkpath(home.path() + QStringLiteral("/runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(false);
}

inline void prepareApplication()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Clock::setFixed(fixedNow());
}

} // namespace testsupport

// Like QTEST_MAIN, with the fixed environment. APP is QGuiApplication or QApplication.
#define ROSTELMARK_TEST_MAIN_WITH(TestObject, APP)                                                                     \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        testsupport::prepareEnvironment();                                                                             \
        APP app(argc, argv);                                                                                           \
        testsupport::prepareApplication();                                                                             \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }

#include <QGuiApplication>
#define ROSTELMARK_TEST_MAIN(TestObject) ROSTELMARK_TEST_MAIN_WITH(TestObject, QGuiApplication)
