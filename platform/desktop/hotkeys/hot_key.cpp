#include "platform/desktop/hotkeys/hot_key.h"

namespace platform {

void PTHotKey::invoke() const {
    if (m_action) m_action(*this);
}

QString PTHotKey::description() const {
    return QStringLiteral("<PTHotKey: %1, %2>").arg(m_identifier, m_combo.description());
}

}  // namespace platform
