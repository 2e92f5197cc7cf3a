#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// A band of a vertical gradient (the start colour at the top) with optional border lines: one along
// the top edge, one along the bottom edge and one down each side. The band is drawn once into an image
// and stretched while only the width changes; a new height or new colours draw it again. The bars of
// the main window derive from it.
class TDGradientView : public QWidget {
    Q_OBJECT
public:
    explicit TDGradientView(QWidget* parent = nullptr);

    void setGradient(const QColor& top, const QColor& bottom);
    QColor gradientTopColor() const { return m_top; }
    QColor gradientBottomColor() const { return m_bottom; }
    // Invalid colours draw no line.
    void setTopBorderColor(const QColor& color);
    void setBottomBorderColor(const QColor& color);
    void setSideBorderColor(const QColor& color);
    QColor topBorderColor() const { return m_topBorder; }
    QColor bottomBorderColor() const { return m_bottomBorder; }
    QColor sideBorderColor() const { return m_sideBorder; }

    // The band as drawn now (for tests), made again first when it must be.
    const QImage& image();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void p_setColor(QColor& field, const QColor& color);
    void p_rebuildImage();

    QColor m_top;
    QColor m_bottom;
    QColor m_topBorder;
    QColor m_bottomBorder;
    QColor m_sideBorder;
    QImage m_image;
    bool m_rebuild = true;
};

// The bar under the source list: light grey fading darker, a light line along its top and a dark one
// along its bottom.
class TDSourceListGradientBar : public TDGradientView {
    Q_OBJECT
public:
    explicit TDSourceListGradientBar(QWidget* parent = nullptr);
};
