#pragma once

#include <QList>
#include <QModelIndex>
#include <QPersistentModelIndex>
#include <QPointer>

class QAbstractItemModel;

// A depth-first walk over every item of a model (column 0), whether its parent is expanded in a view or
// not. Forward gives pre-order (a parent before its children); reverse gives exactly that order
// backwards. After the walk has answered the invalid index once, the next call starts it again.
class TDOutlineViewItemEnumerator {
public:
    TDOutlineViewItemEnumerator(const QAbstractItemModel* model, bool reverse);

    // The next item, or the invalid index at the end.
    QModelIndex nextObject();
    // The item last returned; invalid before the first call and after the end.
    QModelIndex currentObject() const;
    void reset();

    bool isReverse() const { return m_reverse; }

protected:
    const QAbstractItemModel* model() const { return m_model; }

private:
    QModelIndex p_top() const;
    void p_pushChildren(const QModelIndex& parent, bool lastOnTop);

    QPointer<const QAbstractItemModel> m_model;
    bool m_reverse;
    // Persistent, so a walk survives rows moving under it.
    QList<QPersistentModelIndex> m_stack;
};
