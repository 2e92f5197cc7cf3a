#pragma once

#include "controls/gui/completion_view_controller.h"

class QLabel;
class QSlider;

// The estimate balloon's content: a slider over the estimate scale, started from the typed duration.
// Moving it reports the seconds; releasing the mouse ends the edit.
class TDEstimateCompletionViewController final : public TDCompletionViewController {
    Q_OBJECT

public:
    explicit TDEstimateCompletionViewController(QWidget* parent = nullptr);

    QVariant objectValue() const override { return m_seconds; }
    void setStringValue(const QString& text) override;
    double seconds() const { return m_seconds; }
    QSlider* slider() const { return m_slider; }
    // The slider's position as the scale counts it.
    double position() const;
    // The slider's action: the seconds of the position; `finished` when the mouse went up.
    void changeTime(bool finished);

    QSize sizeHint() const override { return QSize(220, 54); }

    static constexpr int kStepsPerUnit = 20;

private:
    void p_showSeconds();

    QSlider* m_slider = nullptr;
    QLabel* m_label = nullptr;
    double m_seconds = 0;
};
