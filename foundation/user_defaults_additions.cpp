#include "foundation/user_defaults_additions.h"

#include "foundation/font_names.h"
#include "platform/defaults/user_defaults.h"

std::optional<QFont> fontForKey(const platform::UserDefaults& defaults, const QString& key) {
    return fontWithName(defaults.string(key + QStringLiteral("Name")),
                        defaults.real(key + QStringLiteral("Size")));
}

void setFont(platform::UserDefaults& defaults, const QFont& font, const QString& key) {
    defaults.setValue(key + QStringLiteral("Name"), fontconfigName(font));
    defaults.setValue(key + QStringLiteral("Size"), int(font.pointSizeF()));
}
