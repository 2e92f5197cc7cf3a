#pragma once

#include "taskviews/task_feedback.h"
#include "taskviews/task_link_opener.h"

class QWidget;

// The tasks controller's refusals and links at the desktop: message sheets over the window, links handed
// to the desktop's handlers after the question a risky one needs.
class TDDesktopTaskFeedback final : public TDTaskFeedback, public TDTaskLinkOpener {
public:
    explicit TDDesktopTaskFeedback(QWidget& view) : m_view(view) {}

    // The window the view is in at the time of the refusal shakes.
    void shakeWindow() override;
    void showMessageSheet(const QString& message) override;

    void openURL(const QUrl& url, bool inBackground) override;
    bool confirmOpening(const QUrl& url) override;

private:
    QWidget& m_view;
};
