#include "controls/gui/split_view.h"

#include "foundation/gui/key_event_additions.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>

bool TDSplitViewDelegate::canCollapseSubview(TDSplitView&, int) {
    return false;
}
int TDSplitViewDelegate::constrainMinCoordinate(TDSplitView&, int proposed, int) {
    return proposed;
}
int TDSplitViewDelegate::constrainMaxCoordinate(TDSplitView&, int proposed, int) {
    return proposed;
}
int TDSplitViewDelegate::constrainSplitPosition(TDSplitView&, int proposed, int) {
    return proposed;
}
void TDSplitViewDelegate::didCloseSubviewAfterCollapsing(TDSplitView&, int) {
}
void TDSplitViewDelegate::didFinishResizingSubviews(TDSplitView&) {
}
void TDSplitViewDelegate::dividerDoubleClicked(TDSplitView&, int) {
}
void TDSplitViewDelegate::didResize(TDSplitView&, const QSize&) {
}
QRect TDSplitViewDelegate::additionalEffectiveRect(TDSplitView&, int) {
    return {};
}

// The divider: a line of the split view's colour with a wider grab area around it (the splitter
// widens thin handles by their contents margins). Drags go to the split view, which asks its
// delegate for the limits.
class TDSplitViewHandle : public QSplitterHandle {
public:
    TDSplitViewHandle(Qt::Orientation orientation, TDSplitView* parent)
        : QSplitterHandle(orientation, parent), m_splitView(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(contentsRect(), m_splitView->dividerColor());
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        m_pressOffset = pick(event->position().toPoint() - contentsRect().topLeft());
        m_dragging = true;
        m_splitView->p_beginDrag(dividerIndex());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!m_dragging || !(event->buttons() & Qt::LeftButton)) return;
        const QPoint inSplitView = m_splitView->mapFromGlobal(event->globalPosition().toPoint());
        m_splitView->p_dragDivider(dividerIndex(), pick(inSplitView) - m_pressOffset);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (!m_dragging || event->button() != Qt::LeftButton) return;
        m_dragging = false;
        m_splitView->p_endDrag();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        if (TDSplitViewDelegate* delegate = m_splitView->delegate())
            delegate->dividerDoubleClicked(*m_splitView, dividerIndex());
    }

private:
    int pick(const QPoint& point) const { return orientation() == Qt::Horizontal ? point.x() : point.y(); }
    // The handle before pane i divides panes i - 1 and i.
    int dividerIndex() const { return m_splitView->indexOf(const_cast<TDSplitViewHandle*>(this)) - 1; }

    TDSplitView* m_splitView;
    int m_pressOffset = 0;
    bool m_dragging = false;
};

TDSplitView::TDSplitView(Qt::Orientation orientation, QWidget* parent)
    : TDSplitView(orientation, platform::UserDefaults::standard(), parent) {
}

TDSplitView::TDSplitView(Qt::Orientation orientation, platform::UserDefaults& defaults, QWidget* parent)
    : QSplitter(orientation, parent),
      m_defaults(defaults),
      m_dividerColor(QColor::fromRgbF(0.65, 0.65, 0.65)) {
    setHandleWidth(1);
    setChildrenCollapsible(true);
}

TDSplitView::~TDSplitView() {
    if (m_observedWindow) m_observedWindow->removeEventFilter(this);
}

void TDSplitView::setDelegate(TDSplitViewDelegate* delegate) {
    m_delegate = delegate;
    // A press meant for an extra drag area lands on whatever widget lies under it: the split view
    // looks at the presses on their way.
    if (delegate)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void TDSplitView::setDividerColor(const QColor& color) {
    m_dividerColor = color;
    for (int i = 0; i < count(); ++i) handle(i)->update();
}

double TDSplitView::animationDuration() const {
    // Shift with other keys is a shortcut, not a wish to watch.
    if (isShiftKeyDown() &&
        (QGuiApplication::queryKeyboardModifiers() & kKeyEventModifierMask) == Qt::ShiftModifier)
        return kSlowAnimationDuration;
    return m_animationDuration;
}

int TDSplitView::subviewLength(int index) const {
    const QWidget* pane = widget(index);
    if (!pane || pane->isHidden()) return 0;
    return sizes().value(index);
}

bool TDSplitView::isSubviewOpen(int index) const {
    return subviewLength(index) > 0;
}

bool TDSplitView::sanityCheckOffset(int index, TDSplitViewEdge edge) const {
    if (m_autosaveName.isEmpty())
        logWithLevel(TDLogWarning, "WARNING",
                     "Autosave name not set for split view. Unexpected behavior will result during opening "
                     "of subview");
    if (index < 0 || index >= count()) {
        logWithLevel(TDLogWarning, "WARNING", "Subview %ld of split view does not exist", long(index));
        return false;
    }
    const bool horizontalEdge = edge == TDSplitViewEdge::MinX || edge == TDSplitViewEdge::MaxX;
    if (horizontalEdge != (orientation() == Qt::Horizontal)) {
        logWithLevel(TDLogWarning, "WARNING", "Edge doesn't match split view's orientation");
        return false;
    }
    return true;
}

int TDSplitView::p_neighbour(int index, TDSplitViewEdge edge) const {
    const bool maximumEdge = edge == TDSplitViewEdge::MaxX || edge == TDSplitViewEdge::MaxY;
    return maximumEdge ? index - 1 : index + 1;
}

void TDSplitView::closeSubview(int index, TDSplitViewEdge edge, TDSplitViewAnimation mode) {
    sanityCheckOffset(index, edge);
    const int neighbour = p_neighbour(index, edge);
    if (index < 0 || index >= count() || neighbour < 0 || neighbour >= count()) return;
    finishAnimation();
    QWidget* pane = widget(index);
    if (pane->isHidden()) return;
    const int length = subviewLength(index);
    if (length > 0) saveSize(length, index);
    const int pairTotal = length + subviewLength(neighbour);
    m_hideAfterAnimation = index;
    m_lengthsAfterAnimation = sizes();
    m_lengthsAfterAnimation[index] = 0;
    m_lengthsAfterAnimation[neighbour] = pairTotal + dividerThickness();
    p_animatePair(index, neighbour, length, 0, pairTotal, 2, mode);
}

void TDSplitView::openSubview(int index, TDSplitViewEdge edge, TDSplitViewAnimation mode) {
    const int saved = int(savedSize(index));
    openSubview(index, edge, mode, saved > 0 ? saved : subviewLength(index));
}

void TDSplitView::openSubview(int index, TDSplitViewEdge edge, TDSplitViewAnimation mode, int length) {
    sanityCheckOffset(index, edge);
    const int neighbour = p_neighbour(index, edge);
    if (index < 0 || index >= count() || neighbour < 0 || neighbour >= count()) return;
    finishAnimation();
    QWidget* pane = widget(index);
    if (!isVisible()) {
        // Not laid out yet: the lengths are taken as wishes and fitted when the view is shown.
        QList<int> lengths = sizes();
        lengths[index] = length;
        pane->show();
        setSizes(lengths);
        return;
    }
    int pairTotal = subviewLength(index) + subviewLength(neighbour);
    if (pane->isHidden()) {
        // The divider comes back with the pane and takes its room from the neighbour.
        pairTotal = std::max(0, subviewLength(neighbour) - dividerThickness());
        pane->show();
        refresh();
        p_setPairLength(index, neighbour, 0, pairTotal);
    }
    if (length > 0 && subviewLength(index) == length) return;
    m_hideAfterAnimation = -1;
    p_animatePair(index, neighbour, subviewLength(index), std::min(length, pairTotal), pairTotal, 1, mode);
}

void TDSplitView::p_setPairLength(int index, int neighbour, int length, int pairTotal) {
    QList<int> lengths = sizes();
    lengths[index] = length;
    lengths[neighbour] = std::max(0, pairTotal - length);
    setSizes(lengths);
}

void TDSplitView::p_animatePair(int index, int neighbour, int from, int to, int pairTotal, int state,
                                TDSplitViewAnimation mode) {
    const int duration = int(animationDuration() * 1000);
    if (mode == TDSplitViewAnimation::Immediate || duration <= 0 || !isVisible() || from == to) {
        p_setPairLength(index, neighbour, to, pairTotal);
        p_animationEnded();
        return;
    }
    m_animationState = state;
    m_animation = new QVariantAnimation(this);
    m_animation->setStartValue(from);
    m_animation->setEndValue(to);
    m_animation->setDuration(duration);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [=, this](const QVariant& value) {
        p_setPairLength(index, neighbour, value.toInt(), pairTotal);
    });
    connect(m_animation, &QVariantAnimation::finished, this, &TDSplitView::p_animationEnded);
    if (mode != TDSplitViewAnimation::Blocking) {
        m_animation->start();
        return;
    }
    // The caller goes on with the panes in place; input waits meanwhile.
    QEventLoop loop;
    connect(this, &TDSplitView::animationFinished, &loop, &QEventLoop::quit);
    m_animation->start();
    if (m_animation) loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void TDSplitView::p_animationEnded() {
    if (m_hideAfterAnimation >= 0 && m_hideAfterAnimation < count()) {
        widget(m_hideAfterAnimation)->hide();
        // The divider goes with the pane now, not when the splitter next lays itself out.
        refresh();
        setSizes(m_lengthsAfterAnimation);
    }
    m_hideAfterAnimation = -1;
    m_animationState = 0;
    if (m_animation) {
        m_animation->disconnect(this);
        m_animation->deleteLater();
        m_animation = nullptr;
    }
    update();
    Q_EMIT animationFinished();
}

void TDSplitView::finishAnimation() {
    if (!m_animation) return;
    // Reaching the end stops the animation, which reports it.
    m_animation->setCurrentTime(m_animation->duration());
    if (m_animation) p_animationEnded();
}

double TDSplitView::savedSize(int index) const {
    if (m_autosaveName.isEmpty()) return 0.0;
    return m_defaults.value(subviewLengthsAutosaveName()).toList().value(index).toDouble();
}

void TDSplitView::saveSize(int length, int index) {
    autosave();
    if (m_autosaveName.isEmpty() || index < 0 || index >= count()) return;
    QVariantList lengths = m_defaults.value(subviewLengthsAutosaveName()).toList();
    lengths[index] = double(length);
    m_defaults.setValue(subviewLengthsAutosaveName(), lengths);
}

void TDSplitView::autosave() {
    if (m_autosaveName.isEmpty()) return;
    QVariantList lengths = m_defaults.value(subviewLengthsAutosaveName()).toList();
    while (lengths.size() < count()) lengths.append(0.0);
    for (int i = 0; i < count(); ++i)
        if (isSubviewOpen(i)) lengths[i] = double(subviewLength(i));
    m_defaults.setValue(subviewLengthsAutosaveName(), lengths);
}

QSplitterHandle* TDSplitView::createHandle() {
    return new TDSplitViewHandle(orientation(), this);
}

void TDSplitView::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    if (m_delegate && !m_animation) m_delegate->didResize(*this, event->oldSize());
}

bool TDSplitView::event(QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::ParentChange) {
        // The lengths are saved when the window closes.
        QWidget* top = window();
        if (top != this && top != m_observedWindow) {
            if (m_observedWindow) m_observedWindow->removeEventFilter(this);
            m_observedWindow = top;
            top->installEventFilter(this);
        }
    }
    return QSplitter::event(event);
}

bool TDSplitView::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Close:
            if (watched == m_observedWindow) autosave();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (watched->isWidgetType() &&
                p_dragInAdditionalRect(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event)))
                return true;
            break;
        default:
            break;
    }
    return QSplitter::eventFilter(watched, event);
}

int TDSplitView::p_pick(const QPoint& point) const {
    return orientation() == Qt::Horizontal ? point.x() : point.y();
}

int TDSplitView::p_dividerPosition(int dividerIndex) const {
    const QWidget* pane = widget(dividerIndex);
    return p_pick(pane->pos()) + sizes().value(dividerIndex);
}

bool TDSplitView::p_dragInAdditionalRect(QWidget* receiver, QMouseEvent* event) {
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (m_additionalDragDivider < 0 && (!press || event->button() != Qt::LeftButton || !m_delegate ||
                                        !isVisible() || (receiver != this && !isAncestorOf(receiver))))
        return false;
    // From where the receiver was hit: global positions need not agree with the window's placement.
    const QPoint local = event->position().toPoint();
    const QPoint point = receiver == this         ? local
                         : isAncestorOf(receiver) ? receiver->mapTo(this, local)
                                                  : mapFromGlobal(event->globalPosition().toPoint());
    if (m_additionalDragDivider >= 0) {
        // The drag goes on wherever the mouse is, until the button comes up.
        const bool ended = event->type() == QEvent::MouseButtonRelease ? event->button() == Qt::LeftButton
                                                                       : !(event->buttons() & Qt::LeftButton);
        if (ended) {
            m_additionalDragDivider = -1;
            p_endDrag();
        } else if (event->type() == QEvent::MouseMove) {
            p_dragDivider(m_additionalDragDivider, p_pick(point) - m_additionalDragOffset);
        }
        return true;
    }
    for (int divider = 0; divider + 1 < count(); ++divider) {
        const QRect area = m_delegate->additionalEffectiveRect(*this, divider);
        if (area.isEmpty() || !area.contains(point)) continue;
        // A second click is the divider's double click; a first one takes the divider along.
        if (event->type() == QEvent::MouseButtonDblClick) {
            m_delegate->dividerDoubleClicked(*this, divider);
            return true;
        }
        m_additionalDragDivider = divider;
        m_additionalDragOffset = p_pick(point) - p_dividerPosition(divider);
        p_beginDrag(divider);
        return true;
    }
    return false;
}

void TDSplitView::p_beginDrag(int dividerIndex) {
    Q_UNUSED(dividerIndex)
    finishAnimation();
    m_lengthsBeforeDrag = sizes();
}

void TDSplitView::p_dragDivider(int dividerIndex, int position) {
    const int before = dividerIndex;
    const int after = dividerIndex + 1;
    if (before < 0 || after >= count() || m_lengthsBeforeDrag.size() != count()) return;
    const int pairStart = orientation() == Qt::Horizontal ? widget(before)->x() : widget(before)->y();
    const int pairTotal = m_lengthsBeforeDrag.at(before) + m_lengthsBeforeDrag.at(after);
    const int lowest = pairStart;
    const int highest = pairStart + pairTotal;
    int minimum = lowest;
    int maximum = highest;
    if (m_delegate) {
        minimum = m_delegate->constrainMinCoordinate(*this, lowest, dividerIndex);
        maximum = m_delegate->constrainMaxCoordinate(*this, highest, dividerIndex);
    }
    // Past half of the way beyond a limit, a pane that may collapse goes shut.
    int length;
    if (position < minimum) {
        const bool collapse = m_delegate && m_delegate->canCollapseSubview(*this, before) &&
                              position < lowest + (minimum - lowest) / 2;
        length = collapse ? 0 : minimum - pairStart;
    } else if (position > maximum) {
        const bool collapse = m_delegate && m_delegate->canCollapseSubview(*this, after) &&
                              position > maximum + (highest - maximum) / 2;
        length = collapse ? pairTotal : maximum - pairStart;
    } else {
        length = (m_delegate ? m_delegate->constrainSplitPosition(*this, position, dividerIndex) : position) -
                 pairStart;
    }
    p_setPairLength(before, after, std::clamp(length, 0, pairTotal), pairTotal);
}

void TDSplitView::p_endDrag() {
    const QList<int> before = m_lengthsBeforeDrag;
    m_lengthsBeforeDrag.clear();
    for (int i = 0; i < count() && i < before.size(); ++i) {
        QWidget* pane = widget(i);
        if (pane->isHidden() || subviewLength(i) > 0 || before.at(i) <= 0) continue;
        // Dragged shut: closed as closeSubview would close it, keeping the length it had.
        saveSize(before.at(i), i);
        QList<int> lengths = sizes();
        const int other = i % 2 == 0 ? i + 1 : i - 1;
        if (other >= 0 && other < count()) lengths[other] += lengths.at(i) + dividerThickness();
        lengths[i] = 0;
        pane->hide();
        refresh();
        setSizes(lengths);
        if (m_delegate) m_delegate->didCloseSubviewAfterCollapsing(*this, i);
    }
    if (m_delegate) m_delegate->didFinishResizingSubviews(*this);
    autosave();
}
