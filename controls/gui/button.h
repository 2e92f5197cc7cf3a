#pragma once

#include <QAbstractButton>

// A flat button that draws only its icon, inset by a padding on each side and darkened while pressed.
class TDButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TDButton(QWidget* parent = nullptr);

    QSize imagePadding() const { return m_imagePadding; }
    void setImagePadding(const QSize& padding);
    // Where the icon is drawn.
    QRect imageRect() const {
        return rect().adjusted(m_imagePadding.width(), m_imagePadding.height(), -m_imagePadding.width(),
                               -m_imagePadding.height());
    }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize m_imagePadding;
};
