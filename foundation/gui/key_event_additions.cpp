#include "foundation/gui/key_event_additions.h"

#include "platform/base/log.h"

#include <QGuiApplication>
#include <QStringList>

#include <optional>

namespace {

std::optional<QString> oneCharacter(const QKeyEvent& event) {
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease) return std::nullopt;
    const QString characters = charactersIgnoringModifiers(event);
    if (characters.size() != 1) {
        logWithLevel(TDLogWarning, "WARNING", "Got a key event that is not one character. Not matching!");
        return std::nullopt;
    }
    return characters;
}

}  // namespace

QString charactersIgnoringModifiers(const QKeyEvent& event) {
    const int key = event.key();
    const bool shift = event.modifiers().testFlag(Qt::ShiftModifier);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const QChar letter(static_cast<char16_t>(key));
        return shift ? QString(letter) : QString(letter.toLower());
    }
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return QStringLiteral("\r");
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return QStringLiteral("\t");
        case Qt::Key_Escape:
            return QStringLiteral("\x1b");
        case Qt::Key_Backspace:
            return QStringLiteral("\x7f");
        default:
            break;
    }
    // Without Ctrl or Meta the text is the character itself; with them it may be a control code.
    const QString text = event.text();
    if (text.size() == 1 && text.at(0).isPrint()) return text;
    if (key >= Qt::Key_Space && key <= Qt::Key_ydiaeresis) return QString(QChar(static_cast<char16_t>(key)));
    if (key == 0 || key == Qt::Key_unknown) return text;
    return QString(QChar(static_cast<char16_t>(0xE000 + (key & 0xFFF))));
}

bool matchesKey(const QKeyEvent& event, const QString& key, Qt::KeyboardModifiers modifiers) {
    const auto character = oneCharacter(event);
    return character && *character == key && (event.modifiers() & kKeyEventModifierMask) == modifiers;
}

bool matchesCharacter(const QKeyEvent& event, QChar character, Qt::KeyboardModifiers modifiers) {
    const auto own = oneCharacter(event);
    return own && own->toLower().at(0) == character &&
           (event.modifiers() & kKeyEventModifierMask) == modifiers;
}

QString keyEventDescription(const QKeyEvent& event) {
    QStringList names;
    const Qt::KeyboardModifiers held = event.modifiers();
    // The names of the keyboards the program was first written for: Ctrl stands for Command, Alt for
    // Option and Meta for Control.
    if (held.testFlag(Qt::ControlModifier)) names << QStringLiteral("Command");
    if (held.testFlag(Qt::AltModifier)) names << QStringLiteral("Option");
    if (held.testFlag(Qt::ShiftModifier)) names << QStringLiteral("Shift");
    if (held.testFlag(Qt::MetaModifier)) names << QStringLiteral("Control");
    if (names.isEmpty())
        return formatString("Characters: '%@'  unmodified: '%@'", event.text(),
                            charactersIgnoringModifiers(event));
    return formatString("Characters: '%@'  unmodified: '%@'  modifier keys: %@", event.text(),
                        charactersIgnoringModifiers(event), names.join(QLatin1Char(' ')));
}

bool isShiftKeyDown() {
    return QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
}
