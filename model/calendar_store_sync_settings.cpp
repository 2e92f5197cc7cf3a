#include "model/calendar_store_sync_settings.h"

#include "model/group.h"
#include "model/library.h"
#include "model/library_options.h"
#include "model/list.h"
#include "model/task.h"

#include <QSet>

TDCalendarStoreSyncSettings TDLibrary::calendarStoreSyncSettings() const {
    // Asked at each read: the library keeps its options only while it is open.
    return TDCalendarStoreSyncSettings([this](const QString& key) {
        TDLibraryOptions* options = this->options();
        return options ? options->optionForKey(key) : QVariant();
    });
}

TDCalendarStoreSyncSettings::TDCalendarStoreSyncSettings(OptionReader reader)
    : m_readOption(std::move(reader)) {
}

bool TDCalendarStoreSyncSettings::isSyncingEnabled() const {
    return m_readOption(QStringLiteral("calendarStoreSyncEnabled")).toBool();
}

QVariantMap TDCalendarStoreSyncSettings::p_mapping() const {
    return m_readOption(QStringLiteral("groupToCalendarStoreCalendarMapping")).toMap();
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

bool TDCalendarStoreSyncSettings::isSyncingEnabledForTask(TDTask* task) const {
    if (!task || !isSyncingEnabled()) return false;
    // Asked of the task's own relationships, which a task being deleted still holds.
    QSet<QString> groupUIDs;
    QList<TDTask*> chain = task->ancestorTasks();
    chain.prepend(task);
    for (TDTask* member : std::as_const(chain)) {
        for (const TDGroup* group : member->tags()) groupUIDs.insert(group->uid());
        for (const TDGroup* group : member->smartFolders()) groupUIDs.insert(group->uid());
    }
    if (const TDList* list = task->list()) groupUIDs.insert(list->uid());
    const QStringList enabledCalendars =
        m_readOption(QStringLiteral("syncEnabledCalendarUIDs")).toStringList();
    const QVariantMap mapping = p_mapping();
    for (auto it = mapping.cbegin(); it != mapping.cend(); ++it)
        if (groupUIDs.contains(it.key()) && enabledCalendars.contains(it.value().toString())) return true;
    return false;
}
