#pragma once

#include <QHash>
#include <QImage>
#include <QString>

#include <array>

// The three pieces of a tab: left cap, centre strip (stretched across the title) and right cap.
using TDTabImages = std::array<QImage, 3>;

// Draws the pieces of a tab in the colours of a tab type ("today", "upcoming", "folder", "list",
// "smart", "tag"; none: the default colours), selected or darkened, once per type and state.
class TDTabImageFactory {
public:
    static TDTabImageFactory& sharedFactory();

    // Each piece is 26 points high; the caps are 23 wide, the centre 1. Pixel density 2.
    const TDTabImages& tabImagesForTabType(const QString& tabType, bool selected);

    static constexpr int kCapWidth = 23;
    static constexpr int kHeight = 26;

private:
    QHash<QString, TDTabImages> m_imagesCache;
};
