#include "platform/desktop/hotkeys/key_symbols.h"

#include <QChar>

#include <xkbcommon/xkbcommon-keysyms.h>

namespace platform {

namespace {
struct KeyRow {
    int key;
    quint32 keysym;
};
constexpr KeyRow kKeys[] = {
    {Qt::Key_Escape, XKB_KEY_Escape},
    {Qt::Key_Tab, XKB_KEY_Tab},
    {Qt::Key_Backtab, XKB_KEY_ISO_Left_Tab},
    {Qt::Key_Backspace, XKB_KEY_BackSpace},
    {Qt::Key_Return, XKB_KEY_Return},
    {Qt::Key_Enter, XKB_KEY_KP_Enter},
    {Qt::Key_Insert, XKB_KEY_Insert},
    {Qt::Key_Delete, XKB_KEY_Delete},
    {Qt::Key_Pause, XKB_KEY_Pause},
    {Qt::Key_Print, XKB_KEY_Print},
    {Qt::Key_Home, XKB_KEY_Home},
    {Qt::Key_End, XKB_KEY_End},
    {Qt::Key_Left, XKB_KEY_Left},
    {Qt::Key_Up, XKB_KEY_Up},
    {Qt::Key_Right, XKB_KEY_Right},
    {Qt::Key_Down, XKB_KEY_Down},
    {Qt::Key_PageUp, XKB_KEY_Prior},
    {Qt::Key_PageDown, XKB_KEY_Next},
    {Qt::Key_Menu, XKB_KEY_Menu},
    {Qt::Key_Help, XKB_KEY_Help},
};
}  // namespace

quint32 TDKeysymForQtKey(qint64 key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return XKB_KEY_F1 + quint32(key - Qt::Key_F1);
    for (const KeyRow& row : kKeys)
        if (row.key == key) return row.keysym;
    if (key >= 0x20 && key <= 0xff) {
        const char32_t lower = QChar::toLower(char32_t(key));
        return lower <= 0xff ? quint32(lower) : 0;
    }
    // Unicode keysyms carry the code point above this base.
    if (key > 0xff && key <= 0x10ffff) return 0x01000000 | quint32(QChar::toLower(char32_t(key)));
    return 0;
}

}  // namespace platform
