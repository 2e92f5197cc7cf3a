#pragma once

#include "foundation/alert.h"
#include "platform/base/error.h"
#include "platform/calendarstore/calendar.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class TDCalendarStoreSyncManager;
class TDCalendarStoreSyncSettings;
class TDGroup;
class TDLibraryManager;

namespace platform {
class OperationQueue;
}

// What the calendar pane asks of the window around it; tests script it.
class TDCalendarSyncPaneHost {
public:
    virtual ~TDCalendarSyncPaneHost() = default;
    // A sheet; the index of the button chosen.
    virtual int runSheet(const TDAlert& alert) = 0;
    // The folder the backup package goes into; none: no backup.
    virtual std::optional<QString> chooseBackupFolder() = 0;
};

// The "Calendar Sync" pane without its view: the master switch with its questions and the backup
// offered before sync goes on, the calendars of the calendar folder (turned on, in the user's order),
// and the groups that sync with the selected calendar. Everything it edits lives in the library's
// calendar-sync settings; a pass starts when the pane goes.
class TDCalendarSyncPreferencesController final : public QObject {
    Q_OBJECT
public:
    // The groups list shows lists and folders, or tags.
    enum Mode { ListsMode = 0, TagsMode = 1 };

    struct CalendarRow {
        platform::Calendar calendar;
        bool checked = false;
        // Only a calendar with a group mapped to it can be turned on or off.
        bool checkable = false;
    };
    struct GroupRow {
        TDGroup* group = nullptr;
        int depth = 0;
        // Sections and folders hold groups, they sync nothing themselves.
        bool hasCheckbox = false;
        bool checked = false;
        bool enabled = false;
        QString toolTip;
    };

    // `calendarSync` may be null (no pass starts when the pane goes).
    TDCalendarSyncPreferencesController(TDLibraryManager& manager, TDCalendarStoreSyncManager* calendarSync,
                                        TDCalendarSyncPaneHost& host, QObject* parent = nullptr);
    // Waits for a backup still being written, then starts a pass, which fills the calendars or takes
    // the synced tasks out of them.
    ~TDCalendarSyncPreferencesController() override;

    bool calendarStoreSyncEnabled() const;
    void setCalendarStoreSyncEnabled(bool enabled);
    // The master switch: asks before switching off; offers a backup before switching on.
    void toggleCalendarStoreSync();
    bool isBackingUp() const { return m_backingUp; }
    // The calendar folder the calendars come from.
    QString calendarFolder() const;
    // Only while sync is off: the pass over the new folder then starts afresh.
    bool canChangeCalendarFolder() const;
    // Stores the folder (empty, or the default folder, for the default) and forgets when each calendar
    // was last synced and which calendar tasks the pass made, so that the next pass takes every calendar
    // of the new folder as new and deletes nothing on either side. Refused while sync is on.
    Status setCalendarFolder(const QString& folder);

    void loadCalendars();
    QList<CalendarRow> calendarRows() const;
    void toggleCalendarSync(int row);
    // Moves a calendar to another place of the list, stored as the user's order.
    bool moveCalendar(int from, int to);
    int selectedCalendarRow() const { return m_selected; }
    void setSelectedCalendarRow(int row);

    Mode mode() const { return m_mode; }
    // The user changing the mode: the selected calendar's groups are unmapped first.
    void switchMode(Mode mode);
    // Usable while a calendar is selected and sync is on.
    bool areGroupsEnabled() const;
    QList<GroupRow> groupRows() const;
    void toggleGroupSync(TDGroup* group);

Q_SIGNALS:
    void syncEnabledChanged();
    void calendarsChanged();
    void groupsChanged();
    void backingUpChanged(bool backingUp);
    void calendarFolderChanged();

private:
    std::optional<TDCalendarStoreSyncSettings> p_settings() const;
    std::optional<platform::Calendar> p_selectedCalendar() const;
    void p_backUpThenEnable(const QString& folder);
    void p_appendGroups(QList<GroupRow>& rows, TDGroup* parent, int depth, bool sections) const;
    GroupRow p_groupRow(TDGroup* group, int depth, bool section) const;

    TDLibraryManager& m_manager;
    TDCalendarStoreSyncManager* m_calendarSync;
    TDCalendarSyncPaneHost& m_host;
    platform::OperationQueue* m_backupQueue;
    QList<platform::Calendar> m_calendars;
    int m_selected = -1;
    Mode m_mode = ListsMode;
    bool m_backingUp = false;
};
