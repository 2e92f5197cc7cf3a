#include "model/task.h"

#include "foundation/utilities.h"
#include "language/date_additions.h"
#include "language/natural_language_time_interval_value_transformer.h"
#include "model/library.h"
#include "model/library_options.h"
#include "model/managed_object_context.h"
#include "model/task_timer_window.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"

#include <QTextCursor>

#include <algorithm>
#include <cmath>

namespace {

const QString kTimeLogEntry = QStringLiteral("timeLogEntry");
const QString kTaskUID = QStringLiteral("taskUID");
const QString kStartDate = QStringLiteral("startDate");
const QString kActualTimeAtStart = QStringLiteral("actualTimeAtStart");

// The running entry lives in the options of the task's own library.
TDLibraryOptions* optionsOf(const TDTask& task) {
    const TDLibrary* library = task.library();
    return library ? library->options() : nullptr;
}

QVariantMap timeLogEntry(const TDTask& task) {
    TDLibraryOptions* options = optionsOf(task);
    return options ? options->optionForKey(kTimeLogEntry).toMap() : QVariantMap();
}

// The time-log changes are bookkeeping of the clock, never steps the user can undo.
class TimeLogBracket final {
public:
    explicit TimeLogBracket(platform::ManagedObjectContext* context)
        : m_context(context), m_undo(context ? context->undoManager() : nullptr) {
        if (m_context) m_context->processPendingChanges();
        if (m_undo) m_undo->disableUndoRegistration();
    }
    ~TimeLogBracket() {
        if (m_context) m_context->processPendingChanges();
        if (m_undo) m_undo->enableUndoRegistration();
    }
    TimeLogBracket(const TimeLogBracket&) = delete;
    TimeLogBracket& operator=(const TimeLogBracket&) = delete;

private:
    platform::ManagedObjectContext* m_context;
    platform::UndoManager* m_undo;
};

}  // namespace

void TDTask::setActualTime(double seconds) {
    TDLibraryObject::setValue(QStringLiteral("actualTime"), std::isfinite(seconds) ? seconds : 0.0);
}

double TDTask::totalTimedInterval() const {
    const QVariantMap entry = timeLogEntry(*this);
    if (entry.isEmpty() || entry.value(kTaskUID).toString() != uid()) return actualTime();
    const QDateTime start = entry.value(kStartDate).toDateTime();
    const double elapsed =
        start.isValid() ? std::max<qint64>(0, start.msecsTo(TDClock::currentDateTime())) / 1000.0 : 0.0;
    return entry.value(kActualTimeAtStart).toDouble() + elapsed;
}

void TDTask::timeLogPunchIn() {
    TDLibraryOptions* options = optionsOf(*this);
    if (!options) {
        logWithLevel(TDLogError, "ERROR", "Cannot time a task outside an open library");
        return;
    }
    TimeLogBracket bracket(managedObjectContext());
    const QVariantMap entry = timeLogEntry(*this);
    if (!entry.isEmpty()) {
        // Closes the entry left running, on this task or another; one from the future is dropped.
        const QDateTime start = entry.value(kStartDate).toDateTime();
        const double elapsed = start.isValid() ? start.msecsTo(TDClock::currentDateTime()) / 1000.0 : 0.0;
        TDLibrary* library = this->library();
        TDTask* running = library ? library->taskWithUID(entry.value(kTaskUID).toString()) : nullptr;
        if (elapsed > 0 && running)
            running->setActualTime(entry.value(kActualTimeAtStart).toDouble() + elapsed);
    }
    options->setOption(
        QVariantMap{
            {kTaskUID, uid()}, {kStartDate, TDClock::currentDateTime()}, {kActualTimeAtStart, actualTime()}},
        kTimeLogEntry);
    options->saveOptionsDictionary();
    setTiming(true);
}

void TDTask::timeLogPunchOut() {
    TDLibraryOptions* options = optionsOf(*this);
    if (!options) {
        logWithLevel(TDLogError, "ERROR", "Cannot time a task outside an open library");
        return;
    }
    TimeLogBracket bracket(managedObjectContext());
    if (timeLogEntry(*this).value(kTaskUID).toString() == uid())
        setActualTime(totalTimedInterval());
    else
        logWithLevel(TDLogError, "ERROR", "Did not find time log entry for the task punching out");
    setModifiedDate(TDClock::currentDateTime());
    options->setOption(QVariant(), kTimeLogEntry);
    options->saveOptionsDictionary();
    setTiming(false);
}

void TDTask::beginTiming() {
    if (!isIncomplete() || hasSubtasks()) {
        playBeep();
        return;
    }
    if (!startDate().isValid()) setStartDate(dates::dateAtStartOfDay(TDClock::currentDateTime()));
    TDTaskTimerWindow* window = TDTaskTimerWindow::shared();
    if (!window) {
        timeLogPunchIn();
        return;
    }
    window->setTask(this);
    if (!platform::UserDefaults::standard().boolean(QStringLiteral("timerWindowHidden")))
        window->showWindow();
    window->startTiming();
}

double TDTask::actualToEstimatedTimeRatio() const {
    const double estimate = estimatedTime();
    return estimate == 0 ? 0 : actualTime() / estimate;
}

QString TDTask::actualTimeString() const {
    return TDNaturalLanguageTimeIntervalValueTransformer::shared()->stringFromSeconds(actualTime());
}

void TDTask::setActualTimeString(const QString& text) {
    if (text.trimmed().isEmpty()) {
        setActualTime(0);
        return;
    }
    const std::optional<double> seconds =
        TDNaturalLanguageTimeIntervalValueTransformer::shared()->secondsFromString(text);
    if (!seconds) return;
    setActualTime(*seconds > 0 ? *seconds : 0);
}

std::unique_ptr<QTextDocument> TDTask::actualTimeDisplayString() const {
    if (actualTime() == 0) return nullptr;
    auto text = std::make_unique<QTextDocument>();
    QTextCursor cursor(text.get());
    cursor.insertText(actualTimeString());
    const double ratio = actualToEstimatedTimeRatio();
    if (ratio != 0) {
        QTextCharFormat grey;
        grey.setForeground(QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f));
        cursor.insertText(QStringLiteral(" (%1%)").arg(QString::number(std::round(ratio * 100), 'f', 0)),
                          grey);
    }
    return text;
}
