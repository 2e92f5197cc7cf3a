#pragma once

#include <QColor>
#include <QComboBox>

// A pop-up button that can size itself to its current item and, when it changes width, grow or shrink
// its container at the container's left side, so that what stands right of the button stays in place.
class TDPopUpButton : public QComboBox {
    Q_OBJECT

public:
    explicit TDPopUpButton(QWidget* parent = nullptr);

    bool autoResizes() const { return m_autoResizes; }
    void setAutoResizes(bool autoResizes);
    bool autoResizesSuperview() const { return m_autoResizesSuperview; }
    void setAutoResizesSuperview(bool autoResizes) { m_autoResizesSuperview = autoResizes; }

    // An invalid colour leaves the style's text colour.
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color);

    // Selects the item; a separator passes the selection to the item after it.
    void selectItemAtIndex(int index);
    bool isSeparatorAtIndex(int index) const;

    // The current item's title width plus room for the arrow (and the icon); 0 without a title.
    int widthForCurrentItem() const;
    void sizeToFitCurrentItem();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void p_currentIndexChanged();

    bool m_autoResizes = false;
    bool m_autoResizesSuperview = false;
    QColor m_textColor;
};
