#pragma once

#include <QPointer>
#include <QWidget>

// The window a person was in before `opening` opened (the window under a menu, not the menu itself),
// so that it gets the keyboard back when `opening` closes, whatever the window manager does.
QPointer<QWidget> TDWindowBefore(const QWidget* opening);
void TDActivateAgain(const QPointer<QWidget>& window);
