#include "model/task.h"

#include "foundation/regex_additions.h"
#include "language/localized_string.h"
#include "model/task_notes.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/sound/sound_resources.h"
#include "platform/sound/sound_sink.h"

#include <QRandomGenerator>

#include <array>
#include <utility>

namespace {

using AttributeNames = QList<std::pair<QString, QString>>;  // (display name, attribute key)

// Built on first use, so the translations installed at start-up are those in force.
const AttributeNames& displayNames() {
    static const AttributeNames names{
        {TDLocalizedString("Due"), QStringLiteral("dueDate")},
        {TDLocalizedString("Estimated Time"), QStringLiteral("totalEstimatedTime")},
        {TDLocalizedString("Actual Time"), QStringLiteral("actualTime")},
        {TDLocalizedString("Act On"), QStringLiteral("nextActionDate")},
        {TDLocalizedString("Priority"), QStringLiteral("priority")},
        {TDLocalizedString("Start"), QStringLiteral("startDate")},
        {TDLocalizedString("Completed"), QStringLiteral("completedDate")},
        {TDLocalizedString("Modified"), QStringLiteral("modifiedDate")},
        {TDLocalizedString("Added"), QStringLiteral("createdDate")},
        {TDLocalizedString("List"), QStringLiteral("list")},
    };
    return names;
}

// Searched in this order: the column titles, then the menu titles.
const std::array<AttributeNames, 2>& reverseNames() {
    static const std::array<AttributeNames, 2> tables{
        AttributeNames{
            {TDLocalizedString("Due"), QStringLiteral("dueDate")},
            {TDLocalizedString("Today"), QStringLiteral("dueOrStartDate")},
            {TDLocalizedString("Estimated Time"), QStringLiteral("totalEstimatedTime")},
            {TDLocalizedString("Actual Time"), QStringLiteral("actualTime")},
            {TDLocalizedString("Upcoming"), QStringLiteral("nextActionDate")},
            {TDLocalizedString("Priority"), QStringLiteral("priority")},
            {TDLocalizedString("Start"), QStringLiteral("startDate")},
            {TDLocalizedString("Completed"), QStringLiteral("completedDate")},
            {TDLocalizedString("Modified"), QStringLiteral("modifiedDate")},
            {TDLocalizedString("Added"), QStringLiteral("createdDate")},
            {TDLocalizedString("List"), QStringLiteral("list")},
        },
        AttributeNames{
            {TDLocalizedString("By Due"), QStringLiteral("dueDate")},
            {TDLocalizedString("By Estimated Time"), QStringLiteral("totalEstimatedTime")},
            {TDLocalizedString("By Actual Time"), QStringLiteral("actualTime")},
            {TDLocalizedString("By Priority"), QStringLiteral("priority")},
            {TDLocalizedString("By Start"), QStringLiteral("startDate")},
            {TDLocalizedString("By Completed"), QStringLiteral("completedDate")},
            {TDLocalizedString("By Modified"), QStringLiteral("modifiedDate")},
            {TDLocalizedString("By Added"), QStringLiteral("createdDate")},
        },
    };
    return tables;
}

const QString kTaskCompletedSound = QStringLiteral("task_completed.oga");

}  // namespace

QString TDTask::attributeNameForDisplayString(const QString& displayString) {
    if (displayString == TDLocalizedString("Manual Order")) return QString();
    for (const AttributeNames& table : reverseNames())
        for (const auto& [name, key] : table)
            if (name == displayString) return key;
    return QString();
}

QString TDTask::displayStringForAttributeName(const QString& key) {
    if (key.isNull()) return TDLocalizedString("Manual Order");
    for (const auto& [name, attribute] : displayNames())
        if (attribute == key) return name;
    return QString();
}

QString TDTask::displayStringForPriority(qint64 priority) {
    if (priority == 0) return TDLocalizedString("No Priority");
    return TDLocalizedString("Priority %1").arg(priority);
}

bool TDTask::isDateAttribute(const QString& key) {
    static const QSet<QString> keys{QStringLiteral("dueDate"),        QStringLiteral("startDate"),
                                    QStringLiteral("nextActionDate"), QStringLiteral("completedDate"),
                                    QStringLiteral("modifiedDate"),   QStringLiteral("createdDate")};
    return keys.contains(key);
}

bool TDTask::isTimeAttribute(const QString& key) {
    static const QSet<QString> keys{QStringLiteral("totalEstimatedTime"), QStringLiteral("estimatedTime"),
                                    QStringLiteral("actualTime")};
    return keys.contains(key);
}

QString TDTask::taskCompletedSoundName(const QList<TDTask*>& tasks, bool first) {
    static const QString birthday = QStringLiteral("(^|\\W)[Bb]irthday(\\W|$)");
    static const QString space =
        QStringLiteral("(^|\\W)([Rr]ocket|[Aa]stronaut|[Ss]pace [Ss]hip|[Ll]aunch|[Mm]oon)(\\W|$)");
    QString themed;
    for (const TDTask* task : tasks) {
        if (!task) continue;
        const QString title = task->title();
        if (isMatchedByRegex(title, birthday))
            themed = first ? QStringLiteral("party1.oga") : QStringLiteral("party2.oga");
        else if (isMatchedByRegex(title, space))
            themed = first ? QStringLiteral("space1.oga") : QStringLiteral("space2.oga");
        if (!themed.isNull()) break;
    }
    if (themed.isNull() || platform::soundResourcePath(themed).isEmpty()) return kTaskCompletedSound;
    return themed;
}

void TDTask::playTaskCompletedSoundForTasks(const QList<TDTask*>& tasks) {
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (!defaults.boolean(QStringLiteral("playSoundEffects"))) return;
    const bool first = (QRandomGenerator::global()->generate() & 1U) != 0;
    platform::SoundSink::shared().playSound(taskCompletedSoundName(tasks, first),
                                            defaults.real(QStringLiteral("soundEffectVolume")));
}

qint64 TDTask::checkboxState() const {
    if (isCompleted()) return 1;
    if (isCanceled()) return 2;
    if (isTiming()) return 3;
    if (isPastDue()) return 4;
    if (isRecurring()) return 5;
    for (const TDTask* subtask : subtasks())
        if (subtask->isCompleted() || subtask->checkboxState() == -1) return -1;
    return 0;
}

QString TDTask::URLString() const {
    return QStringLiteral("%1:///%2").arg(QStringLiteral("ordello"), uid());
}

TDTaskNotes* TDTask::notes() const {
    // Asked of every row a list shows: the relationship is not looked up by name.
    return dynamic_cast<TDTaskNotes*>(object(properties().notes));
}

void TDTask::setNotes(TDTaskNotes* notes) {
    setObject(QStringLiteral("notes"), notes);
    TDLibraryObject::setValue(QStringLiteral("notesUID"), notes ? QVariant(notes->uid()) : QVariant());
}

QString TDTask::notesString() const {
    const TDTaskNotes* notes = this->notes();
    return notes ? notes->string() : QString();
}

QByteArray TDTask::notesWebArchiveData() const {
    const TDTaskNotes* notes = this->notes();
    return notes ? notes->webArchiveData() : QByteArray();
}

std::shared_ptr<const QTextDocument> TDTask::attributedNotes() const {
    const TDTaskNotes* notes = this->notes();
    return notes ? notes->attributedString() : nullptr;
}

std::shared_ptr<const QTextDocument> TDTask::attributedNotesSummary() const {
    const TDTaskNotes* notes = this->notes();
    return notes ? notes->summaryAttributedString() : nullptr;
}

void TDTask::setNotesString(const QString& text) {
    if (text.isNull()) {
        setAttributedNotes(nullptr);
        return;
    }
    const QTextDocument plain(text);
    setAttributedNotes(&plain);
}

void TDTask::setAttributedNotes(const QTextDocument* text) {
    TDTaskNotes* notes = this->notes();
    if (text && !text->toPlainText().trimmed().isEmpty()) {
        const bool created = !notes;
        if (created) notes = managedObjectContext()->insertObject<TDTaskNotes>(QStringLiteral("TaskNotes"));
        notes->setAttributedString(text);
        if (created) setNotes(notes);
    } else if (notes) {
        managedObjectContext()->deleteObject(notes);
    }
}
