#include "taskviews/due_date_color.h"
#include "foundation/color_additions.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

namespace {

using DueDateColorTest = testsupport::TempFoldersTest;

TEST_F(DueDateColorTest, PressingDatesTakeTheirSettingAndOthersTheTextColour) {
    QPalette palette;
    palette.setColor(QPalette::Text, QColor(0x12, 0x34, 0x56));
    defaults().setValue(QStringLiteral("dueSoonColor"), colorData(QColor(0, 0x80, 0)));

    EXPECT_EQ(TDDueDateColor(TDDueState::PastDue, palette),
              *colorWithData(defaults().data(QStringLiteral("pastDueColor"))));
    EXPECT_EQ(TDDueDateColor(TDDueState::DueSoon, palette), *colorWithData(colorData(QColor(0, 0x80, 0))));
    EXPECT_EQ(TDDueDateColor(TDDueState::NotDue, palette), QColor(0x12, 0x34, 0x56));

    // A setting that does not hold a colour falls back to the text colour rather than to black.
    defaults().setValue(QStringLiteral("pastDueColor"), QByteArray("not a colour"));
    EXPECT_EQ(TDDueDateColor(TDDueState::PastDue, palette), QColor(0x12, 0x34, 0x56));
}

}  // namespace
