#pragma once

#include <QString>

// The count badge a drag of several task rows shows: which badge picture (by the number's width) and
// its text.
struct TDDragBadge {
    QString imageName;
    QString text;
    // How many digit places the badge has room for.
    int places = 2;

    friend bool operator==(const TDDragBadge&, const TDDragBadge&) = default;
};

TDDragBadge TDDragBadgeForCount(qint64 count);
