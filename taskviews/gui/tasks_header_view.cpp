#include "taskviews/gui/tasks_header_view.h"

#include "foundation/constants.h"
#include "model/group.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/task_tree_model.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>

namespace {

constexpr int kHeaderHeight = 28;

}  // namespace

QString TDTasksHeaderView::columnTitle(int column) {
    return TDTaskTreeModel::columnTitle(column);
}

TDTasksHeaderBand TDTasksHeaderBand::forGroup(const TDGroup* group, bool bottomEdge) {
    const QVariantMap options = TDGroup::displayOptionsForTabType(group ? group->tabType() : QString());
    return {options.value(QStringLiteral("tasksViewHeaderBackgroundGradientTopColor")).value<QColor>(),
            options.value(QStringLiteral("tasksViewHeaderBackgroundGradientBottomColor")).value<QColor>(),
            bottomEdge};
}

void TDTasksHeaderBand::paint(QPainter& painter, const QRect& bounds) const {
    QLinearGradient band(0, bounds.top(), 0, bounds.bottom() + 1);
    band.setColorAt(0, top);
    band.setColorAt(1, bottom);
    painter.fillRect(bounds, band);
    if (!bottomEdge) return;
    const int height = bounds.height();
    // A soft shadow gathering toward the bottom edge, then the edge itself.
    QLinearGradient shadow(0, bounds.top() + height - 10, 0, bounds.top() + height - 1);
    shadow.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0));
    shadow.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.08f));
    painter.fillRect(QRect(bounds.left(), bounds.top() + height - 10, bounds.width(), 9), shadow);
    QLinearGradient shade(0, bounds.top() + height - 3, 0, bounds.top() + height - 1);
    shade.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0));
    shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.1f));
    painter.fillRect(QRect(bounds.left(), bounds.top() + height - 3, bounds.width(), 2), shade);
    painter.fillRect(QRect(bounds.left(), bounds.top() + height - 1, bounds.width(), 1),
                     QColor::fromRgbF(0, 0, 0, 0.3f));
}

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

void TDTasksHeaderView::setGroup(const TDGroup* group, bool hasRows) {
    // An empty folder fills the outline with the band's bottom colour: no edge between them.
    const bool emptyFolder = group && group->tabType() == QLatin1String("folder") && !hasRows;
    m_band = TDTasksHeaderBand::forGroup(group, !emptyFolder);
    viewport()->update();
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
    m_band.paint(painter, bounds);
    if (const auto* outline = qobject_cast<const TDTasksView*>(parentWidget())) {
        // The tinted columns of the rows continue up through the header.
        for (int column = TDTaskTreeModel::TaskColumn + 1; column < count(); ++column) {
            if (isSectionHidden(column) || !outline->isAlternateColumn(column)) continue;
            painter.fillRect(
                QRect(sectionViewportPosition(column), 0, sectionSize(column), bounds.height() - 1),
                QColor::fromRgbF(0, 0, 0, 0.03f));
        }
        // A dotted rule closes the small columns off from the scroll bar.
        if (outline->hasTasks() && count() > TDTaskTreeModel::EstimateColumn &&
            !isSectionHidden(TDTaskTreeModel::EstimateColumn)) {
            const int x = sectionViewportPosition(TDTaskTreeModel::EstimateColumn) +
                          sectionSize(TDTaskTreeModel::EstimateColumn) - 1;
            for (int y = 0; y < bounds.height() - 1; y += 2)
                painter.fillRect(QRect(x, y, 1, 1), QColor::fromRgbF(0, 0, 0, 0.25f));
        }
    }
    painter.end();
    QHeaderView::paintEvent(event);
}

void TDTasksHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    // The task column's title is the group's, drawn by the outline's first row; the list and priority
    // columns need none.
    if (logicalIndex <= TDTaskTreeModel::TaskColumn) return;
    painter->save();
    QFont font = TDTitleFonts::rowFont(TDConstants::shared().TDOtherColumnFont.value_or(QFont()));
    if (font.pixelSize() > 0)
        font.setPixelSize(font.pixelSize() - 1);
    else
        font.setPointSizeF(font.pointSizeF() - 1);
    painter->setFont(font);
    painter->setPen(QColor::fromRgbF(0.3f, 0.3f, 0.3f));
    const int y = (rect.height() - 18) / 2 - 1;
    painter->drawText(rect.adjusted(4, y, -3, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      columnTitle(logicalIndex));
    painter->restore();
}
