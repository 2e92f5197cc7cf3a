#include "controls/menu_shortcut_text.h"

#include <gtest/gtest.h>

namespace {

struct ShortcutCase {
    const char* name;
    QKeyCombination combination;
    const char16_t* glyphs;
    const char* words;
};

class ShortcutTextTest : public testing::TestWithParam<ShortcutCase> {};

TEST_P(ShortcutTextTest, GlyphsAndWords) {
    const ShortcutCase& c = GetParam();
    const TDKeyEquivalent equivalent = TDKeyEquivalentOf(c.combination);
    EXPECT_EQ(TDKeyEquivalentShortDescription(equivalent), QString::fromUtf16(c.glyphs));
    EXPECT_EQ(TDKeyEquivalentDescription(equivalent), QString::fromLatin1(c.words));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ShortcutTextTest,
    testing::Values(
        // A lower-case letter with Ctrl alone is not shifted.
        ShortcutCase{"LetterWithCtrl", Qt::CTRL | Qt::Key_K, u"⌘K", "Ctrl-K"},
        ShortcutCase{"ShiftInTheMask", Qt::CTRL | Qt::SHIFT | Qt::Key_W, u"⇧⌘W", "Ctrl-Shift-W"},
        ShortcutCase{"AllModifiersInOrder", Qt::CTRL | Qt::SHIFT | Qt::ALT | Qt::META | Qt::Key_Z, u"⌃⌥⇧⌘Z",
                     "Ctrl-Shift-Alt-Meta-Z"},
        ShortcutCase{"ArrowWithAlt", Qt::CTRL | Qt::ALT | Qt::Key_Up, u"⌥⌘↑", "Ctrl-Alt-Up Arrow"},
        ShortcutCase{"Return", Qt::CTRL | Qt::Key_Return, u"⌘↩", "Ctrl-Return"},
        ShortcutCase{"Backspace", Qt::CTRL | Qt::Key_Backspace, u"⌘\b", "Ctrl-Delete"},
        ShortcutCase{"Space", Qt::META | Qt::Key_Space, u"⌃ ", "Meta-Space bar"},
        ShortcutCase{"Punctuation", Qt::CTRL | Qt::Key_BracketLeft, u"⌘[", "Ctrl-Left Bracket"},
        ShortcutCase{"Digit", Qt::CTRL | Qt::ALT | Qt::Key_1, u"⌥⌘1", "Ctrl-Alt-1"},
        ShortcutCase{"NoCharacter", Qt::Key_F11, u"", ""}),
    [](const testing::TestParamInfo<ShortcutCase>& info) { return std::string(info.param.name); });

TEST(ShortcutTextTest, UpperCaseLetterCountsAsShifted) {
    const TDKeyEquivalent upper{QStringLiteral("K"), Qt::ControlModifier};
    EXPECT_EQ(TDKeyEquivalentShortDescription(upper), QString::fromUtf16(u"⇧⌘K"));
    EXPECT_EQ(TDKeyEquivalentDescription(upper), QStringLiteral("Ctrl-Shift-K"));
}

}  // namespace
