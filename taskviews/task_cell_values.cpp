#include "taskviews/task_cell_values.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "model/task_classifier.h"
#include "platform/transformers/value_transformer.h"
#include "platform/undo/undo_manager.h"

#include <optional>

namespace {

QVariant nullable(const QDateTime& date) {
    return date.isValid() ? QVariant(date) : QVariant();
}

QVariant transformed(const QString& name, const QVariant& value) {
    const auto transformer = platform::valueTransformerForName(name);
    return transformer ? transformer->transformedValue(value) : QVariant();
}

// Null for text that names nothing the transformer reads.
QVariant reverseTransformed(const QString& name, const QString& text) {
    const auto transformer = platform::valueTransformerForName(name);
    return transformer ? transformer->reverseTransformedValue(text) : QVariant();
}

bool isText(const QVariant& value) {
    return value.typeId() == QMetaType::QString;
}

void nameUndoAction(TDTask* task, const QString& name) {
    if (platform::UndoManager* undoManager = task->undoManager()) undoManager->setActionName(name);
}

bool setTitle(TDTask* task, const QVariant& value) {
    QString title = isText(value) ? value.toString() : QString();
    title.remove(QChar(0x200B));
    // A missing title and an empty one are the same edit.
    if (task->title().isEmpty() && title.isEmpty()) return false;
    if (task->title() == title) return false;
    task->setTitle(title);
    if (TDLibrary* library = task->library())
        if (TDTaskClassifier* classifier = library->taskClassifier()) classifier->learnFromTask(task);
    nameUndoAction(task, QStringLiteral("Edit Task"));
    return true;
}

// The seconds an edit asks for; none when the text is no duration.
std::optional<double> estimateFromValue(const QVariant& value) {
    if (!isText(value)) return value.isValid() ? value.toDouble() : 0.0;
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) return 0.0;
    const QVariant seconds = reverseTransformed(QStringLiteral("TDNaturalLanguageTimeInterval"), text);
    if (!seconds.isValid()) return std::nullopt;
    return seconds.toDouble();
}

bool setEstimate(TDTask* task, const QVariant& value) {
    if (task->estimatedTimeIsCalculated()) return false;
    const std::optional<double> seconds = estimateFromValue(value);
    if (!seconds || *seconds == task->estimatedTime()) return false;
    task->setEstimatedTime(*seconds);
    nameUndoAction(task, QStringLiteral("Change Estimated Time"));
    return true;
}

// The date an edit asks for (invalid: none); nothing when the text is no date.
std::optional<QDateTime> dateFromValue(const QVariant& value) {
    if (!isText(value)) return value.toDateTime();
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) return QDateTime();
    const QVariant date = reverseTransformed(QStringLiteral("TDNaturalLanguageFutureDate"), text);
    if (!date.isValid()) return std::nullopt;
    return date.toDateTime();
}

bool setDate(TDTask* task, TDTaskColumn column, const QVariant& value) {
    const std::optional<QDateTime> date = dateFromValue(value);
    if (!date) return false;
    const bool start = column == TDTaskColumn::Start;
    const QDateTime old = start ? task->startDate() : task->dueDate();
    if (!old.isValid() && !date->isValid()) return false;
    if (old == *date) return false;
    if (start) {
        task->setStartDate(*date);
        nameUndoAction(task, QStringLiteral("Change Start Date"));
    } else {
        task->setDueDate(*date);
        nameUndoAction(task, QStringLiteral("Change Due Date"));
    }
    return true;
}

QVariant sectionEstimate(TDOrderedCollection* section, const TDSectionCellContext& context) {
    if (context.group && context.group->isList()) {
        if (context.isSortingSection) return {};
        return context.group->totalEstimatedTimeSummary();
    }
    double seconds = 0;
    bool comprehensive = true;
    for (TDTask* task : section->objectsAs<TDTask>()) {
        seconds += task->totalEstimatedTimeDisplayNumber();
        comprehensive = comprehensive && task->totalEstimatedTimeComprehensive();
    }
    const QString text = transformed(QStringLiteral("TDNaturalLanguageTimeInterval"), seconds).toString();
    if (comprehensive || text.isEmpty()) return text;
    return QString(text + QLatin1Char('+'));
}

QVariant sectionDate(TDOrderedCollection* section, TDTaskColumn column, const TDSectionCellContext& context) {
    TDGroup* group = context.group;
    if (group && (group->isTodayGroup() || group->isUpcomingGroup())) return {};
    if (group && group->isList() && context.isSortingSection) return {};
    const bool start = column == TDTaskColumn::Start;
    if (group && group->isFolder()) {
        if (auto* list = dynamic_cast<TDGroup*>(section->object()))
            return TDDateCellText(start ? list->earliestStartDate() : list->earliestDueDate(),
                                  context.datesAsIntervals);
        return {};
    }
    QDateTime earliest;
    for (TDTask* task : section->objectsAs<TDTask>()) {
        const QDateTime date = start ? task->earliestStartDate() : task->earliestDueDate();
        if (date.isValid() && (!earliest.isValid() || date < earliest)) earliest = date;
    }
    return TDDateCellText(earliest, context.datesAsIntervals);
}

}  // namespace

QVariant TDDateCellText(const QDateTime& date, bool asInterval) {
    return transformed(asInterval ? QStringLiteral("TDNaturalLanguageDaysFromToday")
                                  : QStringLiteral("TDNaturalLanguageDate"),
                       nullable(date));
}

QVariant TDTaskCellValue(TDTask* task, TDTaskColumn column, TDTask* taskAbove, bool datesAsIntervals) {
    switch (column) {
        case TDTaskColumn::List: {
            TDList* list = task->list();
            if (!list || (taskAbove && taskAbove->list() == list)) return {};
            return list->title();
        }
        case TDTaskColumn::Priority:
            return task->priority();
        case TDTaskColumn::Task:
            return task->title();
        case TDTaskColumn::Start:
            return TDDateCellText(task->startDate(), datesAsIntervals);
        case TDTaskColumn::Due:
            return TDDateCellText(task->dueDate(), datesAsIntervals);
        case TDTaskColumn::Estimate:
            return task->totalEstimatedTimeDisplayString();
    }
    return {};
}

QVariant TDSectionCellValue(TDOrderedCollection* section, TDTaskColumn column,
                            const TDSectionCellContext& context) {
    switch (column) {
        case TDTaskColumn::Task: {
            if (!section->title().isEmpty()) return section->title();
            if (auto* group = dynamic_cast<TDGroup*>(section->object())) return group->title();
            return QString();
        }
        case TDTaskColumn::Start:
        case TDTaskColumn::Due:
            return sectionDate(section, column, context);
        case TDTaskColumn::Estimate:
            return sectionEstimate(section, context);
        case TDTaskColumn::List:
        case TDTaskColumn::Priority:
            break;
    }
    return {};
}

bool TDIsTaskCellEditable(const TDTask* task, TDTaskColumn column) {
    switch (column) {
        case TDTaskColumn::Task:
        case TDTaskColumn::Start:
        case TDTaskColumn::Due:
            return true;
        case TDTaskColumn::Estimate:
            return !task->estimatedTimeIsCalculated();
        case TDTaskColumn::List:
        case TDTaskColumn::Priority:
            break;
    }
    return false;
}

bool TDSetTaskCellValue(TDTask* task, TDTaskColumn column, const QVariant& value) {
    switch (column) {
        case TDTaskColumn::Task:
            return setTitle(task, value);
        case TDTaskColumn::Estimate:
            return setEstimate(task, value);
        case TDTaskColumn::Start:
        case TDTaskColumn::Due:
            return setDate(task, column, value);
        case TDTaskColumn::List:
        case TDTaskColumn::Priority:
            break;
    }
    return false;
}

TDCellDressings TDTaskCellDressing(const TDTask* task, TDTaskColumn column) {
    // The priority box draws itself.
    if (column == TDTaskColumn::Priority) return TDCellDressing::None;
    if (task->isCompleted() || task->isCanceled()) return TDCellDressing::Done;
    switch (column) {
        case TDTaskColumn::Task:
            if (task->isPastDue()) return TDCellDressing::PastDue;
            if (task->isDueSoon()) return TDCellDressing::DueSoon;
            if (task->isPastStart()) return TDCellDressing::PastStart;
            return TDCellDressing::None;
        case TDTaskColumn::Start: {
            TDCellDressings dressing;
            if (task->startDateIsCalculated()) dressing |= TDCellDressing::Calculated;
            if (task->isPastStart()) dressing |= TDCellDressing::PastStart;
            return dressing;
        }
        case TDTaskColumn::Due:
            if (task->isPastDue()) return TDCellDressing::PastDue;
            if (task->isDueSoon()) return TDCellDressing::DueSoon;
            return task->dueDateIsCalculated() ? TDCellDressing::Calculated : TDCellDressing::None;
        case TDTaskColumn::Estimate:
            return task->estimatedTimeIsCalculated() ? TDCellDressing::Calculated : TDCellDressing::None;
        case TDTaskColumn::List:
        case TDTaskColumn::Priority:
            break;
    }
    return TDCellDressing::None;
}

TDCellDressings TDSectionCellDressing(TDTaskColumn column, const TDSectionCellContext& context) {
    switch (column) {
        case TDTaskColumn::Task:
            return context.usesListHeader ? TDCellDressing::SectionTitle | TDCellDressing::ListHeader
                                          : TDCellDressings(TDCellDressing::SectionTitle);
        case TDTaskColumn::Start:
        case TDTaskColumn::Due:
        case TDTaskColumn::Estimate:
            return TDCellDressing::Calculated;
        case TDTaskColumn::List:
        case TDTaskColumn::Priority:
            break;
    }
    return TDCellDressing::None;
}
