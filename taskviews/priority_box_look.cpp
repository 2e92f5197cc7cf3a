#include "taskviews/priority_box_look.h"

#include "controls/color_level_additions.h"

#include <QCoreApplication>

namespace {

std::optional<QColor> baseColor(qint64 priority) {
    QColor named;
    switch (priority) {
        case 1:
        case 2:
            named = QColor::fromRgbF(1, 0, 0);
            break;
        case 3:
        case 4:
            named = QColor::fromRgbF(1, 1, 0);
            break;
        case 5:
            named = QColor::fromRgbF(2.0f / 3, 2.0f / 3, 2.0f / 3);
            break;
        case 6:
        case 7:
            named = QColor::fromRgbF(0, 1, 1);
            break;
        case 8:
        case 9:
            named = QColor::fromRgbF(0, 1, 0);
            break;
        default:
            return std::nullopt;
    }
    QColor color = highlightWithLevel(named, 0.75);
    color.setAlphaF(0.75f);
    return color;
}

}  // namespace

TDPriorityBoxLook TDPriorityBoxLookFor(qint64 priority, bool pointerOver) {
    TDPriorityBoxLook look;
    look.textColor = QColor::fromRgbF(0.2f, 0.2f, 0.2f);
    if (const std::optional<QColor> color = baseColor(priority)) {
        look.visible = true;
        look.fill = pointerOver ? highlightWithLevel(*color, 0.75) : *color;
        look.stroke = shadowWithLevel(*color, pointerOver ? 0.75 : 0.5);
        look.stroke.setAlphaF(pointerOver ? 0.9f : 0.75f);
        look.text = QString::number(priority);
        return look;
    }
    if (priority == 0 && pointerOver) {
        look.visible = true;
        look.stroke = QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.75f);
        look.text = QStringLiteral("!");
        look.textColor = QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.75f);
        look.boldText = true;
    }
    return look;
}

QList<TDPriorityMenuItem> TDPriorityMenuItems() {
    QList<TDPriorityMenuItem> items;
    for (int priority = 1; priority <= 9; ++priority) items.append({priority, QString()});
    items.append({0, QString()});
    items.append({-1, QCoreApplication::translate("TDPriorityCell", "None")});
    return items;
}
