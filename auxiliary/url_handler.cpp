#include "auxiliary/url_handler.h"

#include "auxiliary/scripting_host.h"
#include "language/localized_string.h"
#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/undo/undo_manager.h"

#include <QStringDecoder>

namespace {
const QString kTasksComponent = QStringLiteral("tasks");

int hexValue(QChar c) {
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) return c.unicode() - 'A' + 10;
    return -1;
}

bool matches(const TDGroup* group, const QString& component) {
    return group && (group->uid() == component || group->localizedTitle().toLower() == component.toLower());
}
}  // namespace

TDURLHandler::TDURLHandler(TDScriptingHost& host) : m_host(host) {
}

std::optional<QString> TDURLHandler::decodedQueryValue(QStringView value) {
    QByteArray bytes;
    bytes.reserve(value.size());
    // Text between escapes is encoded a run at a time: a character outside the basic plane is two
    // UTF-16 units that only encode together.
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('%')) continue;
        bytes.append(value.sliced(runStart, i - runStart).toUtf8());
        const int high = i + 2 < value.size() ? hexValue(value[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(value[i + 2]) : -1;
        if (low < 0) return std::nullopt;
        bytes.append(char(high * 16 + low));
        i += 2;
        runStart = i + 1;
    }
    bytes.append(value.sliced(runStart).toUtf8());
    // Stateless: a sequence cut short at the end is an error too, not held back for more input.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

QVariantMap TDURLHandler::dictionaryFromURLQueryString(const QString& query) {
    QVariantMap dictionary;
    for (const QString& parameter : query.split(QLatin1Char('&'))) {
        const qsizetype equals = parameter.indexOf(QLatin1Char('='));
        if (equals < 0) {
            dictionary.insert(parameter, true);
            continue;
        }
        QString raw = parameter.mid(equals + 1);
        raw.replace(QLatin1Char('+'), QLatin1Char(' '));
        if (const std::optional<QString> value = decodedQueryValue(raw))
            dictionary.insert(parameter.left(equals), *value);
    }
    return dictionary;
}

TDURLTarget TDURLHandler::objectForPathComponents(const QStringList& components) const {
    TDURLTarget current;
    for (const QString& component : components)
        if (!component.isEmpty()) current = objectForPathComponent(component, current);
    return current;
}

TDURLTarget TDURLHandler::objectForPathComponent(const QString& component, const TDURLTarget& parent) const {
    QList<TDGroup*> candidates;
    if (!parent.object) {
        TDLibrary* library = m_host.library();
        if (!library) return {};
        if (TDTask* task = library->taskWithUID(component)) return {task};
        if (TDGroup* group = library->groupWithUID(component)) return {group};
        candidates = {library->inboxGroup(), library->todayGroup(), library->upcomingGroup()};
        if (TDGroup* folders = library->foldersGroup())
            candidates += folders->orderedSubgroups()->objectsAs<TDGroup>();
        candidates.append(library->archiveGroup());
    } else if (TDGroup* folder = TDGroup::from(parent.object);
               folder && !parent.isTasks && folder->isFolder()) {
        candidates = folder->orderedSubgroups()->objectsAs<TDGroup>();
    }
    for (TDGroup* candidate : std::as_const(candidates))
        if (matches(candidate, component)) return {candidate};

    if (component != kTasksComponent || !parent.object || parent.isTasks) return {};
    const TDGroup* group = TDGroup::from(parent.object);
    const bool hasTasks = group ? group->hasTasks() : TDTask::from(parent.object) != nullptr;
    return hasTasks ? TDURLTarget{parent.object, true} : TDURLTarget{};
}

void TDURLHandler::handleURL(const QUrl& url) {
    logWithLevel(TDLogDebug, "DEBUG", "Handling URL: %@", url.toString());
    const QStringList components = url.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (components.isEmpty()) return;
    const TDURLTarget target = objectForPathComponents(components);
    // Raw, since QUrl decodes "+" and invalid escapes its own way.
    const QString query = url.query(QUrl::FullyEncoded);
    if (target.isTasks && !query.isEmpty()) {
        const QVariantMap dictionary = dictionaryFromURLQueryString(query);
        const QString method = dictionary.value(QStringLiteral("method")).toString().toUpper();
        if (!dictionary.isEmpty() && method == QLatin1String("POST")) {
            TDLibrary* library = m_host.library();
            platform::UndoManager* undo = library ? library->undoManager() : nullptr;
            if (undo) undo->beginUndoGrouping();
            const TDTask* task =
                library ? library->createTaskFromImportDictionary(dictionary, target.object) : nullptr;
            if (undo) {
                undo->endUndoGrouping();
                if (task) undo->setActionName(TDLocalizedString("Create Task"));
            }
            if (!task)
                logWithLevel(TDLogError, "ERROR", "Failed to handle URL '%@': %@", url.toString(),
                             QStringLiteral("no task could be made there"));
            return;
        }
    }
    if (target.object) m_host.revealObject(target.object);
}
