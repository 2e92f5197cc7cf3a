#include "model/task.h"

#include "foundation/regex_additions.h"
#include "language/title_parser.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/tag.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"

#include <algorithm>

namespace {

const QString kTags = QStringLiteral("tags");

QList<platform::ManagedObject*> objectsOf(const QList<TDTag*>& tags) {
    return QList<platform::ManagedObject*>(tags.begin(), tags.end());
}

QList<TDTag*> ownTags(const TDTask* task) {
    QList<TDTag*> tags;
    for (TDGroup* group : task->tags())
        if (auto* tag = dynamic_cast<TDTag*>(group)) tags.append(tag);
    return tags;
}

// The title without the tokens that stand for the tag, with the white space next to them. Passes
// repeat while they take something away: one pass leaves the second of two adjacent tokens. A token
// the patterns cannot reach (white space that the patterns do not count as such) ends the loop.
QString titleWithoutTokensOfTag(QString title, const TDTag* tag) {
    const QString editingString = tag->editingString();
    for (;;) {
        QStringList tokens;
        for (const TDTitleParser::Range& range : TDTitleParser::tokenRangesFromEditingString(title)) {
            const QString token = title.mid(range.location, range.length);
            if (TDTitleParser::tagEditingStringIsEquivalentToString(editingString, token) &&
                !tokens.contains(token))
                tokens.append(token);
        }
        QString stripped = title;
        for (const QString& token : tokens) {
            const QString pattern = stringByEscapingRegexExpressions(token);
            replaceOccurrencesOfRegex(stripped, QStringLiteral("^%1\\s+|\\s+%1$|^%1$").arg(pattern),
                                      QString(QLatin1String("")));
            replaceOccurrencesOfRegex(stripped, QStringLiteral("\\s+%1\\s+").arg(pattern),
                                      QStringLiteral(" "));
        }
        if (stripped == title) return title;
        title = stripped;
    }
}

}  // namespace

TDTag* TDTask::contextTag() const {
    for (TDTag* tag : ownTags(this))
        if (tag->isContextTag()) return tag;
    return nullptr;
}

void TDTask::setContextTag(TDTag* tag) {
    TDTag* current = contextTag();
    if (current && current != tag) removeTagsObject(current);
    if (tag) addTagsObject(tag);
}

QList<TDTag*> TDTask::contextTags() const {
    QList<TDTag*> tags = ownTags(this);
    tags.removeIf([](const TDTag* tag) { return !tag->isContextTag(); });
    return tags;
}

void TDTask::addTagsObject(TDTag* tag) {
    if (tag) addTags({tag});
}

void TDTask::addTags(const QList<TDTag*>& tags) {
    QList<TDTag*> added = tags;
    added.removeAll(nullptr);
    if (added.isEmpty()) return;
    TDLibraryObject::addObjects(kTags, objectsOf(added));

    const TDManagedObjectContext* context = libraryContext();
    if (context && (context->isRestoringLibrary() || context->isSyncingLibrary())) return;
    std::sort(added.begin(), added.end(), [](const TDTag* a, const TDTag* b) {
        return a->title().compare(b->title(), Qt::CaseInsensitive) < 0;
    });
    const QStringList present = TDTitleParser::tokenEditingStringsFromString(title());
    QStringList missing;
    for (const TDTag* tag : added) {
        const QString editingString = tag->editingString();
        if (editingString.isNull() || missing.contains(editingString)) continue;
        const bool written = std::any_of(present.cbegin(), present.cend(), [&](const QString& token) {
            return TDTitleParser::tagEditingStringIsEquivalentToString(editingString, token);
        });
        if (!written) missing.append(editingString);
    }
    if (missing.isEmpty()) return;
    // The title already names every other tag, so the tags need not be derived again.
    const QString old = title();
    setTitle(old.isEmpty() ? missing.join(QLatin1Char(' '))
                           : QStringLiteral("%1 %2").arg(old, missing.join(QLatin1Char(' '))),
             false);
}

void TDTask::removeTagsObject(TDTag* tag) {
    if (!tag) {
        logWithLevel(TDLogWarning, "WARNING", "task told to update title for removing a nil tag");
        return;
    }
    if (objects(kTags).contains(tag)) removeTags({tag});
}

void TDTask::removeTags(const QList<TDTag*>& tags) {
    QList<TDTag*> removed;
    for (TDTag* tag : tags)
        if (tag && objects(kTags).contains(tag) && !removed.contains(tag)) removed.append(tag);
    if (removed.isEmpty()) return;
    if (!isDeleted()) {
        QString stripped = title();
        for (const TDTag* tag : removed) stripped = titleWithoutTokensOfTag(stripped, tag);
        setTitle(stripped, false);
    }
    TDLibraryObject::removeObjects(kTags, objectsOf(removed));
}

void TDTask::setTagsFromTokens(const QList<TDToken>& tokens) {
    if (tokens.isEmpty()) {
        removeTags(ownTags(this));
        return;
    }
    QStringList titles;
    for (const TDToken& token : tokens) {
        if (token.value().isValid()) {
            logWithLevel(TDLogWarning, "WARNING", "can't add a tag with a token that has a value");
            continue;
        }
        // A bare marker names no tag.
        const QString title = TDTitleParser::tagTitleFromEditingString(token.title());
        if (!title.isEmpty() && !titles.contains(title)) titles.append(title);
    }
    TDLibrary* library = this->library();
    const QList<TDTag*> current = ownTags(this);
    QList<TDTag*> toAdd;
    for (const QString& title : titles) {
        TDTag* tag = library ? library->tagWithTitle(title) : nullptr;
        if (!tag && library) tag = library->createTagWithTitle(title);
        if (tag && !current.contains(tag) && !toAdd.contains(tag)) toAdd.append(tag);
    }
    QList<TDTag*> toRemove;
    for (TDTag* tag : current)
        if (!titles.contains(tag->title())) toRemove.append(tag);
    if (!toAdd.isEmpty()) addTags(toAdd);
    if (!toRemove.isEmpty()) removeTags(toRemove);
}

void TDTask::inheritTags() {
    const TDTask* parent = parentTask();
    if (!parent) return;
    const int inherit = platform::UserDefaults::standard().integer(QStringLiteral("inheritParentTags"));
    if (inherit == 2)
        addTags(ownTags(parent));
    else if (inherit == 1)
        addTags(parent->contextTags());
}

QList<TDGroup*> TDTask::allTagsInTree() const {
    QList<TDGroup*> tags = this->tags();
    for (const TDTask* subtask : subtasks())
        for (TDGroup* tag : subtask->allTagsInTree())
            if (!tags.contains(tag)) tags.append(tag);
    return tags;
}
