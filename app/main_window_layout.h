#pragma once

#include <QRect>
#include <QSize>

// The main window's size rules, kept apart from any widget so that they can be checked alone.
namespace TDMainWindowLayout {

inline constexpr int kMinimumSourceListWidth = 185;
inline constexpr int kMinimumTasksSideWidth = 570;
inline constexpr int kMinimumWindowHeight = 550;
inline constexpr int kDividerThickness = 1;
inline constexpr QSize kFirstSizeCap{1050, 735};

// The first size of a window with nothing saved: 90 % of the screen's free area, capped.
QSize firstWindowSize(const QSize& availableScreenSize);
// A first window centred on the screen's free area.
QRect firstWindowFrame(const QRect& availableScreen);
QSize minimumWindowSize(bool sourceListHidden);
// The source list may take at most what leaves the other side half the window plus the divider.
int maximumSourceListWidth(int windowWidth);
// The source list's width once the window is `splitWidth` wide: it keeps its width unless the
// other side would become narrower than it, then the two share the width.
int sourceListWidthAfterResize(int sourceListWidth, int splitWidth);

// The window frame as saved ("x y width height"); an empty rectangle when the text is not one.
QString frameToString(const QRect& frame);
QRect frameFromString(const QString& text);

}  // namespace TDMainWindowLayout
