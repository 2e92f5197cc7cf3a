#include "app/dropped_data.h"

#include "language/localized_string.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/plist/property_list.h"
#include "taskviews/pasteboard_types.h"

#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace {

// Far more than the IDs of any library's tasks.
constexpr qsizetype kMaximumIDListBytes = 64 * 1024 * 1024;

const QString kMozURL = QStringLiteral("text/x-moz-url");
const QString kURIList = QStringLiteral("text/uri-list");

TDError unreadable() {
    return TDError::make(TDErrorTaskIDsUnreadable, TDLocalizedString("The dragged tasks could not be read."));
}

}  // namespace

Qt::DropAction TDDropActionForOperation(TDDragOperation operation) {
    switch (operation) {
        case TDDragOperation::None:
            return Qt::IgnoreAction;
        case TDDragOperation::Link:
            return Qt::LinkAction;
        case TDDragOperation::Move:
            return Qt::MoveAction;
        case TDDragOperation::Copy:
        case TDDragOperation::Generic:
            return Qt::CopyAction;
    }
    return Qt::IgnoreAction;
}

QStringList TDSourceListDragTypes() {
    return {TDPasteboardTypes::GroupUIDs,
            TDPasteboardTypes::TaskMOIDs,
            TDPasteboardTypes::TaskPlist,
            kURIList,
            kMozURL,
            QStringLiteral("text/plain")};
}

TDDroppedData TDDroppedDataOf(const QMimeData* data, bool allowsMove, bool groupsAccepted) {
    if (!data) return TDDroppedData::None;
    if (groupsAccepted && data->hasFormat(TDPasteboardTypes::GroupUIDs)) return TDDroppedData::GroupUIDs;
    if (allowsMove && data->hasFormat(TDPasteboardTypes::TaskMOIDs)) return TDDroppedData::TaskIDs;
    if (data->hasFormat(TDPasteboardTypes::TaskPlist)) return TDDroppedData::TaskPlist;
    if (data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        if (!urls.isEmpty() &&
            std::all_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); }))
            return TDDroppedData::Files;
        if (!urls.isEmpty()) return TDDroppedData::Links;
    }
    if (data->hasFormat(kMozURL)) return TDDroppedData::Links;
    if (data->hasText() && !data->text().trimmed().isEmpty()) return TDDroppedData::Text;
    return TDDroppedData::None;
}

Result<QList<TDTask*>> TDTasksFromDraggedIDs(const QMimeData* data, TDLibrary& library) {
    if (!data || !data->hasFormat(TDPasteboardTypes::TaskMOIDs)) return unreadable();
    const Result<QVariant> list =
        platform::readPropertyList(data->data(TDPasteboardTypes::TaskMOIDs), kMaximumIDListBytes);
    if (!list || list->typeId() != QMetaType::QVariantList) return unreadable();
    platform::ManagedObjectContext* context = library.managedObjectContext();
    const QString ownStore = context->coordinator()->storeUUID();
    QList<TDTask*> tasks;
    for (const QVariant& element : list->toList()) {
        if (element.typeId() != QMetaType::QString) return unreadable();
        const Result<platform::ObjectID> id = context->objectIDForURIString(element.toString());
        if (!id) {
            // A well-formed ID of another store is another library's task; anything else is no ID at all.
            const Result<platform::ObjectID> parsed =
                platform::ObjectID::fromURIString(element.toString(), context->model());
            if (parsed && parsed->storeUUID() != ownStore)
                return TDError::make(TDErrorTaskIDsOfAnotherLibrary,
                                     TDLocalizedString("The tasks belong to another library."),
                                     TDLocalizedString("Copy them instead to take them into this library."));
            return unreadable();
        }
        auto* task = dynamic_cast<TDTask*>(context->objectWithID(*id));
        if (task && !task->isDeleted() && !tasks.contains(task)) tasks.append(task);
    }
    return tasks;
}

void TDPlaceDroppedTasks(TDGroup& group, const QList<TDTask*>& tasks, bool inboxForListless) {
    if (tasks.isEmpty()) return;
    if (auto* smart = TDSmartFolder::from(&group)) {
        smart->dropTasks(tasks);
    } else {
        // The last first: each lands on top, so together they keep their order.
        for (auto task = tasks.crbegin(); task != tasks.crend(); ++task)
            (void)group.orderedTasks()->insertObject(*task, 0);  // the collection logs a refusal
    }
    if (!inboxForListless) return;
    TDLibrary* library = group.library();
    TDGroup* inbox = library ? library->inboxGroup() : nullptr;
    if (!inbox) return;
    for (auto task = tasks.crbegin(); task != tasks.crend(); ++task)
        if (!(*task)->isDeleted() && !(*task)->parentList())
            (void)inbox->orderedTasks()->insertObject(*task, 0);  // the collection logs a refusal
}

TDDragOperation TDTaskDropOperation(const QMimeData* data, TDDroppedData kind, TDGroup& group,
                                    TDLibrary& library, bool retagging) {
    switch (kind) {
        case TDDroppedData::TaskIDs: {
            const Result<QList<TDTask*>> tasks = TDTasksFromDraggedIDs(data, library);
            if (!tasks || tasks->isEmpty()) return TDDragOperation::None;
            if (retagging && group.isTag()) return TDDragOperation::Move;
            const QList<TDTask*> held = group.tasks();
            for (TDTask* task : *tasks)
                if (task->list() == &group || held.contains(task)) return TDDragOperation::None;
            return TDDragOperation::Move;
        }
        case TDDroppedData::TaskPlist:
            return TDDragOperation::Copy;
        case TDDroppedData::Files:
            return TDDragOperation::Link;
        case TDDroppedData::Links:
        case TDDroppedData::Text:
            return TDDragOperation::Generic;
        case TDDroppedData::GroupUIDs:
        case TDDroppedData::None:
            break;
    }
    return TDDragOperation::None;
}
