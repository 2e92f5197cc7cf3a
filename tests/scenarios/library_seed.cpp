#include "tests/scenarios/library_seed.h"

#include "model/comparison_rule.h"
#include "model/folder.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "model/tag.h"
#include "model/task.h"

#include <gtest/gtest.h>

namespace scenario {

TDGroup* LibrarySeed::folder(const QString& title, TDGroup* parent) {
    return m_library.createFolder(title, parent ? parent : m_library.foldersGroup());
}

TDGroup* LibrarySeed::list(const QString& title, TDGroup* parent) {
    return m_library.createList(title, parent ? parent : m_library.foldersGroup());
}

TDGroup* LibrarySeed::smartFolder(const QString& title, const QString& titleContains, TDGroup* parent) {
    TDGroup* smart = m_library.createSmartFolder();
    smart->setTitle(title);
    auto rule = std::make_shared<TRComparisonRule>(TRRuleTypeString);
    rule->setKeyPath(QStringLiteral("title"));
    rule->setConditionType(TRConditionContains);
    rule->setValue(titleContains);
    TDSmartFolder::from(smart)->setRule(rule);
    EXPECT_TRUE((parent ? parent : m_library.foldersGroup())->orderedSubgroups()->addObject(smart).ok());
    return smart;
}

TDTag* LibrarySeed::tag(const QString& title) {
    return m_library.createTagWithTitle(title, m_library.tagsGroup());
}

TDTask* LibrarySeed::task(TDGroup* list, const QString& title, TDTask* parent) {
    TDTask* task = m_library.createOrphanTask();
    task->setTitle(title);
    TDOrderedCollection* siblings = parent ? parent->orderedTasks() : list->orderedTasks();
    EXPECT_TRUE(siblings->addObject(task).ok()) << title.toStdString();
    return task;
}

}  // namespace scenario
