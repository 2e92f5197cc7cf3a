#pragma once

#include "model/group.h"
#include "model/rule.h"
#include "platform/predicates/predicate.h"

#include <QDateTime>
#include <QSet>

// A group whose tasks are chosen by a predicate: Today and Upcoming by fixed ones built from today's
// date, every other smart folder by its stored rule. The matches are stored in "tasks" and kept current
// by reloads and by the library's incremental pass over changed tasks.
class TDSmartFolder final : public TDGroup {
public:
    TDSmartFolder(const platform::EntityDescription* entity, platform::ManagedObjectContext* context);
    ~TDSmartFolder() override;

    static TDSmartFolder* from(platform::ManagedObject* object) {
        return dynamic_cast<TDSmartFolder*>(object);
    }

    // Open tasks starting before tomorrow or, without a start date, due within the near future (the
    // user default "nearFutureNumberOfDays"), and tasks completed yesterday or today; never archived ones.
    static platform::PredicatePtr todayPredicate(const QDateTime& now);
    // Open tasks due or starting tomorrow or later; never archived ones.
    static platform::PredicatePtr upcomingPredicate(const QDateTime& now);

    // Null without a rule.
    TRRulePtr rule() const;
    // Stores a copy of the rule (so a tree edited in place still counts as a change); nil deletes the
    // stored rule. The folder is marked modified, which reloads all smart folders on the next pass.
    void setRule(const TRRulePtr& rule);

    // Cached until resetPredicate; null for an ordinary folder without a rule, which matches nothing.
    platform::PredicatePtr predicate();
    void resetPredicate() override;
    // A fresh translation run over the library's groups.
    platform::PredicatePtr translateRulePredicate(const platform::PredicatePtr& predicate) const;
    // The groups whose contents the rule depends on.
    QList<TDGroup*> sourceGroups() const;
    // Whether the matches may change with the day; folders that name each other are followed once.
    bool hasRelativeDateRules() const;
    // Not archived and accepted by the predicate.
    bool matchesTask(TDTask* task);

    void reloadTasks() override;
    // Makes the membership exactly the matches among `candidates`, which must be every unarchived task.
    void reloadTasksFromCandidates(const QList<TDTask*>& candidates);
    void didFinishTaskReloading();
    void tasksDidChange(const QList<TDTask*>& tasks) override;

    // A user's drop: adds the tasks, then Today gives open tasks that do not qualify yet today's start
    // and Upcoming gives undated tasks tomorrow's start; such a task outside every list goes to the top
    // of the Inbox. Automatic membership updates never come here.
    void dropTasks(const QList<TDTask*>& tasks);

    // The group's forms plus "rule", the archived rule, when there is one.
    QVariantMap propertyListRepresentation() const override;
    QVariantMap propertyListRepresentationForCopying() const override;
    // "rule" as archived data or its base64 text; absent: no rule. A rule that does not decode is an
    // error and changes nothing.
    Status updateFromPropertyListRepresentation(const QVariantMap& dictionary) override;

    void setTasksInTreeToArchived(bool archived) override { Q_UNUSED(archived); }
    const QSet<QString>* keysNotAffectingModifiedDate() const override;

    // The rules of the library's other smart folders lose their leaves naming the group.
    static void removeRuleLeavesNamingGroup(TDGroup* group);

private:
    platform::PredicatePtr p_buildPredicate();
    QVariantMap p_withRule(QVariantMap form) const;
    bool p_hasRelativeDateRules(QSet<const TDSmartFolder*>* seen) const;
    void p_changeMembership(const QList<platform::ManagedObject*>& added,
                            const QList<platform::ManagedObject*>& removed);

    platform::PredicatePtr m_predicate;
    bool m_hasPredicate = false;
};
