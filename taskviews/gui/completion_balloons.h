#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QVariant>

class QString;
class QTimer;
class QWidget;
class TDBalloonPanel;
class TDCompletionDelegate;
class TDDateCompletionViewController;

// The date and estimate balloons that open under a field being edited: the outline's cells and the
// inspector's fields show them alike.

// Starts the pause before a balloon opens: the user's "balloonPopUpDelay" in seconds, a quarter second
// when unset.
void TDStartBalloonPopUpTimer(QTimer& timer);

// Shows the calendar `controller` in the date balloon, with `text` in it, pointing at `location` below
// `target` (both global). The balloon is made for `parent` the first time and placed again later.
void TDShowDateBalloon(QPointer<TDBalloonPanel>& panel, QWidget* parent, QPoint location, const QRect& target,
                       TDDateCompletionViewController* controller, const QString& text);
// Shows the estimate balloon likewise; its slider, made with the balloon, answers `delegate`.
void TDShowEstimateBalloon(QPointer<TDBalloonPanel>& panel, QWidget* parent, QPoint location,
                           const QRect& target, TDCompletionDelegate* delegate, const QString& text);

// A value a balloon picked, as the field shows it: a date or a time interval in words.
QString TDBalloonValueText(bool date, const QVariant& value);
