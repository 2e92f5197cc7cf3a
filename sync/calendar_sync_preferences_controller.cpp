#include "sync/calendar_sync_preferences_controller.h"

#include "model/calendar_store_sync_settings.h"
#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/defaults/user_defaults.h"
#include "platform/operations/operation_queue.h"
#include "store/library_manager.h"
#include "sync/calendar_store_sync_manager.h"
#include "sync/calendar_store_sync_memory.h"
#include "sync/ical_backup_operation.h"

#include <QDir>
#include <QPointer>

namespace {
const QString kMasterSwitchOption = QStringLiteral("calendarStoreSyncEnabled");
const QString kCalendarFolderDefault = QStringLiteral("calendarStoreRootPath");
constexpr int kCalendarFolderLocked = 1;
}  // namespace

TDCalendarSyncPreferencesController::TDCalendarSyncPreferencesController(
    TDLibraryManager& manager, TDCalendarStoreSyncManager* calendarSync, TDCalendarSyncPaneHost& host,
    QObject* parent)
    : QObject(parent),
      m_manager(manager),
      m_calendarSync(calendarSync),
      m_host(host),
      m_backupQueue(new platform::OperationQueue(QStringLiteral("Calendar backup"), this)) {
    connect(&m_manager, &TDLibraryManager::optionDidChange, this, [this](const QString& key) {
        if (key == kMasterSwitchOption) {
            Q_EMIT syncEnabledChanged();
            Q_EMIT groupsChanged();
            Q_EMIT calendarsChanged();
        }
    });
    loadCalendars();
}

TDCalendarSyncPreferencesController::~TDCalendarSyncPreferencesController() {
    delete m_backupQueue;  // the backup never waits for this thread
    if (m_calendarSync) m_calendarSync->startSync();
}

std::optional<TDCalendarStoreSyncSettings> TDCalendarSyncPreferencesController::p_settings() const {
    if (TDLibrary* library = m_manager.library()) return library->calendarStoreSyncSettings();
    return std::nullopt;
}

bool TDCalendarSyncPreferencesController::calendarStoreSyncEnabled() const {
    return m_manager.optionForKey(kMasterSwitchOption).toBool();
}

void TDCalendarSyncPreferencesController::setCalendarStoreSyncEnabled(bool enabled) {
    if (auto settings = p_settings()) settings->setSyncingEnabled(enabled);
    m_manager.saveOptionsDictionary();
    Q_EMIT syncEnabledChanged();
    Q_EMIT groupsChanged();
    Q_EMIT calendarsChanged();
}

QString TDCalendarSyncPreferencesController::calendarFolder() const {
    return platform::CalendarStore::defaultStore().rootPath();
}

bool TDCalendarSyncPreferencesController::canChangeCalendarFolder() const {
    return !calendarStoreSyncEnabled() && !m_backingUp;
}

Status TDCalendarSyncPreferencesController::setCalendarFolder(const QString& folder) {
    if (!canChangeCalendarFolder())
        return TDError::make(kCalendarFolderLocked, tr("The calendar folder cannot be changed now."),
                             tr("Turn calendar sync off first, then choose another calendar folder."));
    const QString cleaned = folder.trimmed().isEmpty() ? QString() : QDir::cleanPath(folder.trimmed());
    const bool isDefault =
        cleaned.isEmpty() || cleaned == QDir::cleanPath(platform::CalendarStore::defaultRootPath());
    platform::UserDefaults::standard().setValue(kCalendarFolderDefault, isDefault ? QString() : cleaned);
    platform::CalendarStore& store = platform::CalendarStore::defaultStore();
    if (store.rootPath() == platform::CalendarStore::chosenRootPath()) return {};
    store.setRootPath(platform::CalendarStore::chosenRootPath());
    // What the pass knew belongs to the old folder: nothing there counts as deleted here.
    TDCalendarStoreSyncSettings::setCalendarSyncDates({});
    TDCalendarStoreSyncMemory::save({});
    loadCalendars();
    Q_EMIT calendarFolderChanged();
    return {};
}

void TDCalendarSyncPreferencesController::toggleCalendarStoreSync() {
    if (m_backingUp) return;
    // The stored state decides, not the check box, which has already changed.
    if (calendarStoreSyncEnabled()) {
        const TDAlert question{tr("Disable syncing with calendars?"),
                               tr("This will remove all synced tasks from calendars."),
                               {tr("Disable Syncing"), tr("Cancel")},
                               nullptr};
        if (m_host.runSheet(question) == 0)
            setCalendarStoreSyncEnabled(false);
        else
            Q_EMIT syncEnabledChanged();  // the check box goes back on
        return;
    }
    const TDAlert question{
        tr("Backup calendars before enabling sync?"),
        tr("We recommend that you backup your Calendar database before turning on Calendar "
           "syncing to avoid any surprises."),
        {tr("Backup"), tr("Continue")},
        nullptr};
    if (m_host.runSheet(question) == 0) {
        if (const std::optional<QString> folder = m_host.chooseBackupFolder()) {
            p_backUpThenEnable(*folder);
            return;
        }
    }
    setCalendarStoreSyncEnabled(true);
}

void TDCalendarSyncPreferencesController::p_backUpThenEnable(const QString& folder) {
    auto backup = std::make_shared<TDiCalBackupOperation>();
    backup->setBackupPath(QDir(folder).filePath(TDiCalBackupOperation::proposedBackupFilename(false)));
    m_backingUp = true;
    Q_EMIT backingUpChanged(true);
    QPointer<TDCalendarSyncPreferencesController> self(this);
    m_backupQueue->addOperation([backup, self] {
        backup->start();
        if (!self) return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, backup] {
                self->m_backingUp = false;
                Q_EMIT self->backingUpChanged(false);
                if (const std::optional<TDError>& failed = backup->error()) {
                    // Sync stays off: the calendars are not touched without the backup asked for.
                    TDAlert alert = alertWithOrdelloError(*failed);
                    alert.informativeText = failed->description;
                    alert.messageText = tr("Calendar backup failed");
                    alert.buttons = {tr("OK")};
                    self->m_host.runSheet(alert);
                    Q_EMIT self->syncEnabledChanged();
                    return;
                }
                self->setCalendarStoreSyncEnabled(true);
            },
            Qt::QueuedConnection);
    });
}

void TDCalendarSyncPreferencesController::loadCalendars() {
    const std::optional<platform::Calendar> selected = p_selectedCalendar();
    auto settings = p_settings();
    m_calendars = settings ? settings->orderedCalendars() : QList<platform::Calendar>();
    m_selected = -1;
    for (int row = 0; selected && row < m_calendars.size(); ++row)
        if (m_calendars[row].uid() == selected->uid()) m_selected = row;
    Q_EMIT calendarsChanged();
    Q_EMIT groupsChanged();
}

QList<TDCalendarSyncPreferencesController::CalendarRow> TDCalendarSyncPreferencesController::calendarRows()
    const {
    QList<CalendarRow> rows;
    auto settings = p_settings();
    const bool usable = calendarStoreSyncEnabled();
    for (const platform::Calendar& calendar : m_calendars) {
        CalendarRow row{calendar, false, false};
        if (settings) {
            row.checked = settings->isSyncingEnabledForCalendar(calendar.uid());
            row.checkable =
                usable && !settings->groupsSyncingToCalendar(calendar.uid(), m_manager.library()).isEmpty();
        }
        rows << row;
    }
    return rows;
}

void TDCalendarSyncPreferencesController::toggleCalendarSync(int row) {
    const QList<CalendarRow> rows = calendarRows();
    if (row < 0 || row >= rows.size() || !rows[row].checkable) return;
    if (auto settings = p_settings()) settings->setSyncingEnabled(!rows[row].checked, rows[row].calendar);
    Q_EMIT calendarsChanged();
}

bool TDCalendarSyncPreferencesController::moveCalendar(int from, int to) {
    if (from < 0 || from >= m_calendars.size() || to < 0 || to >= m_calendars.size() || from == to)
        return false;
    const std::optional<platform::Calendar> selected = p_selectedCalendar();
    m_calendars.move(from, to);
    if (auto settings = p_settings()) settings->setOrderedCalendars(m_calendars);
    m_manager.saveOptionsDictionary();
    m_selected = -1;
    for (int row = 0; selected && row < m_calendars.size(); ++row)
        if (m_calendars[row].uid() == selected->uid()) m_selected = row;
    Q_EMIT calendarsChanged();
    return true;
}

std::optional<platform::Calendar> TDCalendarSyncPreferencesController::p_selectedCalendar() const {
    if (m_selected < 0 || m_selected >= m_calendars.size()) return std::nullopt;
    return m_calendars[m_selected];
}

void TDCalendarSyncPreferencesController::setSelectedCalendarRow(int row) {
    m_selected = row >= 0 && row < m_calendars.size() ? row : -1;
    // The groups list opens on the kind of group the calendar syncs with.
    if (auto selected = p_selectedCalendar(); selected && m_manager.library()) {
        const QList<TDGroup*> mapped =
            p_settings()->groupsSyncingToCalendar(selected->uid(), m_manager.library());
        m_mode = !mapped.isEmpty() && mapped.last()->isTag() ? TagsMode : ListsMode;
    }
    Q_EMIT groupsChanged();
}

void TDCalendarSyncPreferencesController::switchMode(Mode mode) {
    if (mode == m_mode) return;
    if (auto selected = p_selectedCalendar(); selected && m_manager.library()) {
        auto settings = p_settings();
        for (TDGroup* group : settings->groupsSyncingToCalendar(selected->uid(), m_manager.library()))
            settings->setSyncingEnabled(false, group->uid(), *selected);
    }
    m_mode = mode;
    Q_EMIT groupsChanged();
    Q_EMIT calendarsChanged();
}

bool TDCalendarSyncPreferencesController::areGroupsEnabled() const {
    return p_selectedCalendar().has_value() && calendarStoreSyncEnabled();
}

TDCalendarSyncPreferencesController::GroupRow TDCalendarSyncPreferencesController::p_groupRow(
    TDGroup* group, int depth, bool section) const {
    GroupRow row;
    row.group = group;
    row.depth = depth;
    const bool usable = areGroupsEnabled();
    row.hasCheckbox = !section && !group->isFolder();
    row.enabled = usable;
    if (!row.hasCheckbox) return row;
    const std::optional<platform::Calendar> mine = p_settings()->calendarSyncingWithGroup(group);
    const std::optional<platform::Calendar> selected = p_selectedCalendar();
    row.checked = mine && selected && mine->uid() == selected->uid();
    if (mine && (!selected || mine->uid() != selected->uid())) {
        row.enabled = false;
        if (usable) row.toolTip = tr("Syncs with the calendar \"%1\"").arg(mine->title());
    }
    return row;
}

void TDCalendarSyncPreferencesController::p_appendGroups(QList<GroupRow>& rows, TDGroup* parent, int depth,
                                                         bool sections) const {
    QList<TDGroup*> children = parent->orderedSubgroups()->objectsAs<TDGroup>();
    // Archive and Tags, the last two sections, are never offered with the lists.
    if (sections) children = children.mid(0, std::max<qsizetype>(0, children.size() - 2));
    for (TDGroup* child : children) {
        rows << p_groupRow(child, depth, sections);
        p_appendGroups(rows, child, depth + 1, false);
    }
}

QList<TDCalendarSyncPreferencesController::GroupRow> TDCalendarSyncPreferencesController::groupRows() const {
    QList<GroupRow> rows;
    TDLibrary* library = m_manager.library();
    if (!library) return rows;
    if (m_mode == TagsMode) {
        if (TDGroup* tags = library->tagsGroup()) p_appendGroups(rows, tags, 0, false);
    } else if (TDGroup* root = library->rootGroup()) {
        p_appendGroups(rows, root, 0, true);
    }
    return rows;
}

void TDCalendarSyncPreferencesController::toggleGroupSync(TDGroup* group) {
    const std::optional<platform::Calendar> selected = p_selectedCalendar();
    if (!group || !selected || !areGroupsEnabled()) return;
    const GroupRow row = p_groupRow(group, 0, false);
    if (!row.hasCheckbox || !row.enabled) return;
    p_settings()->setSyncingEnabled(!row.checked, group->uid(), *selected);
    m_manager.saveOptionsDictionary();
    Q_EMIT groupsChanged();
    Q_EMIT calendarsChanged();  // its check box depends on the mapping
}
