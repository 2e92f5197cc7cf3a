#include "app/main_window_layout.h"

#include <QStringList>

#include <algorithm>

namespace TDMainWindowLayout {

QSize firstWindowSize(const QSize& availableScreenSize) {
    const int width = std::max(0, int(availableScreenSize.width() * 0.9));
    const int height = std::max(0, int(availableScreenSize.height() * 0.9));
    return {std::min(kFirstSizeCap.width(), width), std::min(kFirstSizeCap.height(), height)};
}

QRect firstWindowFrame(const QRect& availableScreen) {
    QRect frame(QPoint(0, 0), firstWindowSize(availableScreen.size()));
    frame.moveCenter(availableScreen.center());
    return frame;
}

QSize minimumWindowSize(bool sourceListHidden) {
    const int width = sourceListHidden ? kMinimumTasksSideWidth
                                       : kMinimumTasksSideWidth + kDividerThickness + kMinimumSourceListWidth;
    return {width, kMinimumWindowHeight};
}

int maximumSourceListWidth(int windowWidth) {
    return std::max(kMinimumSourceListWidth, windowWidth - windowWidth / 2 - kDividerThickness);
}

int sourceListWidthAfterResize(int sourceListWidth, int splitWidth) {
    const int rest = splitWidth - sourceListWidth - kDividerThickness;
    if (rest >= sourceListWidth) return std::max(0, sourceListWidth);
    return std::max(0, std::max(kMinimumSourceListWidth, (rest + sourceListWidth) / 2));
}

QString frameToString(const QRect& frame) {
    return QStringLiteral("%1 %2 %3 %4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
}

QRect frameFromString(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4) return {};
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.at(i).toInt(&ok);
        if (!ok) return {};
    }
    if (values[2] <= 0 || values[3] <= 0) return {};
    return {values[0], values[1], values[2], values[3]};
}

}  // namespace TDMainWindowLayout
