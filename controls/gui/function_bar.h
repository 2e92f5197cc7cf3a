#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QWidget>

class QPainter;

// The light grey band every function bar and function button is painted with: one point wide and as
// high as the bar, made once for the program.
const QImage& TDFunctionBarGradientImage();

// A function-bar button's end lines: a dark separator and a light highlight inside each end, from y top
// for height rows; the right pair only when asked (a footer at the window's resize corner has none).
void TDDrawFunctionEdges(QPainter& painter, int width, int top, int height, bool rightPair = true);
// A function-bar title: dark text engraved over a light line, greyed when disabled.
void TDDrawFunctionTitle(QPainter& painter, const QRect& rect, const QString& title, bool enabled);

// The strip along the bottom of a window that holds function buttons. It paints the band, a light line
// at its left end and one after its last visible function button, and swallows clicks between buttons.
class TDFunctionBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 23;

    explicit TDFunctionBar(QWidget* parent = nullptr);
    // Where the light line after the buttons lies: the right edge of the last visible function button.
    int buttonsEnd() const;
    QSize sizeHint() const override { return {200, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

// A flat button of a function bar: the bar's band with a dark separator and a light highlight at each
// end, darkened while pressed, its title and icon in the middle and an optional status image (such as
// the filter indicator) at its right end.
class TDFunctionButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TDFunctionButton(QWidget* parent = nullptr);

    QImage statusImage() const { return m_statusImage; }
    void setStatusImage(const QImage& image);
    QSize sizeHint() const override;
    // The bar moves its end line when a button comes or goes.
    void setVisible(bool visible) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_statusImage;
};
