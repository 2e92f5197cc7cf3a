// The outline's mouse: the list column's resize strip, the pointer over links, double clicks on section
// headers, the context menu and the drag picture.

#include "model/folder.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "taskviews/drag_badge.h"
#include "taskviews/gui/single_task_view.h"
#include "taskviews/gui/task_menu_builder.h"
#include "taskviews/gui/tasks_header_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_menus.h"
#include "taskviews/task_sections.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/task_window_context.h"
#include "taskviews/tasks_controller.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QFontDatabase>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <optional>

namespace {

using Kind = TDTaskRowItem::Kind;

constexpr int kMinimumListColumnWidth = 30;

}  // namespace

// --- The list column's resize strip

QRect TDTasksView::listColumnResizeRect() const {
    if (m_displayMode != 2 && m_displayMode != 4) return {};
    if (isColumnHidden(TDTaskTreeModel::ListColumn) || isColumnHidden(TDTaskTreeModel::TaskColumn)) return {};
    // Centred on the task column's left edge, the whole height of the rows.
    const int edge = columnViewportPosition(TDTaskTreeModel::TaskColumn);
    return QRect(edge - 2, 0, 4, viewport()->height());
}

bool TDTasksView::p_startListColumnResize(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !listColumnResizeRect().contains(event->position().toPoint()))
        return false;
    m_listColumnResize = ListColumnResize{event->position().x(), columnWidth(TDTaskTreeModel::ListColumn),
                                          columnWidth(TDTaskTreeModel::TaskColumn)};
    return true;
}

bool TDTasksView::p_trackListColumnResize(QMouseEvent* event) {
    if (!m_listColumnResize) {
        p_updateCursor(event->position().toPoint());
        return false;
    }
    const ListColumnResize& start = *m_listColumnResize;
    const int moved = int(std::lround(event->position().x() - start.x));
    // The task column gives up what the list column takes, and the other way round.
    const int listWidth = qBound(kMinimumListColumnWidth, start.listWidth + moved,
                                 start.listWidth + start.taskWidth - kMinimumListColumnWidth);
    setColumnWidth(TDTaskTreeModel::ListColumn, listWidth);
    setColumnWidth(TDTaskTreeModel::TaskColumn, start.taskWidth - (listWidth - start.listWidth));
    return true;
}

bool TDTasksView::p_endListColumnResize() {
    if (!m_listColumnResize) return false;
    m_listColumnResize.reset();
    return true;
}

// --- The pointer's shape

void TDTasksView::p_updateCursor(const QPoint& point) {
    std::optional<Qt::CursorShape> shape;
    if (listColumnResizeRect().contains(point))
        shape = Qt::SizeHorCursor;
    else if (m_displayMode == 3 && footerLinkRect(indexAt(point).siblingAtColumn(0)).contains(point))
        // Only the words of a footer are a link; the rest of its row is plain paper.
        shape = Qt::PointingHandCursor;
    QWidget* area = viewport();
    const bool hasOwnCursor = area->testAttribute(Qt::WA_SetCursor);
    if (!shape) {
        if (hasOwnCursor) area->unsetCursor();
    } else if (!hasOwnCursor || area->cursor().shape() != *shape) {
        area->setCursor(*shape);
    }
}

// --- Section headers

bool TDTasksView::p_openListOfSectionHeader(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || (m_displayMode != 2 && m_displayMode != 3 && m_displayMode != 4))
        return false;
    const TDTaskRowItem row = m_model.itemForIndex(indexAt(event->position().toPoint()).siblingAtColumn(0));
    if (row.kind != Kind::Section) return false;
    // The double click is the header's, whatever the grouping: nothing else acts on it.
    event->accept();
    if (!m_controller.isGroupingByList() || !m_windowContext) return true;
    // Sections by list say their list; a folder's own sections are its lists.
    TDOrderedCollection* section = row.collection();
    TDList* list = TDSectionListOf(section);
    if (!list && dynamic_cast<TDFolder*>(m_controller.group()))
        list = dynamic_cast<TDList*>(section->object());
    if (list) m_windowContext->selectGroup(list);
    return true;
}

// --- The context menu

QMenu* TDTasksView::menuForPosition(const QPoint& point) {
    const QModelIndex item = indexAt(point).siblingAtColumn(0);
    const int row = rowForItem(item);
    const Kind kind = m_model.itemForIndex(item).kind;
    if (row >= 0 && !isSelectableRow(row) && (kind == Kind::Header || kind == Kind::Section)) {
        if (auto* columns = qobject_cast<TDTasksHeaderView*>(header())) {
            QMenu* menu = columns->columnsMenu(this);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            return menu;
        }
        return nullptr;
    }
    // The menu acts on the clicked row: it is selected alone unless it is selected already.
    if (row >= 0 && isSelectableRow(row) && !selectionModel()->isRowSelected(item.row(), item.parent()))
        selectItem(item);
    if (!m_taskMenu) {
        m_taskMenu = TDTaskMenuBuilder::makeMenu(m_controller, &TDTaskMenuTemplate, this);
        connect(m_taskMenu, &QMenu::aboutToHide, this, [this] { p_collapseExpandedNotes(); });
    }
    return m_taskMenu;
}

void TDTasksView::contextMenuEvent(QContextMenuEvent* event) {
    finishEditing();
    if (QMenu* menu = menuForPosition(event->pos())) menu->popup(event->globalPos());
    event->accept();
}

// --- The drag picture

QPixmap TDTasksView::dragImageForCount(qint64 count) {
    const TDDragBadge badge = TDDragBadgeForCount(count);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(11);
    font.setBold(true);
    const QFontMetricsF metrics(font);
    const qreal height = 18;
    const qreal width = qMax(10.0 + 7.0 * badge.places, metrics.horizontalAdvance(badge.text) + 12);
    // The badge's left edge stands a little right of the middle and its top edge on the middle line.
    const QRectF frame(81, 40, width, height);
    QPixmap image(150 + int(std::ceil(qMax(0.0, width - 69))), 80);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath pill;
    pill.addRoundedRect(frame, height / 2, height / 2);
    painter.fillPath(pill, QColor(222, 54, 40));
    painter.setPen(QPen(QColor(255, 255, 255, 220), 1.5));
    painter.drawPath(pill);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(frame, Qt::AlignCenter, badge.text);
    return image;
}

void TDTasksView::startDrag(Qt::DropActions supportedActions) {
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    if (!m_controller.canDragItems(m_model.itemsInRowOrder(rows))) return;
    QMimeData* data = m_model.mimeData(rows);
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    // One task shows itself; several rows show how many they are.
    TDTask* single = rows.size() == 1 ? m_model.itemForIndex(rows.first()).task() : nullptr;
    if (single) {
        const int width = std::clamp(columnWidth(0), 150, 500);
        drag->setPixmap(TDSingleTaskView::dragPicture(single, width, devicePixelRatioF()));
        drag->setHotSpot(QPoint(16, 15));
    } else if (rows.size() > 1) {
        drag->setPixmap(dragImageForCount(rows.size()));
        drag->setHotSpot(QPoint(75, 40));
    }
    drag->exec(supportedActions, Qt::MoveAction);
}
