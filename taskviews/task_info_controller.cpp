#include "taskviews/task_info_controller.h"

#include "language/natural_language_date_value_transformer.h"
#include "language/natural_language_time_interval_value_transformer.h"
#include "model/library.h"
#include "model/library_notifications.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/tasks_controller.h"

#include <QCoreApplication>
#include <QTextDocument>

#include <algorithm>
#include <functional>

namespace {

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

QString dateText(const QDateTime& date) {
    return date.isValid() ? TDNaturalLanguageDateValueTransformer::shared()->transformedValue(date).toString()
                          : QString();
}

QString fieldText(const TDTask* task, TDTaskInfoViewController::Field field) {
    using Field = TDTaskInfoViewController::Field;
    switch (field) {
        case Field::StartDate:
            return dateText(task->startDate());
        case Field::DueDate:
            return dateText(task->dueDate());
        case Field::Estimate:
            return task->totalEstimatedTimeDisplayString();
        case Field::ActualTime: {
            const std::unique_ptr<QTextDocument> text = task->actualTimeDisplayString();
            return text ? text->toPlainText() : QString();
        }
    }
    return {};
}

}  // namespace

TDTaskInfoViewController::TDTaskInfoViewController(TDTasksController& tasksController, QObject* parent)
    : QObject(parent), m_tasksController(tasksController) {
    connect(&m_tasksController, &TDTasksController::selectionChanged, this,
            &TDTaskInfoViewController::reload);
    // Values, new context tags and deleted tasks show once the library has been idle.
    platform::NotificationCenter::defaultCenter().addObserver(
        this, TDLibraryMOCDidChangeDelayedUntilIdleNotification, nullptr,
        [this](const platform::Notification&) { reload(); });
    reload();
}

TDTaskInfoViewController::~TDTaskInfoViewController() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void TDTaskInfoViewController::reload() {
    m_selection.clear();
    for (TDTask* task : m_tasksController.selection())
        if (task && !task->isDeleted()) m_selection << task;
    Q_EMIT changed();
}

TDTaskInfoViewController::FieldValue TDTaskInfoViewController::value(Field field) const {
    FieldValue shown;
    if (m_selection.isEmpty()) {
        shown.placeholder = localized("No Selection");
        return shown;
    }
    // The actual time is kept per task: it is edited one task at a time.
    shown.editable =
        field == Field::ActualTime
            ? m_selection.size() == 1
            : field != Field::Estimate || std::any_of(m_selection.cbegin(), m_selection.cend(),
                                                      [](TDTask* t) { return !t->hasSubtasks(); });
    const QString first = fieldText(m_selection.first(), field);
    const bool shared = std::all_of(m_selection.cbegin(), m_selection.cend(),
                                    [&](TDTask* task) { return fieldText(task, field) == first; });
    if (!shared)
        shown.placeholder = localized("Multiple Values");
    else if (first.isEmpty())
        shown.placeholder = localized("None");
    else
        shown.text = first;
    return shown;
}

QString TDTaskInfoViewController::editingText(Field field) const {
    if (field == Field::ActualTime && m_selection.size() == 1) {
        TDTask* task = m_selection.first();
        return task->actualTime() > 0 ? task->actualTimeString() : QString();
    }
    return value(field).text;
}

bool TDTaskInfoViewController::p_setForSelection(const QString& undoName,
                                                 const std::function<bool(TDTask*)>& change) {
    if (m_selection.isEmpty()) return false;
    bool changed = false;
    for (TDTask* task : std::as_const(m_selection)) changed = change(task) || changed;
    if (changed)
        if (platform::UndoManager* undo = m_tasksController.undoManager()) undo->setActionName(undoName);
    Q_EMIT this->changed();
    return true;
}

bool TDTaskInfoViewController::setText(Field field, const QString& text) {
    const bool clearing = text.trimmed().isEmpty();
    switch (field) {
        case Field::StartDate:
        case Field::DueDate: {
            const QDateTime date =
                TDNaturalLanguageDateValueTransformer::shared()->reverseTransformedValue(text).toDateTime();
            if (!clearing && !date.isValid()) return false;
            const bool start = field == Field::StartDate;
            return p_setForSelection(start ? localized("Change Start Date") : localized("Change Due Date"),
                                     [&](TDTask* task) {
                                         if ((start ? task->startDate() : task->dueDate()) == date)
                                             return false;
                                         start ? task->setStartDate(date) : task->setDueDate(date);
                                         return true;
                                     });
        }
        case Field::Estimate: {
            const std::optional<double> seconds =
                TDNaturalLanguageTimeIntervalValueTransformer::shared()->secondsFromString(text);
            if (!clearing && !seconds) return false;
            setEstimatedTime(clearing ? 0 : *seconds);
            return true;
        }
        case Field::ActualTime: {
            if (m_selection.size() != 1) return false;
            const std::optional<double> seconds =
                TDNaturalLanguageTimeIntervalValueTransformer::shared()->secondsFromString(text);
            if (!clearing && !seconds) return false;
            return p_setForSelection(localized("Change Actual Time"), [&](TDTask* task) {
                const double newTime = clearing ? 0 : std::max(0.0, *seconds);
                if (task->actualTime() == newTime) return false;
                task->setActualTime(newTime);
                return true;
            });
        }
    }
    return false;
}

void TDTaskInfoViewController::setEstimatedTime(double seconds) {
    // An estimate made of the subtasks' estimates is not set by hand.
    p_setForSelection(localized("Change Estimated Time"), [&](TDTask* task) {
        if (task->hasSubtasks() || task->estimatedTime() == seconds) return false;
        task->setEstimatedTime(seconds);
        return true;
    });
}

QList<TDTaskInfoViewController::ContextItem> TDTaskInfoViewController::contextMenuItems() const {
    QList<ContextItem> items;
    if (TDLibrary* library = m_tasksController.library()) {
        QList<TDTag*> tags = library->allContextTags();
        std::sort(tags.begin(), tags.end(),
                  [](TDTag* a, TDTag* b) { return a->title().compare(b->title(), Qt::CaseInsensitive) < 0; });
        for (TDTag* tag : std::as_const(tags)) items << ContextItem{tag->title(), tag};
    }
    items << ContextItem{localized("None"), nullptr};
    return items;
}

QString TDTaskInfoViewController::contextTitle() const {
    if (m_selection.isEmpty()) return localized("No Selection");
    TDTag* first = m_selection.first()->contextTag();
    const bool shared = std::all_of(m_selection.cbegin(), m_selection.cend(),
                                    [&](TDTask* task) { return task->contextTag() == first; });
    if (!shared) return localized("Multiple Values");
    return first ? first->title() : localized("None");
}

bool TDTaskInfoViewController::contextIsTag() const {
    if (m_selection.isEmpty()) return false;
    TDTag* first = m_selection.first()->contextTag();
    return first && std::all_of(m_selection.cbegin(), m_selection.cend(),
                                [&](TDTask* task) { return task->contextTag() == first; });
}

void TDTaskInfoViewController::setContext(TDTag* tag) {
    p_setForSelection(localized("Change Context"), [&](TDTask* task) {
        if (task->contextTag() == tag) return false;
        task->setContextTag(tag);
        return true;
    });
}
