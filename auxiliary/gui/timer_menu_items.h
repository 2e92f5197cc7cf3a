#pragma once

class QMenu;
class TDTimerWindowController;

// The timer's items of a menu: Show or Hide Timer and Pause or Resume Timing, titled and enabled by the
// timer's state whenever the menu opens.
void TDAddTimerMenuItems(QMenu& menu, TDTimerWindowController& timer);
