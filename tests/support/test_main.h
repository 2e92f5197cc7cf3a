#pragma once

#include "tests/support/test_environment.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace testsupport {

// The shared main of every test executable: offscreen platform (unless told another), fixed locale and
// time zone, private config and data folders, and the testing flag. App is the lowest application class
// the layer under test needs, so core tests never start a widget application.
template <typename App>
int runTests(int argc, char** argv, const char* platform = "offscreen") {
    setenv("QT_QPA_PLATFORM", platform, 1);
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("ORDELLO_TESTING", "1", 1);
    QTemporaryDir home;
    pointFoldersAt(home.path());

    App app(argc, argv);
    App::setApplicationName(QStringLiteral("Ordello"));
    App::setOrganizationName(QString());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace testsupport
