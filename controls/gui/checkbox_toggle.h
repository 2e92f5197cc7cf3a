#pragma once

#include <QEvent>
#include <QModelIndex>
#include <QRectF>

class QAbstractItemModel;

// Flips an editable, checkable item's check state for a left click released on the box or the space
// key; true when the event was used.
bool toggleCheckStateForEvent(QEvent* event, QAbstractItemModel* model, const QModelIndex& index,
                              const QRectF& box);
