#pragma once

#include <QAbstractButton>
#include <QPoint>
#include <QWidget>

class QLabel;
class QLineEdit;
class QMenu;
class TDNotesTextView;
class TDPriorityButton;
class TDTask;
class TDTaskTitleTextView;
class TDTasksController;

// The task's checkbox on a card, drawn as the rows draw theirs; the pointer over it shows the box in
// place of the overdue or timer icon.
class TDCardCheckbox final : public QAbstractButton {
    Q_OBJECT

public:
    explicit TDCardCheckbox(QWidget* parent = nullptr);
    void setState(qint64 state, bool recurring);
    qint64 state() const { return m_state; }
    QSize sizeHint() const override { return QSize(23, 18); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    qint64 m_state = 0;
    bool m_recurring = false;
    bool m_pointerOver = false;
};

// One card: a white rounded sheet with the task's checkbox, title (up to three lines), priority, notes,
// start, due and estimate, and the number of its subtasks. The task can be dragged off it and tags
// dropped on it. Its controller fills and reads the controls.
class TDCardView final : public QWidget {
    Q_OBJECT

public:
    enum Field { StartField, DueField, EstimateField, FieldCount };

    TDCardView(TDTasksController& tasksController, QWidget* parent = nullptr);

    TDTask* task() const { return m_task; }
    void setTask(TDTask* task) { m_task = task; }
    TDCardCheckbox* checkboxButton() const { return m_checkbox; }
    TDTaskTitleTextView* titleField() const { return m_title; }
    TDPriorityButton* priorityPopUpButton() const { return m_priority; }
    TDNotesTextView* notesTextView() const { return m_notes; }
    QLineEdit* field(Field field) const { return m_fields[field]; }
    QLabel* subtaskCountLabel() const { return m_subtasks; }
    // The title's height, which grows with its text (set by the controller); lays the card out again.
    int titleHeight() const { return m_titleHeight; }
    void setTitleHeight(int height);
    // The Task menu its right click shows; nullptr before the first.
    QMenu* taskMenu() const { return m_taskMenu; }
    // A tag drag is over the card.
    bool drawsDragBorder() const { return m_drawDragBorder; }
    // Shows every control, or none (a card without a task).
    void setControlsVisible(bool visible);
    // The task as its row would show it, at 60 % opacity: the picture of a drag.
    QPixmap dragPicture() const;

Q_SIGNALS:
    // A click in the checkbox; `cancel` with Alt held.
    void checkboxClicked(bool cancel);
    // The card got another size: the title may need another number of lines.
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The Task menu, over the card, its labels and its notes' frame.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void p_layout();
    void p_setDrawDragBorder(bool draws);

    TDTasksController& m_tasksController;
    TDTask* m_task = nullptr;
    TDCardCheckbox* m_checkbox;
    TDTaskTitleTextView* m_title;
    TDPriorityButton* m_priority;
    QLabel* m_notesLabel;
    TDNotesTextView* m_notes;
    QLabel* m_subtasks;
    QLabel* m_fieldLabels[FieldCount];
    QLineEdit* m_fields[FieldCount];
    int m_titleHeight = 28;
    QMenu* m_taskMenu = nullptr;
    bool m_drawDragBorder = false;
    // A press that may become a drag of the task.
    QPoint m_pressPosition;
    bool m_pressed = false;
};
