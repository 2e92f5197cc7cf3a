#pragma once

#include "taskviews/task_feedback.h"

class QWidget;

// Refusals shown on the window of the tasks view: the window shakes, sheets are window-modal message
// boxes.
class TDWindowTaskFeedback : public TDTaskFeedback {
public:
    // The view is not owned; its window at the time of each refusal is the one that answers.
    explicit TDWindowTaskFeedback(QWidget* view) : m_view(view) {}

    void shakeWindow() override;
    void showMessageSheet(const QString& message) override;

private:
    QWidget* m_view;
};
