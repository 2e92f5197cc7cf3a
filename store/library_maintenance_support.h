#pragma once

#include "model/library.h"
#include "platform/objectstore/managed_object.h"

#include <QList>
#include <QSet>
#include <QVariantList>

class TDTask;

// Fetches and partitions shared by the library's validation and its repair. A fetch that fails
// counts as an empty result: both report problems only through the log.
namespace librarymaintenance {

QList<platform::ManagedObject*> fetch(TDLibrary* library, const QString& entityName,
                                      const QString& format = {}, const QVariantList& arguments = {},
                                      const QList<platform::SortDescriptor>& sortDescriptors = {});

// The completed and canceled status codes, as a predicate argument.
QVariantList finishedStatuses();

// How many objects share a uid with an earlier one; objects without a uid share one value.
qsizetype duplicateUIDCount(const QList<platform::ManagedObject*>& objects);

// Whether `object`'s to-one `key` points at `expected`; a missing owner never does.
bool pointsBack(const platform::ManagedObject* owner, const QString& key,
                const platform::ManagedObject* expected);

// The tasks of every list under the folders group plus the Inbox's, and those of every list under the
// archive group, read from the group tree rather than from the tasks' flags.
struct ArchivePartition {
    QSet<TDTask*> unarchived;
    QSet<TDTask*> archived;
};
ArchivePartition archivePartition(TDLibrary* library);

// Finished tasks with subtasks of which some task at any depth is still open.
QList<TDTask*> finishedParentsWithOpenDescendants(TDLibrary* library);

}  // namespace librarymaintenance
