#pragma once

#include "model/aggregates.h"
#include "model/library_object.h"

#include <memory>

class TDDistinctTaskTally;
class TDGroupDateCounts;
class TDManagedObjectContext;
class TDOrderedCollection;
class TDTask;

inline const QString TDGroupWillDeleteNotification = QStringLiteral("TDGroupWillDeleteNotification");

// Every container of tasks: folders, lists, tags and smart folders. Groups form one tree under the root
// group; special groups (Inbox, Today, Upcoming, Archive, the top folders) keep their titles and places.
// Each group keeps the aggregates of its tasks (or, for folders, of its subgroups).
class TDGroup : public TDLibraryObject {
public:
    TDGroup(const platform::EntityDescription* entity, platform::ManagedObjectContext* context);
    ~TDGroup() override;

    static TDGroup* from(platform::ManagedObject* object) { return dynamic_cast<TDGroup*>(object); }
    // "Folder", "List", "SmartFolder", "Tag" for "folder", "list", "smart", "tag"; empty otherwise.
    static QString entityNameFromType(const QString& type);
    static QString localizedTitle(const QString& title);

    QString title() const { return primitiveValue(QStringLiteral("title")).toString(); }
    // Line breaks and tabs become blanks; refused (and logged) for a special group outside restore and sync.
    virtual void setTitle(const QString& title);
    virtual QString localizedTitle() const;
    QString type() const { return primitiveValue(QStringLiteral("type")).toString(); }
    bool isSpecial() const { return primitiveValue(QStringLiteral("special")).toBool(); }
    void setSpecial(bool special) { TDLibraryObject::setValue(QStringLiteral("special"), special); }
    double displayOrder() const { return primitiveValue(QStringLiteral("displayOrder")).toDouble(); }
    void setLocalInfoDictionary(const QVariantMap& dictionary);
    QString syncIdentifier() const { return uid(); }
    bool isExcludedFromSync() const override { return isSpecial(); }

    bool isFolder() const;
    bool isList() const;
    bool isTag() const;
    bool isSmartFolder() const;
    bool isTagBundle() const;
    bool isInboxGroup() const;
    bool isTodayGroup() const;
    bool isUpcomingGroup() const;
    bool isArchiveGroup() const;
    // Below the archive group (the archive group itself is not archived).
    bool isArchived() const;
    bool hasTasks() const { return entity()->relationship(QStringLiteral("tasks")) && !isFolder(); }
    QString typeDisplayName() const;
    QString tabType() const;
    // The colours of a group's tab and tasks view header: "tabBackgroundGradientTopColor",
    // "tabBackgroundGradientBottomColor", "tasksViewHeaderBackgroundGradientTopColor",
    // "tasksViewHeaderBackgroundGradientBottomColor" and "tabBorderHighlightColor" (QColor values).
    static QVariantMap displayOptionsForTabType(const QString& tabType);
    QVariantMap displayOptions() const { return displayOptionsForTabType(tabType()); }
    bool alwaysShowsItemCount() const;
    bool canAddTask() const;

    // The tree.
    TDGroup* parentGroup() const { return objectAs<TDGroup>(QStringLiteral("parentGroup")); }
    TDLibraryObject* parentObject() const { return parentGroup(); }
    // Refused (and logged) where validateParentGroup refuses. A move that a smart folder's rule depends
    // on (before or after) reloads every smart folder, since rules naming folders cover their contents.
    bool setParentGroup(TDGroup* parent);
    // Groups hang under folders only, never under themselves; smart folders stay out of the archive;
    // special groups keep their places; tags stay among the tags and other groups out of tag bundles.
    bool validateParentGroup(const TDGroup* parent) const;
    // Some smart folder's rule depends on the group: it is among the rule's source groups, or it is a
    // folder holding one of them.
    bool isReferencedInSmartFolderRule() const;
    QList<TDGroup*> subgroups() const;
    bool isDescendantOf(const TDGroup* group) const;
    QList<TDGroup*> parentFolders() const;
    QList<TDGroup*> descendentLists() const;
    QList<TDGroup*> descendentSmartFolders() const;
    QList<TDGroup*> descendentTags() const;
    bool containsSmartFolder() const;
    QList<TDGroup*> allGroupsInTree() const;
    QList<TDTask*> tasks() const;
    virtual QList<TDTask*> allTasksInTree() const;
    QList<TDTask*> allOrderedTasksInTree();
    virtual void setTasksInTreeToArchived(bool archived);
    TDOrderedCollection* orderedSubgroups();
    // Folders have none.
    virtual TDOrderedCollection* orderedTasks();
    TDOrderedCollection* existingOrderedTasks() const { return m_orderedTasks.get(); }
    void addTasks(const QList<TDTask*>& tasks);
    void removeTasks(const QList<TDTask*>& tasks);

    // Aggregates.
    TDAggregates aggregates() const { return TDAggregates::of(this); }
    qint64 actionCount() const { return aggregates().actionCount; }
    qint64 taskCount() const { return aggregates().taskCount; }
    double totalEstimatedTime() const { return aggregates().totalEstimatedTime; }
    bool totalEstimatedTimeComprehensive() const { return aggregates().totalEstimatedTimeComprehensive; }
    QDateTime earliestStartDate() const { return TDAggregates::earliestStartDateOf(this); }
    QDateTime earliestDueDate() const { return TDAggregates::earliestDueDateOf(this); }
    // From the members' kept aggregates; tags and smart folders count the distinct tasks of their trees.
    TDAggregates calculatedAggregates() const;
    // A member task or subgroup changed from `old` to `now`.
    void memberAggregatesDidChange(const platform::ManagedObject* member, const TDAggregates& old,
                                   const TDAggregates& now);
    // A task somewhere in the trees changed its state or, with `moved`, gained or lost those subtasks:
    // a tag or smart folder that keeps a tally and holds any of them recounts just those trees.
    void taskTreeDidChange(const TDTask* task, const QList<platform::ManagedObject*>& moved);
    bool keepsTally() const { return m_tally != nullptr; }
    // Every tally of the context is dropped; those groups recount from scratch on the next pass.
    static void dropTallies(TDManagedObjectContext* context);
    void recalculateTransientProperties() override;
    QDateTime estimatedCompletionDate() const;
    QString totalEstimatedTimeSummary() const;

    // What the tasks view groups and sorts by until the user chooses; a null string is none. The saved
    // choice is in the group's view options (store/group_view_options.h).
    QString defaultGroupingAttribute() const;
    QString defaultSortingAttribute() const;

    // What smart folders answer; plain groups have no rule.
    virtual void resetPredicate() {}
    virtual void reloadTasks() {}
    virtual void tasksDidChange(const QList<TDTask*>& tasks) { Q_UNUSED(tasks); }

    // The copy form carries the group's whole tree: its tasks' copy forms in display order and its
    // subgroups' in their order. Reading takes nested forms as new tasks and groups (a subgroup without
    // "type" is skipped and logged) and identifiers as the generic form does; it changes nothing when
    // any nested form fails.
    QVariantMap propertyListRepresentationForCopying() const override;
    Status updateFromPropertyListRepresentation(const QVariantMap& dictionary) override;

    void setValue(const QString& key, const QVariant& value) override;
    void addObjects(const QString& key, const QList<platform::ManagedObject*>& objects) override;
    void removeObjects(const QString& key, const QList<platform::ManagedObject*>& objects) override;
    const QSet<QString>* keysNotAffectingModifiedDate() const override;

protected:
    QVariant computedValue(const QString& key) const override;
    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void willDelete() override;
    void didChangeSet(const QString& key, SetMutation mutation,
                      const QList<platform::ManagedObject*>& objects) override;
    void willChangeValue(const QString& key) override;
    void didChangeValue(const QString& key) override;
    Status validateValue(const QString& key, QVariant& value) const override;
    // The tasks joined or left the group (list, tag, smart folder), after the change.
    virtual void tasksWereAdded(const QList<TDTask*>& tasks) { Q_UNUSED(tasks); }
    bool p_maintainsAggregates() const;
    void p_setAggregates(const TDAggregates& aggregates);
    // Tags and smart folders count the distinct tasks of their trees rather than summing members.
    bool p_countsDistinctTasks() const { return isTag() || isSmartFolder(); }
    bool p_isRestoring() const;

    std::unique_ptr<TDOrderedCollection> m_orderedTasks;

private:
    // The rule of validateParentGroup for a group coming from `formerParent`: at a save, that is the
    // parent last saved, so a move made around setParentGroup is judged as well.
    bool p_mayMove(const TDGroup* parent, const TDGroup* formerParent) const;
    QList<TDGroup*> p_smartFoldersReferencingGroup() const;
    bool p_maintainsSmartFolders() const;

    void p_buildTally();
    void p_dropTally();
    // The members' summed figures with the tally's counts.
    TDAggregates p_withTalliedCounts(TDAggregates sums) const;
    // The members' sums after one member's change; an earliest date or the flag that the change may
    // have moved is read from the date counts, which are made at the first such change.
    TDAggregates p_followingMember(const TDAggregates& current, const platform::ManagedObject* member,
                                   const TDAggregates& old, const TDAggregates& now);

    std::unique_ptr<TDOrderedCollection> m_orderedSubgroups;
    // Tags and smart folders only, while their aggregates are kept current.
    std::unique_ptr<TDDistinctTaskTally> m_tally;
    // Lists, tags and smart folders whose members' dates needed looking at again; dropped whenever the
    // figures are set in any other way or changes go unseen.
    std::unique_ptr<TDGroupDateCounts> m_dateCounts;
    // The smart folders that depended on the group before undo or redo moved it.
    QList<TDGroup*> m_referencingBeforeReplayedMove;
};
