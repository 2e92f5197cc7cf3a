#pragma once

#include <QMetaType>
#include <Qt>

class TDTask;

// The roles the task cells read of the task outline's item model: the row's task, and how its cell
// is dressed (TDCellDressings as an int). The same numbers as TDTaskTreeModel::TaskRole and
// DressingRole.
inline constexpr int TDTaskCellTaskRole = Qt::UserRole + 2;
inline constexpr int TDTaskCellDressingRole = Qt::UserRole + 3;

Q_DECLARE_OPAQUE_POINTER(TDTask*)
Q_DECLARE_METATYPE(TDTask*)
