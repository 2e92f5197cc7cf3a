#include "app/file_to_group_controller.h"
#include "model/library_options.h"
#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"
#include "tests/app/groups_controller_fixture.h"

#include <QSignalSpy>

namespace apptest {
namespace {

class FakeFilingWindow : public TDFileToGroupWindow {
public:
    bool isSourceListHidden() const override { return hidden; }
    void toggleSourceList() override {
        hidden = !hidden;
        ++toggles;
    }
    void shake() override { ++shakes; }
    void closePanel() override { ++closes; }

    bool hidden = false;
    int toggles = 0;
    int shakes = 0;
    int closes = 0;
};

// Lists "Garden", "Garage" and, in the closed folder Home, "Gardening Club", each with tasks; Errands
// shown in the tasks view.
class FileToGroupTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        errands = list(QStringLiteral("Errands"));
        garden = list(QStringLiteral("Garden"));
        garage = list(QStringLiteral("Garage"));
        home = folder(QStringLiteral("Home"));
        club = list(QStringLiteral("Gardening Club"), home);
        for (const char* title : {"milk", "bread", "stamps"}) addTask(errands, QString::fromUtf8(title));
        for (const char* title : {"rake", "seeds"}) addTask(garden, QString::fromUtf8(title));
        processChanges();
        manager->undoManager()->removeAllActions();
        ASSERT_TRUE(groups->selectGroup(errands));
        filing = std::make_unique<TDFileToGroupController>(*groups, *tasks);
        filing->setWindow(&panel);
    }
    void TearDown() override {
        filing.reset();
        GroupsControllerTest::TearDown();
    }

    // Each list with its tasks in order, with their display order, for comparing before and after.
    QStringList contents() const {
        QStringList lines;
        for (TDGroup* group : {errands, garden, garage, club}) {
            QStringList titles;
            for (TDTask* task : group->orderedTasks()->objectsAs<TDTask>())
                titles << QStringLiteral("%1@%2").arg(task->title()).arg(task->displayOrder());
            lines << group->title() + QStringLiteral(": ") + titles.join(QLatin1Char(','));
        }
        return lines;
    }
    QStringList titles(TDGroup* group) const {
        QStringList result;
        for (TDTask* task : group->orderedTasks()->objectsAs<TDTask>()) result << task->title();
        return result;
    }
    TDTask* task(TDGroup* group, const QString& title) const {
        for (TDTask* candidate : group->orderedTasks()->objectsAs<TDTask>())
            if (candidate->title() == title) return candidate;
        return nullptr;
    }
    QString option(const char* key) const {
        return library()->options()->optionForKey(QString::fromUtf8(key)).toString();
    }
    void endEvent() {
        processChanges();
        testsupport::drainEvents();
    }

    FakeFilingWindow panel;
    std::unique_ptr<TDFileToGroupController> filing;
    TDList* errands = nullptr;
    TDList* garden = nullptr;
    TDList* garage = nullptr;
    TDFolder* home = nullptr;
    TDList* club = nullptr;
};

TEST_F(FileToGroupTest, MatchingOffersListsOtherThanTheShownOneAndMarksTheBest) {
    struct Case {
        const char* typed;
        bool composing;
        QStringList offered;
        const char* doneTitle;
        bool arrows;
        int shakes;
    };
    const QList<Case> cases = {
        {"gardening", false, {QStringLiteral("Gardening Club")}, "Move", false, 0},
        // Only the shown list matches: none is offered and a new list is.
        {"errands", false, {}, "Create List and Move", false, 1},
        {"zzz", true, {}, "Move", false, 0},
        {"", false, {}, "Move", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        panel.shakes = 0;
        filing->open();
        const QStringList offered = filing->completionsForString(QString::fromUtf8(c.typed), c.composing);
        EXPECT_EQ(offered, c.offered);
        EXPECT_EQ(filing->doneButtonTitle(), QString::fromUtf8(c.doneTitle));
        EXPECT_EQ(filing->arrowsEnabled(), c.arrows);
        EXPECT_EQ(panel.shakes, c.shakes);
        EXPECT_EQ(filing->markedGroup() ? filing->markedGroup()->title() : QString(),
                  c.offered.isEmpty() ? QString() : c.offered.first());
        filing->cancel();
        EXPECT_TRUE(groups->highlightedGroups().isEmpty());
        EXPECT_EQ(filing->markedGroup(), nullptr);
    }
}

TEST_F(FileToGroupTest, FailingInputShakesOnceUntilAMatch) {
    filing->open();
    filing->completionsForString(QStringLiteral("x"));
    filing->completionsForString(QStringLiteral("xq"));
    EXPECT_EQ(panel.shakes, 1);
    filing->completionsForString(QStringLiteral("gar"));
    filing->completionsForString(QStringLiteral("garq"));
    EXPECT_EQ(panel.shakes, 2);
}

TEST_F(FileToGroupTest, SteppingWrapsAroundTheHighlightedRowsAndRevealsThem) {
    filing->open();
    const QStringList offered = filing->completionsForString(QStringLiteral("gar"));
    ASSERT_EQ(offered.size(), 3);
    EXPECT_TRUE(filing->arrowsEnabled());
    // The club's folder opened to show it.
    EXPECT_TRUE(model()->isExpanded(model()->indexForGroup(home)));
    QStringList stepped;
    filing->cycleThroughMatches(false);
    for (int i = 0; i < 3; ++i) {
        stepped << filing->markedGroup()->title();
        filing->cycleThroughMatches(false);
    }
    EXPECT_EQ(stepped.size(), 3);
    EXPECT_EQ(QSet<QString>(stepped.begin(), stepped.end()).size(), 3);
    // Down from the last row wraps to the first; up from there wraps back to the last.
    TDGroup* first = filing->markedGroup();
    filing->cycleThroughMatches(true);
    TDGroup* last = filing->markedGroup();
    filing->cycleThroughMatches(false);
    EXPECT_EQ(filing->markedGroup(), first);
    EXPECT_EQ(last->title(), stepped.at((stepped.indexOf(first->title()) + 2) % 3));
    filing->cancel();
    EXPECT_FALSE(model()->isExpanded(model()->indexForGroup(home)));
}

TEST_F(FileToGroupTest, FilingPutsTheTasksOnTopInSelectionOrderAndUndoRestoresEverything) {
    const QStringList before = contents();
    filing->setTasks({task(errands, QStringLiteral("stamps")), task(errands, QStringLiteral("milk"))});
    filing->open();
    filing->completionsForString(QStringLiteral("garden"));
    ASSERT_EQ(filing->markedGroup(), garden);
    ASSERT_TRUE(filing->done(QStringLiteral("garden")));
    endEvent();

    EXPECT_EQ(titles(garden), (QStringList{QStringLiteral("stamps"), QStringLiteral("milk"),
                                           QStringLiteral("rake"), QStringLiteral("seeds")}));
    EXPECT_EQ(titles(errands), QStringList{QStringLiteral("bread")});
    EXPECT_EQ(option("lastUsedFileToGroupMnemonic"), QStringLiteral("garden"));
    EXPECT_EQ(option("lastUsedFileToGroupUID"), garden->uid());
    EXPECT_EQ(library()->fileToGroupsMatchingAbbreviation(QStringLiteral("garden")).first(), garden);
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("File Task"));
    EXPECT_EQ(panel.closes, 1);
    EXPECT_FALSE(filing->isOpen());

    const QStringList after = contents();
    manager->undoManager()->undo();
    endEvent();
    EXPECT_EQ(contents(), before);
    manager->undoManager()->redo();
    endEvent();
    EXPECT_EQ(contents(), after);
}

TEST_F(FileToGroupTest, WithoutAMatchFilingCreatesAListWithTheTypedName) {
    filing->setTasks({task(errands, QStringLiteral("bread"))});
    filing->open();
    filing->completionsForString(QStringLiteral(" Bakery "));
    ASSERT_EQ(filing->markedGroup(), nullptr);
    ASSERT_TRUE(filing->done(QStringLiteral(" Bakery ")));
    endEvent();
    TDGroup* bakery = group(QStringLiteral("Bakery"));
    ASSERT_NE(bakery, nullptr);
    EXPECT_EQ(titles(bakery), QStringList{QStringLiteral("bread")});
    EXPECT_EQ(option("lastUsedFileToGroupUID"), bakery->uid());
    manager->undoManager()->undo();
    endEvent();
    EXPECT_EQ(group(QStringLiteral("Bakery")), nullptr);
    EXPECT_EQ(titles(errands),
              (QStringList{QStringLiteral("milk"), QStringLiteral("bread"), QStringLiteral("stamps")}));
}

TEST_F(FileToGroupTest, FilingIntoTheTasksOwnListMovesNothingButRemembers) {
    const QStringList before = contents();
    filing->setTasks({task(garden, QStringLiteral("seeds"))});
    filing->open();
    filing->completionsForString(QStringLiteral("garden"));
    ASSERT_TRUE(filing->done(QStringLiteral("garden")));
    endEvent();
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(option("lastUsedFileToGroupMnemonic"), QStringLiteral("garden"));
}

TEST_F(FileToGroupTest, NothingTypedShakesAndStaysOpen) {
    filing->setTasks({task(errands, QStringLiteral("milk"))});
    filing->open();
    filing->completionsForString(QStringLiteral("  "));
    EXPECT_FALSE(filing->done(QStringLiteral("  ")));
    EXPECT_EQ(panel.shakes, 1);
    EXPECT_TRUE(filing->isOpen());
    EXPECT_EQ(panel.closes, 0);
}

TEST_F(FileToGroupTest, TheSourceListComesBackAsItWas) {
    groups->setMode(1);
    struct Case {
        const char* name;
        bool hidden;
        bool personShowsIt;
        bool file;
        bool hiddenAfter;
    };
    const QList<Case> cases = {
        {"hidden, canceled", true, false, false, true},
        {"hidden, filed", true, false, true, true},
        {"shown", false, false, false, false},
        // Hidden by the person while open, it is not toggled back on.
        {"hidden by the person meanwhile", true, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        panel.hidden = c.hidden;
        filing->setTasks({errands->orderedTasks()->objectsAs<TDTask>().first()});
        filing->open();
        EXPECT_FALSE(panel.hidden);
        EXPECT_EQ(groups->mode(), 0);
        if (c.personShowsIt) panel.hidden = true;
        filing->completionsForString(QStringLiteral("garage"));
        if (c.file)
            filing->done(QStringLiteral("garage"));
        else
            filing->cancel();
        EXPECT_EQ(panel.hidden, c.hiddenAfter);
        EXPECT_EQ(groups->mode(), 1);
    }
}

TEST_F(FileToGroupTest, ReopeningOffersTheLastAbbreviationWithItsListMarkedUnlessShown) {
    filing->setTasks({task(errands, QStringLiteral("milk"))});
    filing->open();
    filing->completionsForString(QStringLiteral("gar"));
    filing->cycleThroughMatches(false);
    TDGroup* chosen = filing->markedGroup();
    ASSERT_TRUE(filing->done(QStringLiteral("gar")));
    endEvent();

    QSignalSpy matchStrings(filing.get(), &TDFileToGroupController::matchStringChanged);
    EXPECT_EQ(filing->open(), QStringLiteral("gar"));
    EXPECT_EQ(filing->markedGroup(), chosen);
    ASSERT_FALSE(matchStrings.isEmpty());
    EXPECT_EQ(matchStrings.last().first().toString(), chosen->title());
    EXPECT_FALSE(filing->arrowsEnabled());
    filing->cancel();

    ASSERT_TRUE(groups->selectGroup(chosen));
    filing->open();
    EXPECT_NE(filing->markedGroup(), chosen);
    filing->cancel();
}

}  // namespace
}  // namespace apptest
