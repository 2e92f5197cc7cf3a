#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <optional>

class TDGroup;
class TDGroupsController;
class TDTasksController;

// What go-to asks of its window.
class TDGotoWindow {
public:
    virtual ~TDGotoWindow() = default;
    virtual bool isSourceListHidden() const = 0;
    virtual void toggleSourceList() = 0;
    // The window closes the go-to view; it tells the controller with windowClosesGoto.
    virtual void closeGotoView() = 0;
};

// Go-to without its widgets: a typed abbreviation highlights, reveals and steps through the matching
// groups (or tags, when it starts like a tag) of the source list, showing the best one's tasks at once.
// Done keeps the group shown and remembers the abbreviation for it; cancel puts the source list, its
// mode, its open folders, the group shown and its view options back as they were before the first
// keystroke. Main thread.
class TDGotoController final : public QObject {
    Q_OBJECT
public:
    TDGotoController(TDGroupsController& groups, TDTasksController& tasks, QObject* parent = nullptr);
    ~TDGotoController() override;

    // Not owned; nullptr for none.
    void setWindow(TDGotoWindow* window) { m_window = window; }

    // The field's question after each change of its text: the names of the matches, best first (tag
    // tokens in tag mode, titles otherwise). `composing` is true while an input method composes.
    QStringList completionsForString(const QString& typed, bool composing = false);
    // The nearest highlighted row above (up) or below the selected one, wrapping around, is selected;
    // the answer is the name to show in the field (empty when nothing moved).
    QString cycleThroughMatches(bool up);

    // The view was shown in the command bar, or taken out of it.
    void viewDidOpen();
    void viewDidClose();
    // Keeps the group shown (the task list took the keyboard, or Return in the field).
    void done();
    // The user's cancel: puts everything back and asks the window to close go-to.
    void cancel();
    // The window closes go-to: the same as cancel once per opening, without asking back.
    void windowClosesGoto() { p_cancel(false); }
    // The window closes while go-to is open.
    void windowWillClose();

    // The line beside the field: hidden, "%1 found" or "Not found"; the arrows step with more than one.
    bool isInfoHidden() const { return m_infoHidden; }
    QString infoText() const { return m_infoText; }
    bool arrowsEnabled() const { return m_arrowsEnabled; }
    bool isOpen() const { return m_open; }
    QString searchString() const { return m_searchString; }
    bool foundMatch() const { return m_foundMatch; }

Q_SIGNALS:
    void infoChanged();
    // The field is to be emptied (after done or cancel).
    void clearSearchField();

private:
    void p_cancel(bool askWindow);
    void p_updateInfo(const QString& text);
    void p_saveExpandedState();
    void p_restoreExpandedState(bool keepingSelection);
    void p_restoreSourceListState();
    void p_cleanup();
    void p_setOverlay(bool drawsOverlay);
    bool p_tagMode() const;
    // The highlighted groups' places among the rows the source list shows, top to bottom.
    QList<TDGroup*> p_highlightedRowsInOrder() const;

    TDGroupsController& m_groups;
    TDTasksController& m_tasks;
    TDGotoWindow* m_window = nullptr;

    // Before the first keystroke of an opening.
    TDGroup* m_savedGroup = nullptr;
    bool m_hasSavedState = false;
    QVariantMap m_savedGroupViewOptions;
    int m_savedSourceListMode = -2;
    bool m_sourceListWasHidden = false;
    // The source list's open folders per mode, saved once per mode.
    std::optional<QStringList> m_expandedState[2];

    QString m_searchString;
    bool m_foundMatch = false;
    bool m_beepedOnNoMatch = false;
    bool m_canceled = false;
    bool m_open = false;
    bool m_infoHidden = true;
    QString m_infoText;
    bool m_arrowsEnabled = false;
};
