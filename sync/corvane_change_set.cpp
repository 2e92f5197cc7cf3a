#include "sync/corvane_change_set.h"

#include "model/uid.h"
#include "platform/base/log.h"
#include "sync/corvane_errors.h"

#include <QJsonDocument>

const QStringList& TDCorvaneSyncedEntityNames() {
    static const QStringList names{QStringLiteral("Folder"),      QStringLiteral("List"),
                                   QStringLiteral("SmartFolder"), QStringLiteral("Tag"),
                                   QStringLiteral("Task"),        QStringLiteral("TaskNotes")};
    return names;
}

TDError TDCorvaneMalformedAnswerError(const QString& what) {
    TDError error = TDError::make(TDCorvaneErrorUnexpected, QStringLiteral("Unexpected server error"),
                                  QStringLiteral("The sync server's answer is malformed: %1").arg(what));
    error.userInfo.insert(QStringLiteral("reason"), what);
    return error;
}

Status ODLCorvaneChangeSet::addChangesFromDictionary(const QJsonObject& changes) {
    quint64 records = 0;
    for (auto entity = changes.begin(); entity != changes.end(); ++entity) {
        if (!entity->isObject())
            return TDCorvaneMalformedAnswerError(
                QStringLiteral("\"changes\".\"%1\" is not an object").arg(entity.key()));
        const QJsonObject byUID = entity->toObject();
        const bool known = TDCorvaneSyncedEntityNames().contains(entity.key());
        for (auto record = byUID.begin(); record != byUID.end(); ++record) {
            if (!record->isObject())
                return TDCorvaneMalformedAnswerError(
                    QStringLiteral("the record \"%1\" of \"%2\" is not an object")
                        .arg(record.key(), entity.key()));
            if (known && !TDCanonicalUIDNumber(record.key()))
                return TDCorvaneMalformedAnswerError(
                    QStringLiteral("\"%1\" of \"%2\" is not a UID").arg(record.key(), entity.key()));
        }
        records += quint64(byUID.size());
    }
    for (const QString& name : TDCorvaneSyncedEntityNames()) {
        const QJsonObject byUID = changes.value(name).toObject();
        if (byUID.isEmpty()) continue;
        QMap<QString, QJsonObject>& target = m_changes[name];
        for (auto record = byUID.begin(); record != byUID.end(); ++record)
            target.insert(record.key(), record->toObject());
    }
    m_total += records;
    return {};
}

Status ODLCorvaneChangeSet::addDownloadPage(const QJsonObject& answer) {
    const QJsonValue changes = answer.value(QStringLiteral("changes"));
    if (!changes.isUndefined() && !changes.isNull() && !changes.isObject())
        return TDCorvaneMalformedAnswerError(QStringLiteral("\"changes\" is not an object"));
    const QJsonValue bookmark = answer.value(QStringLiteral("bookmark"));
    QByteArray bookmarkText;
    if (!bookmark.isUndefined() && !bookmark.isNull()) {
        bookmarkText =
            QJsonDocument(QJsonObject{{QStringLiteral("b"), bookmark}}).toJson(QJsonDocument::Compact);
        if (m_bookmarks.contains(bookmarkText))
            return TDCorvaneMalformedAnswerError(
                QStringLiteral("the \"bookmark\" of an earlier page came again"));
    }
    if (changes.isObject())
        if (const Status added = addChangesFromDictionary(changes.toObject()); !added) return added;
    if (!bookmarkText.isEmpty()) m_bookmarks.insert(bookmarkText);
    return {};
}

const QMap<QString, QJsonObject>& ODLCorvaneChangeSet::changes(const QString& entityName) const {
    static const QMap<QString, QJsonObject> none;
    const auto found = m_changes.constFind(entityName);
    return found == m_changes.cend() ? none : *found;
}

bool ODLCorvaneChangeSet::isEmpty() const {
    for (const QMap<QString, QJsonObject>& records : m_changes)
        if (!records.isEmpty()) return false;
    return true;
}

void ODLCorvaneChangeSet::logInfo() const {
    logWithLevel(TDLogDebug, "DEBUG", "Changes:");
    qint64 sum = 0;
    const char* labels[] = {"folders", "lists", "smart folders", "tags", "tasks", "task notes"};
    for (qsizetype i = 0; i < TDCorvaneSyncedEntityNames().size(); ++i) {
        const qint64 count = changes(TDCorvaneSyncedEntityNames()[i]).size();
        logWithLevel(TDLogDebug, "DEBUG", "  %@: %ld", QString::fromLatin1(labels[i]), count);
        sum += count;
    }
    logWithLevel(TDLogDebug, "DEBUG", "  Total: %ld", sum);
}
