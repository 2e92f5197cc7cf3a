#pragma once

#include "model/aggregates.h"
#include "model/library_object.h"
#include "model/task_properties.h"

#include "language/token.h"

#include <QSet>
#include <QTextDocument>
#include <QUrl>

#include <memory>
#include <typeinfo>

class TDGroup;
class TDLibrary;
class TDList;
class TDOrderedCollection;
namespace platform {
class CalendarTask;
}
class TDToken;
class TDTag;
class TDTaskNotes;

inline const QString TDTaskWillDeleteNotification = QStringLiteral("TDTaskWillDeleteNotification");

// How pressing an open task's due date is.
enum class TDDueState { NotDue, DueSoon, PastDue };

// One task: its fields, its three states (open, completed "C", canceled "X") and what closing or
// reopening does to its subtasks and parents, its place in the task tree, and the aggregates of its
// subtree kept current as anything below it changes.
class TDTask final : public TDLibraryObject {
public:
    TDTask(const platform::EntityDescription* entity, platform::ManagedObjectContext* context);
    ~TDTask() override;

    // The class is final: its objects are known by their dynamic type alone, without a search of the
    // hierarchy (the walks over every shown task ask this of each).
    static TDTask* from(platform::ManagedObject* object) {
        return object && typeid(*object) == typeid(TDTask) ? static_cast<TDTask*>(object) : nullptr;
    }
    static const TDTask* from(const platform::KeyValueCoding* object) {
        return object && typeid(*object) == typeid(TDTask) ? static_cast<const TDTask*>(object) : nullptr;
    }
    // An object held in a variant, as sort keys hold them.
    static const TDTask* fromVariant(const QVariant& object) {
        return from(platform::objectFromVariant(object));
    }

    QString title() const { return primitiveValue(properties().title).toString(); }
    void setTitle(const QString& title) { setTitle(title, true); }
    // Tags follow the title's tokens when `triggerChanges` is set (with title tokens, later).
    void setTitle(const QString& title, bool triggerChanges);
    QString status() const { return primitiveValue(properties().status).toString(); }
    void setStatus(const QString& status);
    QDateTime completedDate() const { return primitiveValue(properties().completedDate).toDateTime(); }
    QDateTime canceledDate() const { return isCanceled() ? completedDate() : QDateTime(); }
    bool isCompleted() const { return status() == QLatin1String("C"); }
    bool isIncomplete() const { return primitiveValue(properties().status).isNull(); }
    bool isCanceled() const { return status() == QLatin1String("X"); }
    void setCompleted(bool completed);
    void setCanceled(bool canceled);
    // Completes an open or canceled task (with the completion sound) or reopens a completed one.
    void toggleCompletion();
    void toggleCancelation() { setCanceled(!isCanceled()); }
    bool isRecurring() const { return object(QStringLiteral("recurrence")) != nullptr; }
    bool isAction() const { return isIncomplete() && !hasSubtasks(); }
    int level() const;
    bool isArchived() const { return primitiveValue(properties().archived).toBool(); }
    void setArchived(bool archived);
    QString syncIdentifier() const;

    qint64 priority() const { return primitiveValue(properties().priority).toLongLong(); }
    void setPriority(qint64 priority);
    double displayOrder() const { return primitiveValue(properties().displayOrder).toDouble(); }
    void setModifiedDate(const QDateTime& date);
    void setLocalInfoDictionary(const QVariantMap& dictionary);

    // Estimates and dates.
    double estimatedTime() const { return primitiveValue(properties().estimatedTime).toDouble(); }
    void setEstimatedTime(double seconds);
    double actualTime() const { return primitiveValue(QStringLiteral("actualTime")).toDouble(); }
    QDateTime startDate() const { return primitiveValue(properties().startDate).toDateTime(); }
    void setStartDate(const QDateTime& date);
    QDateTime dueDate() const { return primitiveValue(properties().dueDate).toDateTime(); }
    void setDueDate(const QDateTime& date);
    bool estimatedTimeIsCalculated() const { return hasSubtasks(); }
    bool startDateIsCalculated() const { return !startDate().isValid(); }
    bool dueDateIsCalculated() const { return !dueDate().isValid(); }
    QDateTime dueOrStartDate() const { return dueDate().isValid() ? dueDate() : startDate(); }
    QDateTime nextActionDate() const;
    bool isPastStart() const;
    bool isPastDue() const;
    bool isDueSoon() const;
    // Past due before due soon; the views pick how each looks.
    TDDueState dueState() const;
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
    QDateTime earliestStartDate() const { return TDAggregates::earliestStartDateOf(this); }
    QDateTime earliestDueDate() const { return TDAggregates::earliestDueDateOf(this); }
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
    TDTask* parentTask() const { return TDTask::from(object(properties().parentTask)); }
    // Refused (and logged) for the task itself or one of its descendants.
    bool setParentTask(TDTask* parent);
    TDList* parentList() const;
    TDLibraryObject* parentObject() const;
    bool hasSubtasks() const { return !objects(properties().subtasks).isEmpty(); }
    QList<TDTask*> subtasks() const;
    void addSubtasks(const QList<TDTask*>& tasks);
    void removeSubtasks(const QList<TDTask*>& tasks);
    TDOrderedCollection* orderedTasks();
    TDOrderedCollection* existingOrderedTasks() const { return m_orderedTasks.get(); }
    QList<TDTask*> allSubtasks() const;
    // Appends the tasks below this one in pre-order; with `seen`, only those not in it, which are added
    // to it, and below a task already seen nothing more.
    void appendSubtasksInTree(QList<TDTask*>& all, QSet<const TDTask*>* seen) const;
    // How many of the tasks are open and have no subtasks.
    static qint64 openLeafCount(const QList<TDTask*>& tasks);
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

    // Outside data (task_creation.cpp): the loose import form; unknown keys and values of other kinds
    // are ignored.
    void updateFromImportDictionary(const QVariantMap& dictionary);
    // The calendar store (task_calendar.cpp): what a mirrored task shows and how it takes over the
    // fields of its calendar-store task. Fields are set only when they differ, so an unchanged task is
    // not stamped as modified.
    bool shouldSyncToCalendarStore() const;
    QString titleForCalTask();
    QVariantMap propertyListRepresentationForCalendarStoreSyncing();
    void updateFromCalTask(const platform::CalendarTask& calTask);
    // Removes the linked calendar-store task when syncing is on for this task.
    void deleteCalTask();
    static int calTaskPriorityFromPriority(qint64 priority) { return int(priority); }
    static qint64 priorityFromCalTaskPriority(int priority) { return priority; }

    // Tags, kept in step with the tokens of the title (task_tags.cpp).
    TDTag* contextTag() const;
    // Replaces the context tag; nullptr only removes it.
    void setContextTag(TDTag* tag);
    QList<TDTag*> contextTags() const;
    void addTagsObject(TDTag* tag);
    // Adds the tags and appends the tokens the title lacks.
    void addTags(const QList<TDTag*>& tags);
    void removeTagsObject(TDTag* tag);
    // Strips the tags' tokens from the title, then removes the tags.
    void removeTags(const QList<TDTag*>& tags);
    // The tags become those the tokens name; tags missing from the library are created.
    void setTagsFromTokens(const QList<TDToken>& tokens);
    // The parent task's tags or context tags, by the user default "inheritParentTags".
    void inheritTags();
    QList<TDGroup*> allTagsInTree() const;

    // Timing and the time log kept in the library option "timeLogEntry" (task_timing.cpp).
    bool isTiming() const { return m_timing; }
    void setTiming(bool timing) { m_timing = timing; }
    // While this task's entry runs: the actual time at its start plus the time since; else actualTime.
    double totalTimedInterval() const;
    void timeLogPunchIn();
    void timeLogPunchOut();
    // Starts timing from the task list: through the timer window once one is installed. A closed task or
    // one with subtasks cannot be timed: the alert sounds instead.
    void beginTiming();
    double actualToEstimatedTimeRatio() const;
    QString actualTimeString() const;
    // Text that does not read as a duration leaves the actual time as it was.
    void setActualTimeString(const QString& text);
    // Null when no time was recorded; the share of the estimate follows in grey.
    std::unique_ptr<QTextDocument> actualTimeDisplayString() const;
    void setActualTimeDisplayString(const QString& text) { setActualTimeString(text); }
    void setActualTime(double seconds);

    // Display names, checkbox, link, notes and completion sounds (task_display.cpp).
    // Null for the manual order and for names of no attribute.
    static QString attributeNameForDisplayString(const QString& displayString);
    // The manual order's name for a null key; null for keys that are no sort attribute.
    static QString displayStringForAttributeName(const QString& key);
    static QString displayStringForPriority(qint64 priority);
    static bool isDateAttribute(const QString& key);
    static bool isTimeAttribute(const QString& key);
    // The sound for completing the tasks; `first` picks which of a themed pair.
    static QString taskCompletedSoundName(const QList<TDTask*>& tasks, bool first);
    // One sound for all the tasks, through the sound sink, when "playSoundEffects" is on.
    static void playTaskCompletedSoundForTasks(const QList<TDTask*>& tasks);
    // 1 completed, 2 canceled, 3 timing, 4 past due, 5 recurring, -1 a task below completed, else 0.
    qint64 checkboxState() const;
    QString URLString() const;
    QUrl URL() const { return QUrl(URLString()); }
    TDTaskNotes* notes() const;
    void setNotes(TDTaskNotes* notes);
    QString notesString() const;
    QByteArray notesWebArchiveData() const;
    std::shared_ptr<const QTextDocument> attributedNotes() const;
    std::shared_ptr<const QTextDocument> attributedNotesSummary() const;
    bool hasNotes() const { return !notesString().isEmpty(); }
    // A null string clears the notes.
    void setNotesString(const QString& text);
    // Blank text deletes the notes object.
    void setAttributedNotes(const QTextDocument* text);

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

    // Recurring copies: the next occurrence of a repeating task, right after it, which takes over the
    // recurrence; missed occurrences are caught up one after another.
    void makeNextRecurringCopiesIfNecessary();
    // "Repeats every week"; null for a task that does not repeat.
    QString recurrenceDescription() const;

    void setValue(const QString& key, const QVariant& value) override;
    void addObjects(const QString& key, const QList<platform::ManagedObject*>& objects) override;
    void removeObjects(const QString& key, const QList<platform::ManagedObject*>& objects) override;
    const QSet<QString>* keysNotAffectingModifiedDate() const override;

    // The tags the library's classifier suggests for a title being typed, less those the title already
    // holds as tokens. Empty without a library or a classifier.
    static QList<TDToken> predictedTokensFromTitle(const QString& title, TDLibrary* library);

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
    const TDTaskProperties& properties() const { return TDTaskProperties::of(entity()); }
    void p_setCompleted(bool closed, const QDateTime& date, const QString& status);
    void p_updateAfterChangingSubtasksWithModifiedDate(const QDateTime& date);
    bool p_maintainsAggregates() const;
    void p_setAggregates(const TDAggregates& aggregates);
    void p_refreshAggregates() { p_setAggregates(calculatedAggregates()); }
    // The task's state or, with `moved`, its subtasks changed.
    void p_treeDidChange(const QList<platform::ManagedObject*>& moved);
    bool p_acceptsParent(const TDTask* parent) const;
    QVariantMap p_propertyListRepresentationForCopying(bool forRecurrence) const;
    Status p_updateFromPropertyListRepresentation(const QVariantMap& dictionary,
                                                  bool absentRecurrenceDeletes);
    TDTask* p_makeNextRecurringCopy();

    std::unique_ptr<TDOrderedCollection> m_orderedTasks;
    bool m_timing = false;  // in memory only
};

// The current instant cut down to a whole second.
QDateTime TDCurrentWholeSecond();

// The uid of a recurring copy: `uid` and the recurrence's uid read as hexadecimal, plus 1, wrapping.
QString TDRecurrenceCopyUID(const QString& uid, const QString& recurrenceUID);
