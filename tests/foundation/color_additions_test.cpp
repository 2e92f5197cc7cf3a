#include "foundation/color_additions.h"
#include "platform/base/log.h"
#include "platform/plist/keyed_archive.h"
#include "tests/support/test_environment.h"

#include <QFile>

namespace {

class ColorAdditionsTest : public testsupport::TempFoldersTest {};

TEST_F(ColorAdditionsTest, HexadecimalTextGivesTheColour) {
    struct Case {
        const char* text;
        double alpha;
        int red, green, blue;
    };
    const Case cases[] = {
        {"8c928d", 1.0, 140, 146, 141}, {"FF4716", 0.5, 255, 71, 22},
        {"fd", 1.0, 253, 253, 253},                              // one or two digits: a grey
        {"f", 1.0, 15, 15, 15},         {"f80", 1.0, 15, 8, 0},  // three digits: each digit over 255
    };
    for (const Case& c : cases) {
        const std::optional<QColor> color = colorWithHexString(QString::fromLatin1(c.text), c.alpha);
        ASSERT_TRUE(color.has_value()) << c.text;
        EXPECT_DOUBLE_EQ(color->redF(), float(c.red / 255.0)) << c.text;
        EXPECT_DOUBLE_EQ(color->greenF(), float(c.green / 255.0)) << c.text;
        EXPECT_DOUBLE_EQ(color->blueF(), float(c.blue / 255.0)) << c.text;
        EXPECT_NEAR(color->alphaF(), c.alpha, 1e-4) << c.text;
    }
}

TEST_F(ColorAdditionsTest, InvalidTextGivesNoColourAndAWarning) {
    testing::internal::CaptureStderr();
    for (const char* text : {"12345", "zz", "", "12345678", "gg0000", "-1", "+f", "0x1234"})
        EXPECT_FALSE(colorWithHexString(QString::fromLatin1(text), 1.0).has_value()) << text;
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("WARNING: Could not make color with string \"12345\". Returning nil instead."),
              std::string::npos);
    EXPECT_NE(log.find("\"zz\""), std::string::npos);
}

TEST_F(ColorAdditionsTest, AColourRoundTripsThroughItsDataForm) {
    for (const QColor& color :
         {*colorWithHexString(QStringLiteral("d64180"), 1.0), QColor::fromRgbF(0.1f, 0.2f, 0.3f, 0.4f),
          QColor(Qt::black), QColor::fromHsvF(0.5f, 1.0f, 1.0f)}) {
        const QByteArray data = colorData(color);
        ASSERT_TRUE(data.startsWith("bplist00"));
        const Result<QColor> back = colorWithData(data);
        ASSERT_TRUE(back.ok()) << back.error().description.toStdString();
        EXPECT_EQ(back->rgba64(), color.toRgb().rgba64());
    }
}

TEST_F(ColorAdditionsTest, DataThatIsNoColourIsAnError) {
    const QByteArray outOfRange =
        *platform::archivedDataWithRootObject(platform::ArchiveObject{QStringLiteral("TDColor"),
                                                                      {{QStringLiteral("red"), 2.0},
                                                                       {QStringLiteral("green"), 0.0},
                                                                       {QStringLiteral("blue"), 0.0},
                                                                       {QStringLiteral("alpha"), 1.0}}});
    for (const QByteArray& data :
         {QByteArray(), QByteArray("ff4716"), colorData(Qt::red).left(20), outOfRange})
        EXPECT_FALSE(colorWithData(data).ok());
}

}  // namespace
