#include "auxiliary/gui/smart_folder_edit_sheet.h"
#include "app/option_key_notifications.h"
#include "auxiliary/gui/rule_editor.h"
#include "auxiliary/gui/rule_row_view.h"
#include "auxiliary/smart_folder_edit_window_controller.h"
#include "foundation/application_delegate.h"
#include "model/library.h"
#include "model/list.h"
#include "platform/base/clock.h"
#include "platform/notifications/notification_center.h"
#include "store/library_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

TRRulePtr leaf(const char* keyPath, int ruleType, int condition, const QVariant& value) {
    auto rule = std::make_shared<TRComparisonRule>(ruleType);
    rule->setKeyPath(QLatin1String(keyPath));
    rule->setConditionType(condition);
    rule->setValue(value);
    return rule;
}

class SmartFolderEditSheetTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        TDClock::setShared(&clock);
        TDSetAppDelegate(&appDelegate);
        manager =
            std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("Sheet.odllibrary")));
        TDLibraryManager::setSharedManager(manager.get());
        ASSERT_TRUE(manager->createLibrary().ok());
        work = manager->library()->createList(QStringLiteral("Work"), manager->library()->foldersGroup());
        window.resize(900, 700);
        window.show();
        controller = std::make_unique<TDSmartFolderEditWindowController>(*manager->library(), nullptr);
    }
    void TearDown() override {
        controller.reset();
        manager->closeDiscardingChanges();
        manager.reset();
        TDLibraryManager::setSharedManager(nullptr);
        TDSetAppDelegate(nullptr);
        TDClock::setShared(nullptr);
        TempFoldersTest::TearDown();
    }

    // "All" of a title, a list, a count, two dates, a time amount and an inner "Any" of a priority and
    // repeating: every kind of value control, nested.
    TRRulePtr everyKindOfRow() const {
        auto inner = TRCompoundRule::compoundRuleWithType(
            TRRuleTypeAny, {leaf("priority", TRRuleTypeList, TRConditionEqualTo, qint64(1)),
                            leaf("recurring", TRRuleTypeList, TRConditionIsTrue, {})});
        return TRCompoundRule::compoundRuleWithType(
            TRRuleTypeAll,
            {leaf("title", TRRuleTypeString, TRConditionContains, QStringLiteral("milk")),
             leaf("group", TRRuleTypeList, TRConditionEqualTo, work->uid()),
             leaf("subtasks.@count", TRRuleTypeNumber, TRConditionGreaterThan, qint64(2)),
             leaf("dueDate", TRRuleTypeDate, TRConditionInTheLast, QStringLiteral("2w")),
             leaf("startDate", TRRuleTypeDate, TRConditionGreaterThanOrEqualTo,
                  QDateTime(QDate(2026, 12, 1), QTime(0, 0))),
             leaf("estimatedTime", TRRuleTypeTimeAmount, TRConditionLessThanOrEqualTo, QStringLiteral("2h")),
             inner});
    }
    TDSmartFolderEditSheet* openSheet() {
        auto* sheet = new TDSmartFolderEditSheet(*controller, &window);
        sheet->open();
        testsupport::drainEvents();
        return sheet;
    }
    void saveScreenshot(QWidget* widget, const char* name) {
        QDir().mkpath(QStringLiteral(ORDELLO_SCREENSHOT_DIR));
        widget->grab().save(QStringLiteral(ORDELLO_SCREENSHOT_DIR "/%1.png").arg(QLatin1String(name)));
    }

    TDTestClock clock{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
    testsupport::RecordingAppDelegate appDelegate;
    std::unique_ptr<TDLibraryManager> manager;
    TDList* work = nullptr;
    QMainWindow window;
    std::unique_ptr<TDSmartFolderEditWindowController> controller;
};

TEST_F(SmartFolderEditSheetTest, ShowsOneIndentedRowPerRuleWithTheValueControlOfItsKind) {
    controller->setRule(everyKindOfRow());
    TDSmartFolderEditSheet* sheet = openSheet();
    TRRuleEditor* editor = sheet->ruleEditor();
    ASSERT_EQ(editor->numberOfRows(), 10);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);

    const struct {
        int row;
        const char* control;  // class of the value view; nullptr: a compound row
        bool visible;
    } rows[] = {{0, nullptr, false},    {1, "QLineEdit", true}, {2, "QComboBox", true},
                {3, "QLineEdit", true}, {4, "QWidget", true},   {5, "QDateEdit", true},
                {6, "QWidget", true},   {7, nullptr, false},    {8, "QComboBox", true},
                {9, "QComboBox", false}};
    for (const auto& r : rows) {
        TRRuleRowView* row = editor->rowViewAtRow(r.row);
        if (!r.control) {
            EXPECT_FALSE(row->valueView()) << r.row;
            continue;
        }
        ASSERT_TRUE(row->valueView()) << r.row;
        EXPECT_STREQ(row->valueView()->metaObject()->className(), r.control) << r.row;
        EXPECT_EQ(row->valueView()->isVisible(), r.visible) << r.row;
    }
    EXPECT_EQ(editor->rowViewAtRow(2)->fieldsPopup()->currentText(), QStringLiteral("List or Folder"));
    EXPECT_EQ(qobject_cast<QComboBox*>(editor->rowViewAtRow(2)->valueView())->currentText(),
              QStringLiteral("Work"));
    // The inner rules sit one level further in; the root row has no remove button.
    EXPECT_GT(editor->rowViewAtRow(8)->fieldsPopup()->x(), editor->rowViewAtRow(1)->fieldsPopup()->x());
    EXPECT_TRUE(editor->rowViewAtRow(0)->removeButton()->isHidden());
    saveScreenshot(sheet, "smart_folder_sheet");
}

TEST_F(SmartFolderEditSheetTest, AltTurnsAddIntoTheEllipsisAndTheWindowFollowsTheRows) {
    TDSmartFolderEditSheet* sheet = openSheet();
    TRRuleEditor* editor = sheet->ruleEditor();
    ASSERT_EQ(editor->numberOfRows(), 2);
    const int twoRows = sheet->height();

    platform::NotificationCenter::defaultCenter().post(TDOptionKeyDown);
    EXPECT_EQ(editor->rowViewAtRow(1)->addButton()->text(), QStringLiteral("\u2026"));
    QTest::mouseClick(editor->rowViewAtRow(1)->addButton(), Qt::LeftButton);
    testsupport::drainEvents();
    ASSERT_EQ(editor->numberOfRows(), 4);
    // Rows made while Alt is held show the ellipsis at once.
    EXPECT_EQ(editor->rowViewAtRow(3)->addButton()->text(), QStringLiteral("\u2026"));
    EXPECT_EQ(sheet->height(), twoRows + 2 * editor->rowHeight());
    saveScreenshot(sheet, "smart_folder_sheet_alt");
    platform::NotificationCenter::defaultCenter().post(TDOptionKeyUp);
    EXPECT_EQ(editor->rowViewAtRow(3)->addButton()->text(), QStringLiteral("+"));

    QTest::mouseClick(editor->rowViewAtRow(3)->removeButton(), Qt::LeftButton);
    testsupport::drainEvents();
    EXPECT_EQ(editor->numberOfRows(), 3);
    EXPECT_EQ(sheet->height(), twoRows + editor->rowHeight());

    // More rows than the screen holds: the window stops at the screen and the rows scroll.
    for (int i = 0; i < 40; ++i) QTest::mouseClick(editor->rowViewAtRow(1)->addButton(), Qt::LeftButton);
    testsupport::drainEvents();
    EXPECT_LE(sheet->height(), window.screen()->availableGeometry().height());
    EXPECT_GT(sheet->findChild<QScrollArea*>()->verticalScrollBar()->maximum(), 0);
    sheet->reject();
}

TEST_F(SmartFolderEditSheetTest, OKTakesTheValueStillBeingTypedAndLastRowDisablesOK) {
    TDSmartFolderEditSheet* sheet = openSheet();
    QSignalSpy ended(controller.get(), &TDSmartFolderEditWindowController::sheetDidEnd);
    auto* text = qobject_cast<QLineEdit*>(sheet->ruleEditor()->rowViewAtRow(1)->valueView());
    ASSERT_TRUE(text);
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("milk"));
    QTest::mouseClick(sheet->okButton(), Qt::LeftButton);
    testsupport::drainEvents();
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.first().value(0).toInt(), int(TDSmartFolderEditWindowController::Accepted));
    const auto& compound = static_cast<const TRCompoundRule&>(*controller->rule());
    EXPECT_EQ(static_cast<const TRComparisonRule&>(*compound.subrules().first()).value(),
              QVariant(QStringLiteral("milk")));

    // Down to its last row, the sheet cannot be confirmed.
    controller = std::make_unique<TDSmartFolderEditWindowController>(*manager->library(), nullptr);
    TDSmartFolderEditSheet* second = openSheet();
    QTest::mouseClick(second->ruleEditor()->rowViewAtRow(1)->removeButton(), Qt::LeftButton);
    testsupport::drainEvents();
    EXPECT_FALSE(second->okButton()->isEnabled());
    second->reject();
}

}  // namespace
