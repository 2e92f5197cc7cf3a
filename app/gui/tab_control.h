#pragma once

#include "app/gui/tab_image_factory.h"
#include "app/tab_layout.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class TDTabList;

// The tab bar: the tabs of a TDTabList drawn as overlapping shapes on a dark band, the selected one in
// front, the bar scrolled to keep it in view. A press selects a tab and dragging it reorders the tabs;
// a double click on empty space opens a new tab; the context menu closes a tab or opens one. Tabs
// slide to their places over a quarter of a second. The tabs are saved when the window closes.
class TDTabControl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBarHeight = 30;

    explicit TDTabControl(TDTabList& tabs, QWidget* parent = nullptr);
    ~TDTabControl() override;

    TDTabList& tabList() const { return m_tabs; }
    // Ctrl+Tab and Ctrl+Shift+Tab while the control's window is active.
    QAction* nextTabAction() const { return m_nextTabAction; }
    QAction* previousTabAction() const { return m_previousTabAction; }

    // Where each tab lies now, in the control's coordinates (after any running slide, the targets).
    QRectF tabRect(int index) const;
    // The tab under the point (the one in front where tabs overlap), or -1.
    int indexOfTabAtPoint(const QPointF& point) const;
    double scrollOffset() const { return m_targetScroll; }
    double tabWidth(int index) const;
    // "Close Tab" over a tab when there are at least two, then "New Tab".
    std::unique_ptr<QMenu> menuForPosition(const QPoint& position);
    // Ends any running slide: everything stands where it is going.
    void finishAnimations();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // The pieces of a tab and the colour of the line along the bar under the selected tab.
    virtual const TDTabImages& tabImages(int index, bool selected) const;
    virtual QColor borderColor(int index) const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TabGeometry {
        double width = tab_layout::kMinimumWidth;
        double shownX = tab_layout::kFirstTabX;
        double fromX = tab_layout::kFirstTabX;
        double targetX = tab_layout::kFirstTabX;
    };

    void p_rebuild();
    void p_tabInserted(int index);
    void p_tabRemoved(int index);
    void p_tabChanged(int index);
    void p_tabMoved(int from, int to);
    void p_selectionChanged();
    // Computes where the tabs and the scroll go and slides there (at once when `animated` is false).
    void p_updateLayerFrames(bool animated = true);
    void p_scrollAfterRemoval();
    void p_startSlide(bool animated);
    void p_animationStep(double progress);
    double p_titleWidth(const QString& title) const;
    void p_paintTab(QPainter& painter, int index, bool selected);
    const QImage& p_shadow(int width, bool selected);
    void p_endDrag();

    TDTabList& m_tabs;
    QList<TabGeometry> m_geometry;
    QFont m_titleFont;
    double m_shownScroll = 0;
    double m_fromScroll = 0;
    double m_targetScroll = 0;
    QVariantAnimation m_slide;
    std::optional<tab_layout::Drag> m_drag;
    double m_lastDragX = 0;
    QHash<quint64, QImage> m_shadows;
    QPointer<QWidget> m_watchedWindow;
    QAction* m_nextTabAction;
    QAction* m_previousTabAction;
};
