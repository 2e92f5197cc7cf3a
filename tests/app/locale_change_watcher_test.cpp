#include "app/locale_change_watcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(LocaleChangeWatcherTest, TellsOnceForTheApplicationsLocaleChangeAndOnlyForIt) {
    TDLocaleChangeWatcher watcher;
    QSignalSpy told(&watcher, &TDLocaleChangeWatcher::localeChanged);
    QObject other;
    QEvent change(QEvent::LocaleChange);
    QCoreApplication::sendEvent(&other, &change);
    QEvent language(QEvent::LanguageChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &language);
    EXPECT_EQ(told.count(), 0);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    EXPECT_EQ(told.count(), 1);
}

}  // namespace
