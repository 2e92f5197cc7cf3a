#include "model/smart_folder.h"
#include "language/date_additions.h"
#include "model/comparison_rule.h"
#include "model/compound_rule.h"
#include "platform/defaults/user_defaults.h"
#include "tests/model/task_tree_fixture.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace modeltest {
namespace {

TRRulePtr leaf(const QString& keyPath, int condition, const QVariant& value,
               int ruleType = TRRuleTypeString) {
    auto rule = std::make_shared<TRComparisonRule>(ruleType);
    rule->setKeyPath(keyPath);
    rule->setConditionType(condition);
    rule->setValue(value);
    return rule;
}

TRRulePtr compound(int type, const QList<TRRulePtr>& rules) {
    auto rule = std::make_shared<TRCompoundRule>(type);
    for (const TRRulePtr& subrule : rules) rule->addSubrule(subrule);
    return rule;
}

QStringList titles(const QList<TDTask*>& tasks) {
    QStringList found;
    for (TDTask* task : tasks) found << task->title();
    found.sort();
    return found;
}

class SmartFolderTest : public TaskTreeTest {
protected:
    void SetUp() override {
        TaskTreeTest::SetUp();
        platform::UserDefaults::standard().setValue(QStringLiteral("nearFutureNumberOfDays"), 2);
    }

    TDSmartFolder* today() const { return TDSmartFolder::from(library->todayGroup()); }
    TDSmartFolder* upcoming() const { return TDSmartFolder::from(library->upcomingGroup()); }
    QDateTime day(qint64 offset) const {
        return dates::dateByAddingDays(dates::dateAtStartOfDay(clock->currentDateTime()), offset);
    }
    TDSmartFolder* smartFolder(const QString& title, const TRRulePtr& rule) {
        auto* folder = TDSmartFolder::from(library->createSmartFolder());
        folder->setTitle(title);
        EXPECT_TRUE(library->foldersGroup()->orderedSubgroups()->addObject(folder).ok());
        if (rule) folder->setRule(rule);
        return folder;
    }
    // Runs the library's pass as the manager does after a change.
    void process() {
        context->processPendingChanges();
        library->processModifiedObjects();
        settle();
    }
};

TEST_F(SmartFolderTest, TodayAndUpcomingFollowTheDayAcrossMidnight) {
    clock->setNow(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 30)));
    struct Case {
        const char* title;
        int start;  // days from the first day; 99: none
        int due;
        int completed;
        bool archived;
        bool todayBefore, upcomingBefore, todayAfter, upcomingAfter;
    };
    const int none = 99;
    const Case cases[] = {
        {"starts today", 0, none, none, false, true, false, true, false},
        {"starts tomorrow", 1, none, none, false, false, true, true, false},
        {"starts in two days", 2, none, none, false, false, true, false, true},
        {"due yesterday", none, -1, none, false, true, false, true, false},
        {"due in two days", none, 2, none, false, true, true, true, true},
        {"due in three days", none, 3, none, false, false, true, true, true},
        {"starts and due tomorrow", 1, 1, none, false, false, true, true, false},
        {"starts tomorrow due today", 1, 0, none, false, false, true, true, false},
        {"undated", none, none, none, false, false, false, false, false},
        {"completed yesterday", none, none, -1, false, true, false, false, false},
        {"completed today", 0, none, 0, false, true, false, true, false},
        {"archived", 0, 1, none, true, false, false, false, false},
    };
    for (const Case& c : cases) {
        TDTask* t = task(QString::fromLatin1(c.title), inbox());
        if (c.start != none) t->setStartDate(day(c.start));
        if (c.due != none) t->setValue(QStringLiteral("dueDate"), day(c.due));
        if (c.completed != none) {
            t->setValue(QStringLiteral("status"), QStringLiteral("C"));
            t->setValue(QStringLiteral("completedDate"), day(c.completed).addSecs(3600));
        }
        if (c.archived) t->setArchived(true);
    }
    auto expected = [&](bool after, bool forToday) {
        QStringList found;
        for (const Case& c : cases)
            if (forToday ? (after ? c.todayAfter : c.todayBefore)
                         : (after ? c.upcomingAfter : c.upcomingBefore))
                found << QString::fromLatin1(c.title);
        found.sort();
        return found;
    };
    library->reloadAllSmartFolders();
    EXPECT_EQ(titles(today()->tasks()), expected(false, true));
    EXPECT_EQ(titles(upcoming()->tasks()), expected(false, false));

    clock->advanceSeconds(60);
    library->reloadAllSmartFolders();
    EXPECT_EQ(titles(today()->tasks()), expected(true, true));
    EXPECT_EQ(titles(upcoming()->tasks()), expected(true, false));
}

TEST_F(SmartFolderTest, CountsAreDistinctTasksAndTheBadgeFollowsToday) {
    platform::UserDefaults::standard().setValue(QStringLiteral("dockBadgeMode"), 1);
    TDTask* parent = task(QStringLiteral("parent"), inbox());
    TDTask* child = task(QStringLiteral("child"), parent);
    parent->setStartDate(day(0));
    child->setStartDate(day(0));
    library->reloadAllSmartFolders();
    settle();
    EXPECT_EQ(today()->tasks().size(), 2);
    EXPECT_EQ(today()->taskCount(), 2);
    EXPECT_EQ(today()->actionCount(), 1);
    EXPECT_EQ(library->dockBadgeCount(), 1);
    child->setValue(QStringLiteral("status"), QStringLiteral("C"));
    process();
    EXPECT_EQ(today()->taskCount(), 2);
    EXPECT_EQ(today()->actionCount(), 0);
    EXPECT_EQ(library->dockBadgeCount(), 0);
}

TEST_F(SmartFolderTest, DropRulesRunForTheUserOnlyAndTestTheTreeList) {
    TDTask* undated = task(QStringLiteral("undated"), inbox());
    TDTask* orphan = task(QStringLiteral("orphan"));
    TDTask* parent = task(QStringLiteral("parent"), inbox());
    TDTask* subtask = task(QStringLiteral("subtask"), parent);
    TDTask* due = task(QStringLiteral("due tomorrow"), inbox());
    due->setValue(QStringLiteral("dueDate"), day(1));

    upcoming()->dropTasks({undated});
    EXPECT_EQ(undated->startDate(), day(1));
    today()->dropTasks({orphan, subtask, due});
    EXPECT_EQ(orphan->startDate(), day(0));
    EXPECT_EQ(inbox()->orderedTasks()->objectsAs<TDTask>().first(), orphan);
    // The subtask belongs to its parent's list, so it stays where it is.
    EXPECT_EQ(subtask->parentTask(), parent);
    EXPECT_FALSE(inbox()->tasks().contains(subtask));
    // Due soon already: left alone.
    EXPECT_FALSE(due->startDate().isValid());

    // An automatic update never rewrites dates.
    TDTask* later = task(QStringLiteral("later"), inbox());
    later->setValue(QStringLiteral("dueDate"), day(5));
    process();
    EXPECT_TRUE(upcoming()->tasks().contains(later));
    EXPECT_FALSE(later->startDate().isValid());
}

TEST_F(SmartFolderTest, RulesSelectTasksAndFollowDeletedGroups) {
    TDList* work = library->createList(QStringLiteral("Work"), library->foldersGroup());
    TDList* home = library->createList(QStringLiteral("Home"), library->foldersGroup());
    TDTask* report = task(QStringLiteral("report"), work);
    report->setValue(QStringLiteral("priority"), 1);
    TDTask* memo = task(QStringLiteral("memo"), work);
    task(QStringLiteral("dishes"), home);
    TDSmartFolder* urgentWork = smartFolder(
        QStringLiteral("Urgent work"),
        compound(TRRuleTypeAll,
                 {leaf(QStringLiteral("group"), TRConditionEqualTo, work->uid(), TRRuleTypeList),
                  leaf(QStringLiteral("priority"), TRConditionLessThanOrEqualTo, 2, TRRuleTypeNumber)}));
    TDSmartFolder* notWork =
        smartFolder(QStringLiteral("Not work"),
                    leaf(QStringLiteral("group"), TRConditionNotEqualTo, work->uid(), TRRuleTypeList));
    process();
    EXPECT_EQ(titles(urgentWork->tasks()), QStringList{QStringLiteral("report")});
    EXPECT_TRUE(titles(notWork->tasks()).contains(QStringLiteral("dishes")));
    EXPECT_FALSE(titles(notWork->tasks()).contains(QStringLiteral("memo")));
    EXPECT_EQ(urgentWork->sourceGroups(), QList<TDGroup*>{work});
    EXPECT_FALSE(urgentWork->hasRelativeDateRules());

    memo->setValue(QStringLiteral("priority"), 2);
    process();
    EXPECT_EQ(titles(urgentWork->tasks()), (QStringList{QStringLiteral("memo"), QStringLiteral("report")}));

    // Deleting the list takes its leaf out of the rules; a changed rule reloads every folder.
    context->deleteObject(work);
    EXPECT_FALSE(urgentWork->rule()->hasRuleWithKeyPath(QStringLiteral("group"), work->uid()));
    EXPECT_FALSE(notWork->rule());
    EXPECT_TRUE(library->modifiedGroups().contains(urgentWork));
    process();
    EXPECT_TRUE(notWork->tasks().isEmpty());

    // Without a rule the stored rule object goes and nothing matches.
    urgentWork->setRule(nullptr);
    EXPECT_EQ(urgentWork->object(QStringLiteral("smartFolderRule")), nullptr);
    process();
    EXPECT_TRUE(urgentWork->tasks().isEmpty());
}

TEST_F(SmartFolderTest, FoldersNamingEachOtherEndTheirWalks) {
    TDSmartFolder* a = smartFolder(QStringLiteral("A"), nullptr);
    TDSmartFolder* b = smartFolder(QStringLiteral("B"), nullptr);
    a->setRule(leaf(QStringLiteral("group"), TRConditionEqualTo, b->uid(), TRRuleTypeList));
    b->setRule(leaf(QStringLiteral("group"), TRConditionEqualTo, a->uid(), TRRuleTypeList));
    EXPECT_FALSE(a->hasRelativeDateRules());
    TDSmartFolder* c = smartFolder(QStringLiteral("C"), nullptr);
    c->setRule(compound(
        TRRuleTypeAny,
        {leaf(QStringLiteral("group"), TRConditionEqualTo, a->uid(), TRRuleTypeList),
         leaf(QStringLiteral("group"), TRConditionEqualTo, library->todayGroup()->uid(), TRRuleTypeList)}));
    EXPECT_TRUE(c->hasRelativeDateRules());
    TDTask* t = task(QStringLiteral("today"), inbox());
    t->setStartDate(day(0));
    process();
    EXPECT_TRUE(a->tasks().isEmpty());
    EXPECT_EQ(titles(c->tasks()), QStringList{QStringLiteral("today")});
}

TEST_F(SmartFolderTest, MovingGroupsRefreshesTheFoldersWhoseRulesDependOnThem) {
    TDFolder* named = library->createFolder(QStringLiteral("Named"), library->foldersGroup());
    TDList* errands = library->createList(QStringLiteral("Errands"), library->foldersGroup());
    task(QStringLiteral("milk"), errands);
    TDSmartFolder* inNamed =
        smartFolder(QStringLiteral("in named"),
                    leaf(QStringLiteral("group"), TRConditionEqualTo, named->uid(), TRRuleTypeList));
    // Names the smart folder, not the folder: it changes with the folder's contents all the same.
    TDSmartFolder* watcher =
        smartFolder(QStringLiteral("watcher"),
                    leaf(QStringLiteral("group"), TRConditionEqualTo, inNamed->uid(), TRRuleTypeList));
    process();
    EXPECT_TRUE(inNamed->tasks().isEmpty());
    EXPECT_FALSE(errands->isReferencedInSmartFolderRule());

    ASSERT_TRUE(errands->setParentGroup(named));
    EXPECT_TRUE(errands->isReferencedInSmartFolderRule());
    EXPECT_EQ(titles(inNamed->tasks()), QStringList{QStringLiteral("milk")});
    EXPECT_EQ(titles(watcher->tasks()), QStringList{QStringLiteral("milk")});
    // The rules are translated again, so the incremental pass sees the list's new tasks.
    task(QStringLiteral("bread"), errands);
    process();
    const QStringList both{QStringLiteral("bread"), QStringLiteral("milk")};
    EXPECT_EQ(titles(inNamed->tasks()), both);

    testsupport::drainEvents();
    undoManager->beginUndoGrouping();
    ASSERT_TRUE(errands->setParentGroup(library->foldersGroup()));
    undoManager->endUndoGrouping();
    EXPECT_TRUE(inNamed->tasks().isEmpty());
    EXPECT_TRUE(watcher->tasks().isEmpty());
    undoManager->undo();
    process();
    EXPECT_EQ(errands->parentGroup(), named);
    task(QStringLiteral("eggs"), errands);
    process();
    const QStringList all{QStringLiteral("bread"), QStringLiteral("eggs"), QStringLiteral("milk")};
    EXPECT_EQ(titles(inNamed->tasks()), all);
    EXPECT_EQ(titles(watcher->tasks()), all);

    // A new list in the named folder is covered from its first task on.
    TDList* shopping = library->createList(QStringLiteral("Shopping"), named);
    process();
    task(QStringLiteral("soap"), shopping);
    process();
    EXPECT_TRUE(titles(inNamed->tasks()).contains(QStringLiteral("soap")));
}

// After any sequence of edits, the membership kept by the incremental pass is what a full reload gives.
// Groups move too (into, out of and between folders that rules name, into the archive, and back by
// undo), and new lists appear in those folders.
TEST_F(SmartFolderTest, IncrementalMembershipEqualsAFullReload) {
    TDFolder* named = library->createFolder(QStringLiteral("Named"), library->foldersGroup());
    TDFolder* elsewhere = library->createFolder(QStringLiteral("Elsewhere"), library->foldersGroup());
    QList<TDList*> lists{inbox(), library->createList(QStringLiteral("Work"), library->foldersGroup()),
                         library->createList(QStringLiteral("Home"), library->foldersGroup()),
                         library->createList(QStringLiteral("Inside"), named)};
    QList<TDTag*> tags{library->createTagWithTitle(QStringLiteral("red")),
                       library->createTagWithTitle(QStringLiteral("blue"))};
    auto within = std::make_shared<TRComparisonRule>(TRRuleTypeDate);
    within->setKeyPath(QStringLiteral("dueDate"));
    within->setConditionType(TRConditionWithinTheNext);
    within->setRelativeDateQuantity(3);
    auto redTag = leaf(QStringLiteral("tag"), TRConditionEqualTo, tags[0]->uid(), TRRuleTypeList);
    QList<TDSmartFolder*> folders{
        smartFolder(QStringLiteral("work"),
                    leaf(QStringLiteral("group"), TRConditionEqualTo, lists[1]->uid(), TRRuleTypeList)),
        smartFolder(QStringLiteral("red or soon"), compound(TRRuleTypeAny, {redTag, within})),
        smartFolder(QStringLiteral("untagged urgent"),
                    compound(TRRuleTypeAll, {leaf(QStringLiteral("tag"), TRConditionEqualTo, QVariant()),
                                             leaf(QStringLiteral("priority"), TRConditionLessThanOrEqualTo, 1,
                                                  TRRuleTypeNumber)})),
        smartFolder(QStringLiteral("not canceled"),
                    leaf(QStringLiteral("canceledDate"), TRConditionEqualTo, QVariant(), TRRuleTypeDate)),
        smartFolder(QStringLiteral("folders"), leaf(QStringLiteral("group"), TRConditionEqualTo,
                                                    library->foldersGroup()->uid(), TRRuleTypeList)),
        smartFolder(QStringLiteral("in named"),
                    leaf(QStringLiteral("group"), TRConditionEqualTo, named->uid(), TRRuleTypeList)),
        smartFolder(QStringLiteral("outside named"),
                    leaf(QStringLiteral("group"), TRConditionNotEqualTo, named->uid(), TRRuleTypeList)),
    };
    folders.append(
        smartFolder(QStringLiteral("naming in named"),
                    leaf(QStringLiteral("group"), TRConditionEqualTo, folders[5]->uid(), TRRuleTypeList)));
    folders.append({today(), upcoming()});
    // The Inbox is among them to be refused; "work" is a smart folder that rules see through folders.
    const QList<TDGroup*> movable{inbox(), lists[1], lists[2], lists[3], named, elsewhere, folders[0]};
    const QList<TDGroup*> places{library->foldersGroup(), named, elsewhere, library->archiveGroup()};
    QList<TDTask*> tasks;
    for (int i = 0; i < 20; ++i) tasks.append(task(QStringLiteral("t%1").arg(i), lists[i % 3]));
    process();

    // What a folder selects from the tree as it stands now, its rule translated afresh (a pass leaves
    // the membership exactly so).
    auto freshMatches = [this](TDSmartFolder* folder) {
        platform::PredicatePtr predicate;
        if (folder->isTodayGroup())
            predicate = TDSmartFolder::todayPredicate(clock->currentDateTime());
        else if (folder->isUpcomingGroup())
            predicate = TDSmartFolder::upcomingPredicate(clock->currentDateTime());
        else if (folder->rule())
            predicate = folder->translateRulePredicate(folder->rule()->predicate());
        QStringList found;
        for (TDTask* each : library->allTasks())
            if (predicate && !each->isDeleted() && !each->isArchived() && predicate->evaluate(each))
                found << each->title();
        found.sort();
        return found;
    };
    QRandomGenerator random(20261209);
    auto pick = [&random](const auto& list) { return list.at(random.bounded(int(list.size()))); };
    auto date = [&] { return random.bounded(3) == 0 ? QDateTime() : day(random.bounded(-3, 6)); };
    for (int step = 0; step < 400; ++step) {
        tasks.removeIf([](TDTask* t) { return t->isDeleted(); });
        TDTask* t = pick(tasks);
        switch (random.bounded(14)) {
            case 0:
                t->setStartDate(date());
                break;
            case 1:
                t->setValue(QStringLiteral("dueDate"), date());
                break;
            case 2:
                t->setValue(QStringLiteral("status"),
                            t->isIncomplete() ? QVariant(QStringLiteral("C")) : QVariant());
                t->setValue(QStringLiteral("completedDate"),
                            t->isIncomplete() ? QVariant() : QVariant(day(random.bounded(-2, 1))));
                break;
            case 3:
                t->setValue(QStringLiteral("priority"), random.bounded(4));
                break;
            case 4:  // refused when it is there already
                (void)pick(lists)->orderedTasks()->addObject(t);
                break;
            case 5: {
                TDTag* tag = pick(tags);
                if (t->tags().contains(tag))
                    t->removeObject(QStringLiteral("tags"), tag);
                else
                    t->addObject(QStringLiteral("tags"), tag);
                break;
            }
            case 6:
                t->setArchived(!t->isArchived());
                break;
            case 7:
                tasks.append(task(QStringLiteral("n%1").arg(step), pick(lists)));
                break;
            case 8:
                if (tasks.size() > 5) context->deleteObject(t);
                break;
            case 9:
                t->setValue(QStringLiteral("status"), QStringLiteral("X"));
                t->setValue(QStringLiteral("completedDate"), day(0));
                break;
            case 10: {
                TDTask* other = pick(tasks);
                if (other != t && !other->isDescendantOf(t) && !other->isArchived() && !t->isArchived())
                    (void)other->orderedTasks()->addObject(t);  // refused when already there
                break;
            }
            case 11: {
                TDGroup* group = pick(movable);
                TDGroup* place = pick(places);
                const bool allowed = group->validateParentGroup(place);
                EXPECT_TRUE(group != inbox() || !allowed);
                EXPECT_EQ(group->setParentGroup(place), allowed);
                EXPECT_TRUE(!allowed || group->parentGroup() == place);
                break;
            }
            case 12:
                lists.append(library->createList(QStringLiteral("L%1").arg(step), pick(places)));
                break;
            case 13: {
                // The event's undo group closes first, so that undo takes back this move alone.
                testsupport::drainEvents();
                TDGroup* group = pick(movable);
                TDGroup* before = group->parentGroup();
                undoManager->beginUndoGrouping();
                const bool moved = group->setParentGroup(pick(places));
                undoManager->endUndoGrouping();
                if (!moved) break;
                if (random.bounded(2) == 0) process();
                undoManager->undo();
                EXPECT_EQ(group->parentGroup(), before);
                if (random.bounded(2) == 0) undoManager->redo();
                break;
            }
        }
        if (random.bounded(4) == 0) {
            process();
            for (TDSmartFolder* folder : folders)
                EXPECT_EQ(titles(folder->tasks()), freshMatches(folder))
                    << folder->title().toStdString() << " at step " << step;
        }
        if (step % 50 == 49) {
            process();
            QMap<QString, QStringList> incremental;
            for (TDSmartFolder* folder : folders) incremental[folder->title()] = titles(folder->tasks());
            library->reloadAllSmartFolders();
            for (TDSmartFolder* folder : folders)
                EXPECT_EQ(incremental[folder->title()], titles(folder->tasks()))
                    << folder->title().toStdString() << " at step " << step;
            for (TDSmartFolder* folder : folders) {
                QStringList direct;
                for (TDTask* each : library->allTasks())
                    if (!each->isDeleted() && folder->matchesTask(each)) direct << each->title();
                direct.sort();
                EXPECT_EQ(direct, titles(folder->tasks())) << folder->title().toStdString();
            }
            // The day moves on now and then; a reload follows it, as after a change of date.
            clock->advanceSeconds(86400 / 2);
            library->reloadAllSmartFolders();
        }
    }
    saveAll();
}

}  // namespace
}  // namespace modeltest

namespace modeltest {
namespace {

TEST_F(SmartFolderTest, FormsCarryTheRuleAndRefuseOneThatDoesNotDecode) {
    TDList* work = library->createList(QStringLiteral("Work"), library->foldersGroup());
    const TRRulePtr rule = compound(
        TRRuleTypeAll, {leaf(QStringLiteral("group"), TRConditionEqualTo, work->uid(), TRRuleTypeList),
                        leaf(QStringLiteral("title"), TRConditionContains, QStringLiteral("a*b\\c"))});
    TDSmartFolder* original = smartFolder(QStringLiteral("Original"), rule);
    const QVariantMap form = original->propertyListRepresentationForCopying();
    ASSERT_EQ(form.value(QStringLiteral("rule")).metaType().id(), QMetaType::QByteArray);
    EXPECT_FALSE(form.contains(QStringLiteral("smartFolderRule")));

    TDSmartFolder* copy = smartFolder(QStringLiteral("Copy"), nullptr);
    QVariantMap asText = form;
    asText.insert(QStringLiteral("rule"),
                  QString::fromLatin1(form.value(QStringLiteral("rule")).toByteArray().toBase64()));
    ASSERT_TRUE(copy->updateFromPropertyListRepresentation(asText).ok());
    ASSERT_TRUE(copy->rule());
    EXPECT_EQ(copy->rule()->predicate()->format(), rule->predicate()->format());

    QVariantMap broken = form;
    broken.insert(QStringLiteral("rule"), QByteArray("not an archive"));
    broken.insert(QStringLiteral("title"), QStringLiteral("Broken"));
    EXPECT_FALSE(copy->updateFromPropertyListRepresentation(broken).ok());
    EXPECT_EQ(copy->title(), QStringLiteral("Original"));
    EXPECT_EQ(copy->rule()->predicate()->format(), rule->predicate()->format());

    // A form without a rule leaves the folder without one.
    QVariantMap without = form;
    without.remove(QStringLiteral("rule"));
    ASSERT_TRUE(copy->updateFromPropertyListRepresentation(without).ok());
    EXPECT_FALSE(copy->rule());
}

}  // namespace
}  // namespace modeltest
