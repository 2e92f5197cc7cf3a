#include "store/anonymized_library_operation.h"

#include "foundation/file_attachment.h"
#include "model/comparison_rule.h"
#include "model/compound_rule.h"
#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/smart_folder.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "model/task_notes.h"
#include "platform/base/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include "store/store_file_copy.h"

#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <sqlite3.h>

namespace {

const QString StoreFileName = QStringLiteral("library.sqlite3");
const QString InfoFileName = QStringLiteral("Info.plist");
const QString PlaceholderLink = QStringLiteral("http://anonymized.invalid/test/");

TDError p_copyError(const QString& description) {
    return TDError::make(1, QStringLiteral("The anonymized copy of the library could not be made."),
                         description);
}

QChar p_randomCharacter(const QString& alphabet) {
    return alphabet.at(
        static_cast<qsizetype>(QRandomGenerator::global()->bounded(static_cast<int>(alphabet.size()))));
}

QString p_sqliteMessage(sqlite3* db) {
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
}

// A connection that closes itself; an error when the file cannot be opened.
struct Database {
    sqlite3* handle = nullptr;
    ~Database() { sqlite3_close(handle); }
    Status open(const QString& path, int flags) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, flags, nullptr) == SQLITE_OK)
            return {};
        return p_copyError(QStringLiteral("%1: %2").arg(path, p_sqliteMessage(handle)));
    }
    Status exec(const QString& sql) {
        if (sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK) return {};
        return p_copyError(p_sqliteMessage(handle));
    }
};

// Page by page while the source stays readable to the open library.
Status p_backUpStore(const QString& sourcePath, const QString& copyPath) {
    const Status copied = TDCopyStoreFile(sourcePath, copyPath);
    if (!copied.ok()) return p_copyError(copied.error().recoverySuggestion);
    return {};
}

// Rebuilds the scrambled store into a new file: the replaced text stays behind in the old file's free
// pages and journal, which are never copied.
Status p_writeCleanStore(const QString& scrambledPath, const QString& cleanPath) {
    Database scrambled;
    if (Status opened = scrambled.open(scrambledPath, SQLITE_OPEN_READWRITE); !opened.ok()) return opened;
    if (Status checkpointed = scrambled.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        !checkpointed.ok())
        return checkpointed;
    QString quoted = cleanPath;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    if (Status vacuumed = scrambled.exec(QStringLiteral("VACUUM INTO '%1'").arg(quoted)); !vacuumed.ok())
        return vacuumed;
    Database clean;
    if (Status opened = clean.open(cleanPath, SQLITE_OPEN_READWRITE); !opened.ok()) return opened;
    return clean.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
}

Status p_copyReplacing(const QString& from, const QString& to) {
    if (QFileInfo::exists(to) && !QFile::remove(to))
        return p_copyError(QStringLiteral("Cannot replace %1.").arg(to));
    if (!QFile::copy(from, to)) return p_copyError(QStringLiteral("Cannot write %1.").arg(to));
    return {};
}

// A file of the scrambled name in the work folder, so the attachment keeps a readable record that
// names nothing of the user's.
QTextCharFormat p_scrambledAttachmentFormat(const QTextCharFormat& format, const QString& workFolder) {
    QTextCharFormat replaced = format;
    replaced.clearProperty(TDFileAttachmentAliasProperty);
    const std::optional<BDAlias> alias = fileAttachmentAlias(format);
    if (!alias) return replaced;
    const QString name = TDScrambleString(QFileInfo(alias->path()).fileName());
    if (name.isEmpty()) return replaced;
    QFile placeholder(QDir(workFolder).filePath(name));
    if (!placeholder.exists() && !placeholder.open(QIODevice::WriteOnly)) return replaced;
    placeholder.close();
    if (const std::optional<BDAlias> scrambled = BDAlias::fromPath(name, workFolder))
        replaced.setProperty(TDFileAttachmentAliasProperty, scrambled->data());
    return replaced;
}

void p_scrambleNotes(TDTaskNotes* notes, const QString& workFolder) {
    const std::shared_ptr<const QTextDocument> text = notes->attributedString();
    if (!text) return;
    std::unique_ptr<QTextDocument> copy(text->clone());
    // Same-length replacements keep every fragment's position, so the walk over the original text
    // addresses the copy directly.
    for (QTextBlock block = text->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            QTextCharFormat format = fragment.charFormat();
            if (format.isAnchor()) {
                format.setAnchorHref(PlaceholderLink);
                format.setAnchorNames({});
            }
            if (isFileAttachment(format)) format = p_scrambledAttachmentFormat(format, workFolder);
            QTextCursor cursor(copy.get());
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.insertText(TDScrambleString(fragment.text()), format);
        }
    }
    notes->setAttributedString(copy.get());
}

}  // namespace

namespace {

// Text the user typed into a rule ("title contains ...") is scrambled; UIDs naming groups stay, so the
// rule still names the same (renamed) groups.
void scrambleRuleText(TRRule* rule) {
    static const QRegularExpression uid(QStringLiteral("^[0-9A-F]{16}$"));
    if (auto* compound = dynamic_cast<TRCompoundRule*>(rule)) {
        for (const TRRulePtr& subrule : compound->subrules()) scrambleRuleText(subrule.get());
    } else if (auto* comparison = dynamic_cast<TRComparisonRule*>(rule)) {
        const QVariant value = comparison->value();
        if (value.metaType().id() == QMetaType::QString && !uid.match(value.toString()).hasMatch())
            comparison->setValue(TDScrambleString(value.toString()));
    }
}

}  // namespace

QString TDScrambleString(const QString& text) {
    static const QString upper = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    static const QString lower = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    static const QString other = QStringLiteral(
        "\uAC00\uB098\uB2E4\uB77C\uB9C8\uBC14\uC0AC\uC544\uC790\uCC28\uCE74\uD0C0\uD30C\uD558"
        "\uAE30\uB2C8\uB514\uB9AC\uBBF8\uBE44\uC2DC\uC774\uC9C0\uCE58\uD0A4\uD2F0\uD53C\uD788"
        "\uACE0\uB178\uB3C4\uB85C\uBAA8\uBCF4\uC18C\uC624\uC870\uCD08\uCF54\uD1A0\uD3EC\uD638");
    static const QString digits = QStringLiteral("0123456789");
    QString scrambled;
    scrambled.reserve(text.size());
    for (const QChar unit : text) {
        if (unit.isUpper())
            scrambled.append(p_randomCharacter(upper));
        else if (unit.isLower())
            scrambled.append(p_randomCharacter(lower));
        else if (unit.isLetter())
            scrambled.append(p_randomCharacter(other));
        else if (unit.isDigit())
            scrambled.append(p_randomCharacter(digits));
        else
            scrambled.append(unit);
    }
    return scrambled;
}

TDAnonymizedLibraryOperation::TDAnonymizedLibraryOperation(const QString& libraryPath,
                                                           const QString& destinationPath)
    : m_libraryPath(libraryPath), m_destinationPath(destinationPath) {
}

void TDAnonymizedLibraryOperation::main() {
    const Status made = p_makeCopy();
    closePersistentStoreCoordinator();
    if (made.ok()) {
        informDelegateDidFinish();
        return;
    }
    m_error = made.error();
    logWithLevel(TDLogError, "ERROR", "Could not save anonymized library: %@",
                 made.error().detailedDescription());
    informDelegateDidFailWithError(made.error());
}

Status TDAnonymizedLibraryOperation::p_makeCopy() {
    QTemporaryDir work;
    if (!work.isValid()) return p_copyError(work.errorString());
    const QDir workFolder(work.path());
    if (!workFolder.mkpath(QStringLiteral("package")) || !workFolder.mkpath(QStringLiteral("clean")) ||
        !workFolder.mkpath(QStringLiteral("attachments")))
        return p_copyError(QStringLiteral("Cannot write the temporary folder %1.").arg(work.path()));
    const QString packagePath = workFolder.filePath(QStringLiteral("package"));
    const QDir source(m_libraryPath);

    if (Status copied =
            p_backUpStore(source.filePath(StoreFileName), QDir(packagePath).filePath(StoreFileName));
        !copied.ok())
        return copied;
    const bool hasInfo = QFileInfo(source.filePath(InfoFileName)).isFile();
    if (hasInfo) {
        if (Status copied =
                p_copyReplacing(source.filePath(InfoFileName), QDir(packagePath).filePath(InfoFileName));
            !copied.ok())
            return copied;
    }

    if (Status opened = setupPersistentStoreCoordinatorWithLibraryPath(packagePath); !opened.ok())
        return opened;
    TDManagedObjectContext* context = managedObjectContext();
    TDLibrary* library = threadedLibrary();
    if (!context || !library) return p_copyError(QStringLiteral("The copied library cannot be read."));

    for (TDGroup* group : library->allGroups()) {
        if (!group->isSpecial()) group->setTitle(TDScrambleString(group->title()));
    }
    for (TDGroup* group : library->allSmartFolders()) {
        auto* folder = dynamic_cast<TDSmartFolder*>(group);
        if (!folder || !folder->rule()) continue;
        const TRRulePtr rule = folder->rule()->copy();
        scrambleRuleText(rule.get());
        folder->setRule(rule);
    }
    // Tag tokens are scrambled along with the rest: a tag's name must not survive inside a title.
    for (TDTask* task : library->allTasks()) task->setTitle(TDScrambleString(task->title()), false);
    const QString attachmentFolder = workFolder.filePath(QStringLiteral("attachments"));
    const auto allNotes = context->execute(platform::FetchRequest(QStringLiteral("TaskNotes")));
    if (!allNotes.ok()) return allNotes.error();
    for (platform::ManagedObject* object : *allNotes) {
        if (auto* notes = dynamic_cast<TDTaskNotes*>(object)) p_scrambleNotes(notes, attachmentFolder);
    }
    const auto syncSets = context->execute(platform::FetchRequest(QStringLiteral("SyncSet")));
    if (!syncSets.ok()) return syncSets.error();
    for (platform::ManagedObject* object : *syncSets) {
        auto* syncSet = dynamic_cast<TDSyncSet*>(object);
        if (!syncSet) continue;
        syncSet->setUsername(TDScrambleString(syncSet->username()));
        syncSet->setValue(QStringLiteral("lastSyncToken"), QVariant());
    }
    if (Status saved = saveContext(); !saved.ok()) return saved;
    closePersistentStoreCoordinator();

    const QString cleanStore = QDir(workFolder.filePath(QStringLiteral("clean"))).filePath(StoreFileName);
    if (Status cleaned = p_writeCleanStore(QDir(packagePath).filePath(StoreFileName), cleanStore);
        !cleaned.ok())
        return cleaned;

    const QDir destination(m_destinationPath);
    if (!destination.mkpath(QStringLiteral(".")))
        return p_copyError(QStringLiteral("Cannot create %1.").arg(m_destinationPath));
    if (Status copied = p_copyReplacing(cleanStore, destination.filePath(StoreFileName)); !copied.ok())
        return copied;
    if (hasInfo) {
        if (Status copied =
                p_copyReplacing(QDir(packagePath).filePath(InfoFileName), destination.filePath(InfoFileName));
            !copied.ok())
            return copied;
    }
    return {};
}
