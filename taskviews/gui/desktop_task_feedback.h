#pragma once

#include "taskviews/task_feedback.h"
#include "taskviews/task_link_opener.h"

class QWidget;
class TDAlertPrompter;
class TDURLHandler;

// The tasks controller's refusals and links at the desktop: message sheets over the window, links handed
// to the desktop's handlers (Ordello's own to Ordello) after the question a risky one needs.
class TDDesktopTaskFeedback final : public TDTaskFeedback, public TDTaskLinkOpener {
public:
    explicit TDDesktopTaskFeedback(QWidget& view) : m_view(view) {}

    // The window the view is in at the time of the refusal shakes.
    void shakeWindow() override;
    void showMessageSheet(const QString& message) override;

    // "ordello:" links go to the handler, the others to the desktop's workspace.
    void openURL(const QUrl& url, bool inBackground) override;
    bool confirmOpening(const QUrl& url) override;
    // Not owned; none: Ordello's links go to the desktop like any other.
    void setURLHandler(TDURLHandler* handler) { m_urlHandler = handler; }
    // Not owned; none: the question is a message box over the window.
    void setAlertPrompter(TDAlertPrompter* prompter) { m_prompter = prompter; }

private:
    QWidget& m_view;
    TDURLHandler* m_urlHandler = nullptr;
    TDAlertPrompter* m_prompter = nullptr;
};
