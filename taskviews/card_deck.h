#pragma once

#include "taskviews/task_presentation.h"
#include "taskviews/tasks_view_task_enumerator.h"

#include <QObject>
#include <QString>

#include <optional>

class TDGroup;
class TDTask;
class TDTasksController;

// What the deck asks of the window that draws it: the card's editing state and the flips. Without one
// (headless) the cards change at once.
class TDCardDeckView {
public:
    enum class Effect { Next, Previous, Drop };

    virtual ~TDCardDeckView() = default;
    // Effects are drawn: the user's "cardAnimationEnabled" and a card that is not too large.
    virtual bool layerAnimationEnabled() const = 0;
    // The front card is pictured as it is now, before the task changes.
    virtual void takeSnapshot() = 0;
    // Plays the effect over the card that now shows the deck's task; `last` after a drop of the last card.
    virtual void playEffect(Effect effect, bool last) = 0;
    // Ends any edit on the card; the card view takes the keyboard.
    virtual void endEditing() = 0;
    virtual bool isEditing() const = 0;
    virtual bool isEditingTitle() const = 0;
    virtual bool isEditingNote() const = 0;
    virtual void editTitle() = 0;
    virtual void editNote() = 0;
    virtual void insertTextAtEndOfTitle(const QString& text) = 0;
    virtual void setDrawsOverlay(bool drawsOverlay) = 0;
    virtual void redisplay() = 0;
};

// The cards of a tasks controller: one task at a time, in the order of the outline's rows (which stay
// loaded behind the cards), with wrap-around and, with the user's "showActionsOnlyInCardView", open
// tasks without subtasks only. As the controller's presentation in card mode it answers the selection
// with the card's task and passes the row questions on to the outline, whose selection follows the card.
class TDCardDeck final : public QObject, public TDTaskPresentation {
    Q_OBJECT

public:
    // What a key on the cards does. j and k stand for Down and Up, which step to the next and previous
    // task at once; j, k, h and l with Shift or Alt are passed on as the arrow keys they stand for.
    enum class KeyAction {
        None,
        InsertNewline,
        ToggleCompleted,
        PreviousCard,
        NextCard,
        Down,
        Up,
        PassOnAsArrow,
        PassOn
    };

    TDCardDeck(TDTasksController& controller, TDTaskPresentation* outline, QObject* parent = nullptr);
    ~TDCardDeck() override;

    void setView(TDCardDeckView* view) { m_view = view; }
    TDTasksController& tasksController() const { return m_controller; }

    TDGroup* group() const { return m_group; }
    // nullptr when the cards leave the window.
    void setGroup(TDGroup* group);
    // The card's task; nullptr for none or a deleted task.
    TDTask* task() const;
    void setTask(TDTask* task, bool changeSelection = true);
    qint64 numberOfCards() const { return m_numberOfCards; }
    void setNumberOfCards(qint64 count);
    // The cards drawn under the front card: at most 4.
    int stackCount() const;
    // Empty list or no match: the words shown in place of the cards; null for none.
    QString instructionMessage() const { return m_message; }
    bool isActionsOnly() const;

    TDTask* nextTask();
    TDTask* previousTask();
    TDTask* nextIncompleteTask();
    TDTask* previousIncompleteTask();

    // The user's commands. Each beeps when there is nothing to do.
    void nextCard();
    void previousCard();
    // The next (or previous) task of the list at once, without the flip, whether or not it is an action.
    void stepCard(bool down);
    void dropCard();
    void toggleCompleted();
    void toggleCanceled();
    void deleteCard();
    void insertNewline();
    bool validateToggle() const;
    // What a key with these modifiers (Qt::KeyboardModifiers as an int) does on the cards.
    static KeyAction keyAction(int key, const QString& text, int modifiers);
    // The arrow key (a Qt::Key) a letter of j, k, h and l stands for; 0 for any other text.
    static int arrowKeyForLetter(const QString& text);
    // Performs the key's action; false when it is not the deck's (the window passes the key on).
    bool performKeyAction(KeyAction action);

    // After undo or redo, while the cards are shown.
    void didUndoOrRedo();

    // TDTaskPresentation: the selection is the card's task; rows are the outline's.
    QList<TDTaskRowItem> selectedItems() const override;
    void selectItems(const QList<TDTaskRowItem>& items, bool makeVisible) override;
    void deselectAll() override;
    qsizetype numberOfRealRows() const override;
    bool isItemExpanded(const TDTaskRowItem& item) const override;
    QVariant expandedState() const override;
    void setExpandedState(const QVariant& state) override;
    void clearAccumulatedExpandedState() override;
    QVariant scrollPositionState() const override;
    void setScrollPositionState(const QVariant& state) override;
    QVariant selectionState() const override;
    void setSelectionState(const QVariant& state) override;
    // The card keeps no expansion or scroll of its own to carry across undo.
    void saveState() override {}
    void restoreState() override {}
    void saveSelection() override;
    void restoreSelection() override;
    void restoreAndShowSelection() override { restoreSelection(); }
    int editedRow() const override;
    int editedColumn() const override;
    bool isEditingNote() const override;
    void finishEditing() override;
    QVariant interruptEditing() override;
    // A card's edit is not taken up again after undo: the card shows the task as it now is.
    void resumeEditing(const QVariant&) override {}
    // One card shows at a time: nothing to track, centre or lay out by display mode.
    void clearTrackingRowAndColumn() override {}
    // The cards follow the outline's selection.
    void moveSelection(SelectionMove move) override;
    void centerSelectionIfNotVisible() override {}
    void centerSelectionIfNotFullyVisible() override {}
    void centerSelectionInVisibleArea() override {}
    void setDrawsOverlay(bool drawsOverlay) override;
    void setDisplayMode(int) override {}
    void expandAll() override;
    void redisplay() override;
    QList<TDTaskRowItem> rowItems() const override;
    bool isRowItemExpanded(const TDTaskRowItem& item) const override;
    void expandRowItem(const TDTaskRowItem& item) override;
    void editItem(const TDTaskRowItem& item, int column, bool selectAll) override;
    void editNote(const TDTaskRowItem& item) override;
    void insertTextAtEndOfEditedText(const QString& text) override;
    // The columns are the outline's.
    bool isTaskColumnHidden(int column) const override;
    void setTaskColumnHidden(int column, bool hidden) override;
    // A card always shows its whole note, at the height it needs.
    void setExpandAllNotes(bool) override {}
    void noteHeightOfAllRowsChanged() override {}

Q_SIGNALS:
    // The card shows another task (task()).
    void taskChanged();
    void numberOfCardsChanged(qint64 count);
    void instructionMessageChanged(const QString& message);

private:
    TDTask* p_helper(TDTasksViewTaskEnumerator& walk, bool actionsOnly);
    TDTask* p_find(TDTasksViewTaskEnumerator& walk, TDTask* shown, bool actionsOnly);
    void p_updateNumberOfCards();
    void p_selectionDidChange();
    void p_countDidChange();
    // Completing or cancelling without actions-only mode flips on to the next open task.
    void p_flipToNextOpenTask();
    void p_beep();
    bool p_animated() const { return m_view && m_view->layerAnimationEnabled(); }

    TDTasksController& m_controller;
    TDTaskPresentation* m_outline;
    TDCardDeckView* m_view = nullptr;
    TDTasksViewTaskEnumerator m_forward;
    TDTasksViewTaskEnumerator m_reverse;
    TDGroup* m_group = nullptr;
    TDTask* m_task = nullptr;
    qint64 m_numberOfCards = 0;
    QString m_message;
    bool m_ignoreNotification = false;
    // While the go-to view is open (the overlay is drawn) the outline's selection does not move the card.
    bool m_drawsOverlay = false;
};
