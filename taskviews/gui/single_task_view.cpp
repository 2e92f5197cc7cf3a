#include "taskviews/gui/single_task_view.h"

#include "model/task.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/gui/task_checkbox_cell.h"
#include "taskviews/task_checkbox_look.h"
#include "taskviews/task_title_layout.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/title_elision.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionViewItem>

namespace {

QPainterPath rounded(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QColor white(qreal level, qreal alpha) {
    return QColor::fromRgbF(float(level), float(level), float(level), float(alpha));
}

}  // namespace

TDSingleTaskView::TDSingleTaskView(QWidget* parent)
    : QWidget(parent), m_row(1, 1), m_cell(std::make_unique<TDTaskCell>()) {
    m_cell->setDrawCheckbox(false);
    // White under the title, as on the outline's white pages.
    m_cell->setDisplayMode(2);
    setAttribute(Qt::WA_TranslucentBackground);
}

TDSingleTaskView::~TDSingleTaskView() = default;

void TDSingleTaskView::setTask(TDTask* task) {
    if (task == m_task) return;
    m_task = task;
    reloadTask();
}

void TDSingleTaskView::reloadTask() {
    m_row.setData(m_row.index(0, 0), QVariant::fromValue(m_task), TDTaskTreeModel::TaskRole);
    update();
}

void TDSingleTaskView::setStyle(int style) {
    m_style = style;
    update();
}

QRect TDSingleTaskView::cellFrame() const {
    return rect().adjusted(26, 2, -20, -8);
}

void TDSingleTaskView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    p_paint(painter);
}

void TDSingleTaskView::p_paint(QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (m_style == 0) painter.fillPath(rounded(bounds.adjusted(0, 1, 0, 0), 4), white(1, 0.2));
    const QRectF plate = bounds.adjusted(0, 0, 0, -1);
    painter.fillPath(rounded(plate, 4), white(0, 0.4));
    const QPainterPath inner = rounded(plate.adjusted(1, 1, -1, -1), 3.5);
    if (m_style != 0) {
        painter.fillPath(inner, white(1, 0.7));
        painter.setPen(QPen(white(1, 0.5), 1));
        painter.drawPath(rounded(plate.adjusted(1.5, 1.5, -1.5, -1.5), 3.5));
        if (m_task)
            TDTaskCheckboxCell::draw(
                painter, QRectF(4, (height() - 18) / 2.0 - 1, 20, 18),
                TDTaskCheckboxLookFor(m_task->checkboxState(), m_task->isRecurring(), false, true, false));
    } else {
        QLinearGradient gradient(plate.topLeft(), plate.bottomLeft());
        gradient.setColorAt(0, white(0.95, 1));
        gradient.setColorAt(1, white(0.85, 1));
        painter.fillPath(inner, gradient);
        painter.setClipPath(inner);
        painter.setPen(QPen(white(0, 0.3), 1));
        painter.drawPath(inner);
    }
    if (m_task) {
        const QRect cell = cellFrame();
        // The cell's top 4 pixels are cut off.
        const QRect shown = cell.translated(0, 4);
        painter.setClipRect(shown, Qt::IntersectClip);
        QStyleOptionViewItem option;
        option.initFrom(this);
        option.rect = cell;
        option.state &= ~QStyle::State_Selected;
        option.font = font();
        p_paintCell(painter, option, shown);
    }
    painter.restore();
}

void TDSingleTaskView::p_paintCell(QPainter& painter, const QStyleOptionViewItem& option,
                                   const QRect& shown) {
    const QModelIndex index = m_row.index(0, 0);
    const TDTaskRowLayout layout = m_cell->rowLayout(option, index);
    const QList<TDTitleParser::Range>& lines = layout.titleLines();
    const qreal pitch = lines.isEmpty() ? 0 : layout.titleLayout->height() / qreal(lines.size());
    const int fitting = pitch > 0 ? int((shown.bottom() + 1 - layout.titleFrame.top()) / pitch) : 0;
    if (fitting >= lines.size() && layout.titleLayout->naturalWidth() <= layout.titleFrame.width()) {
        m_cell->paint(&painter, option, index);
        return;
    }
    // The cell would cut the title off, below or at the right: it draws the rest, and the title is drawn
    // here, its last line that shows ending in an ellipsis.
    // The cell sets its own clip, so it paints on a layer of its own from which the title is erased.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    QImage layer((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    QPainter onLayer(&layer);
    m_cell->paint(&onLayer, option, index);
    onLayer.setCompositionMode(QPainter::CompositionMode_Clear);
    onLayer.fillRect(layout.titleFrame, Qt::transparent);
    onLayer.end();
    painter.drawImage(QPointF(0, 0), layer);
    const qreal width = std::max<qreal>(layout.titleFrame.width(), 1);
    const TDTitleTextLayout elided(TDElidedTitle(layout.titleLayout->title(), width, fitting), width);
    painter.setPen(option.palette.color(QPalette::Text));
    elided.draw(painter, layout.titleFrame.topLeft());
}

void TDSingleTaskView::mousePressEvent(QMouseEvent* event) {
    // The row is part of the panel's background: pressing it drags the panel.
    event->ignore();
}

void TDSingleTaskView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    Q_EMIT doubleClicked();
}

QPixmap TDSingleTaskView::dragPicture(TDTask* task, int width, qreal devicePixelRatio) {
    TDSingleTaskView view;
    view.setStyle(1);
    view.setTask(task);
    view.resize(width, 30);
    QPixmap picture(view.size() * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setOpacity(0.6);
    view.p_paint(painter);
    return picture;
}
