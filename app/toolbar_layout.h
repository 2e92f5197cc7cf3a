#pragma once

#include <QRect>
#include <QString>

// Where the toolbar's controls go and what they say, kept apart from any widget so that they can be
// checked alone. The toolbar aligns with the task list's third column (index 2), or with the cards.
namespace TDToolbarLayout {

// Cards keep the chooser this far inside their right edge.
inline constexpr int kCardsInset = 15;

// The control at the column's edge: the grouping-limit chooser for a folder grouped by list, the
// completed toggle elsewhere, none in card mode when the user shows actions only there.
enum class Accessory { None, LimitChooser, CompletedToggle };
Accessory accessoryFor(int tasksMode, int displayMode, bool showActionsOnlyInCardView);

// The chooser's words around the number: "Show" ... "tasks from each list" for all of them (0),
// "Show top" ... "task from each list" for one, "Show top" ... "tasks from each list" otherwise.
struct LimitLabels {
    QString leading;
    QString trailing;
};
LimitLabels limitLabels(qint64 limit);

// The right edge the strip and its control follow: column 2's in outline mode (0), the cards' in card
// mode (1).
int stripRightEdge(int tasksMode, int column2RightEdge, int cardsRightEdge);
// The control's frame in a strip of that height: its right edge on column 2's, or kCardsInset inside
// the cards' right edge; centred from top to bottom.
QRect accessoryFrame(const QSize& size, int stripHeight, int tasksMode, int column2RightEdge,
                     int cardsRightEdge);

}  // namespace TDToolbarLayout
