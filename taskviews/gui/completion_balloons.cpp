#include "taskviews/gui/completion_balloons.h"

#include "controls/gui/balloon_panel.h"
#include "controls/gui/date_completion_view_controller.h"
#include "platform/defaults/user_defaults.h"
#include "platform/transformers/value_transformer.h"
#include "taskviews/gui/estimate_completion_view_controller.h"

#include <QTimer>

#include <cmath>

namespace {

constexpr int kBalloonBelow = 2;

// A new `controller` takes the place of the balloon's content; without one the content stays.
void showBalloon(QPointer<TDBalloonPanel>& panel, QWidget* parent, QPoint location, const QRect& target,
                 TDCompletionViewController* controller, const QString& text) {
    if (!panel) {
        panel = new TDBalloonPanel(parent, location, kBalloonBelow, target, controller);
    } else {
        if (controller) panel->setViewController(controller);
        // After the recurrence editor the balloon leaves the keyboard with the field again.
        panel->setCanBecomeKeyWindow(false);
        panel->setPreferredLocation(location, target);
    }
    panel->viewController()->setStringValue(text);
    panel->orderFront();
}

}  // namespace

void TDStartBalloonPopUpTimer(QTimer& timer) {
    const double delay = platform::UserDefaults::standard().real(QStringLiteral("balloonPopUpDelay"));
    timer.start(int(std::lround((delay > 0 ? delay : 0.25) * 1000)));
}

void TDShowDateBalloon(QPointer<TDBalloonPanel>& panel, QWidget* parent, QPoint location, const QRect& target,
                       TDDateCompletionViewController* controller, const QString& text) {
    showBalloon(panel, parent, location, target, controller, text);
}

void TDShowEstimateBalloon(QPointer<TDBalloonPanel>& panel, QWidget* parent, QPoint location,
                           const QRect& target, TDCompletionDelegate* delegate, const QString& text) {
    TDCompletionViewController* slider = nullptr;
    if (!panel) {
        slider = new TDEstimateCompletionViewController;
        slider->setDelegate(delegate);
    }
    showBalloon(panel, parent, location, target, slider, text);
}

QString TDBalloonValueText(bool date, const QVariant& value) {
    const auto transformer = platform::valueTransformerForName(
        date ? QStringLiteral("TDNaturalLanguageDate") : QStringLiteral("TDNaturalLanguageTimeInterval"));
    return transformer ? transformer->transformedValue(value).toString() : QString();
}
