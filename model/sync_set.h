#pragma once

#include "model/library_object.h"

#include <QMultiHash>

class TDSyncSetItem;

// The sync journal: which library objects changed since the last exchange with the sync service. It
// lives in a context of its own on the library's coordinator and is saved apart from the library.
class TDSyncSet final : public TDLibraryObject {
public:
    using TDLibraryObject::TDLibraryObject;

    QString syncType() const { return primitiveValue(QStringLiteral("syncType")).toString(); }
    void setSyncType(const QString& type) { setValue(QStringLiteral("syncType"), type); }
    QString username() const { return primitiveValue(QStringLiteral("username")).toString(); }
    void setUsername(const QString& name) { setValue(QStringLiteral("username"), name); }
    QDateTime lastSyncDate() const { return primitiveValue(QStringLiteral("lastSyncDate")).toDateTime(); }
    void setLastSyncDate(const QDateTime& date) { setValue(QStringLiteral("lastSyncDate"), date); }
    QVariant lastSyncToken() const { return primitiveValue(QStringLiteral("lastSyncToken")); }
    void setLastSyncToken(const QVariant& token) { setValue(QStringLiteral("lastSyncToken"), token); }
    QList<TDSyncSetItem*> items() const;

    bool isAddingDisabled() const { return m_addingDisabled; }
    void setAddingDisabled(bool disabled) { m_addingDisabled = disabled; }

    // Records a changed object: renews its item, or adds one in the journal's own context.
    void addObject(const TDLibraryObject* object);

    // 1 when the server's counter is newer, 0 when not, 2 for a token of another library, -1 for a
    // malformed token.
    static int compareLastSyncToken(const QVariant& lastSyncToken, const QVariant& serverSyncToken);

protected:
    void didChangeSet(const QString& key, SetMutation mutation,
                      const QList<platform::ManagedObject*>& objects) override;

private:
    QList<TDSyncSetItem*> p_itemsOf(const QString& uid);

    bool m_addingDisabled = false;
    // The items by the uid they record, so that renewing one costs the same in a long journal as in a
    // short one. Built on first use, then kept by every change of the items (inserts, deletes, undo,
    // merges of other contexts' saves).
    QMultiHash<QString, TDSyncSetItem*> m_itemsByUID;
    bool m_indexed = false;
};

class TDSyncSetItem final : public TDLibraryObject {
public:
    using TDLibraryObject::TDLibraryObject;

    QString entityType() const { return primitiveValue(QStringLiteral("entityType")).toString(); }
    QString itemUID() const { return primitiveValue(QStringLiteral("itemUID")).toString(); }
    QDateTime addedDate() const { return primitiveValue(QStringLiteral("addedDate")).toDateTime(); }
    TDSyncSet* syncSet() const;
};
