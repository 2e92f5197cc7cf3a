#pragma once

// Scenario tests: Ordello started as `main` starts it (TDOrdelloComposition, the real main window at
// 1000x680, a temporary HOME, the offscreen platform) and driven as a person drives it.
//
// How to write one:
//   class MyFlowScenario : public scenario::ScenarioTest {};
//   TEST_F(MyFlowScenario, WhatThePersonGets) {
//       seedLibrary([](scenario::LibrarySeed& seed) { seed.list(QStringLiteral("Errands")); });
//       launch();
//       chooseGroupFromKeyboard(QStringLiteral("Errands"));
//       press(Qt::Key_Return);
//       type(QStringLiteral("Buy stamps /post"));
//       press(Qt::Key_Return);
//       waitForSave();
//       EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")), QStringList{"Buy stamps"});
//       EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
//   }
// Rules:
// - Seed the library before launch() (seedLibrary), or afterwards through runningLibrary() followed
//   by settle(); every other step goes through press, type and the mouse helpers, which send real
//   QTest events to QApplication::focusWidget() (or to the row clicked), never through controllers.
// - Judge by what a person sees and what was saved: shownTasks(), focusedWidgetName(), and
//   storedLibrary(), which reads the package afresh from disk. Wait for a save with waitForSave(),
//   never for a fixed time: autosave runs after a short delay here, the library's did-save notice ends
//   the wait.
// - A question Ordello asks goes to `prompter`, which answers from its script (the first button once
//   it runs out) and keeps what it was shown; links and files it opens go to `workspace`.
// - quit() runs the whole quit sequence; storedLibrary() still reads the package afterwards.
// - screenshot(name) writes build/screenshots/<name>.png of the window with its open pop-ups.

#include "app/library_location_chooser.h"
#include "tests/scenarios/library_seed.h"
#include "tests/scenarios/stored_library.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/support/gui/fake_hot_key_backend.h"
#include "tests/support/test_environment.h"
#include "tests/taskviews/recording_workspace.h"

#include <QByteArray>
#include <QPoint>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

class QModelIndex;
class QWidget;
class TDLibrary;
class TDMainWindow;
class TDOrdelloComposition;
class TDTasksView;

namespace scenario {

// Records each time Ordello asks where a library is; answers as a cancelled panel.
class RefusingLibraryChooser : public TDLibraryLocationChooser {
public:
    std::optional<QString> chooseExistingLibrary() override {
        ++asked;
        return std::nullopt;
    }
    std::optional<QString> chooseNewLibraryLocation() override {
        ++asked;
        return std::nullopt;
    }
    int asked = 0;
};

class ScenarioTest : public testsupport::TempFoldersTest {
protected:
    ScenarioTest();
    ~ScenarioTest() override;
    void SetUp() override;
    void TearDown() override;

    // Before launch: a library at the default place, without the starter tasks a new one has, built by
    // `build` and saved, as a person's library from an earlier run.
    void seedLibrary(const std::function<void(LibrarySeed&)>& build);
    // Starts Ordello as main does, without arguments, and shows its main window, active, at 1000x680.
    // Without a seeded library it is a first start, which creates the library.
    void launch();
    bool isRunning() const { return m_ordello != nullptr && !m_exitStatus; }
    // The quit sequence (as the window's close or the Quit item start it); the exit status, or nullopt
    // when the program stayed. Ordello is torn down afterwards as main's end tears it down.
    std::optional<int> quit();

    TDOrdelloComposition& ordello() const { return *m_ordello; }
    TDMainWindow& window() const;
    TDTasksView& outline() const;
    // The running program's library, to seed after launch (then settle()).
    TDLibrary& runningLibrary() const;
    QString packagePath() const;

    // A person's steps. Each one goes to the widget that has the keyboard focus (a failure when none
    // has), then lets the event loop handle what followed from it.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void type(const QString& text);
    // A click or double click on the task's row in the outline, in the given column (the title by
    // default), or on the outline's empty area below its rows.
    void click(const QString& taskTitle, int column = -1, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void doubleClick(const QString& taskTitle, int column = -1);
    void doubleClickEmptyArea();
    // Chooses the group by its title the way a person does without the mouse: Go To (Ctrl+G), its
    // title, Return. A failure when another group ends up shown.
    void chooseGroupFromKeyboard(const QString& title);
    // A click on the group's row in the source list.
    void clickGroup(const QString& title, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Opens the menu of the menu bar and clicks its item, both by their titles (without "&").
    void chooseMenuItem(const QString& menu, const QString& item);
    // A right click on the group's row in the source list (none: below its rows), then a click on the
    // item of the context menu that opens.
    void chooseFromGroupMenu(const QString& groupTitle, const QString& item);
    // A right click at the point of the widget, then a click on the item of the context menu that opens.
    void chooseFromContextMenu(QWidget* target, const QPoint& at, const QString& item);
    // A global hot key pressed while another program has the keyboard: the desktop reports it to
    // Ordello as it reports a combination Ordello holds. A failure when Ordello holds none such.
    void pressHotKey(int key, Qt::KeyboardModifiers modifiers);
    // Handles what is waiting in the event loop.
    void settle();

    // What a person sees and what was saved.
    // Moves the program's clock on; it stands still otherwise.
    void advanceClock(qint64 seconds);
    // Waits until the library has been saved since the last wait and nothing is left to save.
    void waitForSave();
    StoredLibrary storedLibrary() const;
    QList<StoredTask> storedTasks() const { return storedLibrary().tasks; }
    QWidget* focusedWidget() const;
    // Its object name, or its class name when it has none; "none" without focus.
    QString focusedWidgetName() const;
    // The tasks the outline shows, top to bottom, two blanks per level below the top.
    QStringList shownTasks() const;
    // Every row the outline shows: "# " and the list's header, "## " and a section's title, the tasks
    // as in shownTasks(), "... " and the text of a section's footer.
    QStringList shownRows() const;
    // The texts of the message sheets open over the window.
    QStringList shownSheets() const;
    // The title of the group the outline shows.
    QString shownGroup() const;
    // The source list's rows, top to bottom: two blanks per level, "[x]" after the selected ones.
    QStringList sourceListRows() const;
    // The window and every pop-up open over it, into build/screenshots/<name>.png.
    void screenshot(const QString& name);

    testsupport::ScriptedAlertPrompter prompter;
    RefusingLibraryChooser chooser;
    taskviewstest::RecordingWorkspace workspace;
    // The desktop's end of the global hot keys of the running Ordello; null before launch, and when
    // the test uses the session's own (useSessionHotKeys before launch).
    FakeHotKeyBackend* desktopHotKeys = nullptr;
    bool useSessionHotKeys = false;
    // Before launch: questions come as the program's own message boxes, answered with keys like any
    // window, instead of going to `prompter`.
    bool useMessageBoxes = false;

private:
    QModelIndex p_rowOfTask(const QString& title, int column) const;
    QPoint p_cellCenter(const QString& title, int column) const;
    QRect p_groupRect(const QString& title) const;
    void keepWindowActiveUnderMenu();

    QByteArray m_previousTemporaryFolder;
    std::unique_ptr<TDOrdelloComposition> m_ordello;
    std::unique_ptr<QObject> m_saveWatcher;
    std::atomic<int> m_saves{0};
    int m_savesSeen = 0;
    std::optional<int> m_exitStatus;
};

}  // namespace scenario
