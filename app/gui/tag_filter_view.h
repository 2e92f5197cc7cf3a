#pragma once

#include "taskviews/tasks_controller.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class TDTag;
class TDTagButton;

// The row of tag buttons of the tag filter bar, one per tag of the shown tasks in the order of the
// tags' titles, each as wide as its title and badge need; buttons that do not fit are hidden and the
// overflow button shows. It draws nothing of its own.
class TDTagFilterView final : public QWidget {
    Q_OBJECT
public:
    explicit TDTagFilterView(QWidget* parent = nullptr);

    void setTasksController(TDTasksController* controller) { m_tasksController = controller; }
    // Shown exactly while the last button does not fit; the explanation while there are no buttons
    // and a library is open.
    void setOverflowButton(QWidget* button) { m_overflowButton = button; }
    void setNoTagsExplanationField(QWidget* field) { m_noTagsExplanationField = field; }

    // Rebuilds the buttons from the tasks controller's tag information.
    void reloadData();
    void layoutButtons();
    // Marks the buttons of the tags in the controller's filter.
    void updateButtonStates();
    QList<TDTagButton*> tagButtons() const { return m_buttons; }

    void setTagButtonsEnabled(bool enabled);

Q_SIGNALS:
    // A tag's button was clicked with the modifiers held.
    void tagClicked(TDTag* tag, Qt::KeyboardModifiers modifiers);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<TDTasksController> m_tasksController;
    QPointer<QWidget> m_overflowButton;
    QPointer<QWidget> m_noTagsExplanationField;
    QList<TDTagButton*> m_buttons;
    bool m_tagButtonsEnabled = true;
};
