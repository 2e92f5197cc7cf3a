#include "model/sync_set.h"

#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/objectstore/managed_object_context.h"

QList<TDSyncSetItem*> TDSyncSet::items() const {
    QList<TDSyncSetItem*> list;
    for (platform::ManagedObject* o : objectList(QStringLiteral("items")))
        list << static_cast<TDSyncSetItem*>(o);
    return list;
}

void TDSyncSet::addObject(const TDLibraryObject* object) {
    if (m_addingDisabled || !object) return;
    const QString uid = object->uid();
    if (uid.isEmpty()) return;
    const QDateTime now = TDClock::currentDateTime();
    const QList<TDSyncSetItem*> recorded = p_itemsOf(uid);
    for (TDSyncSetItem* item : recorded) item->setValue(QStringLiteral("addedDate"), now);
    if (!recorded.isEmpty()) return;
    platform::ManagedObject* item = managedObjectContext()->insertObject(QStringLiteral("SyncSetItem"));
    item->setValue(QStringLiteral("entityType"), object->entity()->name());
    item->setValue(QStringLiteral("itemUID"), uid);
    item->setValue(QStringLiteral("addedDate"), now);
    item->setObject(QStringLiteral("syncSet"), this);
}

QList<TDSyncSetItem*> TDSyncSet::p_itemsOf(const QString& uid) {
    if (!m_indexed) {
        m_itemsByUID.clear();
        for (TDSyncSetItem* item : items()) m_itemsByUID.insert(item->itemUID(), item);
        m_indexed = true;
    }
    return m_itemsByUID.values(uid);
}

void TDSyncSet::didChangeSet(const QString& key, SetMutation mutation,
                             const QList<platform::ManagedObject*>& objects) {
    TDLibraryObject::didChangeSet(key, mutation, objects);
    if (!m_indexed || key != QLatin1String("items")) return;
    for (platform::ManagedObject* object : objects) {
        auto* item = static_cast<TDSyncSetItem*>(object);
        const QString uid = item->itemUID();
        // An item that joins before it names its object (a merge may set it later) is found by a
        // rebuild of the index.
        if (uid.isEmpty()) {
            m_indexed = false;
            return;
        }
        if (mutation == SetMutation::Union)
            m_itemsByUID.insert(uid, item);
        else
            m_itemsByUID.remove(uid, item);
    }
}

int TDSyncSet::compareLastSyncToken(const QVariant& lastSyncToken, const QVariant& serverSyncToken) {
    if (lastSyncToken.metaType().id() != QMetaType::QString) return -1;
    const QStringList local = lastSyncToken.toString().split(QLatin1Char('-'));
    bool localOk = false;
    const qlonglong localCounter = local.size() == 2 ? local.at(1).toLongLong(&localOk) : 0;
    if (local.size() != 2 || !localOk || localCounter <= 0) {
        logWithLevel(TDLogWarning, "WARNING", "lastSyncToken has invalid format: %@",
                     lastSyncToken.toString());
        return -1;
    }
    const QStringList server = serverSyncToken.toString().split(QLatin1Char('-'));
    bool serverOk = false;
    const qlonglong serverCounter = server.size() == 2 ? server.at(1).toLongLong(&serverOk) : 0;
    if (serverSyncToken.metaType().id() != QMetaType::QString || server.size() != 2 || !serverOk ||
        serverCounter < 1) {
        logWithLevel(TDLogWarning, "WARNING", "serverSyncToken has invalid format: %@",
                     serverSyncToken.toString());
        return -1;
    }
    if (local.at(0) != server.at(0)) return 2;
    return serverCounter > localCounter ? 1 : 0;
}

TDSyncSet* TDSyncSetItem::syncSet() const {
    return static_cast<TDSyncSet*>(object(QStringLiteral("syncSet")));
}
