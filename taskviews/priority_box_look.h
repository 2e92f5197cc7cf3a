#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

// How a priority box is drawn: 1 and 2 red, 3 and 4 yellow, 5 light grey, 6 and 7 cyan, 8 and 9 green,
// with the number; no priority draws nothing, or a grey outline with "!" while the pointer is over it.
struct TDPriorityBoxLook {
    bool visible = false;
    std::optional<QColor> fill;
    QColor stroke;
    QString text;
    QColor textColor;
    bool boldText = false;
};

TDPriorityBoxLook TDPriorityBoxLookFor(qint64 priority, bool pointerOver);

// The priority pop-up menu: the nine boxes, a separator, "None". A menu item's tag is the priority it
// assigns, -1 for none.
struct TDPriorityMenuItem {
    int tag = 0;  // 0: the separator
    QString title;
};
QList<TDPriorityMenuItem> TDPriorityMenuItems();
// The priority a menu item assigns: its tag, none (0) for "None".
inline qint64 TDPriorityForMenuTag(int tag) {
    return tag < 0 ? 0 : tag;
}
