#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// Records how to reverse changes, in groups: undoing a group runs its actions in reverse order, and
// whatever they register while undoing becomes the redo group. By default a group opens with the first
// registration of an event-loop pass and closes at its end, so one user action undoes as one step;
// explicit groups nest inside that group.
class UndoManager final : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    explicit UndoManager(QObject* parent = nullptr);
    ~UndoManager() override;

    // Adds an action to the open group (opening the event's group when grouping by event). The target
    // names the owner of the action for removeAllActions(target). Ignored while registration is disabled.
    void registerUndo(const void* target, Action action);

    void beginUndoGrouping();
    void endUndoGrouping();
    int groupingLevel() const { return static_cast<int>(m_open.size()); }
    bool groupsByEvent() const { return m_groupsByEvent; }
    void setGroupsByEvent(bool groupsByEvent) { m_groupsByEvent = groupsByEvent; }

    // The number of groups kept on the undo stack; 0 keeps every group.
    int levelsOfUndo() const { return m_levelsOfUndo; }
    void setLevelsOfUndo(int levels);

    // Counted: registration resumes when every disable has been matched by an enable.
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const { return m_disableCount == 0; }

    // Names the group being built, or the last closed one when none is open.
    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;
    QString undoMenuItemTitle() const;
    QString redoMenuItemTitle() const;
    static QString undoMenuTitleForActionName(const QString& name);
    static QString redoMenuTitleForActionName(const QString& name);

    bool canUndo() const;
    bool canRedo() const;
    bool isUndoing() const { return m_undoing; }
    bool isRedoing() const { return m_redoing; }
    // Closes the event's group when it is the only one open, then undoes the top group.
    void undo();
    void redo();

    void removeAllActions();
    void removeAllActions(const void* target);

Q_SIGNALS:
    // While an undo or redo still collects its inverse: what the undone changes set off (derived state,
    // bookkeeping) is processed now, so it joins that inverse instead of opening a new group that would
    // clear the redo stack.
    void checkpoint();
    void willUndo();
    void didUndo();
    void willRedo();
    void didRedo();
    void didOpenUndoGroup();
    void didCloseUndoGroup();

private:
    struct Group;
    struct Item {
        const void* target = nullptr;
        Action action;
        std::unique_ptr<Group> group;  // a nested group instead of an action
    };
    struct Group {
        QString actionName;
        std::vector<Item> items;
    };

    void p_scheduleEventGroupEnd();
    void p_endEventGroup();
    void p_run(Group& group);
    void p_push(std::vector<std::unique_ptr<Group>>& stack, std::unique_ptr<Group> group);
    static bool p_removeTarget(Group& group, const void* target);

    std::vector<std::unique_ptr<Group>> m_undoStack;
    std::vector<std::unique_ptr<Group>> m_redoStack;
    std::vector<std::unique_ptr<Group>> m_open;  // innermost last
    std::unique_ptr<Group> m_collecting;         // the redo (or undo) group being built by undo (redo)
    bool m_groupsByEvent = true;
    bool m_eventGroupEndScheduled = false;
    bool m_undoing = false;
    bool m_redoing = false;
    int m_levelsOfUndo = 0;
    int m_disableCount = 0;
};

}  // namespace platform
