#pragma once

#include <QMainWindow>

class TDPreferencesController;

// The preferences window: Escape closes it, and every close asks the current pane first.
class TDPreferencesWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit TDPreferencesWindow(TDPreferencesController& controller);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    TDPreferencesController& m_controller;
};
