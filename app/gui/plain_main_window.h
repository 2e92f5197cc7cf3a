#pragma once

#include "app/main_window_host.h"

#include <QMainWindow>

// The window shown until the main window controller takes its place. Closing it asks to quit
// (closeRequested) instead of closing it behind the quit sequence's back.
class TDPlainMainWindow final : public QMainWindow, public TDMainWindowHost {
    Q_OBJECT
public:
    explicit TDPlainMainWindow(QWidget* parent = nullptr);

    void showMainWindow() override;
    void clearOptions() override {}
    void expandSourceList() override {}
    void buildMenus() override {}
    bool closeAllWindows(bool restoring) override;
    void activeLibraryWillChange() override {}
    void reloadAfterDateChange() override {}
    void redisplay() override;

Q_SIGNALS:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_closingForQuit = false;
};
