#include "model/library_options.h"
#include "model/calendar_store_sync_settings.h"
#include "tests/model/task_tree_fixture.h"

namespace modeltest {
namespace {

// Options held in memory, as any owner of a library may hand them over.
class MemoryOptions : public TDLibraryOptions {
public:
    QVariant optionForKey(const QString& key) override { return values.value(key); }
    void setOption(const QVariant& value, const QString& key) override {
        if (value.isValid())
            values.insert(key, value);
        else
            values.remove(key);
    }
    void saveOptionsDictionary() override { ++saves; }

    QVariantMap values;
    int saves = 0;
};

using LibraryOptionsTest = TaskTreeTest;

// No library manager here: a task's clock and the calendar settings live in what the library was given.
TEST_F(LibraryOptionsTest, TimingAndCalendarSettingsReadTheOptionsTheLibraryWasGiven) {
    TDTask* timed = task(QStringLiteral("timed"), inbox());
    timed->timeLogPunchIn();
    EXPECT_FALSE(timed->isTiming()) << "without options there is nowhere to keep the clock";
    EXPECT_EQ(library->activeTask(), nullptr);

    MemoryOptions options;
    library->setOptions(&options);
    timed->timeLogPunchIn();
    EXPECT_TRUE(timed->isTiming());
    EXPECT_EQ(options.values.value(QStringLiteral("timeLogEntry")).toMap().value(QStringLiteral("taskUID")),
              timed->uid());
    EXPECT_EQ(options.saves, 1);
    EXPECT_EQ(library->activeTask(), timed);

    options.values.insert(QStringLiteral("calendarStoreSyncEnabled"), true);
    options.values.insert(QStringLiteral("syncEnabledCalendarUIDs"), QStringList{QStringLiteral("cal")});
    const TDCalendarStoreSyncSettings settings = library->calendarStoreSyncSettings();
    EXPECT_TRUE(settings.isSyncingEnabled());
    // Taken back: the settings and the clock read nothing any more.
    library->setOptions(nullptr);
    EXPECT_FALSE(settings.isSyncingEnabled());
    EXPECT_EQ(library->activeTask(), nullptr);
}

}  // namespace
}  // namespace modeltest
