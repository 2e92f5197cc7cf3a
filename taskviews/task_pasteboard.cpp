#include "taskviews/task_pasteboard.h"

#include "model/group.h"
#include "model/library.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/object_id.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/plist/property_list.h"
#include "taskviews/pasteboard_types.h"
#include "taskviews/rtf_writer.h"

#include <QMimeData>
#include <QRegularExpression>
#include <QSet>

namespace TDTaskPasteboard {
namespace {

const QString kURIList = QStringLiteral("text/uri-list");
const QString kPlainText = QStringLiteral("text/plain");
const QString kRichText = QStringLiteral("text/rtf");
// ID and uid lists are small; a larger one is not ours.
constexpr qsizetype kMaximumListBytes = 16 * 1024 * 1024;
// Notes in rich text start this far in, under their title.
constexpr int kNotesIndent = 12;

bool hasNotesText(const TDTask* task) {
    return task->hasNotes();
}

// The inside of the body of a document's HTML: the notes go inside a list item, not as a document.
QString bodyOfHTML(const QString& html) {
    static const QRegularExpression body(
        QStringLiteral("<body[^>]*>(.*)</body>"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = body.match(html);
    return match.hasMatch() ? match.captured(1).trimmed() : html;
}

QStringList stringsOfPropertyList(const QByteArray& data, bool* readable) {
    const Result<QVariant> list = platform::readPropertyList(data, kMaximumListBytes);
    *readable = list.ok() && list->typeId() == QMetaType::QVariantList;
    if (!*readable) return {};
    QStringList strings;
    for (const QVariant& element : list->toList())
        if (element.typeId() == QMetaType::QString) strings.append(element.toString());
    return strings;
}

QByteArray propertyListOf(const QVariantList& list) {
    const Result<QByteArray> data = platform::writePropertyList(list);
    if (!data) {
        logWithLevel(TDLogError, "ERROR", "Could not write tasks for the clipboard: %@",
                     data.error().description);
        return {};
    }
    return *data;
}

}  // namespace

const QStringList& dragTypes() {
    static const QStringList types = {TDPasteboardTypes::TaskMOIDs, TDPasteboardTypes::TaskPlist,
                                      TDPasteboardTypes::GroupUIDs, kURIList, kPlainText};
    return types;
}

QString firstAcceptedType(const QMimeData& data, bool copy) {
    for (const QString& type : dragTypes()) {
        if (copy && type == TDPasteboardTypes::TaskMOIDs) continue;
        if (data.hasFormat(type)) return type;
    }
    return {};
}

QString mark(const TDTask* task) {
    if (task->isCompleted()) return QStringLiteral("\u2713");
    if (task->isCanceled()) return QStringLiteral("\u00D7");
    return QStringLiteral("\u2022");
}

QByteArray taskIDList(const QList<TDTask*>& tasks) {
    QVariantList ids;
    for (const TDTask* task : tasks) ids.append(task->persistentObjectIDURIString());
    return propertyListOf(ids);
}

QByteArray taskPropertyLists(const QList<TDTask*>& tasks) {
    QVariantList forms;
    QSet<const TDTask*> written;
    for (const TDTask* task : tasks) {
        bool belowEarlier = false;
        for (const TDTask* above = task->parentTask(); above && !belowEarlier; above = above->parentTask())
            belowEarlier = written.contains(above);
        written.insert(task);
        if (!belowEarlier) forms.append(task->propertyListRepresentationForCopying());
    }
    return propertyListOf(forms);
}

QByteArray richText(const QList<TDTask*>& tasks, bool includeNotes) {
    TDRTFWriter writer;
    for (const TDTask* task : tasks) {
        writer.beginParagraph(0);
        TDRTFWriter::Run title;
        title.link = task->URLString();
        title.underline = task->isCanceled();
        writer.appendText(mark(task) + QLatin1Char(' ') + task->title(), title);
        writer.endParagraph();
        if (!includeNotes) continue;
        writer.beginParagraph(0);
        writer.endParagraph();
        if (!hasNotesText(task)) continue;
        if (const std::shared_ptr<const QTextDocument> notes = task->attributedNotes())
            writer.appendDocument(*notes, kNotesIndent);
        writer.beginParagraph(kNotesIndent);
        writer.endParagraph();
    }
    return writer.data();
}

QString html(const QList<TDTask*>& tasks, bool includeNotes) {
    QString text = QStringLiteral("<ul class=\"tasks\" style=\"list-style:none;margin-left:0;\">\n");
    for (const TDTask* task : tasks) {
        text += QStringLiteral("\t<li style=\"margin-bottom:1em;\">");
        text += QStringLiteral("<a href=\"ordello:///%1\">%2 %3</a>")
                    .arg(task->uid().toHtmlEscaped(), mark(task), task->title().toHtmlEscaped());
        if (includeNotes && hasNotesText(task))
            if (const std::shared_ptr<const QTextDocument> notes = task->attributedNotes())
                text +=
                    QStringLiteral("<div class=\"notes\" style=\"margin-top:1em;margin-left:1em;\">%1</div>")
                        .arg(bodyOfHTML(notes->toHtml()));
        text += QStringLiteral("</li>\n");
    }
    text += QStringLiteral("</ul>");
    return text;
}

QString plainText(const QList<TDTask*>& tasks, bool includeNotes) {
    if (tasks.size() == 1) return tasks.first()->title();
    QStringList entries;
    for (const TDTask* task : tasks) {
        QString entry = mark(task) + QLatin1Char(' ') + task->title();
        if (includeNotes && hasNotesText(task)) entry += QStringLiteral("\n\n") + task->notesString();
        entries.append(entry);
    }
    return entries.join(includeNotes ? QStringLiteral("\n\n") : QStringLiteral("\n"));
}

std::unique_ptr<QMimeData> mimeDataForTasks(const QList<TDTask*>& tasks, bool includeNotes) {
    auto data = std::make_unique<QMimeData>();
    data->setData(TDPasteboardTypes::TaskMOIDs, taskIDList(tasks));
    data->setData(TDPasteboardTypes::TaskPlist, taskPropertyLists(tasks));
    data->setData(kRichText, richText(tasks, includeNotes));
    data->setHtml(html(tasks, includeNotes));
    data->setText(plainText(tasks, includeNotes));
    return data;
}

TaskIDs tasksForIDList(const QByteArray& data, platform::ManagedObjectContext& context) {
    TaskIDs result;
    bool readable = false;
    const QStringList uris = stringsOfPropertyList(data, &readable);
    if (!readable) return result;
    const QString storeUUID = context.coordinator() ? context.coordinator()->storeUUID() : QString();
    QList<platform::ObjectID> ids;
    for (const QString& uri : uris) {
        const Result<platform::ObjectID> id = platform::ObjectID::fromURIString(uri, context.model());
        if (!id) continue;
        if (id->storeUUID() != storeUUID) {
            logWithLevel(TDLogWarning, "WARNING", "Refused tasks of another library: %@", uri.left(200));
            result.outcome = TaskIDs::Outcome::OtherLibrary;
            return result;
        }
        ids.append(*id);
    }
    result.outcome = TaskIDs::Outcome::Tasks;
    for (const platform::ObjectID& id : std::as_const(ids)) {
        TDTask* task = TDTask::from(context.objectWithID(id));
        if (task && !task->isDeleted() && !result.tasks.contains(task)) result.tasks.append(task);
    }
    return result;
}

QList<TDGroup*> groupsForUIDList(const QByteArray& data, TDLibrary& library) {
    bool readable = false;
    QList<TDGroup*> groups;
    for (const QString& uid : stringsOfPropertyList(data, &readable))
        if (TDGroup* group = library.groupWithUID(uid);
            group && !group->isDeleted() && !groups.contains(group))
            groups.append(group);
    return groups;
}

}  // namespace TDTaskPasteboard
