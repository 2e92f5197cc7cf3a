#include "controls/menu_shortcut_text.h"

namespace {

constexpr char16_t kUpArrow = 0xF700;
constexpr char16_t kDownArrow = 0xF701;
constexpr char16_t kLeftArrow = 0xF702;
constexpr char16_t kRightArrow = 0xF703;

bool isShifted(const TDKeyEquivalent& equivalent) {
    if (equivalent.modifiers.testFlag(Qt::ShiftModifier)) return true;
    const QChar first = equivalent.key.isEmpty() ? QChar() : equivalent.key.at(0);
    return first.isLetter() && first.isUpper();
}

QString keyName(const QString& key) {
    static const struct {
        char16_t character;
        const char* name;
    } names[] = {{u'\r', "Return"},
                 {u'\b', "Delete"},
                 {u'\t', "Tab"},
                 {u' ', "Space bar"},
                 {u',', "Comma"},
                 {u'.', "Period"},
                 {u'[', "Left Bracket"},
                 {u']', "Right Bracket"},
                 {u';', "Semicolon"},
                 {u':', "Colon"},
                 {u'\'', "Quote"},
                 {u'/', "Slash"},
                 {u'-', "Minus"},
                 {u'+', "Plus"},
                 {u'=', "Equals"},
                 {u'`', "Backtick"},
                 {kUpArrow, "Up Arrow"},
                 {kDownArrow, "Down Arrow"},
                 {kLeftArrow, "Left Arrow"},
                 {kRightArrow, "Right Arrow"}};
    if (key.size() == 1)
        for (const auto& entry : names)
            if (key.at(0) == QChar(entry.character)) return QString::fromLatin1(entry.name);
    return key.toUpper();
}

QString keyGlyph(const QString& key) {
    if (key == QStringLiteral("\r")) return QString(QChar(0x21A9));
    const struct {
        char16_t character;
        char16_t glyph;
    } arrows[] = {{kUpArrow, 0x2191}, {kDownArrow, 0x2193}, {kLeftArrow, 0x2190}, {kRightArrow, 0x2192}};
    if (key.size() == 1)
        for (const auto& arrow : arrows)
            if (key.at(0) == QChar(arrow.character)) return QString(QChar(arrow.glyph));
    return key.toUpper();
}

}  // namespace

TDKeyEquivalent TDKeyEquivalentOf(QKeyCombination combination) {
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    const Qt::Key key = combination.key();
    const auto character = [&](char16_t c) { return TDKeyEquivalent{QString(QChar(c)), modifiers}; };
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return character(u'\r');
        case Qt::Key_Backspace:
            return character(u'\b');
        case Qt::Key_Tab:
            return character(u'\t');
        case Qt::Key_Up:
            return character(kUpArrow);
        case Qt::Key_Down:
            return character(kDownArrow);
        case Qt::Key_Left:
            return character(kLeftArrow);
        case Qt::Key_Right:
            return character(kRightArrow);
        default:
            break;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return character(char16_t(u'a' + (key - Qt::Key_A)));
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) return character(char16_t(key));
    return {QString(), modifiers};
}

QString TDKeyEquivalentShortDescription(const TDKeyEquivalent& equivalent) {
    if (equivalent.key.isEmpty()) return {};
    QString text;
    if (equivalent.modifiers.testFlag(Qt::MetaModifier)) text += QChar(0x2303);
    if (equivalent.modifiers.testFlag(Qt::AltModifier)) text += QChar(0x2325);
    if (isShifted(equivalent)) text += QChar(0x21E7);
    if (equivalent.modifiers.testFlag(Qt::ControlModifier)) text += QChar(0x2318);
    return text + keyGlyph(equivalent.key);
}

QString TDKeyEquivalentDescription(const TDKeyEquivalent& equivalent) {
    if (equivalent.key.isEmpty()) return {};
    QString text;
    if (equivalent.modifiers.testFlag(Qt::ControlModifier)) text += QStringLiteral("Ctrl-");
    if (isShifted(equivalent)) text += QStringLiteral("Shift-");
    if (equivalent.modifiers.testFlag(Qt::AltModifier)) text += QStringLiteral("Alt-");
    if (equivalent.modifiers.testFlag(Qt::MetaModifier)) text += QStringLiteral("Meta-");
    return text + keyName(equivalent.key);
}
