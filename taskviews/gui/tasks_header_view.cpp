#include "taskviews/gui/tasks_header_view.h"

#include "foundation/constants.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/task_tree_model.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>

namespace {

constexpr int kHeaderHeight = 28;

QString columnTitle(int column) {
    switch (column) {
        case TDTaskTreeModel::ListColumn:
            return QObject::tr("List");
        case TDTaskTreeModel::PriorityColumn:
            return QObject::tr("Priority");
        case TDTaskTreeModel::TaskColumn:
            return QObject::tr("Task");
        case TDTaskTreeModel::StartColumn:
            return QObject::tr("Start");
        case TDTaskTreeModel::DueColumn:
            return QObject::tr("Due");
        case TDTaskTreeModel::EstimateColumn:
            return QObject::tr("Estimate");
        default:
            return {};
    }
}

}  // namespace

TDTasksHeaderView::TDTasksHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(false);
    setSectionsMovable(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMinimumSectionSize(20);
    setFixedHeight(kHeaderHeight);
}

QSize TDTasksHeaderView::sizeHint() const {
    return QSize(QHeaderView::sizeHint().width(), kHeaderHeight);
}

void TDTasksHeaderView::tasksViewDidChangeDisplayMode(int displayMode) {
    const bool inList = displayMode == 1 || displayMode == 3 || displayMode == 5;
    if (count() <= TDTaskTreeModel::EstimateColumn) return;
    resizeSection(TDTaskTreeModel::PriorityColumn, inList ? 35 : 25);
    setSectionHidden(TDTaskTreeModel::ListColumn, inList);
    resizeSection(TDTaskTreeModel::ListColumn, 90);
    for (int column : {TDTaskTreeModel::StartColumn, TDTaskTreeModel::DueColumn}) resizeSection(column, 82);
    resizeSection(TDTaskTreeModel::EstimateColumn, 68);
    setSectionResizeMode(TDTaskTreeModel::TaskColumn, QHeaderView::Stretch);
}

QMenu* TDTasksHeaderView::columnsMenu(QWidget* parent) {
    auto* menu = new QMenu(tr("Columns"), parent);
    for (int column = 0; column < count(); ++column) {
        if (column == TDTaskTreeModel::TaskColumn) continue;
        QAction* action = menu->addAction(columnTitle(column));
        action->setData(column);
        action->setCheckable(true);
        action->setChecked(!isSectionHidden(column));
        connect(action, &QAction::toggled, this,
                [this, column](bool shown) { setSectionHidden(column, !shown); });
    }
    return menu;
}

void TDTasksHeaderView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = columnsMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TDTasksHeaderView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect bounds = viewport()->rect();
    // A pale band that darkens to the rows, with a soft shadow along its bottom.
    QLinearGradient band(0, 0, 0, bounds.height());
    band.setColorAt(0, QColor(246, 246, 246));
    band.setColorAt(1, QColor(222, 224, 226));
    painter.fillRect(bounds, band);
    painter.fillRect(QRect(0, bounds.height() - 1, bounds.width(), 1), QColor::fromRgbF(0, 0, 0, 0.3f));
    QLinearGradient shade(0, bounds.height() - 3, 0, bounds.height() - 1);
    shade.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0));
    shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.1f));
    painter.fillRect(QRect(0, bounds.height() - 3, bounds.width(), 2), shade);
    painter.end();
    QHeaderView::paintEvent(event);
}

void TDTasksHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    // The task column's title is the group's, drawn by the window; the priority box needs no title.
    if (logicalIndex <= TDTaskTreeModel::TaskColumn && logicalIndex != TDTaskTreeModel::ListColumn) return;
    painter->save();
    QFont font = TDTitleFonts::rowFont(TDConstants::shared().TDOtherColumnFont.value_or(QFont()));
    if (font.pixelSize() > 0)
        font.setPixelSize(font.pixelSize() - 1);
    else
        font.setPointSizeF(font.pointSizeF() - 1);
    painter->setFont(font);
    painter->setPen(QColor::fromRgbF(0.3f, 0.3f, 0.3f));
    const int y = (rect.height() - 18) / 2 - 1;
    painter->drawText(rect.adjusted(5, y, -3, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      columnTitle(logicalIndex));
    painter->restore();
}
