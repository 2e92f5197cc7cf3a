#include "controls/gui/gradient_view.h"

#include "foundation/color_additions.h"

#include <QPainter>

TDGradientView::TDGradientView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDGradientView::setGradient(const QColor& top, const QColor& bottom) {
    if (top == m_top && bottom == m_bottom) return;
    m_top = top;
    m_bottom = bottom;
    m_rebuild = true;
    update();
}

void TDGradientView::p_setColor(QColor& field, const QColor& color) {
    if (field == color) return;
    field = color;
    m_rebuild = true;
    update();
}

void TDGradientView::setTopBorderColor(const QColor& color) {
    p_setColor(m_topBorder, color);
}

void TDGradientView::setBottomBorderColor(const QColor& color) {
    p_setColor(m_bottomBorder, color);
}

void TDGradientView::setSideBorderColor(const QColor& color) {
    p_setColor(m_sideBorder, color);
}

const QImage& TDGradientView::image() {
    // A new width alone stretches the band as it is.
    if (m_rebuild || m_image.height() != std::max(1, height())) p_rebuildImage();
    return m_image;
}

void TDGradientView::p_rebuildImage() {
    const int w = std::max(1, width());
    const int h = std::max(1, height());
    m_image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    QPainter painter(&m_image);
    const int x = m_sideBorder.isValid() ? 1 : 0;
    const int bandWidth = m_sideBorder.isValid() ? w - 2 : w;
    int bandTop = 0;
    int bandHeight = h;
    if (m_topBorder.isValid()) {
        painter.fillRect(x, 0, bandWidth, 1, m_topBorder);
        ++bandTop;
        --bandHeight;
    }
    if (m_bottomBorder.isValid()) {
        painter.fillRect(x, h - 1, bandWidth, 1, m_bottomBorder);
        --bandHeight;
    }
    QLinearGradient gradient(0, bandTop, 0, bandTop + bandHeight);
    gradient.setColorAt(0, m_top.isValid() ? m_top : QColor(Qt::white));
    gradient.setColorAt(1, m_bottom.isValid() ? m_bottom : QColor(Qt::white));
    painter.fillRect(x, bandTop, bandWidth, std::max(0, bandHeight), gradient);
    if (m_sideBorder.isValid()) {
        painter.fillRect(0, 0, 1, h, m_sideBorder);
        painter.fillRect(w - 1, 0, 1, h, m_sideBorder);
    }
    m_rebuild = false;
}

void TDGradientView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(rect(), image());
}

TDSourceListGradientBar::TDSourceListGradientBar(QWidget* parent) : TDGradientView(parent) {
    const auto hex = [](const char* text) { return colorWithHexString(QLatin1String(text), 1.0).value(); };
    setBottomBorderColor(hex("8c928d"));
    setTopBorderColor(hex("f8"));
    setGradient(hex("e1e2e5"), hex("b8bbc1"));
}
