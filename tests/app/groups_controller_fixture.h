#pragma once

#include "app/groups_controller.h"
#include "app/groups_window_context.h"
#include "app/source_list_presentation.h"
#include "model/folder.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <QPersistentModelIndex>
#include <QStringList>

#include <memory>

namespace apptest {

// Tabs as UIDs, answering as the main window does: selecting a tab shows its group in place.
class FakeGroupsWindow : public TDGroupsWindowContext {
public:
    int numberOfTabs() const override { return int(tabs.size()); }
    int selectedTabIndex() const override { return selected; }
    void selectTabAtIndex(int index) override;
    void addTabWithGroup(TDGroup* group) override { tabs.append(group->uid()); }
    void setGroupToTabAtIndex(TDGroup* group, int index) override { tabs[index] = group->uid(); }
    int indexOfTabWithGroup(const TDGroup* group) const override {
        return int(tabs.lastIndexOf(group->uid()));
    }
    void removeTabAtIndex(int index) override;
    bool isWindowKey() const override { return key; }
    bool isTasksViewEditing() const override { return false; }
    void focusInitialFirstResponder() override { ++focusReturns; }

    TDGroupsController* controller = nullptr;
    TDLibrary* library = nullptr;
    QStringList tabs;
    int selected = -1;
    bool key = true;
    int focusReturns = 0;
};

class FakeSourceList : public TDSourceListPresentation {
public:
    bool isEditingTitle() const override { return editing; }
    void commitEditing() override {
        editing = false;
        ++commits;
    }
    void editTitle(const QModelIndex& index) override {
        edited = index;
        editing = true;
    }
    void centerSelectionIfNotFullyVisible() override {}

    bool editing = false;
    int commits = 0;
    // The row last opened for editing.
    QPersistentModelIndex edited;
};

// A new library in a temporary folder with its starter groups (their starter tasks removed), a tasks
// controller and a groups controller over it, and a window with one tab showing Today.
class GroupsControllerTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;

    TDLibrary* library() const { return manager->library(); }
    TDFolder* folder(const QString& title, TDGroup* parent = nullptr);
    TDList* list(const QString& title, TDGroup* parent = nullptr);
    TDGroup* smartFolder(const QString& title, TDGroup* parent = nullptr);
    TDTag* tag(const QString& title, TDGroup* parent = nullptr);
    TDTask* addTask(TDGroup* group, const QString& title);
    // Sends the context's change notifications, as the end of an event would.
    void processChanges();
    // The rows a person sees, top to bottom: two blanks per level, a count after the title when one
    // shows ("Inbox 2"), "[x]" on the selected row.
    QStringList rows() const;
    TDGroup* group(const QString& title) const;
    TDSourceListModel* model() const { return groups->model(); }

    std::unique_ptr<TDTestClock> clock;
    testsupport::RecordingAppDelegate appDelegate;
    std::unique_ptr<TDLibraryManager> manager;
    std::unique_ptr<TDTasksController> tasks;
    std::unique_ptr<TDGroupsController> groups;
    FakeGroupsWindow window;
    FakeSourceList sourceList;
};

}  // namespace apptest
