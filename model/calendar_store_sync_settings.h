#pragma once

#include "platform/calendarstore/calendar.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

class TDGroup;
class TDLibrary;
class TDTask;

// Which groups of the library are mirrored in which calendar of the calendar store, and whether the
// mirroring is on. The choices live in the per-library options: "calendarStoreSyncEnabled" (the master
// switch), "syncEnabledCalendarUIDs" (the calendars the user turned on), "orderedCalendarUIDs" (the
// user's order of the calendars) and "groupToCalendarStoreCalendarMapping" (group UID to calendar uid).
// When each calendar was last synced is a fact of this machine, kept in the per-host preferences. No
// state of its own; calendars come from the default calendar store. Main thread.
class TDCalendarStoreSyncSettings final {
public:
    using OptionReader = std::function<QVariant(const QString& key)>;
    using OptionWriter = std::function<void(const QVariant& value, const QString& key)>;

    // The library gives the settings over its own options (TDLibrary::calendarStoreSyncSettings).
    // Without a writer the setters change nothing.
    explicit TDCalendarStoreSyncSettings(OptionReader reader, OptionWriter writer = {});

    // The master switch is on and at least one calendar is turned on.
    bool isSyncingEnabled() const;
    void setSyncingEnabled(bool enabled);

    // Every editable calendar: first those of the user's order, then the others, each placed before
    // the first whose title sorts after its own.
    QList<platform::Calendar> orderedCalendars() const;
    void setOrderedCalendars(const QList<platform::Calendar>& calendars);
    QList<platform::Calendar> orderedSyncEnabledCalendars() const;

    // The master switch is not consulted.
    bool isSyncingEnabledForCalendar(const QString& calendarUid) const;
    // A read-only calendar is never turned on: asking for it turns it off.
    void setSyncingEnabled(bool enabled, const platform::Calendar& calendar);
    // Maps the group to the calendar, turning the calendar on with its first group; unmapping its last
    // group turns it off. A read-only calendar makes this an unmapping.
    void setSyncingEnabled(bool enabled, const QString& groupUid, const platform::Calendar& calendar);
    // Unmaps the group from its calendar, if it has one.
    void removeGroup(TDGroup* group);

    // The library's groups mapped to the calendar, in the order of the mapping's group UIDs; groups that
    // no longer exist are skipped.
    QList<TDGroup*> groupsSyncingToCalendar(const QString& calendarUid, TDLibrary* library) const;
    std::optional<platform::Calendar> calendarSyncingWithGroup(const TDGroup* group) const;
    // The first turned-on calendar, in the user's order, with a mapped group whose tree holds the task.
    std::optional<platform::Calendar> calendarSyncingWithTask(TDTask* task) const;
    // Syncing is on and the task's calendar is turned on.
    bool isSyncingEnabledForTask(TDTask* task) const;

    // Per-host: calendar uid -> when its tasks were last fetched by a completed pass.
    static QHash<QString, QDateTime> calendarSyncDates();
    static void setCalendarSyncDates(const QHash<QString, QDateTime>& dates);
    // Spreads the single sync date of older versions over the turned-on calendars, once.
    void upgradeDefaultsIfNecessary() const;

private:
    QVariantMap p_mapping() const;
    QStringList p_enabledCalendarUIDs() const;
    void p_write(const QVariant& value, const QString& key) const;

    OptionReader m_readOption;
    OptionWriter m_writeOption;
};
