#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QKeyCombination>
#include <QPointer>
#include <QRect>

class QPainter;
class QPropertyAnimation;

// A dark, glossy push button that shows its keyboard shortcut in a narrow box at its left and its title
// in the box to the right. The key is only shown: the menus own the real shortcuts, so the button never
// competes with them. A button can slide out of its parent's visible area and back.
class TDActionButton : public QAbstractButton {
    Q_OBJECT
public:
    enum Direction { SlideUp = 0, SlideRight = 1, SlideDown = 2, SlideLeft = 3 };

    // The text of the shortcut box, in the fonts and colour it is drawn with.
    struct Label {
        QString text;
        QFont font;
        QColor color;
    };
    // Where the parts go in a frame.
    struct DrawInfo {
        QRectF shortcutBox;
        QRectF shortcutString;
        QRectF titleBox;
        QRectF titleString;
    };

    static constexpr qreal kShortcutBoxWidth = 20;

    explicit TDActionButton(QWidget* parent = nullptr);
    ~TDActionButton() override;

    QKeyCombination keyEquivalent() const { return m_keyEquivalent; }
    void setKeyEquivalent(QKeyCombination key);
    // The modifier glyphs then the key: "esc", "tab", "spc", ↩ for Return, else the key upper-cased.
    QString keyEquivalentText() const;
    virtual Label keyEquivalentLabel() const;

    QColor shortcutBoxColor() const;
    void setShortcutBoxColor(const QColor& color);
    virtual QColor backgroundColor() const;
    virtual QFont titleFont() const;
    // The light text colours: dimmer while pressed and when disabled.
    virtual QColor textColor() const;

    // 20 points, wider when the key's glyphs need more room.
    qreal shortcutBoxWidth() const;
    virtual DrawInfo calcDrawInfo(const QRectF& rect) const;
    QSize optimalSize() const { return optimalSizeWithTitle(text()); }
    QSize optimalSizeWithTitle(const QString& title) const;
    QSize sizeHint() const override;

    // Slides the button just outside its parent's visible area and disables it; the first hide's frame
    // is kept, so unhide returns there however often the button was hidden.
    void hideToDirection(int direction);
    void unhide();
    // The frame from before the button was hidden; null while it is shown.
    QRect savedFrame() const { return m_savedFrame; }

protected:
    // The layout both looks share: the key's box at the left and the title right of it, moved a point
    // left. The key's text is centred in a box-sized area whose corner is `labelOrigin`, made integral
    // and moved half a point right.
    DrawInfo drawInfoWithLabelOrigin(const QRectF& rect, const QPointF& labelOrigin) const;
    // The key equivalent in its rectangle of the layout.
    void drawKeyEquivalent(QPainter& painter, const DrawInfo& info) const;
    void paintEvent(QPaintEvent* event) override;
    // Draws the whole button in the frame, in the button's own coordinates.
    virtual void drawWithFrame(QPainter& painter, const QRectF& frame);
    static bool isApplicationActive();

private:
    void p_moveTo(const QRect& frame);

    QKeyCombination m_keyEquivalent;
    QColor m_shortcutBoxColor;
    QRect m_savedFrame;
    QPointer<QPropertyAnimation> m_slide;
};
