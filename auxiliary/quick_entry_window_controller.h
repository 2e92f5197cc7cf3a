#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

class TDGroup;
class TDLibrary;
class TDLibraryManager;
class TDManagedObjectContext;
class TDQuickEntryPanel;
class TDTask;
class TDTasksController;
namespace platform {
class UndoManager;
}

// The library option naming the list quick entry files into, and the user default of its help strip.
inline const QString TDQuickEntryTargetGroupUIDKey = QStringLiteral("quickEntryTargetGroupUID");
inline const QString TDQuickEntryHelpVisibleKey = QStringLiteral("quickEntryHelpVisible");

// One row of the target menu.
struct TDQuickEntryTargetItem {
    QString uid;  // empty for the separator
    QString title;
    int indentation = 0;
    bool enabled = true;  // folders cannot be chosen
    bool checked = false;
    bool isSeparator() const { return uid.isEmpty(); }
};

// Quick entry: tasks typed into a scratch list of a temporary context on the library's store (never
// saved, observed by nobody else), filed with Done at the top of the target list of the real library
// in typed order as one undo step, or thrown away with Cancel. Hidden without either, the typed tasks
// wait for the next opening. Main thread.
class TDQuickEntryWindowController final : public QObject {
    Q_OBJECT
public:
    // Asks for the context of the window in front; calls back (on the main thread) with import
    // dictionaries, or never when there is none to be had.
    using ContextProvider = std::function<void(std::function<void(const QList<QVariantMap>&)> didGetContext)>;

    // None (logged) when the open library cannot be read into a temporary context. `tasks` shows the
    // scratch list and must outlive the controller.
    static std::unique_ptr<TDQuickEntryWindowController> make(TDLibraryManager& manager,
                                                              TDTasksController& tasks);
    ~TDQuickEntryWindowController() override;

    // Not owned; set before the first opening.
    void setPanel(TDQuickEntryPanel* panel) { m_panel = panel; }
    void setContextProvider(ContextProvider provider) { m_contextProvider = std::move(provider); }

    bool isOpen() const;
    // Opens with one empty task, or with tasks from the window in front; kept tasks come back as they were.
    void showWindow() { showWindowWithAnimation(true, false); }
    void showWindowWithAnimation(bool animate, bool createContextBasedTask);
    // Opens holding tasks made from text another program hands over (one a line, as when pasted). False
    // when the text made no task; the panel opens anyway, with an empty list.
    bool showWindowWithTasksFromText(const QString& text, bool animate);
    // The panel stands: the first task's title is edited.
    void panelDidAppear();

    void done();
    void cancel();
    // The hot key's toggle: files the tasks when open, else opens.
    void toggle(bool withContext);

    // The list that receives the tasks: the stored one when it exists and is not archived, else the Inbox.
    TDGroup* targetGroup() const;
    QList<TDQuickEntryTargetItem> targetMenuItems() const;
    void chooseTargetGroup(const QString& uid);

    TDTasksController& tasksController() const { return m_tasks; }
    TDManagedObjectContext& managedObjectContext() const { return *m_context; }
    platform::UndoManager& undoManager() const { return *m_undo; }
    TDGroup* scratchList() const { return m_scratchList; }

Q_SIGNALS:
    // Done filed this many tasks (0 when all were blank).
    void tasksFiled(int count);

private:
    TDQuickEntryWindowController(TDLibraryManager& manager, TDTasksController& tasks);
    bool p_buildContext();
    qsizetype p_scratchTaskCount();
    // Puts the tasks, in order, at the top of the scratch list; one empty task when there are none.
    void p_placeAndShow(QList<TDTask*> tasks, bool animate);
    void p_removeEmptyTasks(TDGroup* list);

    TDLibraryManager& m_manager;
    TDTasksController& m_tasks;
    std::unique_ptr<platform::UndoManager> m_undo;
    std::unique_ptr<TDManagedObjectContext> m_context;
    TDLibrary* m_library = nullptr;
    TDGroup* m_scratchList = nullptr;
    TDQuickEntryPanel* m_panel = nullptr;
    ContextProvider m_contextProvider;
};
