#include "model/calendar_store_sync_settings.h"

#include "model/group.h"
#include "model/library.h"
#include "model/library_options.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/defaults/host_defaults.h"
#include "platform/defaults/user_defaults.h"

#include <algorithm>

namespace {

const QString kSyncEnabled = QStringLiteral("calendarStoreSyncEnabled");
const QString kEnabledCalendars = QStringLiteral("syncEnabledCalendarUIDs");
const QString kOrderedCalendars = QStringLiteral("orderedCalendarUIDs");
const QString kMapping = QStringLiteral("groupToCalendarStoreCalendarMapping");
const QString kSyncDates = QStringLiteral("calendarStoreCalendarSyncDates");
const QString kOldSyncDate = QStringLiteral("calendarStoreLastSyncDate");

}  // namespace

TDCalendarStoreSyncSettings TDLibrary::calendarStoreSyncSettings() const {
    // Asked at each use: the library keeps its options only while it is open.
    return TDCalendarStoreSyncSettings(
        [this](const QString& key) {
            TDLibraryOptions* options = this->options();
            return options ? options->optionForKey(key) : QVariant();
        },
        [this](const QVariant& value, const QString& key) {
            if (TDLibraryOptions* options = this->options()) options->setOption(value, key);
        });
}

TDCalendarStoreSyncSettings::TDCalendarStoreSyncSettings(OptionReader reader, OptionWriter writer)
    : m_readOption(std::move(reader)), m_writeOption(std::move(writer)) {
}

void TDCalendarStoreSyncSettings::p_write(const QVariant& value, const QString& key) const {
    if (m_writeOption) m_writeOption(value, key);
}

QVariantMap TDCalendarStoreSyncSettings::p_mapping() const {
    return m_readOption(kMapping).toMap();
}

QStringList TDCalendarStoreSyncSettings::p_enabledCalendarUIDs() const {
    return m_readOption(kEnabledCalendars).toStringList();
}

bool TDCalendarStoreSyncSettings::isSyncingEnabled() const {
    return m_readOption(kSyncEnabled).toBool() && !p_enabledCalendarUIDs().isEmpty();
}

void TDCalendarStoreSyncSettings::setSyncingEnabled(bool enabled) {
    p_write(enabled, kSyncEnabled);
}

QList<platform::Calendar> TDCalendarStoreSyncSettings::orderedCalendars() const {
    // A vdir folder has no separate reminders lists: every calendar may hold tasks.
    QList<platform::Calendar> remaining = platform::CalendarStore::defaultStore().calendars();
    QList<platform::Calendar> result;
    const QStringList order = m_readOption(kOrderedCalendars).toStringList();
    for (const QString& uid : order) {
        const auto found = std::find_if(remaining.begin(), remaining.end(),
                                        [&](const platform::Calendar& c) { return c.uid() == uid; });
        if (found == remaining.end()) continue;
        if (found->isEditable()) result.append(*found);
        remaining.erase(found);
    }
    for (const platform::Calendar& calendar : std::as_const(remaining)) {
        if (!calendar.isEditable()) continue;
        const auto later = std::find_if(result.begin(), result.end(), [&](const platform::Calendar& c) {
            return c.title().compare(calendar.title(), Qt::CaseInsensitive) > 0;
        });
        result.insert(later, calendar);
    }
    return result;
}

void TDCalendarStoreSyncSettings::setOrderedCalendars(const QList<platform::Calendar>& calendars) {
    QStringList uids;
    for (const platform::Calendar& calendar : calendars) uids.append(calendar.uid());
    p_write(uids, kOrderedCalendars);
}

QList<platform::Calendar> TDCalendarStoreSyncSettings::orderedSyncEnabledCalendars() const {
    const QStringList enabled = p_enabledCalendarUIDs();
    QList<platform::Calendar> result;
    for (const platform::Calendar& calendar : orderedCalendars())
        if (enabled.contains(calendar.uid())) result.append(calendar);
    return result;
}

bool TDCalendarStoreSyncSettings::isSyncingEnabledForCalendar(const QString& calendarUid) const {
    return p_enabledCalendarUIDs().contains(calendarUid);
}

void TDCalendarStoreSyncSettings::setSyncingEnabled(bool enabled, const platform::Calendar& calendar) {
    if (enabled && !calendar.isEditable()) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Tried to enable syncing to uneditable calendar '%@'. Disabling syncing to calendar.",
                     calendar.title());
        enabled = false;
    }
    QStringList uids = p_enabledCalendarUIDs();
    if (enabled && !uids.contains(calendar.uid())) uids.append(calendar.uid());
    if (!enabled) uids.removeAll(calendar.uid());
    p_write(uids, kEnabledCalendars);
}

void TDCalendarStoreSyncSettings::setSyncingEnabled(bool enabled, const QString& groupUid,
                                                    const platform::Calendar& calendar) {
    if (enabled && !calendar.isEditable()) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Tried to enable syncing to uneditable calendar '%@'. Disabling syncing to calendar.",
                     calendar.title());
        enabled = false;
    }
    QVariantMap mapping = p_mapping();
    const auto hasGroups = [&] {
        for (const QVariant& uid : std::as_const(mapping))
            if (uid.toString() == calendar.uid()) return true;
        return false;
    };
    if (enabled) {
        const bool first = !hasGroups();
        mapping.insert(groupUid, calendar.uid());
        p_write(mapping, kMapping);
        if (first) setSyncingEnabled(true, calendar);
    } else {
        mapping.remove(groupUid);
        p_write(mapping, kMapping);
        if (!hasGroups()) setSyncingEnabled(false, calendar);
    }
}

void TDCalendarStoreSyncSettings::removeGroup(TDGroup* group) {
    if (!group) return;
    const QString calendarUid = p_mapping().value(group->uid()).toString();
    if (calendarUid.isEmpty()) return;
    // A calendar gone from the store is still unmapped and turned off.
    const platform::Calendar calendar =
        platform::CalendarStore::defaultStore()
            .calendarWithUid(calendarUid)
            .value_or(platform::Calendar(calendarUid, calendarUid, {}, false));
    setSyncingEnabled(false, group->uid(), calendar);
}

QList<TDGroup*> TDCalendarStoreSyncSettings::groupsSyncingToCalendar(const QString& calendarUid,
                                                                     TDLibrary* library) const {
    QList<TDGroup*> groups;
    if (!library || calendarUid.isEmpty()) return groups;
    const QVariantMap mapping = p_mapping();
    for (auto it = mapping.cbegin(); it != mapping.cend(); ++it) {
        if (it.value().toString() != calendarUid) continue;
        if (TDGroup* group = library->groupWithUID(it.key())) groups.append(group);
    }
    return groups;
}

std::optional<platform::Calendar> TDCalendarStoreSyncSettings::calendarSyncingWithGroup(
    const TDGroup* group) const {
    if (!group) return std::nullopt;
    return platform::CalendarStore::defaultStore().calendarWithUid(
        p_mapping().value(group->uid()).toString());
}

std::optional<platform::Calendar> TDCalendarStoreSyncSettings::calendarSyncingWithTask(TDTask* task) const {
    TDLibrary* library = task ? task->library() : nullptr;
    if (!library) return std::nullopt;
    for (const platform::Calendar& calendar : orderedSyncEnabledCalendars()) {
        for (TDGroup* group : groupsSyncingToCalendar(calendar.uid(), library))
            if (group->allTasksInTree().contains(task)) return calendar;
    }
    return std::nullopt;
}

bool TDCalendarStoreSyncSettings::isSyncingEnabledForTask(TDTask* task) const {
    // Also asks the master switch: with it off no calendar task belongs to a task any more.
    if (!task || !isSyncingEnabled()) return false;
    const std::optional<platform::Calendar> calendar = calendarSyncingWithTask(task);
    return calendar && isSyncingEnabledForCalendar(calendar->uid());
}

QHash<QString, QDateTime> TDCalendarStoreSyncSettings::calendarSyncDates() {
    QHash<QString, QDateTime> dates;
    const QVariantMap stored = platform::hostUserDefaults().value(kSyncDates).toMap();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        if (const QDateTime date = it.value().toDateTime(); date.isValid()) dates.insert(it.key(), date);
    return dates;
}

void TDCalendarStoreSyncSettings::setCalendarSyncDates(const QHash<QString, QDateTime>& dates) {
    QVariantMap stored;
    for (auto it = dates.cbegin(); it != dates.cend(); ++it) stored.insert(it.key(), it.value());
    platform::hostUserDefaults().setValue(kSyncDates, stored);
}

void TDCalendarStoreSyncSettings::upgradeDefaultsIfNecessary() const {
    platform::UserDefaults& host = platform::hostUserDefaults();
    const QDateTime old = host.value(kOldSyncDate).toDateTime();
    if (!old.isValid()) return;
    QHash<QString, QDateTime> dates;
    for (const platform::Calendar& calendar : orderedSyncEnabledCalendars())
        dates.insert(calendar.uid(), old);
    setCalendarSyncDates(dates);
    host.removeValue(kOldSyncDate);
}
