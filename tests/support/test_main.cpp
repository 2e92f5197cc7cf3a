// The shared main of every test executable: offscreen platform, fixed locale and time zone, private
// config and data folders, and the testing flag.
#include "tests/support/test_environment.h"

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("ORDELLO_TESTING", "1", 1);
    QTemporaryDir home;
    testsupport::pointFoldersAt(home.path());

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordello"));
    QApplication::setOrganizationName(QString());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
