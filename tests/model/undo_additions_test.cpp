#include "model/undo_additions.h"
#include "platform/undo/undo_manager.h"
#include "tests/support/test_environment.h"

namespace {

TEST(UndoAdditionsTest, TheChangeCountChoosesTheActionName) {
    const struct {
        qsizetype count;
        const char* name;
        bool warns;
    } cases[] = {
        {1, "Delete Task", false}, {2, "Delete Tasks", false}, {25, "Delete Tasks", false}, {0, "", true}};
    for (const auto& c : cases) {
        platform::UndoManager undoManager;
        undoManager.setGroupsByEvent(false);
        undoManager.beginUndoGrouping();
        undoManager.registerUndo(&undoManager, [] {});
        testing::internal::CaptureStderr();
        endUndoGroupingWithChangeCount(undoManager, c.count, QStringLiteral("Delete Task"),
                                       QStringLiteral("Delete Tasks"));
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(undoManager.groupingLevel(), 0) << c.count;
        EXPECT_EQ(undoManager.undoActionName(), QString::fromLatin1(c.name)) << c.count;
        const bool warned =
            log.find("Number of changed objects is 0 when ending undo group for action \"Delete Task\".") !=
            std::string::npos;
        EXPECT_EQ(warned, c.warns) << log;
    }
}

}  // namespace
