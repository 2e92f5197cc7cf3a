#include "platform/calendarstore/calendar_task.h"

#include "platform/calendarstore/calendar_store_error.h"

#include <QStringDecoder>
#include <QTimeZone>

#include <libical/ical.h>

#include <memory>
#include <mutex>

namespace platform {

namespace {

struct ComponentDeleter {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentDeleter>;

// A parsed task file: the calendar and its master VTODO (the one without RECURRENCE-ID).
struct ParsedFile {
    ComponentPtr calendar;
    icalcomponent* todo = nullptr;
};

void makeErrorsNonFatal() {
    // A library built to abort on errors would let one bad file end the program.
    static std::once_flag once;
    std::call_once(once, [] { icalerror_set_errors_are_fatal(0); });
}

TDError unreadable(const QString& reason) {
    return calendarStoreError(CalendarStoreErrorUnreadableFile, reason);
}

TDError foreign(const QString& reason) {
    return calendarStoreError(CalendarStoreErrorForeignFile, reason);
}

bool isValidUtf8(const QByteArray& data) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder.decode(data);  // decoding happens on conversion
    return !decoder.hasError();
}

QString textOf(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

Result<ParsedFile> parseFile(const QByteArray& data) {
    makeErrorsNonFatal();
    if (data.size() > CalendarTask::maximumFileSize)
        return unreadable(
            QStringLiteral("The file is larger than %1 bytes.").arg(CalendarTask::maximumFileSize));
    // The parser reads a C string, so a NUL byte would hide the rest of the file from it.
    if (data.contains('\0')) return unreadable(QStringLiteral("The file holds a NUL byte."));
    if (!isValidUtf8(data)) return unreadable(QStringLiteral("The file is not UTF-8 text."));

    ParsedFile parsed;
    parsed.calendar.reset(icalparser_parse_string(data.constData()));
    icalcomponent* calendar = parsed.calendar.get();
    if (!calendar || icalcomponent_isa(calendar) != ICAL_VCALENDAR_COMPONENT)
        return unreadable(QStringLiteral("The file holds no iCalendar calendar."));
    // The parser drops what it cannot read and leaves an error note in its place; rewriting such a file
    // would lose that part, so it is not taken at all.
    if (icalcomponent_count_errors(calendar) > 0)
        return unreadable(QStringLiteral("The file has iCalendar syntax errors."));

    QString uid;
    bool hasOtherItems = false;
    for (icalcomponent* item = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); item;
         item = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(item);
        if (kind == ICAL_VTIMEZONE_COMPONENT || kind == ICAL_X_COMPONENT) continue;
        if (kind != ICAL_VTODO_COMPONENT) {
            hasOtherItems = true;
            continue;
        }
        const QString itemUid = textOf(icalcomponent_get_uid(item));
        if (itemUid.isEmpty()) return unreadable(QStringLiteral("A task of the file has no UID."));
        if (!uid.isEmpty() && itemUid != uid)
            return foreign(QStringLiteral("The file holds more than one task."));
        uid = itemUid;
        if (icalcomponent_get_first_property(item, ICAL_RECURRENCEID_PROPERTY)) continue;
        if (parsed.todo) return foreign(QStringLiteral("The file holds the same task twice."));
        parsed.todo = item;
    }
    if (hasOtherItems) return foreign(QStringLiteral("The file holds items other than a task."));
    if (!parsed.todo) return foreign(QStringLiteral("The file holds no task."));
    return parsed;
}

QDateTime dateTimeFromICalTime(const icaltimetype& time, const QString& tzid, icalcomponent* calendar) {
    const QDate date(time.year, time.month, time.day);
    if (!date.isValid()) return {};
    if (time.is_date) return date.startOfDay();
    // A leap second has no QTime.
    const QTime clock(time.hour, time.minute, qMin(time.second, 59));
    if (!clock.isValid()) return {};
    if (icaltime_is_utc(time)) return QDateTime(date, clock, Qt::UTC);
    if (tzid.isEmpty()) return QDateTime(date, clock, Qt::LocalTime);  // floating

    const QTimeZone zone(tzid.toUtf8());
    if (zone.isValid()) return QDateTime(date, clock, zone);
    // A zone named by the file's own VTIMEZONE (names like "/vendor/2005/Europe/Berlin").
    if (icaltimezone* icalZone = icalcomponent_get_timezone(calendar, tzid.toUtf8().constData())) {
        icaltimetype local = time;
        local.zone = nullptr;
        return QDateTime::fromSecsSinceEpoch(icaltime_as_timet_with_zone(local, icalZone), Qt::UTC);
    }
    // An unknown zone without a definition: the wall-clock time is all there is.
    return QDateTime(date, clock, Qt::LocalTime);
}

QDateTime dateTimeOf(icalproperty* property, icalcomponent* calendar) {
    if (!property) return {};
    icalvalue* value = icalproperty_get_value(property);
    if (!value) return {};
    icaltimetype time;
    switch (icalvalue_isa(value)) {
        case ICAL_DATE_VALUE:
            time = icalvalue_get_date(value);
            break;
        case ICAL_DATETIME_VALUE:
            time = icalvalue_get_datetime(value);
            break;
        default:
            return {};
    }
    if (icaltime_is_null_time(time)) return {};
    return dateTimeFromICalTime(time, textOf(icalproperty_get_parameter_as_string(property, "TZID")),
                                calendar);
}

QDateTime dueDateOf(icalcomponent* todo, icalcomponent* calendar) {
    if (icalproperty* due = icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY))
        return dateTimeOf(due, calendar);
    // Without DUE, a start and a duration give the due date.
    icalproperty* duration = icalcomponent_get_first_property(todo, ICAL_DURATION_PROPERTY);
    const QDateTime start =
        dateTimeOf(icalcomponent_get_first_property(todo, ICAL_DTSTART_PROPERTY), calendar);
    if (!duration || !start.isValid()) return {};
    return start.addSecs(icaldurationtype_as_int(icalproperty_get_duration(duration)));
}

// The fields Ordello exchanges, as a file holds them.
struct TaskFields {
    QString uid;
    QString title;
    QString notes;
    int priority = 0;
    QDateTime completedDate;
    QDateTime dueDate;
    QDateTime dateStamp;
};

TaskFields decodeFields(icalcomponent* todo, icalcomponent* calendar) {
    TaskFields fields;
    fields.uid = textOf(icalcomponent_get_uid(todo));
    if (icalproperty* summary = icalcomponent_get_first_property(todo, ICAL_SUMMARY_PROPERTY))
        fields.title = textOf(icalproperty_get_summary(summary));
    if (icalproperty* description = icalcomponent_get_first_property(todo, ICAL_DESCRIPTION_PROPERTY))
        fields.notes = textOf(icalproperty_get_description(description));
    if (icalproperty* priority = icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY)) {
        const int value = icalproperty_get_priority(priority);
        // Values outside iCalendar's scale mean nothing to either side.
        fields.priority = value >= 0 && value <= 9 ? value : 0;
    }
    fields.dateStamp =
        dateTimeOf(icalcomponent_get_first_property(todo, ICAL_LASTMODIFIED_PROPERTY), calendar);
    if (!fields.dateStamp.isValid())
        fields.dateStamp =
            dateTimeOf(icalcomponent_get_first_property(todo, ICAL_DTSTAMP_PROPERTY), calendar);
    fields.completedDate =
        dateTimeOf(icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY), calendar);
    // Some programs mark a task done without saying when; its last change is the best guess.
    icalproperty* status = icalcomponent_get_first_property(todo, ICAL_STATUS_PROPERTY);
    if (!fields.completedDate.isValid() && status && icalproperty_get_status(status) == ICAL_STATUS_COMPLETED)
        fields.completedDate = fields.dateStamp;
    fields.dueDate = dueDateOf(todo, calendar);
    return fields;
}

bool sameToTheSecond(const QDateTime& a, const QDateTime& b) {
    if (!a.isValid() || !b.isValid()) return a.isValid() == b.isValid();
    return a.toSecsSinceEpoch() == b.toSecsSinceEpoch();
}

void removeProperties(icalcomponent* todo, icalproperty_kind kind) {
    while (icalproperty* property = icalcomponent_get_first_property(todo, kind)) {
        icalcomponent_remove_property(todo, property);
        icalproperty_free(property);
    }
}

// Sets the value of the first property of the kind, adding one when there is none; its other
// parameters stay.
void setValue(icalcomponent* todo, icalproperty_kind kind, icalvalue* value) {
    icalproperty* property = icalcomponent_get_first_property(todo, kind);
    if (!property) {
        property = icalproperty_new(kind);
        icalcomponent_add_property(todo, property);
    }
    icalproperty_set_value(property, value);
}

void setText(icalcomponent* todo, icalproperty_kind kind, const QString& text) {
    if (text.isEmpty())
        removeProperties(todo, kind);
    else
        setValue(todo, kind, icalvalue_new_text(text.toUtf8().constData()));
}

void setTime(icalcomponent* todo, icalproperty_kind kind, const icaltimetype& time) {
    setValue(todo, kind, time.is_date ? icalvalue_new_date(time) : icalvalue_new_datetime(time));
    icalproperty* property = icalcomponent_get_first_property(todo, kind);
    icalproperty_remove_parameter_by_kind(property, ICAL_TZID_PARAMETER);
    // The writer derives VALUE from the value's kind.
    icalproperty_remove_parameter_by_kind(property, ICAL_VALUE_PARAMETER);
}

icaltimetype utcTime(const QDateTime& dateTime) {
    return icaltime_from_timet_with_zone(static_cast<time_t>(dateTime.toSecsSinceEpoch()), 0,
                                         icaltimezone_get_utc_timezone());
}

icaltimetype dateOnly(const QDate& date) {
    icaltimetype time = icaltime_null_date();
    time.year = date.year();
    time.month = date.month();
    time.day = date.day();
    return time;
}

void writeDueDate(icalcomponent* todo, const QDateTime& due) {
    removeProperties(todo, ICAL_DURATION_PROPERTY);  // DUE and DURATION exclude each other
    if (!due.isValid()) {
        removeProperties(todo, ICAL_DUE_PROPERTY);
        return;
    }
    // The task model keeps due days as the start of the local day: those go out as all-day dates,
    // unless a timed start would make the pair disagree in kind.
    const QDateTime local = due.toLocalTime();
    icalproperty* start = icalcomponent_get_first_property(todo, ICAL_DTSTART_PROPERTY);
    const bool timedStart = start && icalproperty_get_value(start) &&
                            icalvalue_isa(icalproperty_get_value(start)) == ICAL_DATETIME_VALUE;
    if (local.time() == QTime(0, 0) && !timedStart)
        setTime(todo, ICAL_DUE_PROPERTY, dateOnly(local.date()));
    else
        setTime(todo, ICAL_DUE_PROPERTY, utcTime(due));
}

void writeCompletedDate(icalcomponent* todo, const QDateTime& completed) {
    icalproperty* percent = icalcomponent_get_first_property(todo, ICAL_PERCENTCOMPLETE_PROPERTY);
    icalproperty* status = icalcomponent_get_first_property(todo, ICAL_STATUS_PROPERTY);
    if (completed.isValid()) {
        setTime(todo, ICAL_COMPLETED_PROPERTY, utcTime(completed));  // always UTC in iCalendar
        setValue(todo, ICAL_STATUS_PROPERTY, icalvalue_new_status(ICAL_STATUS_COMPLETED));
        if (percent) icalproperty_set_percentcomplete(percent, 100);
        return;
    }
    removeProperties(todo, ICAL_COMPLETED_PROPERTY);
    if (status && icalproperty_get_status(status) == ICAL_STATUS_COMPLETED)
        icalproperty_set_status(status, ICAL_STATUS_NEEDSACTION);
    if (percent && icalproperty_get_percentcomplete(percent) == 100) {
        icalcomponent_remove_property(todo, percent);
        icalproperty_free(percent);
    }
}

ComponentPtr newCalendar(const QString& uid, const icaltimetype& now) {
    ComponentPtr calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Ordello//Ordello//EN"));
    icalcomponent* todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
    icalcomponent_set_uid(todo, uid.toUtf8().constData());
    icalcomponent_add_property(todo, icalproperty_new_created(now));
    icalcomponent_add_component(calendar.get(), todo);
    return calendar;
}

}  // namespace

Result<CalendarTask> CalendarTask::fromICalendarData(const QByteArray& data) {
    Result<ParsedFile> parsed = parseFile(data);
    if (!parsed) return parsed.error();
    const TaskFields fields = decodeFields(parsed->todo, parsed->calendar.get());
    CalendarTask task;
    task.m_uid = fields.uid;
    task.m_title = fields.title;
    task.m_notes = fields.notes;
    task.m_priority = fields.priority;
    task.m_completedDate = fields.completedDate;
    task.m_dueDate = fields.dueDate;
    task.m_dateStamp = fields.dateStamp;
    task.m_source = data;
    return task;
}

Result<QByteArray> CalendarTask::toICalendarData(const QByteArray& base, const QDateTime& now) const {
    if (m_uid.isEmpty()) return unreadable(QStringLiteral("The task has no UID."));
    makeErrorsNonFatal();
    const icaltimetype stamp = utcTime(now);

    ComponentPtr calendar;
    icalcomponent* todo = nullptr;
    TaskFields current;  // what the base holds, so that only real changes are written
    if (base.isEmpty()) {
        calendar = newCalendar(m_uid, stamp);
        todo = icalcomponent_get_first_component(calendar.get(), ICAL_VTODO_COMPONENT);
    } else {
        Result<ParsedFile> parsed = parseFile(base);
        if (!parsed) return parsed.error();
        calendar = std::move(parsed->calendar);
        todo = parsed->todo;
        current = decodeFields(todo, calendar.get());
        if (current.uid != m_uid) return foreign(QStringLiteral("The file holds another task."));
    }

    if (m_title != current.title) setText(todo, ICAL_SUMMARY_PROPERTY, m_title);
    if (m_notes != current.notes) setText(todo, ICAL_DESCRIPTION_PROPERTY, m_notes);
    if (m_priority != current.priority) {
        if (m_priority > 0 && m_priority <= 9)
            setValue(todo, ICAL_PRIORITY_PROPERTY, icalvalue_new_integer(m_priority));
        else
            removeProperties(todo, ICAL_PRIORITY_PROPERTY);
    }
    if (!sameToTheSecond(m_completedDate, current.completedDate)) writeCompletedDate(todo, m_completedDate);
    if (!sameToTheSecond(m_dueDate, current.dueDate)) writeDueDate(todo, m_dueDate);
    setTime(todo, ICAL_DTSTAMP_PROPERTY, stamp);
    setTime(todo, ICAL_LASTMODIFIED_PROPERTY, stamp);

    char* text = icalcomponent_as_ical_string_r(calendar.get());
    if (!text) return unreadable(QStringLiteral("The task could not be written as iCalendar."));
    QByteArray result(text);
    icalmemory_free_buffer(text);
    return result;
}

}  // namespace platform
