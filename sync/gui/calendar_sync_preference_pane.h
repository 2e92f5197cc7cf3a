#pragma once

#include "auxiliary/gui/preference_pane.h"
#include "sync/calendar_sync_preferences_controller.h"

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QListWidget;
class QProgressDialog;
class QTreeWidget;
class TDAlertPrompter;
class TDCalendarStoreSyncManager;
class TDLibraryManager;

// The "Calendar Sync" pane: the master switch, the calendar folder, the calendars (check box per
// calendar, dragged into the user's order) and the groups that sync with the selected calendar.
class TDCalendarSyncPane final : public TDPreferencePane, private TDCalendarSyncPaneHost {
public:
    using FolderChooser = std::function<std::optional<QString>()>;

    // Sheets go to the prompter; the backup folder is asked with a folder dialog unless a chooser is given.
    TDCalendarSyncPane(TDLibraryManager& manager, TDCalendarStoreSyncManager* calendarSync,
                       TDAlertPrompter& sheets, FolderChooser chooseFolder = {});
    ~TDCalendarSyncPane() override;

    QWidget* view() override;
    QString helpAnchor() const override { return QStringLiteral("prefs_ical_sync"); }

    TDCalendarSyncPreferencesController& controller() { return *m_controller; }
    QListWidget* calendarList() const { return m_calendars; }
    QTreeWidget* groupTree() const { return m_groups; }
    QCheckBox* masterSwitch() const { return m_switch; }
    QPushButton* changeFolderButton() const { return m_changeFolder; }
    // Answers the calendar folder dialog in place of the person (tests).
    void setCalendarFolderChooser(FolderChooser choose) { m_chooseCalendarFolder = std::move(choose); }

private:
    int runSheet(const TDAlert& alert) override;
    std::optional<QString> chooseBackupFolder() override;

    void p_showFolder();
    void p_changeFolder();
    void p_showCalendars();
    void p_showGroups();
    void p_calendarsReordered();

    TDAlertPrompter& m_sheets;
    FolderChooser m_chooseFolder;
    FolderChooser m_chooseCalendarFolder;
    std::unique_ptr<TDCalendarSyncPreferencesController> m_controller;
    std::unique_ptr<QWidget> m_view;
    QCheckBox* m_switch = nullptr;
    QLabel* m_folder = nullptr;
    QPushButton* m_changeFolder = nullptr;
    QListWidget* m_calendars = nullptr;
    QTreeWidget* m_groups = nullptr;
    QComboBox* m_mode = nullptr;
    QProgressDialog* m_progress = nullptr;
    bool m_filling = false;
};
