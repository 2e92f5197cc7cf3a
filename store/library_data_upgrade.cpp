#include "store/library_data_upgrade.h"

#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/managed_object.h"
#include "platform/objectstore/managed_object_context.h"
#include "store/library_migration.h"

#include <algorithm>

using platform::FetchRequest;
using platform::ManagedObject;

namespace {

const QString kUID = QStringLiteral("uid");
const QString kTitle = QStringLiteral("title");
const QString kType = QStringLiteral("type");
const QString kSpecial = QStringLiteral("special");
const QString kParentGroup = QStringLiteral("parentGroup");
const QString kSubgroups = QStringLiteral("subgroups");
const QString kDisplayOrder = QStringLiteral("displayOrder");

QList<ManagedObject*> fetch(ManagedObject* library, const QString& entity, FetchRequest::Filter filter = {}) {
    auto objects = library->managedObjectContext()->execute(FetchRequest(entity, std::move(filter)));
    if (objects) return *objects;
    logWithLevel(TDLogError, "ERROR", "%@", objects.error().description);
    return {};
}

ManagedObject* specialGroupNamed(ManagedObject* library, const QString& title) {
    const QList<ManagedObject*> groups =
        fetch(library, QStringLiteral("Group"), [&title](const ManagedObject* g) {
            return g->value(kSpecial).toBool() && g->value(kTitle).toString() == title;
        });
    if (groups.isEmpty()) {
        logWithLevel(TDLogError, "ERROR", "Could not find the special group named '%@'", title);
        return nullptr;
    }
    if (groups.size() > 1)
        logWithLevel(TDLogWarning, "WARNING", "There's more than one of special group '%@'... WTF?", title);
    return groups.last();
}

ManagedObject* rootGroup(ManagedObject* library) {
    const QString rootUID = library->value(QStringLiteral("rootGroupUID")).toString();
    const QList<ManagedObject*> roots =
        fetch(library, QStringLiteral("Group"),
              [&rootUID](const ManagedObject* g) { return g->value(kUID).toString() == rootUID; });
    if (!roots.isEmpty()) return roots.last();
    const QList<ManagedObject*> parentless = fetch(
        library, QStringLiteral("Group"), [](const ManagedObject* g) { return !g->object(kParentGroup); });
    return parentless.size() == 1 ? parentless.first() : nullptr;
}

ManagedObject* parentOf(ManagedObject* group) {
    return group ? group->object(kParentGroup) : nullptr;
}

QList<ManagedObject*> orderedSubgroups(ManagedObject* group) {
    QList<ManagedObject*> subgroups = group->objectList(kSubgroups);
    std::stable_sort(subgroups.begin(), subgroups.end(), [](const ManagedObject* a, const ManagedObject* b) {
        return a->value(kDisplayOrder).toDouble() < b->value(kDisplayOrder).toDouble();
    });
    return subgroups;
}

// Puts the group into the parent's subgroups at the index, renumbering the display orders.
void insertSubgroup(ManagedObject* parent, ManagedObject* group, qsizetype index) {
    QList<ManagedObject*> siblings = orderedSubgroups(parent);
    siblings.removeAll(group);
    siblings.insert(std::clamp<qsizetype>(index, 0, siblings.size()), group);
    group->setObject(kParentGroup, parent);
    for (qsizetype i = 0; i < siblings.size(); ++i) siblings[i]->setValue(kDisplayOrder, double(i));
}

ManagedObject* lastListTitled(ManagedObject* library, const QString& title) {
    const QList<ManagedObject*> lists =
        fetch(library, QStringLiteral("List"),
              [&title](const ManagedObject* g) { return g->value(kTitle).toString() == title; });
    return lists.isEmpty() ? nullptr : lists.last();
}

ManagedObject* subfolderTitled(ManagedObject* parent, const QString& title) {
    if (!parent) return nullptr;
    for (ManagedObject* group : parent->objectList(kSubgroups))
        if (group->value(kType).toString() == QLatin1String("folder") &&
            group->value(kTitle).toString() == title)
            return group;
    return nullptr;
}

void setUID(ManagedObject* group, const char* uid) {
    if (group) group->setValue(kUID, QString::fromLatin1(uid));
}

// Special groups refuse to be renamed by the user; the upgrade renames them as the old data demands.
void renameSpecialGroup(ManagedObject* group, const QString& title) {
    group->setPrimitiveValue(kTitle, title);
}

void recreateTodayGroup(ManagedObject* library) {
    logWithLevel(TDLogInfo, "INFO", "Recreating today group");
    platform::ManagedObjectContext* context = library->managedObjectContext();
    if (ManagedObject* today = specialGroupNamed(library, QStringLiteral("Today")))
        context->deleteObject(today);
    ManagedObject* ordellos = specialGroupNamed(library, QStringLiteral("Ordellos"));
    if (!ordellos) return;
    ManagedObject* today = context->insertObject(QStringLiteral("SmartFolder"));
    today->setValue(kUID, QStringLiteral("05FB05DB28053AF2"));
    today->setValue(kTitle, QStringLiteral("Today"));
    today->setValue(kType, QStringLiteral("smart"));
    today->setValue(kSpecial, true);
    insertSubgroup(ordellos, today, 0);
}

void giveStarterGroupsFixedUIDs(ManagedObject* library) {
    ManagedObject* root = rootGroup(library);
    if (root) {
        setUID(root, "1AD5C0850B0BE611");
        library->setValue(QStringLiteral("rootGroupUID"), root->value(kUID));
    }
    ManagedObject* inbox = specialGroupNamed(library, QStringLiteral("Inbox"));
    setUID(parentOf(inbox), "0F3BBB3637A63EEA");
    setUID(inbox, "57553C3149610B74");
    ManagedObject* today = specialGroupNamed(library, QStringLiteral("Today"));
    setUID(parentOf(today), "2787C4A047EDE68B");
    setUID(today, "05FB05DB28053AF2");
    setUID(specialGroupNamed(library, QStringLiteral("Upcoming")), "0CB99A5A5C5F49D8");
    ManagedObject* folders = specialGroupNamed(library, QStringLiteral("Folders"));
    setUID(folders, "6BCCBDE462F0F3FB");
    setUID(specialGroupNamed(library, QStringLiteral("Tags")), "1C360B5A16EA03BB");
    setUID(subfolderTitled(folders, QStringLiteral("Projects")), "230C12DF19F6B890");
    setUID(lastListTitled(library, QStringLiteral("Learn Ordello")), "0C2266C72BE17631");
    setUID(subfolderTitled(folders, QStringLiteral("On Hold")), "7D6B170C654752A8");
    setUID(lastListTitled(library, QStringLiteral("Someday")), "0B1B48D34637C394");

    // Libraries of that age had no archive; a restored backup claiming their version may hold one.
    const bool hasArchive =
        !fetch(library, QStringLiteral("Folder"), [](const ManagedObject* g) {
             return g->value(kSpecial).toBool() && g->value(kTitle).toString() == QLatin1String("Archive");
         }).isEmpty();
    if (root && !hasArchive) {
        ManagedObject* archive = library->managedObjectContext()->insertObject(QStringLiteral("Folder"));
        archive->setValue(kTitle, QStringLiteral("Archive"));
        archive->setValue(kType, QStringLiteral("folder"));
        archive->setValue(kSpecial, true);
        setUID(archive, "75B59CC4406246EB");
        const qsizetype after = folders ? orderedSubgroups(root).indexOf(folders) : -1;
        insertSubgroup(root, archive, after >= 0 ? after + 1 : orderedSubgroups(root).size());
    }
    for (ManagedObject* task : fetch(library, QStringLiteral("Task")))
        task->setValue(QStringLiteral("archived"), false);
}

void dropTabState(TDLibraryUpgradeServices* services) {
    const QStringList tabKeys = {QStringLiteral("TDTabControl tabs objects"),
                                 QStringLiteral("TDTabControl tabs selected index"),
                                 QStringLiteral("TDTabControl tabs userInfo")};
    if (services) services->removeOptions(QStringList{QStringLiteral("groupViewOptions")} + tabKeys);
    for (const QString& key : tabKeys) platform::UserDefaults::standard().removeValue(key);
}

}  // namespace

void TDUpgradeLibraryIfNeeded(ManagedObject* library, TDLibraryUpgradeServices* services) {
    const qint64 version = TDScaledLibraryVersion(library->value(QStringLiteral("version")).toDouble());
    if (version >= TDScaledLibraryVersion(1.0)) return;
    if (version < 90100) recreateTodayGroup(library);
    if (version < 90200) {
        logWithLevel(TDLogInfo, "INFO", "Renaming collect grouping folder to Inbox");
        if (ManagedObject* parent = parentOf(specialGroupNamed(library, QStringLiteral("Inbox"))))
            renameSpecialGroup(parent, QStringLiteral("INBOX"));
    }
    if (version < 90400) {
        for (ManagedObject* group : fetch(library, QStringLiteral("Group"), [](const ManagedObject* g) {
                 return g->value(kType).toString() == QLatin1String("label");
             }))
            group->setValue(kType, QStringLiteral("tag"));
        if (ManagedObject* labels = specialGroupNamed(library, QStringLiteral("Labels")))
            renameSpecialGroup(labels, QStringLiteral("Tags"));
    }
    if (version < 91000) giveStarterGroupsFixedUIDs(library);
    if (version < 91100) dropTabState(services);
    if (library->value(QStringLiteral("version")).toDouble() != 1.0) {
        logWithLevel(TDLogInfo, "INFO", "Setting new version after upgrading library");
        library->setValue(QStringLiteral("version"), 1.0);
    }
    if (services) services->fixLibrary();
    platform::UserDefaults::standard().synchronize();
}
