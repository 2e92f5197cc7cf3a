#include "taskviews/due_date_color.h"

#include "foundation/color_additions.h"
#include "platform/defaults/user_defaults.h"

QColor TDDueDateColor(TDDueState state, const QPalette& palette) {
    if (state != TDDueState::NotDue) {
        const QString key =
            state == TDDueState::PastDue ? QStringLiteral("pastDueColor") : QStringLiteral("dueSoonColor");
        const Result<QColor> color = colorWithData(platform::UserDefaults::standard().data(key));
        if (color.ok()) return *color;
    }
    return palette.color(QPalette::Text);
}
