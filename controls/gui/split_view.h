#pragma once

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QSplitter>

class QVariantAnimation;
class TDSplitView;

namespace platform {
class UserDefaults;
}

// Where a pane closes to and opens from. A side-by-side split takes MinX and MaxX, a stacked one
// MinY and MaxY.
enum class TDSplitViewEdge { MinX = 0, MinY = 1, MaxX = 2, MaxY = 3 };

// How a pane closes or opens: at once, sliding while the program goes on, or sliding with the
// caller waiting until it stands.
enum class TDSplitViewAnimation { Immediate = 0, Animated = 1, Blocking = 2 };

// What a split view asks of the object that arranges its panes. A divider's position is its offset
// along the split, the length of everything before it.
class TDSplitViewDelegate {
public:
    virtual ~TDSplitViewDelegate() = default;

    virtual bool canCollapseSubview(TDSplitView& splitView, int index);
    virtual int constrainMinCoordinate(TDSplitView& splitView, int proposed, int dividerIndex);
    virtual int constrainMaxCoordinate(TDSplitView& splitView, int proposed, int dividerIndex);
    virtual int constrainSplitPosition(TDSplitView& splitView, int proposed, int dividerIndex);
    // A pane the user dragged shut is closed now: hidden, its length before the drag kept.
    virtual void didCloseSubviewAfterCollapsing(TDSplitView& splitView, int index);
    // After every drag of a divider.
    virtual void didFinishResizingSubviews(TDSplitView& splitView);
    // A double click on a divider; the split view itself does nothing with it.
    virtual void dividerDoubleClicked(TDSplitView& splitView, int dividerIndex);
    // After the split view changed size: the delegate may place the panes itself.
    virtual void didResize(TDSplitView& splitView, const QSize& oldSize);
    // Another area, in the split view's coordinates, that drags the divider as the divider itself
    // does (an empty rectangle for none). It lies inside the split view, over any of its panes.
    virtual QRect additionalEffectiveRect(TDSplitView& splitView, int dividerIndex);
};

// A split view whose panes close toward an edge and open again from it, at once or animated, each
// pane's last open length kept in the user defaults under "TDSplitView Subview Lengths <name>". The
// dividers are thin lines of their own colour; a pane the delegate lets collapse can be dragged shut.
// The delegate, not the panes' minimum sizes, limits the dividers. Holding Shift alone slows the
// animations down to three seconds. Main thread.
class TDSplitView : public QSplitter {
    Q_OBJECT
public:
    static inline const QString LengthsKeyFormat = QStringLiteral("TDSplitView Subview Lengths %1");
    static constexpr double kSlowAnimationDuration = 3.0;

    explicit TDSplitView(Qt::Orientation orientation, QWidget* parent = nullptr);
    TDSplitView(Qt::Orientation orientation, platform::UserDefaults& defaults, QWidget* parent = nullptr);
    ~TDSplitView() override;

    TDSplitViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(TDSplitViewDelegate* delegate);
    QString autosaveName() const { return m_autosaveName; }
    void setAutosaveName(const QString& name) { m_autosaveName = name; }
    QString subviewLengthsAutosaveName() const { return LengthsKeyFormat.arg(m_autosaveName); }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    int dividerThickness() const { return handleWidth(); }
    QColor dividerColor() const { return m_dividerColor; }
    void setDividerColor(const QColor& color);
    // Seconds; kSlowAnimationDuration while Shift alone is held.
    double animationDuration() const;
    void setAnimationDuration(double seconds) { m_animationDuration = seconds; }
    // 0 idle, 1 while a pane opens, 2 while one closes.
    int animationState() const { return m_animationState; }

    // The pane's length along the split (0 when hidden).
    int subviewLength(int index) const;
    // Not hidden and longer than 0.
    bool isSubviewOpen(int index) const;
    void closeSubview(int index, TDSplitViewEdge edge, TDSplitViewAnimation mode);
    // Opens to the saved length, or to the present one when none is saved.
    void openSubview(int index, TDSplitViewEdge edge, TDSplitViewAnimation mode);
    void openSubview(int index, TDSplitViewEdge edge, TDSplitViewAnimation mode, int length);
    // The pane's last open length as saved, 0 when none.
    double savedSize(int index) const;
    void saveSize(int length, int index);
    // The lengths of the open panes into the user defaults; closed ones keep theirs.
    void autosave();
    // Ends a running animation: the panes stand where they were going.
    void finishAnimation();

    // Warns of an index or an edge that cannot be closed or opened; false then.
    bool sanityCheckOffset(int index, TDSplitViewEdge edge) const;

Q_SIGNALS:
    void animationFinished();

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TDSplitViewHandle;

    int p_neighbour(int index, TDSplitViewEdge edge) const;
    // Moves the pair's shared divider so that `index` is `length` long.
    void p_setPairLength(int index, int neighbour, int length, int pairTotal);
    void p_animatePair(int index, int neighbour, int from, int to, int pairTotal, int state,
                       TDSplitViewAnimation mode);
    void p_animationEnded();
    // Dragging the divider before pane `dividerIndex + 1`.
    void p_beginDrag(int dividerIndex);
    void p_dragDivider(int dividerIndex, int position);
    void p_endDrag();
    // Where pane `dividerIndex` ends along the split.
    int p_dividerPosition(int dividerIndex) const;
    int p_pick(const QPoint& point) const;
    // A press in one of the delegate's extra areas, and the drag that follows it; true when taken.
    bool p_dragInAdditionalRect(QWidget* receiver, QMouseEvent* event);

    platform::UserDefaults& m_defaults;
    TDSplitViewDelegate* m_delegate = nullptr;
    QString m_autosaveName;
    QColor m_dividerColor;
    double m_animationDuration = 0.3;
    int m_animationState = 0;
    int m_tag = 0;
    QPointer<QWidget> m_observedWindow;
    QVariantAnimation* m_animation = nullptr;
    // The pane to hide once a closing animation ends, and the lengths the pair then takes.
    int m_hideAfterAnimation = -1;
    QList<int> m_lengthsAfterAnimation;
    // The lengths when a drag began: a pane dragged shut keeps the one it had.
    QList<int> m_lengthsBeforeDrag;
    // The divider dragged by an extra area, and where in the area it was taken.
    int m_additionalDragDivider = -1;
    int m_additionalDragOffset = 0;
};

// A pane of a split view: a plain container whose content may be squeezed to nothing while the pane
// opens and closes.
class TDSplitViewSubview : public QWidget {
    Q_OBJECT
public:
    explicit TDSplitViewSubview(QWidget* parent = nullptr) : QWidget(parent) {}
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    QSize minimumSizeHint() const override { return {0, 0}; }

private:
    int m_tag = 0;
};
