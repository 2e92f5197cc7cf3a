#include "app/toolbar_layout.h"

#include <QCoreApplication>

namespace TDToolbarLayout {

namespace {

// A folder's tasks grouped by list.
constexpr int kFolderDisplayMode = 3;
constexpr int kCardsMode = 1;

QString tr(const char* text) {
    return QCoreApplication::translate("TDToolbarLayout", text);
}

}  // namespace

Accessory accessoryFor(int tasksMode, int displayMode, bool showActionsOnlyInCardView) {
    if (tasksMode == kCardsMode && showActionsOnlyInCardView) return Accessory::None;
    return displayMode == kFolderDisplayMode ? Accessory::LimitChooser : Accessory::CompletedToggle;
}

LimitLabels limitLabels(qint64 limit) {
    if (limit == 0) return {tr("Show"), tr("tasks from each list")};
    if (limit == 1) return {tr("Show top"), tr("task from each list")};
    return {tr("Show top"), tr("tasks from each list")};
}

int stripRightEdge(int tasksMode, int column2RightEdge, int cardsRightEdge) {
    return tasksMode == kCardsMode ? cardsRightEdge : column2RightEdge;
}

QRect accessoryFrame(const QSize& size, int stripHeight, int tasksMode, int column2RightEdge,
                     int cardsRightEdge) {
    const int right = tasksMode == kCardsMode ? cardsRightEdge - kCardsInset : column2RightEdge;
    return {right - size.width(), (stripHeight - size.height()) / 2, size.width(), size.height()};
}

}  // namespace TDToolbarLayout
