#pragma once

#include <QImage>
#include <QWidget>

class TDCommandViewController;

// The dark strip at the bottom of the main window's task side in which a command view shows. The
// window opens and closes its pane; the bar paints its band and shows its controller's view.
class TDCommandBarView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 38;

    explicit TDCommandBarView(QWidget* parent = nullptr);

    TDCommandViewController* controller() const { return m_controller; }
    void setController(TDCommandViewController* controller) { m_controller = controller; }

    // The band, 1 point wide and as high as the bar, for an active or inactive window (made once each).
    static const QImage& backgroundImage(bool active);

    QSize sizeHint() const override { return {400, kHeight}; }
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TDCommandViewController* m_controller = nullptr;
};
