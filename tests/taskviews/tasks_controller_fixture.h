#pragma once

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "taskviews/task_feedback.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_window_context.h"
#include "taskviews/tasks_controller.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/recording_sound_sink.h"
#include "tests/support/test_environment.h"

#include <QStringList>

#include <memory>

namespace taskviewstest {

// An outline that remembers what it is told; the states are plain strings.
class FakePresentation : public TDTaskPresentation {
public:
    QList<TDTaskRowItem> selectedItems() const override { return selected; }
    void selectItems(const QList<TDTaskRowItem>& items, bool) override { selected = items; }
    void deselectAll() override { selected.clear(); }
    qsizetype numberOfRealRows() const override { return realRows; }
    bool isItemExpanded(const TDTaskRowItem& item) const override { return isRowItemExpanded(item); }
    QVariant expandedState() const override { return expanded; }
    void setExpandedState(const QVariant& state) override { expanded = state; }
    void clearAccumulatedExpandedState() override {}
    QVariant scrollPositionState() const override { return scroll; }
    void setScrollPositionState(const QVariant& state) override { scroll = state; }
    QVariant selectionState() const override { return selectionStateValue; }
    void setSelectionState(const QVariant& state) override { selectionStateValue = state; }
    void saveState() override { calls << QStringLiteral("saveState"); }
    void restoreState() override { calls << QStringLiteral("restoreState"); }
    void saveSelection() override { savedSelection = selected; }
    void restoreSelection() override { selected = savedSelection; }
    void restoreAndShowSelection() override { selected = savedSelection; }
    int editedRow() const override { return editing ? 1 : -1; }
    int editedColumn() const override { return editing ? 2 : -1; }
    bool isEditingNote() const override { return false; }
    void finishEditing() override { editing = false; }
    QVariant interruptEditing() override {
        editing = false;
        calls << QStringLiteral("interruptEditing");
        return QStringLiteral("title editor");
    }
    void resumeEditing(const QVariant& state) override {
        editing = true;
        calls << QStringLiteral("resumeEditing ") + state.toString();
    }
    void clearTrackingRowAndColumn() override {}
    void moveSelection(SelectionMove move) override { moves << move; }
    void centerSelectionIfNotVisible() override {}
    void centerSelectionIfNotFullyVisible() override {}
    void centerSelectionInVisibleArea() override {}
    void setDrawsOverlay(bool draws) override { drawsOverlay = draws; }
    void setDisplayMode(int mode) override { displayMode = mode; }
    void expandAll() override { calls << QStringLiteral("expandAll"); }
    void redisplay() override { ++redisplays; }
    // Every task is expanded unless collapsed here.
    QList<TDTaskRowItem> rowItems() const override;
    bool isRowItemExpanded(const TDTaskRowItem& item) const override {
        return item.task() && item.task()->hasSubtasks() && !collapsed.contains(item.task());
    }
    void expandRowItem(const TDTaskRowItem& item) override { collapsed.remove(item.task()); }
    void editItem(const TDTaskRowItem& item, int column, bool selectAll) override;
    void editNote(const TDTaskRowItem& item) override;
    void insertTextAtEndOfEditedText(const QString& text) override { calls << QStringLiteral("type") + text; }
    bool isTaskColumnHidden(int column) const override { return hiddenColumns.contains(column); }
    void setTaskColumnHidden(int column, bool hidden) override {
        if (hidden)
            hiddenColumns.insert(column);
        else
            hiddenColumns.remove(column);
    }
    void setExpandAllNotes(bool expand) override { expandsAllNotes = expand; }
    void noteHeightOfAllRowsChanged() override { calls << QStringLiteral("noteHeightOfAllRowsChanged"); }

    TDTasksController* controller = nullptr;
    QSet<TDTask*> collapsed;
    QSet<int> hiddenColumns;
    bool expandsAllNotes = false;
    QList<TDTaskRowItem> selected;
    QList<TDTaskRowItem> savedSelection;
    QVariant expanded;
    QVariant scroll;
    QVariant selectionStateValue;
    qsizetype realRows = 1;
    bool editing = false;
    bool drawsOverlay = false;
    int displayMode = -1;
    int redisplays = 0;
    QStringList calls;
    QList<SelectionMove> moves;
};

class FakeWindowContext : public TDTaskWindowContext {
public:
    bool isWindowKey() const override { return true; }
    bool isTitleFilterFieldFirstResponder() const override { return false; }
    void focusInitialFirstResponder() override {}
    bool isEditingGroupTitle() const override { return false; }
    QString selectedTabGroupUID() const override { return tabGroupUID; }
    QVariantMap selectedTabViewOptions() const override { return tabViewOptions; }
    void selectGroup(TDGroup* group) override { selectedGroups << group; }
    void tasksControllerDidEnableTaskFilter(bool enabled) override { filterIndicator = enabled; }
    void tasksModeDidChange(int mode) override { modes << mode; }
    bool selectTabForGroup(TDGroup* group) override {
        if (!tabs.contains(group)) return false;
        selectedTab = group;
        return true;
    }
    void addTabWithGroup(TDGroup* group) override {
        tabs << group;
        selectedTab = group;
    }
    bool isQuickEntry() const override { return quickEntry; }
    void showFileToGroupWindow(const QList<TDTask*>& tasks, int mode) override {
        filed << tasks;
        fileModes << mode;
    }

    // What File Task asked to file, and in which mode, per request.
    QList<QList<TDTask*>> filed;
    QList<int> fileModes;
    QList<TDGroup*> tabs;
    TDGroup* selectedTab = nullptr;
    bool quickEntry = false;

    QString tabGroupUID;
    QVariantMap tabViewOptions;
    QList<TDGroup*> selectedGroups;
    bool filterIndicator = false;
    QList<int> modes;
};

class FakeFeedback : public TDTaskFeedback {
public:
    void beep() override { events << QStringLiteral("beep"); }
    void shakeWindow() override { events << QStringLiteral("shake"); }
    void showMessageSheet(const QString& message) override { events << message; }
    QStringList events;
};

// A new library in a temporary folder (its starter groups), a clock standing at 2026-12-09 10:00, and a
// tasks controller over it with a fake outline, window and feedback; sounds are recorded.
class TasksControllerTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;

    TDLibrary* library() const { return manager->library(); }
    TDList* newList(const QString& title, TDGroup* parent = nullptr);
    TDTask* addTask(TDGroup* group, const QString& title);
    TDTask* addSubtask(TDTask* parent, const QString& title);
    TDTag* tag(const QString& title);
    // Sends the context's change notifications, as the end of an event would.
    void processChanges();
    // The rows as the outline would show them, depth first: "header Inbox", "section Due today",
    // "task A" (indented two blanks per level), "footer 3 more…".
    QStringList rows();
    QStringList taskTitles(const QList<TDTask*>& tasks);
    void select(const QList<TDTask*>& tasks);
    QString undoName() const;
    void moveClockTo(const QDateTime& now) { clock->setNow(now); }

    std::unique_ptr<TDTestClock> clock;
    testsupport::RecordingAppDelegate appDelegate;
    testsupport::RecordingSoundSink sounds;
    std::unique_ptr<TDLibraryManager> manager;
    FakePresentation outline;
    FakeWindowContext window;
    FakeFeedback feedback;
    std::unique_ptr<TDTasksController> controller;
};

}  // namespace taskviewstest
