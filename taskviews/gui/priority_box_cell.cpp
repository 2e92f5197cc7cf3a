#include "taskviews/gui/priority_box_cell.h"

#include "taskviews/gui/cell_picture_cache.h"
#include "taskviews/priority_box_look.h"
#include "taskviews/task_row_layout.h"
#include "taskviews/task_title_styling.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

void drawBoxInPlace(QPainter& painter, const QRectF& box, const TDPriorityBoxLook& look) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    if (look.fill) painter.fillPath(path, *look.fill);
    painter.setPen(QPen(look.stroke, 1.0));
    painter.drawPath(path);
    QFont font = TDTitleFonts::shared().task;
    font.setBold(look.boldText);
    painter.setFont(font);
    painter.setPen(look.textColor);
    painter.drawText(box.adjusted(0.5, 1.5, 0.5, -1.5), Qt::AlignCenter, look.text);
    painter.restore();
}

}  // namespace

void TDPriorityBoxCell::drawBox(QPainter& painter, const QRectF& box, qint64 priority, bool pointerOver) {
    const TDPriorityBoxLook look = TDPriorityBoxLookFor(priority, pointerOver);
    if (!look.visible) return;
    static TDCellPictureCache pictures;
    pictures.draw(painter, box, quint64(priority) << 1 | quint64(pointerOver),
                  [&look](QPainter& onto, const QRectF& at) { drawBoxInPlace(onto, at, look); });
}

QImage TDPriorityBoxCell::boxImageForPriority(qint64 priority) {
    constexpr qreal density = 2.0;
    QImage image(int(17 * density), int(18 * density), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(density);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawBox(painter, QRectF(0, 0, 17, 18), priority, false);
    return image;
}

QMenu* TDPriorityBoxCell::createMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (const TDPriorityMenuItem& item : TDPriorityMenuItems()) {
        if (item.tag == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = item.tag > 0
                              ? menu->addAction(QIcon(QPixmap::fromImage(boxImageForPriority(item.tag))),
                                                QString::number(item.tag))
                              : menu->addAction(item.title);
        action->setData(item.tag);
        connect(action, &QAction::triggered, this,
                [this, tag = item.tag] { Q_EMIT priorityChosen(TDPriorityForMenuTag(tag)); });
    }
    return menu;
}

void TDPriorityBoxCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
    const QVariant value = index.data(Qt::DisplayRole);
    if (!value.isValid()) return;
    const bool pointerOver = m_tracking ? m_tracking->isOver(index, TDTrackingArea::Priority)
                                        : option.state.testFlag(QStyle::State_MouseOver);
    drawBox(*painter, TDPriorityBoxFrame(QRectF(option.rect)), value.toLongLong(), pointerOver);
}

QSize TDPriorityBoxCell::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return QSize(25, 26);
}

bool TDPriorityBoxCell::editorEvent(QEvent* event, QAbstractItemModel* model,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::MouseButtonRelease || !index.data(Qt::DisplayRole).isValid())
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QRectF box = TDPriorityBoxFrame(QRectF(option.rect));
    if (mouse->button() != Qt::LeftButton || !box.contains(mouse->position())) return false;
    QWidget* parent = const_cast<QWidget*>(option.widget);
    QMenu* menu = createMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QPoint below = parent ? parent->mapToGlobal(box.bottomLeft().toPoint() + QPoint(0, 4)) : QPoint();
    menu->popup(below);
    return true;
}

void TDPriorityView::setPriority(qint64 priority) {
    m_priority = priority;
    update();
}

void TDPriorityView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TDPriorityBoxCell::drawBox(painter, QRectF(rect()), m_priority, m_containsMousePointer);
}

void TDPriorityView::enterEvent(QEnterEvent*) {
    m_containsMousePointer = true;
    update();
}

void TDPriorityView::leaveEvent(QEvent*) {
    m_containsMousePointer = false;
    update();
}

TDPriorityButton::TDPriorityButton(QWidget* parent)
    : QToolButton(parent), m_cell(new TDPriorityBoxCell(this)), m_menu(m_cell->createMenu(this)) {
    setFocusPolicy(Qt::NoFocus);
    setPopupMode(QToolButton::InstantPopup);
    setMenu(m_menu);
    connect(m_cell, &TDPriorityBoxCell::priorityChosen, this, [this](qint64 priority) {
        setPriority(priority);
        Q_EMIT priorityChosen(priority);
    });
    setPriority(0);
}

void TDPriorityButton::setPriority(qint64 priority) {
    m_priority = priority;
    update();
    for (QAction* action : m_menu->actions()) action->setCheckable(!action->isSeparator());
    for (QAction* action : m_menu->actions())
        if (!action->isSeparator())
            action->setChecked(TDPriorityForMenuTag(action->data().toInt()) == priority);
}

void TDPriorityButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TDPriorityBoxCell::drawBox(painter, QRectF(rect()), m_priority, m_containsMousePointer && isEnabled());
}

void TDPriorityButton::enterEvent(QEnterEvent* event) {
    m_containsMousePointer = true;
    update();
    QToolButton::enterEvent(event);
}

void TDPriorityButton::leaveEvent(QEvent* event) {
    m_containsMousePointer = false;
    update();
    QToolButton::leaveEvent(event);
}
