#include "app/gui/tab_control.h"

#include "app/tab_list.h"
#include "foundation/color_additions.h"
#include "foundation/font_names.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QEasingCurve>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSlideMilliseconds = 250;
// The strip along the bottom of the bar: a dark line over the selected tab's colour.
constexpr double kBorderHeight = 2;

QColor hex(const char* text, double alpha = 1.0) {
    return colorWithHexString(QString::fromLatin1(text), alpha).value_or(QColor());
}

// A blur of the alpha channel by three box passes each way, close enough to a Gaussian for a shadow.
void blurAlpha(QImage& alpha, int radius) {
    if (radius < 1) return;
    const int width = alpha.width();
    const int height = alpha.height();
    QList<int> line(std::max(width, height));
    auto pass = [&](int count, int stride, uchar* start) {
        for (int i = 0; i < count; ++i) line[i] = start[i * stride];
        int sum = 0;
        const int window = 2 * radius + 1;
        for (int i = -radius; i <= radius; ++i) sum += line[std::clamp(i, 0, count - 1)];
        for (int i = 0; i < count; ++i) {
            start[i * stride] = uchar(sum / window);
            sum += line[std::min(i + radius + 1, count - 1)] - line[std::max(i - radius, 0)];
        }
    };
    for (int round = 0; round < 3; ++round) {
        for (int y = 0; y < height; ++y) pass(width, 1, alpha.scanLine(y));
        for (int x = 0; x < width; ++x) pass(height, int(alpha.bytesPerLine()), alpha.scanLine(0) + x);
    }
}

}  // namespace

TDTabControl::TDTabControl(TDTabList& tabs, QWidget* parent) : QWidget(parent), m_tabs(tabs) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_titleFont = fontWithName(QStringLiteral("Helvetica"), 14).value_or(font());
    m_titleFont.setPixelSize(14);

    m_slide.setStartValue(0.0);
    m_slide.setEndValue(1.0);
    m_slide.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&m_slide, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { p_animationStep(value.toDouble()); });

    m_nextTabAction = new QAction(tr("Select Next Tab"), this);
    m_nextTabAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab));
    m_previousTabAction = new QAction(tr("Select Previous Tab"), this);
    m_previousTabAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab));
    for (QAction* action : {m_nextTabAction, m_previousTabAction}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(m_nextTabAction, &QAction::triggered, this, [this] { m_tabs.nextTab(); });
    connect(m_previousTabAction, &QAction::triggered, this, [this] { m_tabs.previousTab(); });

    connect(&m_tabs, &TDTabList::tabInserted, this, &TDTabControl::p_tabInserted);
    connect(&m_tabs, &TDTabList::tabRemoved, this, &TDTabControl::p_tabRemoved);
    connect(&m_tabs, &TDTabList::tabChanged, this, &TDTabControl::p_tabChanged);
    connect(&m_tabs, &TDTabList::tabMoved, this, &TDTabControl::p_tabMoved);
    connect(&m_tabs, &TDTabList::selectionChanged, this, &TDTabControl::p_selectionChanged);
    connect(&m_tabs, &TDTabList::tabsReloaded, this, &TDTabControl::p_rebuild);
    p_rebuild();
}

TDTabControl::~TDTabControl() {
    if (m_watchedWindow) m_watchedWindow->removeEventFilter(this);
}

QSize TDTabControl::sizeHint() const {
    return {600, kBarHeight};
}

QSize TDTabControl::minimumSizeHint() const {
    return {int(tab_layout::kFirstTabX + tab_layout::kMinimumWidth + tab_layout::kRightMargin), kBarHeight};
}

double TDTabControl::p_titleWidth(const QString& title) const {
    return QFontMetricsF(m_titleFont).horizontalAdvance(title);
}

double TDTabControl::tabWidth(int index) const {
    return index >= 0 && index < m_geometry.size() ? m_geometry.at(index).width : 0;
}

QRectF TDTabControl::tabRect(int index) const {
    if (index < 0 || index >= m_geometry.size()) return {};
    const TabGeometry& tab = m_geometry.at(index);
    return {tab.shownX - m_shownScroll, height() - tab_layout::kTabHeight, tab.width, tab_layout::kTabHeight};
}

int TDTabControl::indexOfTabAtPoint(const QPointF& point) const {
    // Front to back: the selected tab, then each tab before its right neighbour.
    const int selected = m_tabs.selectedTabIndex();
    if (tabRect(selected).contains(point)) return selected;
    for (int index = 0; index < m_geometry.size(); ++index)
        if (tabRect(index).contains(point)) return index;
    return -1;
}

void TDTabControl::p_rebuild() {
    m_drag.reset();
    m_geometry.clear();
    for (int index = 0; index < m_tabs.numberOfTabs(); ++index) {
        TabGeometry tab;
        tab.width = tab_layout::tabWidthForTitleWidth(p_titleWidth(m_tabs.titleAtTabIndex(index)));
        m_geometry.append(tab);
    }
    p_updateLayerFrames(false);
}

void TDTabControl::p_tabInserted(int index) {
    // A new tab appears in its slot without sliding in.
    TabGeometry tab;
    const QList<double> widths = [this] {
        QList<double> list;
        for (const TabGeometry& each : std::as_const(m_geometry)) list.append(each.width);
        return list;
    }();
    const QList<double> positions = tab_layout::tabPositions(widths);
    tab.shownX = tab.fromX = tab.targetX =
        index == 0 ? tab_layout::kFirstTabX
                   : positions.at(index - 1) + widths.at(index - 1) - tab_layout::kOverlap;
    m_geometry.insert(index, tab);
    update();
}

void TDTabControl::p_tabRemoved(int index) {
    if (index < 0 || index >= m_geometry.size()) return;
    m_drag.reset();
    const bool wasLast = index == m_geometry.size() - 1;
    m_geometry.removeAt(index);
    if (!wasLast) p_updateLayerFrames();
    p_scrollAfterRemoval();
}

void TDTabControl::p_tabChanged(int index) {
    if (index < 0 || index >= m_geometry.size()) return;
    m_geometry[index].width = tab_layout::tabWidthForTitleWidth(p_titleWidth(m_tabs.titleAtTabIndex(index)));
    if (!m_tabs.isLoading()) p_updateLayerFrames();
}

void TDTabControl::p_tabMoved(int from, int to) {
    if (from < 0 || from >= m_geometry.size() || to < 0 || to >= m_geometry.size()) return;
    m_geometry.move(from, to);
}

void TDTabControl::p_selectionChanged() {
    if (!m_tabs.isLoading() && !m_drag) p_updateLayerFrames();
    update();
}

void TDTabControl::p_updateLayerFrames(bool animated) {
    if (m_tabs.isLoading()) return;
    QList<double> widths;
    for (const TabGeometry& tab : std::as_const(m_geometry)) widths.append(tab.width);
    const QList<double> positions = tab_layout::tabPositions(widths);
    for (int index = 0; index < m_geometry.size(); ++index) m_geometry[index].targetX = positions.at(index);
    const int selected = m_tabs.selectedTabIndex();
    if (selected >= 0 && selected < m_geometry.size())
        m_targetScroll =
            tab_layout::scrollToShowTab(positions.at(selected), widths.at(selected), m_targetScroll, width());
    p_startSlide(animated);
}

void TDTabControl::p_scrollAfterRemoval() {
    if (m_geometry.isEmpty()) return;
    const TabGeometry& last = m_geometry.constLast();
    m_targetScroll = tab_layout::scrollAfterRemoval(last.targetX + last.width, m_targetScroll, width());
    p_startSlide(true);
}

void TDTabControl::p_startSlide(bool animated) {
    m_slide.stop();
    for (TabGeometry& tab : m_geometry) tab.fromX = tab.shownX;
    m_fromScroll = m_shownScroll;
    if (!animated || !isVisible()) {
        p_animationStep(1.0);
        return;
    }
    m_slide.setDuration(kSlideMilliseconds);
    m_slide.start();
}

void TDTabControl::p_animationStep(double progress) {
    for (int index = 0; index < m_geometry.size(); ++index) {
        TabGeometry& tab = m_geometry[index];
        // The dragged tab follows the pointer, not the slide.
        if (m_drag && m_drag->isLive() && index == m_drag->index()) continue;
        tab.shownX = tab.fromX + (tab.targetX - tab.fromX) * progress;
    }
    m_shownScroll = m_fromScroll + (m_targetScroll - m_fromScroll) * progress;
    update();
}

void TDTabControl::finishAnimations() {
    if (m_slide.state() == QAbstractAnimation::Running) m_slide.stop();
    p_animationStep(1.0);
}

void TDTabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A live resize moves nothing gradually.
    p_updateLayerFrames(false);
}

const TDTabImages& TDTabControl::tabImages(int index, bool selected) const {
    Q_UNUSED(index)
    return TDTabImageFactory::sharedFactory().tabImagesForTabType({}, selected);
}

QColor TDTabControl::borderColor(int index) const {
    Q_UNUSED(index)
    return hex("e0e8ee");
}

const QImage& TDTabControl::p_shadow(int width, bool selected) {
    const quint64 key = (quint64(width) << 1) | (selected ? 1 : 0);
    auto found = m_shadows.constFind(key);
    if (found != m_shadows.constEnd()) return *found;
    const int radius = selected ? 10 : 5;
    const double opacity = selected ? 0.5 : 0.75;
    const int pad = 2 * radius;
    QImage mask(width + 2 * pad, int(tab_layout::kTabHeight) + 2 * pad, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter painter(&mask);
        const TDTabImages& pieces = tabImages(0, selected);
        const double cap = TDTabImageFactory::kCapWidth;
        painter.drawImage(QRectF(pad, pad, cap, tab_layout::kTabHeight), pieces[0]);
        painter.drawImage(QRectF(pad + cap, pad, width - 2 * cap, tab_layout::kTabHeight), pieces[1]);
        painter.drawImage(QRectF(pad + width - cap, pad, cap, tab_layout::kTabHeight), pieces[2]);
    }
    QImage alpha = mask.convertToFormat(QImage::Format_Alpha8);
    blurAlpha(alpha, radius / 2);
    QImage shadow(alpha.size(), QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter painter(&shadow);
        painter.fillRect(shadow.rect(), QColor(0, 0, 0, int(255 * opacity)));
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.drawImage(0, 0, alpha);
    }
    return *m_shadows.insert(key, shadow);
}

void TDTabControl::p_paintTab(QPainter& painter, int index, bool selected) {
    const QRectF rect = tabRect(index);
    const double cap = TDTabImageFactory::kCapWidth;
    const int width = int(std::lround(rect.width()));
    const QImage& shadow = p_shadow(width, selected);
    const double pad = (shadow.width() - width) / 2.0;
    // Shadows fall three points down, as light from above.
    painter.drawImage(QPointF(rect.x() - pad, rect.y() - pad + 3), shadow);

    const TDTabImages& pieces = tabImages(index, selected);
    painter.drawImage(QRectF(rect.x(), rect.y(), cap, rect.height()), pieces[0]);
    painter.drawImage(QRectF(rect.x() + cap, rect.y(), rect.width() - 2 * cap, rect.height()), pieces[1]);
    painter.drawImage(QRectF(rect.right() - cap, rect.y(), cap, rect.height()), pieces[2]);

    const QRectF titleRect(rect.x() + cap, rect.y() + 6, rect.width() - 2 * cap, 21);
    const QString title = QFontMetricsF(m_titleFont)
                              .elidedText(m_tabs.titleAtTabIndex(index), Qt::ElideRight, titleRect.width());
    painter.setFont(m_titleFont);
    painter.setPen(QColor(255, 255, 255, 128));
    painter.drawText(titleRect.translated(0, 1), Qt::AlignHCenter | Qt::AlignTop, title);
    painter.setPen(Qt::black);
    painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop, title);
}

void TDTabControl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRectF dirty = event->rect();
    QLinearGradient band(0, 0, 0, height());
    band.setColorAt(0, hex("464d53"));
    band.setColorAt(1, hex("373d43"));
    painter.fillRect(QRectF(dirty.left(), 0, dirty.width(), height()), band);
    const double pixel = 1.0 / devicePixelRatioF();
    painter.fillRect(QRectF(dirty.left(), 0, dirty.width(), pixel), hex("555c61"));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // Back to front: each tab covers its right neighbour, the strip covers them all, the selected tab
    // stands on the strip.
    const int selected = m_tabs.selectedTabIndex();
    for (int index = int(m_geometry.size()) - 1; index >= 0; --index)
        if (index != selected) p_paintTab(painter, index, false);

    const double stripY = height() - kBorderHeight;
    QLinearGradient glow(0, stripY - 3, 0, stripY);
    glow.setColorAt(0, QColor(0, 0, 0, 0));
    glow.setColorAt(1, QColor(0, 0, 0, 60));
    painter.fillRect(QRectF(0, stripY - 3, width(), 3), glow);
    painter.fillRect(QRectF(0, stripY, width(), 1), QColor(0, 0, 0, 38));
    painter.fillRect(QRectF(0, stripY + 1, width(), 1),
                     selected >= 0 ? borderColor(selected) : borderColor(TDTabList::NotFound));

    if (selected >= 0 && selected < m_geometry.size()) p_paintTab(painter, selected, true);
}

void TDTabControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int index = indexOfTabAtPoint(event->position());
    if (index < 0 || m_tabs.numberOfTabs() < 2) {
        // Empty bar space belongs to the window.
        event->ignore();
        return;
    }
    m_tabs.selectTabAtIndex(index);
    finishAnimations();
    QList<double> widths;
    for (const TabGeometry& tab : std::as_const(m_geometry)) widths.append(tab.width);
    const double x = event->position().x() + m_shownScroll;
    m_drag.emplace(widths, index, x);
    m_lastDragX = x;
}

void TDTabControl::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drag || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const double x = event->position().x() + m_shownScroll;
    const int before = m_drag->index();
    const bool moved = m_drag->moveTo(x, x - m_lastDragX);
    m_lastDragX = x;
    if (!m_drag->isLive()) return;
    if (moved) {
        // The others slide over to make room; the selection moves with the dragged tab.
        m_tabs.moveTab(before, m_drag->index());
        p_updateLayerFrames();
    }
    m_geometry[m_drag->index()].shownX = m_drag->draggedX();
    update();
}

void TDTabControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_drag) {
        p_endDrag();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TDTabControl::p_endDrag() {
    const bool wasLive = m_drag && m_drag->isLive();
    m_drag.reset();
    // The dragged tab settles into its slot.
    if (wasLive) p_updateLayerFrames();
}

void TDTabControl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        (indexOfTabAtPoint(event->position()) < 0 || m_tabs.numberOfTabs() < 2)) {
        m_tabs.newTab();
        return;
    }
    mousePressEvent(event);
}

std::unique_ptr<QMenu> TDTabControl::menuForPosition(const QPoint& position) {
    auto menu = std::make_unique<QMenu>(this);
    const int index = indexOfTabAtPoint(position);
    if (index >= 0 && m_tabs.numberOfTabs() >= 2) {
        QAction* close = menu->addAction(tr("Close Tab"));
        close->setData(index);
        connect(close, &QAction::triggered, this, [this, index] { m_tabs.closeTab(index); });
    }
    QAction* add = menu->addAction(tr("New Tab"));
    connect(add, &QAction::triggered, this, [this] { m_tabs.newTab(); });
    return menu;
}

void TDTabControl::contextMenuEvent(QContextMenuEvent* event) {
    const std::unique_ptr<QMenu> menu = menuForPosition(event->pos());
    menu->exec(event->globalPos());
}

void TDTabControl::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QWidget* top = window();
    if (top != m_watchedWindow) {
        if (m_watchedWindow) m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = top;
        if (top != this) top->installEventFilter(this);
    }
    p_updateLayerFrames(false);
}

bool TDTabControl::eventFilter(QObject* watched, QEvent* event) {
    // The tabs are kept when the window closes.
    if (watched == m_watchedWindow && event->type() == QEvent::Close) m_tabs.saveTabs();
    return QWidget::eventFilter(watched, event);
}
