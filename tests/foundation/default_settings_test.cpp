#include "foundation/default_settings.h"
#include "foundation/color_additions.h"
#include "foundation/constants.h"
#include "foundation/font_names.h"
#include "foundation/is_integer_transformer.h"
#include "foundation/shared_constants.h"
#include "foundation/user_defaults_additions.h"
#include "foundation/version.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QFontInfo>

namespace {

class DefaultSettingsTest : public testsupport::TempFoldersTest {};

struct DefaultCase {
    const char* key;
    QMetaType::Type type;
    QVariant value;
};

QVariant text(const char* s) {
    return QString::fromLatin1(s);
}

TEST_F(DefaultSettingsTest, EveryDefaultAnswersWithItsTypeAndValue) {
    const QMetaType::Type Bool = QMetaType::Bool, Int = QMetaType::Int, UInt = QMetaType::UInt,
                          Float = QMetaType::Float, Double = QMetaType::Double, String = QMetaType::QString;
    const DefaultCase cases[] = {
        {"firstLaunch", Bool, true},
        {"totalEstimatedTimeSummaryDisplayMode", Int, 0},
        {"playSoundEffects", Bool, true},
        {"hideInfoView", Bool, true},
        {"showIncompleteTaskCount", Bool, false},
        {"defaultGroupingLimit", Int, 5},
        {"taskFontName", String, text("Helvetica")},
        {"taskFontSize", Int, 12},
        {"taskTagFontName", String, text("Helvetica:style=Oblique")},
        {"taskTagFontSize", Int, 12},
        {"taskNoteFontName", String, text("Helvetica")},
        {"taskNoteFontSize", Int, 12},
        {"taskNoteSummaryFontName", String, text("Helvetica")},
        {"taskNoteSummaryFontSize", Int, 11},
        {"taskPastDueFontName", String, text("Helvetica:style=Bold")},
        {"taskColumnPastDueFontSize", Int, 12},
        {"taskDueSoonFontName", String, text("Helvetica:style=Bold")},
        {"taskColumnDueSoonFontSize", Int, 12},
        {"taskPastStartFontName", String, text("Helvetica:style=Bold")},
        {"taskPastStartFontSize", Int, 12},
        {"otherColumnFontName", String, text("Helvetica")},
        {"otherColumnFontSize", Int, 11},
        {"listHeaderFontName", String, text("Helvetica Neue:style=UltraLight")},
        {"listHeaderFontSize", Int, 28},
        {"tasksGroupingHeaderFontName", String, text("Helvetica:style=Oblique")},
        {"tasksGroupingHeaderFontSize", Int, 12},
        {"cardTaskTitleFontSize", Float, 18.0f},
        {"pastDueColor", QMetaType::QByteArray,
         colorData(*colorWithHexString(QStringLiteral("ff4716"), 1.0))},
        {"dueSoonColor", QMetaType::QByteArray,
         colorData(*colorWithHexString(QStringLiteral("d64180"), 1.0))},
        {"libraryAutosaveDelay", Double, 3.0},
        {"secondsPerDay", Int, 28800},
        {"secondsPerWeek", Int, 144000},
        {"endOfDay", Int, 61200},
        {"firstWeekday", Int, 1},
        {"nearFutureNumberOfDays", Int, 3},
        {"completedDaysToShow", Int, 3},
        {"automaticallyHideTasks", Bool, true},
        {"timerAlwaysOnTop", Bool, true},
        {"showTimerInAllSpaces", Bool, false},
        {"blinkTimerDots", Bool, true},
        {"menubarTimerEnabled", Bool, false},
        {"predictTags", Bool, true},
        {"tagPredictionDelay", Double, 0.25},
        {"tagMatchThreshold", Double, 0.75},
        {"balloonPopUpDelay", Double, 0.25},
        {"expandAllTasksWhenPrinting", Bool, true},
        {"drawLinesWhenPrinting", Bool, true},
        {"moveKeyboardFocusOnTabWhenEditingNoteInCard", Bool, true},
        {"soundEffectVolume", Double, 0.7},
        {"fileAttachmentIconPosition", UInt, 4u},
        {"fileAttachmentDrawAsButton", Bool, false},
        {"commandWClosesTab", Bool, true},
        {"commandBarMode", Int, 1},
        {"cardAnimationEnabled", Bool, true},
        {"autoCompleteParentTask", Bool, true},
        {"inheritParentTags", Int, 1},
        {"showActionsOnlyInCardView", Bool, false},
        {"spotlightIndexingEnabled", Bool, true},
        {"corvaneSyncServiceURL", String, text("https://sync.corvane.com/")},
        {"corvaneWebsiteURL", String, text("https://www.corvane.com/")},
        {"remindersSyncAddListPrefixToTaskTitle", Bool, false},
        {"NSFullScreenMenuItemEverywhere", Bool, false},
        {"SUEnableAutomaticChecks", Bool, true},
        {"SUSendProfileInfo", Bool, true},
        {"syncWithCalendarStore", Bool, false},
    };
    ASSERT_EQ(std::size(cases), 65u);
    EXPECT_EQ(defaultSettings().size(), 65);
    for (const DefaultCase& c : cases) {
        const QString key = QString::fromLatin1(c.key);
        const QVariant value = defaults().value(key);
        EXPECT_EQ(value.metaType().id(), int(c.type)) << c.key;
        EXPECT_EQ(value, c.value) << c.key;
        EXPECT_FALSE(defaults().hasStoredValue(key)) << c.key;
    }
    EXPECT_EQ(defaults().integer(QStringLiteral("taskColumnPastDueFontSize")), 12);
    // Keys read elsewhere but not registered answer nothing until stored.
    EXPECT_FALSE(defaults().value(QStringLiteral("logLevel")).isValid());
    EXPECT_FALSE(defaults().value(QStringLiteral("printInfo")).isValid());
    EXPECT_FALSE(defaults().value(QStringLiteral("taskPastDueFontSize")).isValid());
}

TEST_F(DefaultSettingsTest, AStoredValueWinsAndRemovingItBringsTheDefaultBack) {
    defaults().setValue(QStringLiteral("secondsPerDay"), 27000);
    EXPECT_EQ(defaults().integer(QStringLiteral("secondsPerDay")), 27000);
    defaults().removeValue(QStringLiteral("secondsPerDay"));
    EXPECT_EQ(defaults().integer(QStringLiteral("secondsPerDay")), 28800);
    const Result<QColor> pastDue = colorWithData(defaults().data(QStringLiteral("pastDueColor")));
    ASSERT_TRUE(pastDue.ok());
    EXPECT_EQ(pastDue->name(), QStringLiteral("#ff4716"));
}

TEST_F(DefaultSettingsTest, IntegerTransformersCompareWithTheirInteger) {
    registerIntegerTransformers();
    const auto isTwo = platform::valueTransformerForName(QStringLiteral("TDIsTwo"));
    const auto isNotTwo = platform::valueTransformerForName(QStringLiteral("TDIsNotTwo"));
    ASSERT_TRUE(isTwo && isNotTwo);
    EXPECT_EQ(isTwo->transformedValue(2), QVariant(1));
    EXPECT_EQ(isTwo->transformedValue(3), QVariant(0));
    EXPECT_TRUE(isTwo->allowsReverseTransformation());
    EXPECT_EQ(isTwo->reverseTransformedValue(true), QVariant(qint64(2)));
    EXPECT_FALSE(isTwo->reverseTransformedValue(false).isValid());
    EXPECT_EQ(isNotTwo->transformedValue(2), QVariant(0));
    EXPECT_EQ(isNotTwo->transformedValue(5), QVariant(1));
    EXPECT_EQ(isNotTwo->reverseTransformedValue(false), QVariant(qint64(2)));
    EXPECT_FALSE(isNotTwo->reverseTransformedValue(true).isValid());
    // No value reads as 0.
    EXPECT_EQ(platform::valueTransformerForName(QStringLiteral("TDIsZero"))->transformedValue(QVariant()),
              QVariant(1));
    EXPECT_EQ(platform::valueTransformerForName(QStringLiteral("TDIsNotZero"))->transformedValue(QVariant()),
              QVariant(0));
    for (const char* name : {"TDIsOne", "TDIsThree", "TDIsNotOne", "TDIsNotThree"})
        EXPECT_TRUE(platform::valueTransformerForName(QString::fromLatin1(name))) << name;
}

TEST_F(DefaultSettingsTest, FontPairsStoreAndReadAFontByItsFontconfigName) {
    const std::optional<QFont> dejaVu = fontWithName(QStringLiteral("DejaVu Sans:style=Bold"), 13.5);
    ASSERT_TRUE(dejaVu.has_value()) << "the DejaVu fonts are needed for this test";
    EXPECT_EQ(dejaVu->family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(dejaVu->styleName(), QStringLiteral("Bold"));
    EXPECT_EQ(dejaVu->pointSizeF(), 13.5);

    setFont(defaults(), *dejaVu, QStringLiteral("taskFont"));
    EXPECT_EQ(defaults().string(QStringLiteral("taskFontName")), QStringLiteral("DejaVu Sans:style=Bold"));
    EXPECT_EQ(defaults().integer(QStringLiteral("taskFontSize")), 13);
    const std::optional<QFont> back = fontForKey(defaults(), QStringLiteral("taskFont"));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->family(), dejaVu->family());
    EXPECT_EQ(back->styleName(), dejaVu->styleName());
    EXPECT_EQ(back->pointSizeF(), 13.0);
    EXPECT_TRUE(TDConstants::make(defaults()).TDTaskFont.has_value());

    // A size of 0, as an absent key reads, gives the default size.
    EXPECT_EQ(fontWithName(QStringLiteral("DejaVu Sans"), 0)->pointSizeF(), QFont().pointSizeF());
    EXPECT_TRUE(fontForKey(defaults(), QStringLiteral("noSuchPair")) == std::nullopt);
}

TEST_F(DefaultSettingsTest, TheDesignsHelveticasAreLiberationSansOnEveryMachine) {
    for (const char* name : {"Helvetica", "Helvetica:style=Bold", "Helvetica Neue:style=UltraLight"}) {
        const std::optional<QFont> font = fontWithName(QString::fromLatin1(name), 13);
        ASSERT_TRUE(font.has_value()) << name << ": the package fonts-liberation2 is needed";
        EXPECT_EQ(font->family(), QStringLiteral("Liberation Sans")) << name;
    }
    EXPECT_EQ(fontWithName(QStringLiteral("Helvetica:style=Bold"), 13)->styleName(), QStringLiteral("Bold"));
    // The tag font's slant holds whether or not the machine has the stand-in's oblique face.
    const std::optional<QFont> oblique = fontWithName(QStringLiteral("Helvetica:style=Oblique"), 12);
    ASSERT_TRUE(oblique.has_value());
    EXPECT_EQ(QFontInfo(*oblique).style(), QFont::StyleItalic) << oblique->toString().toStdString();
}

TEST_F(DefaultSettingsTest, AFontNameThatNamesNoInstalledFontGivesNoFont) {
    defaults().setValue(QStringLiteral("taskFontName"), QStringLiteral("No Such Font Family 4711"));
    EXPECT_FALSE(TDConstants::make(defaults()).TDTaskFont.has_value());
    for (const char* name : {"", "   ", "No Such Font Family 4711:style=Bold"})
        EXPECT_FALSE(fontWithName(QString::fromLatin1(name), 12).has_value()) << name;
}

TEST_F(DefaultSettingsTest, ConstantsHoldTheProgramsColoursAndColumnOrder) {
    const TDConstants c = TDConstants::make(defaults());
    EXPECT_EQ(c.TDSelectionBlendColor.name(), QStringLiteral("#fff5b3"));
    EXPECT_NEAR(c.TDMarginLineColor.alphaF(), 0.4, 1e-4);
    EXPECT_EQ(c.TDGridColor, QColor(199, 219, 197));
    EXPECT_EQ(c.TDKeyWindowInactiveColor, QColor(232, 232, 232));
    EXPECT_EQ(c.TDCompletedTaskTextColor, c.TDCanceledTaskTextColor);
    // Lightened towards white by 0.15: 0xfe -> 0xfe, 0xb4 -> 0xbf, 0xd2 -> 0xd9.
    EXPECT_EQ(c.TDContextTagTokenColor.name(), QStringLiteral("#febfd9"));
    EXPECT_EQ(c.TDTaskColumnOrder,
              (QStringList{QStringLiteral("list"), QStringLiteral("priority"), QStringLiteral("task"),
                           QStringLiteral("start"), QStringLiteral("due"), QStringLiteral("estimate")}));
    EXPECT_EQ(TDZeroWidthSpace, QString(QChar(0x200B)));
    EXPECT_EQ(TDTokenSeparatorCharacterSet, QStringLiteral(" =:"));
}

TEST_F(DefaultSettingsTest, TheUserAgentCarriesVersionBuildAndBetaMark) {
    EXPECT_EQ(
        userAgentString(QStringLiteral("1.2"), QStringLiteral("345"), QStringLiteral("com.vantorel.Ordello")),
        QStringLiteral("Ordello/1.2/345"));
    EXPECT_EQ(userAgentString(QStringLiteral("1.2"), QStringLiteral("345"),
                              QStringLiteral("com.vantorel.Ordello.beta")),
              QStringLiteral("Ordello/1.2/345 (Beta)"));
    EXPECT_EQ(TDUserAgent(), QStringLiteral("Ordello/" ORDELLO_SHORT_VERSION "/" ORDELLO_BUILD_NUMBER));
}

}  // namespace
