// Tasks from outside data: import dictionaries, text lines, links, mail message files, other files,
// calendar-store tasks and whatever is pasted or dropped.

#include "foundation/alias.h"
#include "foundation/attributed_string_additions.h"
#include "foundation/data_additions.h"
#include "foundation/email_parser.h"
#include "foundation/file_attachment.h"
#include "language/date_additions.h"
#include "language/localized_string.h"
#include "model/calendar_store_sync_settings.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "model/task_notes_text.h"
#include "platform/base/clock.h"
#include "platform/base/format.h"
#include "platform/base/log.h"
#include "platform/calendarstore/calendar_task.h"
#include "platform/plist/property_list.h"
#include "platform/transformers/value_transformer.h"

#include <QFileInfo>
#include <QHash>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <array>

namespace {

// Pasted text and task dictionaries beyond this are not read.
constexpr qsizetype kMaximumPastedBytes = 8 * 1024 * 1024;

std::unique_ptr<QTextDocument> linkDocument(const QString& text, const QUrl& url) {
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    QTextCharFormat format;
    format.setAnchor(true);
    format.setAnchorHref(url.toString(QUrl::FullyEncoded));
    cursor.insertText(text, format);
    return document;
}

// A pasted or dropped task form comes from outside (another library, another program): a "uid" in it
// may be one an object here already has, so the task and the subtasks, notes and recurrence it brings
// all get new ones.
QVariantMap pastedTaskFormWithoutUIDs(QVariantMap form) {
    const QString uid = QStringLiteral("uid");
    form.remove(uid);
    for (const char* key : {"notes", "recurrence"}) {
        const auto entry = form.find(QLatin1String(key));
        if (entry == form.end() || entry->typeId() != QMetaType::QVariantMap) continue;
        QVariantMap nested = entry->toMap();
        nested.remove(uid);
        *entry = nested;
    }
    if (const auto subtasks = form.find(QStringLiteral("subtasks"));
        subtasks != form.end() && subtasks->typeId() == QMetaType::QVariantList) {
        QVariantList list = subtasks->toList();
        for (QVariant& subtask : list)
            if (subtask.typeId() == QMetaType::QVariantMap)
                subtask = pastedTaskFormWithoutUIDs(subtask.toMap());
        *subtasks = list;
    }
    return form;
}

// The dictionary's keys the importer knows, lower-cased, with values of the kinds it accepts.
QVariantMap normalisedImportDictionary(const QVariantMap& dictionary) {
    static const QStringList known = {
        QStringLiteral("title"),         QStringLiteral("startdate"), QStringLiteral("duedate"),
        QStringLiteral("estimatedtime"), QStringLiteral("priority"),  QStringLiteral("url"),
        QStringLiteral("urltitle"),      QStringLiteral("notes"),     QStringLiteral("index")};
    QVariantMap result;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        const QString key = it.key().toLower();
        if (!known.contains(key)) continue;
        QVariant value = it.value();
        const int type = value.typeId();
        const bool isNumber = type == QMetaType::Int || type == QMetaType::LongLong ||
                              type == QMetaType::UInt || type == QMetaType::ULongLong ||
                              type == QMetaType::Double || type == QMetaType::Bool;
        if (type != QMetaType::QString && type != QMetaType::QDateTime && type != QMetaType::QUrl &&
            !isNumber)
            continue;
        if (key.endsWith(QLatin1String("date"))) {
            if (type != QMetaType::QDateTime) {
                const auto transformer =
                    platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageDate"));
                value = transformer && type == QMetaType::QString
                            ? transformer->reverseTransformedValue(value)
                            : QVariant();
            }
            const QDateTime date = value.toDateTime();
            if (!date.isValid()) continue;
            value = dates::dateAtStartOfDay(date);
        } else if (key.endsWith(QLatin1String("time"))) {
            if (!isNumber) {
                const auto transformer =
                    platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageTimeInterval"));
                value = transformer && type == QMetaType::QString
                            ? transformer->reverseTransformedValue(value)
                            : QVariant();
            }
        } else if (key == QLatin1String("url")) {
            if (type == QMetaType::QString) {
                QString text = value.toString();
                text.replace(QLatin1Char(' '), QLatin1String("%20"));
                const QUrl url(text, QUrl::StrictMode);
                if (!url.isValid() || url.scheme().isEmpty()) {
                    logWithLevel(TDLogError, "ERROR", "Could not make URL from string: %@", value.toString());
                    continue;
                }
                value = url;
            } else if (type != QMetaType::QUrl) {
                logWithLevel(TDLogError, "ERROR", "URL parameter was neither a string or a URL object");
                continue;
            }
            QUrl url = value.toUrl();
            // A file link carries an alias record of the file, so that it finds the file after a move.
            if (url.isLocalFile()) {
                if (const std::optional<BDAlias> alias = BDAlias::fromPath(url.toLocalFile())) {
                    const QUrl withAlias(url.toString(QUrl::FullyEncoded) + QStringLiteral("?alias=") +
                                         base64EncodedString(alias->data()));
                    if (withAlias.isValid()) url = withAlias;
                }
            }
            value = url;
        }
        if (!value.isNull()) result.insert(key, value);
    }
    return result;
}

}  // namespace

void TDTask::updateFromImportDictionary(const QVariantMap& dictionary) {
    const QVariantMap values = normalisedImportDictionary(dictionary);
    if (values.contains(QStringLiteral("title"))) setTitle(values.value(QStringLiteral("title")).toString());
    if (values.contains(QStringLiteral("startdate")))
        setStartDate(values.value(QStringLiteral("startdate")).toDateTime());
    if (values.contains(QStringLiteral("duedate")))
        setDueDate(values.value(QStringLiteral("duedate")).toDateTime());
    setEstimatedTime(values.value(QStringLiteral("estimatedtime")).toDouble());
    setPriority(values.value(QStringLiteral("priority")).toLongLong());

    const QUrl url = values.value(QStringLiteral("url")).toUrl();
    const bool hasNotes = values.contains(QStringLiteral("notes"));
    const QString text = values.value(QStringLiteral("notes")).toString().trimmed();
    const QVariant urlTitle = values.value(QStringLiteral("urltitle"));
    const QString linkText =
        urlTitle.typeId() == QMetaType::QString ? urlTitle.toString() : url.toString(QUrl::FullyEncoded);
    if (!url.isEmpty()) {
        std::unique_ptr<QTextDocument> notes = linkDocument(linkText, url);
        if (!text.isEmpty()) {
            QTextCursor cursor(notes.get());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(QStringLiteral("\n\n") + text, QTextCharFormat());
            notes = linkifiedString(*notes);
        }
        TDSetTaskNotes(this, notes.get());
    } else if (hasNotes) {
        QTextDocument plain(text);
        TDSetTaskNotes(this, linkifiedString(plain).get());
    }
}

TDTask* TDLibrary::createTaskFromImportDictionary(const QVariantMap& dictionary, TDLibraryObject* parent) {
    TDGroup* group = TDGroup::from(parent);
    TDTask* parentTask = TDTask::from(parent);
    if (parent && !group && !parentTask) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Tried to create a task inside something other than a group or task");
        return nullptr;
    }
    if (group && group->isFolder()) {
        logWithLevel(TDLogWarning, "WARNING", "Cannot create a task directly inside a folder");
        return nullptr;
    }
    if (group && group->isSmartFolder() && !group->isTodayGroup()) {
        logWithLevel(TDLogWarning, "WARNING", "Cannot create a task directly inside a smart folder");
        return nullptr;
    }
    qsizetype index = 0;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        if (it.key().compare(QLatin1String("index"), Qt::CaseInsensitive) == 0)
            index = it.value().toLongLong();
    TDTask* task = createOrphanTask();
    task->updateFromImportDictionary(dictionary);

    Status placed;
    if (group && group->isTodayGroup()) {
        group->addObjects(QStringLiteral("tasks"), {task});
    } else if (group && group->isTag()) {
        TDGroup* inbox = inboxGroup();
        if (inbox) placed = inbox->orderedTasks()->insertObject(task, 0);
        if (placed) group->addObjects(QStringLiteral("tasks"), {task});
    } else if (parent) {
        TDOrderedCollection* collection = group ? group->orderedTasks() : parentTask->orderedTasks();
        const qsizetype count = collection->count();
        placed = collection->insertObject(task, index < 0 || index > count ? count : index);
    }
    if (!placed) {
        logWithLevel(TDLogWarning, "WARNING", "Could not create task from import dictionary: %@",
                     placed.error().description);
        task->deleteObject();
        return nullptr;
    }
    return task;
}

TDTask* TDLibrary::createTaskFromString(const QString& line) {
    QString rest = line;
    QString status;
    static const std::array<std::pair<QString, QString>, 4> markers = {{
        {QStringLiteral("- "), QString()},
        {QStringLiteral("\u2022 "), QString()},
        {QStringLiteral("\u00D7 "), QStringLiteral("X")},
        {QStringLiteral("\u2713 "), QStringLiteral("C")},
    }};
    for (const auto& [marker, markerStatus] : markers) {
        if (!rest.startsWith(marker)) continue;
        rest = rest.mid(marker.size());
        status = markerStatus;
        break;
    }
    static const QStringList schemes = {QStringLiteral("http://"), QStringLiteral("https://"),
                                        QStringLiteral("file://"), QStringLiteral("mailto:"),
                                        QStringLiteral("ftp://"),  QStringLiteral("ssh://"),
                                        QStringLiteral("sftp://"), QStringLiteral("afp:/"),
                                        QStringLiteral("smb://"),  QStringLiteral("irc://")};
    for (const QString& scheme : schemes) {
        if (!rest.startsWith(scheme)) continue;
        const QUrl url(rest.trimmed(), QUrl::StrictMode);
        if (url.isValid()) return createTaskFromURL(url);
        break;
    }
    TDTask* task = createOrphanTask();
    task->setTitle(rest.trimmed());
    if (status == QLatin1String("X")) task->setCanceled(true);
    if (status == QLatin1String("C")) task->setCompleted(true);
    return task;
}

TDTask* TDLibrary::createTaskFromURL(const QUrl& url) {
    if (url.isEmpty()) return nullptr;
    const QString absolute = url.toString(QUrl::FullyEncoded);
    TDTask* task = createOrphanTask();
    task->setTitle(formatString(TDLocalizedString("Look at <%@>"), {absolute}));
    const QString linkText = url.isLocalFile() ? url.fileName(QUrl::FullyDecoded) : absolute;
    TDSetTaskNotes(task, linkDocument(linkText, url).get());
    return task;
}

TDTask* TDLibrary::createTaskFromURL(const QUrl& url, const QString& urlTitle) {
    TDTask* task = createTaskFromURL(url);
    if (!task) return nullptr;
    const bool isMessage = url.scheme() == QLatin1String("message");
    if (isMessage && !urlTitle.isEmpty()) {
        task->setTitle(formatString(TDLocalizedString("Handle email \"%@\""), {urlTitle}));
        TDSetTaskNotes(task, linkDocument(urlTitle, url).get());
    } else if (isMessage) {
        task->setTitle(TDLocalizedString("Handle email"));
    } else if (!urlTitle.isEmpty()) {
        task->setTitle(formatString(TDLocalizedString("Look at \"%@\""), {urlTitle}));
    }
    return task;
}

TDTask* TDLibrary::createTaskFromEmailFilepath(const QString& path) {
    const Result<TDEmailParser> parser = TDEmailParser::fromEmailFilepath(path);
    if (!parser) {
        logWithLevel(TDLogWarning, "WARNING", "Could not read mail message %@: %@", path,
                     parser.error().description);
        return nullptr;
    }
    // A message without an identifier cannot be found by it: the task links to the file instead.
    QUrl url = parser->messageURL();
    if (url.isEmpty()) url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    QString linkTitle = parser->linkTitle();
    if (linkTitle.isEmpty()) linkTitle = QFileInfo(path).fileName();

    TDTask* task = createTaskFromURL(url, linkTitle);
    if (!task) return nullptr;
    const QString subject = parser->subject().trimmed();
    const QString sender = parser->sender().trimmed();
    if (!subject.isEmpty())
        task->setTitle(formatString(TDLocalizedString("Handle email \"%@\""), {subject}));
    else if (!sender.isEmpty())
        task->setTitle(formatString(TDLocalizedString("Handle email from %@"), {sender}));
    else
        task->setTitle(TDLocalizedString("Handle email"));
    return task;
}

TDTask* TDLibrary::createTaskFromFilepath(const QString& path) {
    if (path.isEmpty()) return nullptr;
    const QFileInfo info(path);
    if (!info.exists()) return nullptr;
    if (info.suffix().compare(QLatin1String("eml"), Qt::CaseInsensitive) == 0)
        return createTaskFromEmailFilepath(path);
    TDTask* task = createOrphanTask();
    task->setTitle(formatString(TDLocalizedString("Look at \"%@\""), {info.fileName()}));
    if (const std::optional<BDAlias> alias = BDAlias::fromPath(info.absoluteFilePath())) {
        QTextDocument notes;
        QTextCursor cursor(&notes);
        insertFileAttachment(cursor, *alias);
        TDSetTaskNotes(task, &notes);
    }
    return task;
}

TDTask* TDLibrary::createTaskFromCalTask(const platform::CalendarTask& calTask) {
    const QList<TDGroup*> groups =
        calendarStoreSyncSettings().groupsSyncingToCalendar(calTask.calendarUid(), this);
    if (groups.isEmpty()) return nullptr;

    const QString title = calTask.title();
    const qsizetype colon = title.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        const QString listTitle = title.left(colon);
        for (TDGroup* group : groups) {
            if (!group->isList() || group->title() != listTitle) continue;
            TDTask* task = createOrphanTask();
            task->updateFromCalTask(calTask);
            task->setTitle(title.mid(colon + 1).trimmed());
            (void)group->orderedTasks()->insertObject(task, 0);  // the collection logs a refusal
            return task;
        }
    }
    TDTask* task = createOrphanTask();
    task->updateFromCalTask(calTask);
    if (groups.size() == 1) {
        TDGroup* group = groups.first();
        if (group->isTag())
            group->addObjects(QStringLiteral("tasks"), {task});
        else if (group->isList())
            (void)group->orderedTasks()->insertObject(task, 0);  // the collection logs a refusal
        else if (group->isTodayGroup())
            task->setStartDate(dates::dateAtStartOfDay(TDClock::currentDateTime()));
    }
    if (!task->list())
        // The collection logs a refusal.
        if (TDGroup* inbox = inboxGroup()) (void)inbox->orderedTasks()->insertObject(task, 0);
    return task;
}

QList<TDTask*> TDLibrary::createTasksFromMimeData(const QMimeData* data) {
    QList<TDTask*> tasks;
    if (!data) return tasks;
    auto keep = [&tasks](TDTask* task) {
        if (task) tasks.append(task);
    };
    if (data->hasFormat(TaskPlistMimeType)) {
        const Result<QVariant> list =
            platform::readPropertyList(data->data(TaskPlistMimeType), kMaximumPastedBytes);
        if (!list) {
            logWithLevel(TDLogWarning, "WARNING", "Could not read pasted tasks: %@",
                         list.error().description);
            return tasks;
        }
        for (const QVariant& element : list->toList()) {
            if (element.typeId() != QMetaType::QVariantMap) continue;
            TDTask* task = createOrphanTask();
            if (const Status updated =
                    task->updateFromPropertyListRepresentation(pastedTaskFormWithoutUIDs(element.toMap()));
                !updated) {
                logWithLevel(TDLogWarning, "WARNING", "Could not read a pasted task: %@",
                             updated.error().description);
                task->deleteObject();
                continue;
            }
            tasks.append(task);
        }
        return tasks;
    }
    if (data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        if (std::all_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); })) {
            for (const QUrl& url : urls) keep(createTaskFromFilepath(url.toLocalFile()));
            return tasks;
        }
        // Browsers give each link's title in "text/x-moz-url": link and title on alternate lines.
        QHash<QUrl, QString> titles;
        const QByteArray mozURL = data->data(QStringLiteral("text/x-moz-url"));
        if (mozURL.size() <= kMaximumPastedBytes) {
            const QStringList lines =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(mozURL.constData()), mozURL.size() / 2)
                    .split(QLatin1Char('\n'));
            for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
                titles.insert(QUrl(lines[i].trimmed()), lines[i + 1].trimmed());
        }
        for (const QUrl& url : urls) {
            if (url.isLocalFile())
                keep(createTaskFromFilepath(url.toLocalFile()));
            else
                keep(createTaskFromURL(url, titles.value(url)));
        }
        return tasks;
    }
    if (data->hasText()) {
        const QString text = data->text();
        if (text.size() > kMaximumPastedBytes) {
            logWithLevel(TDLogWarning, "WARNING", "Pasted text of %ld characters is too long to read.",
                         qint64(text.size()));
            return tasks;
        }
        static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\r\n\u2028\u2029]"));
        for (const QString& line : text.split(lineBreak))
            if (!line.trimmed().isEmpty()) keep(createTaskFromString(line));
    }
    return tasks;
}
