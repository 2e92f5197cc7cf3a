#include "store/gui/library_update_window_controller.h"
#include "store/library_update_progress.h"
#include "tests/support/test_environment.h"

#include <QProgressBar>

#include <gtest/gtest.h>

namespace {

TEST(LibraryUpdateWindowControllerTest, TheIndicatorFollowsTheStepsAndTurnsIndeterminateInTheLast) {
    TDLibraryUpdateProgress progress;
    TDLibraryUpdateWindowController window(progress);
    QProgressBar* indicator = window.findChild<QProgressBar*>();
    ASSERT_NE(indicator, nullptr);
    progress.setTotalMigrations(2);
    progress.show();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(indicator->value(), 0);

    progress.setMigrationCount(1);
    progress.setMigrationProgress(0.5);
    EXPECT_DOUBLE_EQ(progress.updateProgress(), 0.25);
    EXPECT_EQ(indicator->value(), indicator->maximum() / 4);
    EXPECT_FALSE(progress.isIndeterminate());

    progress.setMigrationCount(2);
    progress.setMigrationProgress(0.0);
    EXPECT_DOUBLE_EQ(progress.updateProgress(), 0.5);
    EXPECT_TRUE(progress.isIndeterminate());
    EXPECT_EQ(indicator->maximum(), 0);

    progress.close();
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
