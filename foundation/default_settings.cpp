#include "foundation/default_settings.h"

#include "foundation/color_additions.h"
#include "platform/defaults/user_defaults.h"

namespace {

QByteArray colorSetting(const char* hex) {
    return colorData(colorWithHexString(QString::fromLatin1(hex), 1.0).value_or(QColor()));
}

}  // namespace

QVariantMap defaultSettings() {
    auto s = [](const char* text) { return QVariant(QString::fromLatin1(text)); };
    return {
        {QStringLiteral("firstLaunch"), true},
        {QStringLiteral("totalEstimatedTimeSummaryDisplayMode"), 0},
        {QStringLiteral("playSoundEffects"), true},
        {QStringLiteral("hideInfoView"), true},
        {QStringLiteral("showIncompleteTaskCount"), false},
        {QStringLiteral("defaultGroupingLimit"), 5},
        {QStringLiteral("taskFontName"), s("Helvetica")},
        {QStringLiteral("taskFontSize"), 12},
        {QStringLiteral("taskTagFontName"), s("Helvetica:style=Oblique")},
        {QStringLiteral("taskTagFontSize"), 12},
        {QStringLiteral("taskNoteFontName"), s("Helvetica")},
        {QStringLiteral("taskNoteFontSize"), 12},
        {QStringLiteral("taskNoteSummaryFontName"), s("Helvetica")},
        {QStringLiteral("taskNoteSummaryFontSize"), 11},
        {QStringLiteral("taskPastDueFontName"), s("Helvetica:style=Bold")},
        {QStringLiteral("taskColumnPastDueFontSize"), 12},
        {QStringLiteral("taskDueSoonFontName"), s("Helvetica:style=Bold")},
        {QStringLiteral("taskColumnDueSoonFontSize"), 12},
        {QStringLiteral("taskPastStartFontName"), s("Helvetica:style=Bold")},
        {QStringLiteral("taskPastStartFontSize"), 12},
        {QStringLiteral("otherColumnFontName"), s("Helvetica")},
        {QStringLiteral("otherColumnFontSize"), 11},
        {QStringLiteral("listHeaderFontName"), s("Helvetica Neue:style=UltraLight")},
        {QStringLiteral("listHeaderFontSize"), 28},
        {QStringLiteral("tasksGroupingHeaderFontName"), s("Helvetica:style=Oblique")},
        {QStringLiteral("tasksGroupingHeaderFontSize"), 12},
        {QStringLiteral("cardTaskTitleFontSize"), 18.0f},
        {QStringLiteral("pastDueColor"), colorSetting("ff4716")},
        {QStringLiteral("dueSoonColor"), colorSetting("d64180")},
        {QStringLiteral("libraryAutosaveDelay"), 3.0},
        {QStringLiteral("secondsPerDay"), 28800},
        {QStringLiteral("secondsPerWeek"), 144000},
        {QStringLiteral("endOfDay"), 61200},
        {QStringLiteral("firstWeekday"), 1},
        {QStringLiteral("nearFutureNumberOfDays"), 3},
        {QStringLiteral("completedDaysToShow"), 3},
        {QStringLiteral("automaticallyHideTasks"), true},
        {QStringLiteral("timerAlwaysOnTop"), true},
        {QStringLiteral("showTimerInAllSpaces"), false},
        {QStringLiteral("blinkTimerDots"), true},
        {QStringLiteral("menubarTimerEnabled"), false},
        {QStringLiteral("predictTags"), true},
        {QStringLiteral("tagPredictionDelay"), 0.25},
        {QStringLiteral("tagMatchThreshold"), 0.75},
        {QStringLiteral("balloonPopUpDelay"), 0.25},
        {QStringLiteral("expandAllTasksWhenPrinting"), true},
        {QStringLiteral("drawLinesWhenPrinting"), true},
        {QStringLiteral("moveKeyboardFocusOnTabWhenEditingNoteInCard"), true},
        {QStringLiteral("soundEffectVolume"), 0.7},
        {QStringLiteral("fileAttachmentIconPosition"), 4u},
        {QStringLiteral("fileAttachmentDrawAsButton"), false},
        {QStringLiteral("commandWClosesTab"), true},
        {QStringLiteral("commandBarMode"), 1},
        {QStringLiteral("cardAnimationEnabled"), true},
        {QStringLiteral("autoCompleteParentTask"), true},
        {QStringLiteral("inheritParentTags"), 1},
        {QStringLiteral("showActionsOnlyInCardView"), false},
        {QStringLiteral("spotlightIndexingEnabled"), true},
        {QStringLiteral("corvaneSyncServiceURL"), s("https://sync.corvane.com/")},
        {QStringLiteral("corvaneWebsiteURL"), s("https://www.corvane.com/")},
        {QStringLiteral("remindersSyncAddListPrefixToTaskTitle"), false},
        {QStringLiteral("NSFullScreenMenuItemEverywhere"), false},
        {QStringLiteral("SUEnableAutomaticChecks"), true},
        {QStringLiteral("SUSendProfileInfo"), true},
        {QStringLiteral("syncWithCalendarStore"), false},
    };
}

void registerDefaultSettings(platform::UserDefaults& defaults) {
    defaults.registerDefaults(defaultSettings());
}
