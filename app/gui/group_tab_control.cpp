#include "app/gui/group_tab_control.h"

#include "app/group_tabs.h"
#include "model/group.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QPainter>

namespace {

// The pulse: one second from full to half and one back, again and again.
constexpr int kPulseMilliseconds = 2000;

}  // namespace

TDGroupTabControl::TDGroupTabControl(TDGroupTabs& tabs, QWidget* parent)
    : TDTabControl(tabs, parent), m_groupTabs(tabs) {
    setAcceptDrops(true);
    m_pulse.setDuration(kPulseMilliseconds);
    m_pulse.setStartValue(0.0);
    m_pulse.setKeyValueAt(0.5, 0.5);
    m_pulse.setEndValue(0.0);
    m_pulse.setEasingCurve(QEasingCurve::InOutQuad);
    m_pulse.setLoopCount(-1);
    connect(&m_pulse, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

const TDTabImages& TDGroupTabControl::tabImages(int index, bool selected) const {
    return TDTabImageFactory::sharedFactory().tabImagesForTabType(m_groupTabs.tabTypeAtIndex(index),
                                                                  selected);
}

QColor TDGroupTabControl::borderColor(int index) const {
    return TDGroup::displayOptionsForTabType(m_groupTabs.tabTypeAtIndex(index))
        .value(QStringLiteral("tabBorderHighlightColor"))
        .value<QColor>();
}

void TDGroupTabControl::paintEvent(QPaintEvent* event) {
    TDTabControl::paintEvent(event);
    if (m_dropTarget < 0) return;
    // Fading the tab towards the bar's dark band stands for lowering its opacity.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor veil(Qt::black);
    veil.setAlphaF(m_pulse.currentValue().toDouble());
    painter.setPen(Qt::NoPen);
    painter.setBrush(veil);
    painter.drawRoundedRect(tabRect(m_dropTarget).adjusted(6, 3, -6, 0), 4, 4);
}

void TDGroupTabControl::p_setDropTarget(int index) {
    if (index == m_dropTarget) return;
    m_dropTarget = index;
    if (index < 0)
        m_pulse.stop();
    else
        m_pulse.start();
    update();
}

void TDGroupTabControl::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void TDGroupTabControl::dragMoveEvent(QDragMoveEvent* event) {
    const int index = indexOfTabAtPoint(event->position());
    const bool allowsMove = event->possibleActions().testFlag(Qt::MoveAction);
    const Qt::DropAction action =
        TDDropActionForOperation(m_groupTabs.validateDrop(index, event->mimeData(), allowsMove));
    if (action == Qt::IgnoreAction) {
        p_setDropTarget(-1);
        event->ignore();
        return;
    }
    p_setDropTarget(index);
    event->setDropAction(action);
    event->accept();
}

void TDGroupTabControl::dragLeaveEvent(QDragLeaveEvent* event) {
    p_setDropTarget(-1);
    event->accept();
}

void TDGroupTabControl::dropEvent(QDropEvent* event) {
    p_setDropTarget(-1);
    const int index = indexOfTabAtPoint(event->position());
    const bool allowsMove = event->possibleActions().testFlag(Qt::MoveAction);
    const TDDragOperation operation = m_groupTabs.validateDrop(index, event->mimeData(), allowsMove);
    if (operation == TDDragOperation::None ||
        !m_groupTabs.performDrop(index, event->mimeData(), allowsMove)) {
        event->ignore();
        return;
    }
    event->setDropAction(TDDropActionForOperation(operation));
    event->accept();
}
