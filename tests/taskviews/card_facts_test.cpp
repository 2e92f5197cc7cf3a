#include "taskviews/card_facts.h"

#include "model/tag.h"
#include "platform/plist/property_list.h"
#include "taskviews/pasteboard_types.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QMimeData>

namespace taskviewstest {
namespace {

TEST(CardFactsTest, SubtaskCountAndTitleHeight) {
    EXPECT_TRUE(TDCardSubtaskCountDisplayString(0).isNull());
    EXPECT_EQ(TDCardSubtaskCountDisplayString(1), QStringLiteral("1 subtask"));
    EXPECT_EQ(TDCardSubtaskCountDisplayString(3), QStringLiteral("3 subtasks"));
    const struct {
        qreal needed;
        qreal height;
    } heights[] = {{10, 23}, {23, 23}, {50, 50}, {69, 69}, {120, 69}};
    for (const auto& c : heights) EXPECT_EQ(TDCardTitleHeight(c.needed, 23), c.height) << c.needed;
}

class CardTagsTest : public TasksControllerTest {
protected:
    std::unique_ptr<QMimeData> groupsDrag(const QList<TDGroup*>& groups) {
        QVariantList uids;
        for (TDGroup* group : groups) uids << group->uid();
        auto data = std::make_unique<QMimeData>();
        data->setData(TDPasteboardTypes::GroupUIDs, *platform::writePropertyList(uids));
        return data;
    }
};

TEST_F(CardTagsTest, CompletionsAfterAMarker) {
    tag(QStringLiteral("home"));
    tag(QStringLiteral("garden"));
    tag(QStringLiteral("@phone"));
    tag(QStringLiteral("@photos"));
    tag(QStringLiteral("@mail"));
    EXPECT_EQ(TDCardTitleCompletions(library(), QStringLiteral("/")),
              QStringList({QStringLiteral("garden"), QStringLiteral("home")}));
    EXPECT_EQ(TDCardTitleCompletions(library(), QStringLiteral("@ph")),
              QStringList({QStringLiteral("phone"), QStringLiteral("photos")}));
    EXPECT_TRUE(TDCardTitleCompletions(library(), QStringLiteral("word")).isEmpty());
}

TEST_F(CardTagsTest, TagDropsAreTakenOnlyWhenEveryGroupIsANewTag) {
    TDList* jobs = newList(QStringLiteral("Jobs"));
    TDTask* task = addTask(jobs, QStringLiteral("Paint the fence"));
    TDTag* home = tag(QStringLiteral("home"));
    TDTag* garden = tag(QStringLiteral("garden"));
    task->addTagsObject(home);
    processChanges();
    EXPECT_FALSE(TDCardTagDropForData(library(), task, groupsDrag({garden, home}).get()).accepted);
    EXPECT_FALSE(TDCardTagDropForData(library(), task, groupsDrag({garden, jobs}).get()).accepted);
    const std::unique_ptr<QMimeData> drop = groupsDrag({garden});
    EXPECT_TRUE(TDCardTagDropForData(library(), task, drop.get()).accepted);
    EXPECT_TRUE(TDCardPerformTagDrop(library(), task, drop.get()));
    EXPECT_TRUE(task->tags().contains(garden));
}

}  // namespace
}  // namespace taskviewstest
