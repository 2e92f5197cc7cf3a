#pragma once

#include "model/ordered_collection.h"

#include <QAbstractListModel>

#include <gtest/gtest.h>

namespace modeltest {

// The smallest item model over an ordered collection: rows are the published members, and each change
// signal maps one to one onto the model's own, as the views' models do it. Counts what it heard.
class CollectionListModel : public QAbstractListModel {
public:
    explicit CollectionListModel(TDOrderedCollection* collection) : m_collection(collection) {
        using C = TDOrderedCollection;
        connect(collection, &C::objectsAboutToBeInserted, this, [this](qsizetype first, qsizetype last) {
            ++inserts;
            beginInsertRows({}, int(first), int(last));
        });
        connect(collection, &C::objectsInserted, this, [this] { endInsertRows(); });
        connect(collection, &C::objectsAboutToBeRemoved, this, [this](qsizetype first, qsizetype last) {
            ++removals;
            beginRemoveRows({}, int(first), int(last));
        });
        connect(collection, &C::objectsRemoved, this, [this] { endRemoveRows(); });
        connect(collection, &C::objectsAboutToBeMoved, this,
                [this](qsizetype first, qsizetype last, qsizetype destination) {
                    ++moves;
                    EXPECT_TRUE(beginMoveRows({}, int(first), int(last), {}, int(destination)))
                        << "move " << first << ".." << last << " to " << destination;
                });
        connect(collection, &C::objectsMoved, this, [this] { endMoveRows(); });
        connect(collection, &C::memberChanged, this, [this](qsizetype row, const QStringList& keys) {
            changedRows.append(int(row));
            changedKeys.append(keys);
            Q_EMIT dataChanged(index(int(row)), index(int(row)));
        });
        connect(collection, &C::aboutToBeReset, this, [this] {
            ++resets;
            beginResetModel();
        });
        connect(collection, &C::wasReset, this, [this] { endResetModel(); });
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_collection->publishedObjects().size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole) return {};
        return m_collection->publishedObjects().at(index.row())->value(QStringLiteral("title"));
    }
    QList<platform::ManagedObject*> rows() const { return m_collection->publishedObjects(); }
    void forget() {
        inserts = removals = moves = resets = 0;
        changedRows.clear();
        changedKeys.clear();
    }

    int inserts = 0;
    int removals = 0;
    int moves = 0;
    int resets = 0;
    QList<int> changedRows;
    QList<QStringList> changedKeys;

private:
    TDOrderedCollection* m_collection;
};

}  // namespace modeltest
