#pragma once

#include <QPointer>
#include <QWidget>

class QPropertyAnimation;
class TDCompletionViewController;
class TDRaisedTextView;

// A small frameless callout window that points with an arrow at a spot on screen (a cell being
// edited) and hosts one completion content. It follows its parent window while shown, never takes
// the keyboard unless told to, and turns Esc into the content's cancel. Its parent window is its
// transient parent: a tooltip while the keyboard stays with the editor, a pop-up while it takes it.
class TDBalloonPanel final : public QWidget {
    Q_OBJECT

public:
    // `viewController` becomes the panel's child.
    TDBalloonPanel(QWidget* parentWindow, QPoint preferredLocation, int preferredDirection,
                   const QRect& targetFrame, TDCompletionViewController* viewController);
    ~TDBalloonPanel() override;

    // Places the panel again, trying the preferred direction first.
    void setPreferredLocation(QPoint location, const QRect& targetFrame);
    void setViewController(TDCompletionViewController* viewController);
    TDCompletionViewController* viewController() const { return m_viewController; }
    int direction() const { return m_direction; }
    QPoint location() const { return m_location; }
    QRect targetFrame() const { return m_targetFrame; }
    QRectF boxFrame() const;
    bool isChangingViewController() const { return m_changingViewController; }
    void setChangingViewController(bool changing) { m_changingViewController = changing; }
    bool canBecomeKeyWindow() const { return m_canBecomeKeyWindow; }
    // A pop-up that takes the keyboard; show it only in answer to a click or a key.
    void setCanBecomeKeyWindow(bool can);

    // A new size for the panel: the edge the arrow is on stays (the top edge for a balloon below its
    // location, the bottom edge otherwise) and so does the left edge; `animate` moves there smoothly.
    void setFrameSize(QSize size, bool animate);
    bool isResizing() const;

    // The editor that raises the fields of the content while they are edited; made on the first request
    // with `create`, null before that.
    TDRaisedTextView* raisedTextView(bool create);

    void orderFront();
    // Nothing happens while the content is being swapped.
    void orderOut();
    void updateFrame();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static Qt::WindowFlags p_windowFlags(bool canBecomeKey);
    void p_layOutContent();

    QPointer<QWidget> m_parentWindow;
    QPointer<QPropertyAnimation> m_resizing;
    TDRaisedTextView* m_raisedTextView = nullptr;
    QPoint m_preferredLocation;
    QPoint m_location;
    int m_preferredDirection;
    int m_direction = -1;
    QRect m_targetFrame;
    TDCompletionViewController* m_viewController = nullptr;
    QPoint m_parentPosition;
    bool m_changingViewController = false;
    bool m_canBecomeKeyWindow = false;
};
