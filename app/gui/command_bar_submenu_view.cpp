#include "app/gui/command_bar_submenu_view.h"

#include "app/gui/command_view_controller.h"
#include "foundation/gui/animation_additions.h"
#include "foundation/gui/key_event_additions.h"

#include <QEventLoop>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QResizeEvent>

#include <utility>

TDCommandBarSubmenuView::TDCommandBarSubmenuView(QWidget* parent)
    : TDCommandBarView(parent), m_container(new QWidget(this)) {
    m_container->setGeometry(0, 0, width(), kHeight);
}

TDCommandBarSubmenuView::~TDCommandBarSubmenuView() {
    // The views go back to their controllers, which outlive the bar's use of them.
    for (TDCommandViewController* controller : std::as_const(m_controllers))
        if (controller->isViewLoaded()) p_removeView(controller->view());
}

int TDCommandBarSubmenuView::proposedMaxHeight() const {
    const QObjectList& children = m_container->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (auto* view = qobject_cast<QWidget*>(*it)) return view->height();
    return 0;
}

void TDCommandBarSubmenuView::p_removeView(QWidget* view) {
    if (view->parentWidget() != m_container) return;
    view->hide();
    view->setParent(nullptr);
}

void TDCommandBarSubmenuView::p_setCommandsView(QWidget* view) {
    const QRect bounds = m_container->rect();
    for (QObject* child : QObjectList(m_container->children()))
        if (auto* widget = qobject_cast<QWidget*>(child); widget && widget != view) p_removeView(widget);
    view->setParent(m_container);
    view->setGeometry(bounds);
    view->show();
}

void TDCommandBarSubmenuView::setCommandController(TDCommandViewController* controller) {
    TDCommandViewController* oldTop = topCommandController();
    for (TDCommandViewController* old : std::as_const(m_controllers))
        if (old != controller) old->enableControls();
    m_controllers = {controller};
    setController(controller);
    p_setCommandsView(controller->view());
    controller->enableControls();
    if (oldTop && oldTop != controller) oldTop->viewDidRemoveFromSuperview();
}

void TDCommandBarSubmenuView::transitionToCommand(TDCommandViewController* controller, TDCommandSlide from,
                                                  bool push, bool animate) {
    TDCommandViewController* top = topCommandController();
    if (top == controller) return;
    QList<std::pair<QWidget*, QRect>> moves;
    if (top) {
        top->disableControls();
        if (push) {
            QWidget* old = top->view();
            const int offset = old->height() + 5;
            moves.append(
                {old, old->geometry().translated(0, from == TDCommandSlide::FromAbove ? offset : -offset)});
        }
    }
    QWidget* view = controller->view();
    view->setParent(m_container);
    const int w = m_container->width();
    const int h = m_container->height();
    const int viewHeight = h;
    switch (from) {
        case TDCommandSlide::FromBelow:
            view->setGeometry(0, h, w, viewHeight);
            moves.append({view, QRect(0, 0, w, viewHeight)});
            break;
        case TDCommandSlide::FromAbove:
            view->setGeometry(0, -viewHeight, w, viewHeight);
            moves.append({view, QRect(0, 0, w, viewHeight)});
            break;
        case TDCommandSlide::FromLeft:
            view->setGeometry(-w, 0, w, viewHeight);
            moves.append({view, QRect(0, 0, w, viewHeight)});
            break;
    }
    view->show();
    view->raise();
    m_controllers.append(controller);
    setController(controller);
    p_animate(moves, animate, isShiftKeyDown() ? 3000 : kSlideDuration);
    controller->viewDidMoveToSuperview();
}

void TDCommandBarSubmenuView::removeAllCommands() {
    TDCommandViewController* top = topCommandController();
    for (TDCommandViewController* controller : std::as_const(m_controllers)) {
        if (controller->isViewLoaded()) p_removeView(controller->view());
        controller->enableControls();
    }
    m_controllers.clear();
    setController(nullptr);
    if (top) top->viewDidRemoveFromSuperview();
}

void TDCommandBarSubmenuView::transitionBack(bool animate) {
    if (m_controllers.size() < 2) return;
    TDCommandViewController* top = m_controllers.last();
    TDCommandViewController* under = m_controllers.at(m_controllers.size() - 2);
    QWidget* topView = top->view();
    QWidget* underView = under->view();
    // The top view slides down and away, or up when the view under it waits below.
    const bool underLiesBelow = underView->y() >= m_container->height();
    const int away = underLiesBelow ? -topView->height() : topView->height();
    QRect underFrame = underView->geometry();
    underFrame.moveTop(0);
    p_animate({{topView, topView->geometry().translated(0, away)}, {underView, underFrame}}, animate,
              standardAnimationDuration());
    p_removeView(topView);
    m_controllers.removeLast();
    setController(under);
    top->viewDidRemoveFromSuperview();
    under->enableControls();
}

void TDCommandBarSubmenuView::p_animate(const QList<std::pair<QWidget*, QRect>>& moves, bool animate,
                                        int duration) {
    if (!animate || !isVisible()) {
        for (const auto& [view, frame] : moves) view->setGeometry(frame);
        return;
    }
    QParallelAnimationGroup group;
    for (const auto& [view, frame] : moves) {
        auto* animation = new QPropertyAnimation(view, "geometry", &group);
        animation->setDuration(duration);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        animation->setEndValue(frame);
    }
    // The slide holds the bar: the next command waits for it.
    QEventLoop loop;
    connect(&group, &QAbstractAnimation::finished, &loop, &QEventLoop::quit);
    group.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void TDCommandBarSubmenuView::resizeEvent(QResizeEvent* event) {
    TDCommandBarView::resizeEvent(event);
    // The container keeps its top on the bar's top and the bar's width.
    m_container->setGeometry(0, 0, width(), qMax(height(), kHeight));
    for (QObject* child : m_container->children())
        if (auto* view = qobject_cast<QWidget*>(child); view && view->y() == 0)
            view->setGeometry(0, 0, width(), m_container->height());
}
