#include "taskviews/gui/estimate_completion_view_controller.h"

#include "platform/defaults/user_defaults.h"
#include "platform/transformers/value_transformer.h"
#include "taskviews/estimate_slider_scale.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace {

double secondsPerDay() {
    const double seconds = platform::UserDefaults::standard().real(QStringLiteral("secondsPerDay"));
    return seconds > 0 ? seconds : 28800;
}

}  // namespace

TDEstimateCompletionViewController::TDEstimateCompletionViewController(QWidget* parent)
    : TDCompletionViewController(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    m_label = new QLabel(this);
    m_label->setAlignment(Qt::AlignCenter);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(0, int(TDEstimateSliderScale::kMaximumPosition * kStepsPerUnit));
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(kStepsPerUnit);
    m_slider->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_label);
    layout->addWidget(m_slider);
    connect(m_slider, &QSlider::sliderMoved, this, [this] { changeTime(false); });
    connect(m_slider, &QSlider::sliderReleased, this, [this] { changeTime(true); });
    p_showSeconds();
}

double TDEstimateCompletionViewController::position() const {
    return double(m_slider->value()) / kStepsPerUnit;
}

void TDEstimateCompletionViewController::setStringValue(const QString& text) {
    const auto transformer =
        platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageTimeInterval"));
    m_seconds = transformer ? transformer->reverseTransformedValue(text).toDouble() : 0;
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(int(
        std::lround(TDEstimateSliderScale::positionFromSeconds(m_seconds, secondsPerDay()) * kStepsPerUnit)));
    p_showSeconds();
}

void TDEstimateCompletionViewController::changeTime(bool finished) {
    m_seconds = TDEstimateSliderScale::secondsFromPosition(position(), secondsPerDay());
    p_showSeconds();
    p_tellDelegate(m_seconds, finished);
}

void TDEstimateCompletionViewController::p_showSeconds() {
    const auto transformer =
        platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageTimeInterval"));
    const QString text = transformer ? transformer->transformedValue(m_seconds).toString() : QString();
    m_label->setText(text.isEmpty() ? tr("No estimate") : text);
}
