#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

class TDGroup;
class TDLibrary;
class TDTask;

// Which groups of the library are mirrored in which calendar of the calendar store, and whether the
// mirroring is on. Everything lives in the per-library options: "calendarStoreSyncEnabled" (the master
// switch), "syncEnabledCalendarUIDs" (the calendars the user turned on) and
// "groupToCalendarStoreCalendarMapping" (group UID to calendar uid). No state of its own.
class TDCalendarStoreSyncSettings final {
public:
    using OptionReader = std::function<QVariant(const QString& key)>;

    // The library gives the settings over its own options (TDLibrary::calendarStoreSyncSettings); a sync
    // operation holding a copy of the options reads that instead.
    explicit TDCalendarStoreSyncSettings(OptionReader reader);

    bool isSyncingEnabled() const;
    // The library's groups mapped to the calendar, in the order of the mapping's group UIDs; groups that
    // no longer exist are skipped.
    QList<TDGroup*> groupsSyncingToCalendar(const QString& calendarUid, TDLibrary* library) const;
    // Syncing is on, and the task lies in a group mapped to a calendar that is turned on: its list, or a
    // tag or smart folder of the task or one of its parent tasks.
    bool isSyncingEnabledForTask(TDTask* task) const;

private:
    QVariantMap p_mapping() const;

    OptionReader m_readOption;
};
