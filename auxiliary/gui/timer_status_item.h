#pragma once

#include "auxiliary/timer_views.h"

#include <QImage>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

class TDTimerWindowController;

// The running minutes in the system tray. Trays show icons, not text, so the title is drawn into the
// icon (a clock alone while it blinks off) and said in the tooltip. Its menu pauses or resumes, shows or
// hides the panel, switches between elapsed and remaining time and stops. Where the desktop has no
// tray, nothing is shown and nothing fails.
class TDTrayTimerStatusItem final : public QObject, public TDTimerStatusItem {
    Q_OBJECT
public:
    explicit TDTrayTimerStatusItem(TDTimerWindowController& controller, QObject* parent = nullptr);
    ~TDTrayTimerStatusItem() override;

    // Whether the desktop has a tray the timer can show in.
    static bool isAvailable();
    // The icon for a title, `size` pixels square.
    static QImage iconImage(const TDTimerStatusTitle& title, int size = 44);

    void show() override;
    void remove() override;
    bool isShown() const override { return m_shown; }
    void setTitle(const TDTimerStatusTitle& title) override;
    TDTimerStatusTitle title() const override { return m_title; }

    QMenu& menu() { return m_menu; }
    // Titles, check marks and enabling of the menu's items, as when it opens.
    void updateMenu();

private:
    TDTimerWindowController& m_controller;
    QSystemTrayIcon m_icon;
    QMenu m_menu;
    QAction* m_pause = nullptr;
    QAction* m_showOrHide = nullptr;
    QAction* m_elapsed = nullptr;
    QAction* m_remaining = nullptr;
    TDTimerStatusTitle m_title;
    bool m_shown = false;
};
