#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class TDAbbreviationIndex;
class TDGroup;
class TDLibrary;
struct TDAbbreviationCandidate;
class TDGroupsController;
class TDTask;
class TDTasksController;

// What filing asks of the panel and its main window.
class TDFileToGroupWindow {
public:
    virtual ~TDFileToGroupWindow() = default;
    virtual bool isSourceListHidden() const = 0;
    virtual void toggleSourceList() = 0;
    // The panel's refusal: a short shake.
    virtual void shake() = 0;
    virtual void closePanel() = 0;
};

// File Task without its widgets: a typed abbreviation highlights the matching lists of the source list
// (never the one shown) and marks the best; stepping moves the mark with wrap-around; done moves the
// tasks to the top of the marked list (or a new list with the typed name) as one undo step and
// remembers the abbreviation. The source list's visibility, mode and open folders come back as they
// were on done and cancel alike. Main thread.
class TDFileToGroupController final : public QObject {
    Q_OBJECT
public:
    TDFileToGroupController(TDGroupsController& groups, TDTasksController& tasks, QObject* parent = nullptr);
    ~TDFileToGroupController() override;

    // Not owned; nullptr for none.
    void setWindow(TDFileToGroupWindow* window) { m_window = window; }

    // The tasks to file and the tasks view's display mode (0 outline, else cards), set before open().
    void setTasks(const QList<TDTask*>& tasks) { m_tasks = tasks; }
    QList<TDTask*> tasks() const { return m_tasks; }
    void setMode(int mode) { m_mode = mode; }
    int mode() const { return m_mode; }

    // Shows the source list in lists mode and answers the remembered abbreviation (empty for none),
    // already matched, for the field to show fully selected.
    QString open();
    bool isOpen() const { return m_open; }

    // The field's question after each change of its text: the titles of the matches, best first.
    // `composing` is true while an input method composes.
    QStringList completionsForString(const QString& typed, bool composing = false);
    // Moves the mark to the previous (up) or next highlighted row, wrapping around.
    void cycleThroughMatches(bool up);

    // Files the tasks; `fieldText` names a new list when nothing is marked. False (with a shake) when
    // nothing was typed: the panel stays open.
    bool done(const QString& fieldText);
    // Puts the source list back and closes the panel; nothing when it is not open.
    void cancel();

    TDGroup* markedGroup() const { return m_marked; }
    QString searchString() const { return m_searchString; }
    // "Move", or "Create List and Move" when the typed text matches no list.
    QString doneButtonTitle() const { return m_doneTitle; }
    bool arrowsEnabled() const { return m_arrowsEnabled; }

Q_SIGNALS:
    // The mark (drawn apart from the selection) moved; nullptr clears it.
    void markChanged(TDGroup* group);
    // The done button's title or the arrows' state changed.
    void stateChanged();
    // The field shows the marked list's title as its completion.
    void matchStringChanged(const QString& title);
    // Empty the field (after cancel).
    void clearSearchField();

private:
    void p_setMark(TDGroup* group);
    void p_revealAndMark(TDGroup* group);
    void p_updateUI(const QString& text);
    void p_cleanup();
    QList<TDGroup*> p_shownRows() const;
    static QList<TDAbbreviationCandidate> p_offeredLists(TDLibrary* library);

    TDGroupsController& m_groupsController;
    TDTasksController& m_tasksController;
    TDFileToGroupWindow* m_window = nullptr;
    std::unique_ptr<TDAbbreviationIndex> m_index;  // the lists offered while the panel is open

    QList<TDTask*> m_tasks;
    int m_mode = 0;
    bool m_open = false;
    int m_savedSourceListMode = -1;
    std::optional<QStringList> m_expandedState;
    bool m_sourceListWasHidden = false;
    QString m_searchString;
    bool m_beepedOnNoMatch = false;
    TDGroup* m_marked = nullptr;
    QString m_doneTitle;
    bool m_arrowsEnabled = false;
};
