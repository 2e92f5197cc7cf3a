#include "foundation/gui/key_event_additions.h"
#include "tests/support/test_environment.h"

#include <QTemporaryFile>

#include <unistd.h>

namespace {

QKeyEvent press(int key, Qt::KeyboardModifiers modifiers, const char* text = "") {
    return QKeyEvent(QEvent::KeyPress, key, modifiers, QString::fromUtf8(text));
}

TEST(KeyEventAdditions, MatchesKeysWithExactlyTheirModifiers) {
    const struct {
        const char* what;
        QKeyEvent event;
        QString key;
        Qt::KeyboardModifiers modifiers;
        bool matches;
    } cases[] = {
        {"plain w", press(Qt::Key_W, Qt::NoModifier, "w"), QStringLiteral("w"), Qt::NoModifier, true},
        {"Ctrl+W against w and Ctrl", press(Qt::Key_W, Qt::ControlModifier, "\x17"), QStringLiteral("w"),
         Qt::ControlModifier, true},
        {"Ctrl+W against w alone", press(Qt::Key_W, Qt::ControlModifier, "\x17"), QStringLiteral("w"),
         Qt::NoModifier, false},
        {"Ctrl+Shift+W is upper-case", press(Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier),
         QStringLiteral("W"), Qt::ControlModifier | Qt::ShiftModifier, true},
        {"keypad flag is ignored", press(Qt::Key_5, Qt::KeypadModifier, "5"), QStringLiteral("5"),
         Qt::NoModifier, true},
        {"Return", press(Qt::Key_Return, Qt::NoModifier, "\r"), QStringLiteral("\r"), Qt::NoModifier, true},
        {"Escape", press(Qt::Key_Escape, Qt::NoModifier, "\x1b"), QStringLiteral("\x1b"), Qt::NoModifier,
         true},
        {"an arrow is no typed character", press(Qt::Key_Left, Qt::NoModifier), QStringLiteral("a"),
         Qt::NoModifier, false},
        {"not a key event",
         QKeyEvent(QEvent::ShortcutOverride, Qt::Key_W, Qt::NoModifier, QStringLiteral("w")),
         QStringLiteral("w"), Qt::NoModifier, false},
    };
    for (const auto& c : cases) EXPECT_EQ(matchesKey(c.event, c.key, c.modifiers), c.matches) << c.what;

    EXPECT_TRUE(
        matchesCharacter(press(Qt::Key_W, Qt::ShiftModifier, "W"), QLatin1Char('w'), Qt::ShiftModifier));
    EXPECT_FALSE(
        matchesCharacter(press(Qt::Key_W, Qt::ShiftModifier, "W"), QLatin1Char('w'), Qt::NoModifier));
}

TEST(KeyEventAdditions, AnEventOfTwoCharactersNeverMatchesAndWarns) {
    // A key without a known key code whose text is two characters, as an input method may send.
    const QKeyEvent event(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("ab"));
    QTemporaryFile log;
    ASSERT_TRUE(log.open());
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(log.handle(), STDERR_FILENO);
    const bool matched = matchesKey(event, QStringLiteral("ab"), Qt::NoModifier) ||
                         matchesCharacter(event, QLatin1Char('a'), Qt::NoModifier);
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    EXPECT_FALSE(matched);
    log.seek(0);
    EXPECT_EQ(QString::fromUtf8(log.readAll())
                  .count(QStringLiteral("WARNING: Got a key event that is not one character. Not matching!")),
              2);
}

TEST(KeyEventAdditions, DescribesCharactersAndModifiers) {
    EXPECT_EQ(keyEventDescription(press(Qt::Key_A, Qt::NoModifier, "a")),
              QStringLiteral("Characters: 'a'  unmodified: 'a'"));
    EXPECT_EQ(
        keyEventDescription(press(
            Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier | Qt::MetaModifier | Qt::AltModifier, "A")),
        QStringLiteral("Characters: 'A'  unmodified: 'A'  modifier keys: Command Option Shift Control"));
}

}  // namespace
