#include "platform/desktop/hotkeys/key_code_translator.h"

#include "platform/desktop/hotkeys/key_symbols.h"

#include <QKeySequence>

#include <xkbcommon/xkbcommon.h>

namespace platform {

PTKeyCodeTranslator& PTKeyCodeTranslator::currentTranslator() {
    static PTKeyCodeTranslator translator;
    return translator;
}

QString PTKeyCodeTranslator::translateKeyCode(qint64 keyCode) const {
    const quint32 keysym = TDKeysymForQtKey(keyCode);
    char text[8] = {};
    // Space and the control keys print nothing visible: they go by name.
    if (keysym && keysym != XKB_KEY_space && xkb_keysym_to_utf8(keysym, text, sizeof text) > 1 &&
        static_cast<unsigned char>(text[0]) >= 0x20 && text[0] != 0x7f)
        return QString::fromUtf8(text).toUpper();
    return QKeySequence(int(keyCode)).toString(QKeySequence::NativeText);
}

QString PTKeyCodeTranslator::description() const {
    return QStringLiteral("PTKeyCodeTranslator layout=xkbcommon");
}

}  // namespace platform
