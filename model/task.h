#pragma once

#include "model/aggregates.h"
#include "model/library_object.h"

#include <QColor>

#include <memory>

class TDGroup;
class TDList;
class TDOrderedCollection;

inline const QString TDTaskWillDeleteNotification = QStringLiteral("TDTaskWillDeleteNotification");

// One task: its fields, its three states (open, completed "C", canceled "X") and what closing or
// reopening does to its subtasks and parents, its place in the task tree, and the aggregates of its
// subtree kept current as anything below it changes.
class TDTask : public TDLibraryObject {
public:
    TDTask(const platform::EntityDescription* entity, platform::ManagedObjectContext* context);
    ~TDTask() override;

    static TDTask* from(platform::ManagedObject* object) { return dynamic_cast<TDTask*>(object); }

    QString title() const { return primitiveValue(QStringLiteral("title")).toString(); }
    void setTitle(const QString& title) { setTitle(title, true); }
    // Tags follow the title's tokens when `triggerChanges` is set (with title tokens, later).
    void setTitle(const QString& title, bool triggerChanges);
    QString status() const { return primitiveValue(QStringLiteral("status")).toString(); }
    void setStatus(const QString& status);
    QDateTime completedDate() const { return primitiveValue(QStringLiteral("completedDate")).toDateTime(); }
    QDateTime canceledDate() const { return isCanceled() ? completedDate() : QDateTime(); }
    bool isCompleted() const { return status() == QLatin1String("C"); }
    bool isIncomplete() const { return primitiveValue(QStringLiteral("status")).isNull(); }
    bool isCanceled() const { return status() == QLatin1String("X"); }
    void setCompleted(bool completed);
    void setCanceled(bool canceled);
    void toggleCompletion();
    void toggleCancelation() { setCanceled(!isCanceled()); }
    bool isRecurring() const { return object(QStringLiteral("recurrence")) != nullptr; }
    bool isAction() const { return isIncomplete() && !hasSubtasks(); }
    int level() const;
    bool isArchived() const { return primitiveValue(QStringLiteral("archived")).toBool(); }
    void setArchived(bool archived);
    QString syncIdentifier() const;

    qint64 priority() const { return primitiveValue(QStringLiteral("priority")).toLongLong(); }
    void setPriority(qint64 priority);
    double displayOrder() const { return primitiveValue(QStringLiteral("displayOrder")).toDouble(); }
    void setModifiedDate(const QDateTime& date);
    void setLocalInfoDictionary(const QVariantMap& dictionary);

    // Estimates and dates.
    double estimatedTime() const { return primitiveValue(QStringLiteral("estimatedTime")).toDouble(); }
    void setEstimatedTime(double seconds);
    double actualTime() const { return primitiveValue(QStringLiteral("actualTime")).toDouble(); }
    QDateTime startDate() const { return primitiveValue(QStringLiteral("startDate")).toDateTime(); }
    void setStartDate(const QDateTime& date);
    QDateTime dueDate() const { return primitiveValue(QStringLiteral("dueDate")).toDateTime(); }
    void setDueDate(const QDateTime& date);
    bool estimatedTimeIsCalculated() const { return hasSubtasks(); }
    bool startDateIsCalculated() const { return !startDate().isValid(); }
    bool dueDateIsCalculated() const { return !dueDate().isValid(); }
    QDateTime dueOrStartDate() const { return dueDate().isValid() ? dueDate() : startDate(); }
    QDateTime nextActionDate() const;
    bool isPastStart() const;
    bool isPastDue() const;
    bool isDueSoon() const;
    // Past due: the colour of "pastDueColor"; due soon: that of "dueSoonColor"; else the text colour.
    QColor dueDateColor() const;
    double totalEstimatedTimeDisplayNumber() const;
    QString totalEstimatedTimeDisplayString() const;
    // Text that does not read as a duration leaves the estimate as it was; empty text clears it.
    void setTotalEstimatedTimeDisplayString(const QString& text);

    // Aggregates of the subtree.
    TDAggregates aggregates() const { return TDAggregates::of(this); }
    qint64 actionCount() const { return aggregates().actionCount; }
    qint64 taskCount() const { return aggregates().taskCount; }
    double totalEstimatedTime() const { return aggregates().totalEstimatedTime; }
    bool totalEstimatedTimeComprehensive() const { return aggregates().totalEstimatedTimeComprehensive; }
    QDateTime earliestStartDate() const { return aggregates().earliestStartDate; }
    QDateTime earliestDueDate() const { return aggregates().earliestDueDate; }
    // From the task's own fields and its subtasks' aggregates.
    TDAggregates calculatedAggregates() const;
    // From scratch over the whole subtree, trusting nothing kept.
    static TDAggregates recalculatedTreeAggregates(const TDTask* task);
    qint64 calculatedNumberOfLeafTasks() const { return calculatedAggregates().actionCount; }
    double calculatedTotalEstimatedTime() const { return calculatedAggregates().totalEstimatedTime; }
    bool calculatedTotalEstimatedTimeComprehensiveness() const {
        return calculatedAggregates().totalEstimatedTimeComprehensive;
    }
    QDateTime calculatedEarliestStartDate() const { return calculatedAggregates().earliestStartDate; }
    QDateTime calculatedEarliestDueDate() const { return calculatedAggregates().earliestDueDate; }
    // A subtask's aggregates changed from `old` to `now`.
    void subtaskAggregatesDidChange(const TDAggregates& old, const TDAggregates& now);

    // The tree.
    TDTask* parentTask() const { return objectAs<TDTask>(QStringLiteral("parentTask")); }
    // Refused (and logged) for the task itself or one of its descendants.
    bool setParentTask(TDTask* parent);
    TDList* parentList() const;
    TDLibraryObject* parentObject() const;
    bool hasSubtasks() const { return !objects(QStringLiteral("subtasks")).isEmpty(); }
    QList<TDTask*> subtasks() const;
    void addSubtasks(const QList<TDTask*>& tasks);
    void removeSubtasks(const QList<TDTask*>& tasks);
    TDOrderedCollection* orderedTasks();
    TDOrderedCollection* existingOrderedTasks() const { return m_orderedTasks.get(); }
    QList<TDTask*> allSubtasks() const;
    QList<TDTask*> allTasksInTree() const;
    QList<TDTask*> allOrderedTasksInTree();
    QList<TDTask*> ancestorTasks() const;
    QList<TDLibraryObject*> allParents() const;
    QString combinedTitlesFromTree();
    // The task itself, a group whose ordered tasks hold it, or an ancestor of its parent task.
    bool isDescendantOf(const TDLibraryObject* object) const;
    TDList* list();
    void setTopList(TDList* list);
    void moveToList(TDList* list);
    // Before this task when `after` is false.
    void insertSibling(TDTask* task, bool after);
    void setTasksInTreeToArchived(bool archived);
    QList<TDGroup*> tags() const;
    QList<TDGroup*> smartFolders() const;

    // Dictionary forms. The plain form carries the recurrence as its own form; the copy form carries
    // subtasks and notes as nested copy forms; the recurrence-copy form is what the next occurrence of
    // a repeating task is made from (uids derived from the task's and its recurrence's, no state). A
    // form that fails anywhere, nested forms included, changes nothing.
    QVariantMap propertyListRepresentation() const override;
    QVariantMap propertyListRepresentationForCopying() const override;
    QVariantMap propertyListRepresentationForRecurrenceCopying() const;
    Status updateFromPropertyListRepresentation(const QVariantMap& dictionary) override;
    // The completion date travels as "completed_time", outside "contents". A record without
    // "recurrence" leaves the recurrence; a null one deletes it.
    QVariantMap syncDictionaryRepresentation() const override;
    Status updateFromSyncDictionaryRepresentation(const QVariantMap& record) override;
    // The loose form of tasks from outside (keys matched without case; unknown keys ignored).
    void updateFromImportDictionary(const QVariantMap& dictionary);

    // Recurring copies: the next occurrence of a repeating task, right after it, which takes over the
    // recurrence; missed occurrences are caught up one after another.
    void makeNextRecurringCopiesIfNecessary();
    // "Repeats every week"; null for a task that does not repeat.
    QString recurrenceDescription() const;

    void setValue(const QString& key, const QVariant& value) override;
    void addObjects(const QString& key, const QList<platform::ManagedObject*>& objects) override;
    void removeObjects(const QString& key, const QList<platform::ManagedObject*>& objects) override;
    const QSet<QString>* keysNotAffectingModifiedDate() const override;

protected:
    QVariant computedValue(const QString& key) const override;
    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void willDelete() override;
    void didChangeValue(const QString& key) override;
    void didChangeSet(const QString& key, SetMutation mutation,
                      const QList<platform::ManagedObject*>& objects) override;
    Status validateValue(const QString& key, QVariant& value) const override;

private:
    void p_setCompleted(bool closed, const QDateTime& date, const QString& status);
    void p_updateAfterChangingSubtasksWithModifiedDate(const QDateTime& date);
    bool p_maintainsAggregates() const;
    void p_setAggregates(const TDAggregates& aggregates);
    void p_refreshAggregates() { p_setAggregates(calculatedAggregates()); }
    void p_scheduleGroupsOfTreeForRecalculation();
    bool p_acceptsParent(const TDTask* parent) const;
    QVariantMap p_propertyListRepresentationForCopying(bool forRecurrence) const;
    Status p_updateFromPropertyListRepresentation(const QVariantMap& dictionary, bool absentRecurrenceDeletes);
    TDTask* p_makeNextRecurringCopy();

    std::unique_ptr<TDOrderedCollection> m_orderedTasks;
};

// The current instant cut down to a whole second.
QDateTime TDCurrentWholeSecond();

// The uid of a recurring copy: `uid` and the recurrence's uid read as hexadecimal, plus 1, wrapping.
QString TDRecurrenceCopyUID(const QString& uid, const QString& recurrenceUID);
