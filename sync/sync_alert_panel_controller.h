#pragma once

#include "foundation/alert.h"
#include "platform/base/error.h"

#include <QObject>

#include <optional>

// The sync alert panel without its window: the alert shown, its buttons tagged 1000, 1001, … in order,
// and for an error with a recovery attempter, the recovery of the option a button stands for
// (tag - 1000). The window shows what it says and reports the buttons pressed.
class TDSyncAlertPanelController : public QObject {
    Q_OBJECT
public:
    static constexpr int kFirstButtonTag = 1000;

    explicit TDSyncAlertPanelController(QObject* parent = nullptr);

    void showAlert(const TDAlert& alert);
    // The error's alert; recovers through its attempter when it has one. Answers true, as shown.
    bool presentError(const TDError& error);

    const TDAlert& alert() const { return m_alert; }
    const std::optional<TDError>& error() const { return m_error; }

    // A button of the alert. Recovery closes the panel when it succeeds; any other button closes it with
    // its tag.
    virtual void buttonPressed(int tag);

Q_SIGNALS:
    void alertChanged();
    // The panel is done: the window closes, a modal run returns the tag.
    void finished(int tag);

protected:
    void p_setError(const std::optional<TDError>& error) { m_error = error; }

private:
    TDAlert m_alert;
    std::optional<TDError> m_error;
};
