#include "language/mnemonics.h"

#include "platform/base/log.h"
#include "platform/plist/property_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <limits>

namespace {

const QString kFileName = QStringLiteral("mnemonics.plist");
const QString kSeedPath = QStringLiteral(":/language/DefaultMnemonics.plist");
const QString kAbbreviationKey = QStringLiteral("abbreviation");
const QString kImpliedKey = QStringLiteral("implied");
const QString kDefinedKey = QStringLiteral("defined");

std::unique_ptr<QSMnemonics>& sharedSlot() {
    static std::unique_ptr<QSMnemonics> shared;
    return shared;
}

struct MnemonicTables {
    QHash<QString, QStringList> abbreviations;
    QHash<QString, QHash<QString, int>> implied;
    QVariantMap otherEntries;
};

TDError malformed(const QString& path, const QString& what) {
    return platform::propertyListError(
        platform::TDPropertyListErrorMalformed,
        QStringLiteral("The abbreviation memory \"%1\" is malformed: %2").arg(path, what));
}

// A file with anything of the wrong type is refused whole, so that no half-understood memory is
// written back over it.
Result<MnemonicTables> readTables(const QString& path) {
    Result<QVariant> read = platform::readPropertyListFile(path, QSMnemonics::kMaxFileSize);
    if (!read) return read.error();
    if (read->typeId() != QMetaType::QVariantMap) return malformed(path, QStringLiteral("not a dictionary"));
    MnemonicTables tables;
    tables.otherEntries = read->toMap();
    tables.otherEntries.remove(kDefinedKey);
    const QVariant abbreviations = tables.otherEntries.take(kAbbreviationKey);
    const QVariant implied = tables.otherEntries.take(kImpliedKey);

    if (abbreviations.isValid()) {
        if (abbreviations.typeId() != QMetaType::QVariantMap)
            return malformed(path, QStringLiteral("\"abbreviation\" is not a dictionary"));
        const QVariantMap map = abbreviations.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it.value().typeId() != QMetaType::QVariantList)
                return malformed(path, QStringLiteral("the UIDs of \"%1\" are not an array").arg(it.key()));
            QStringList uids;
            for (const QVariant& uid : it.value().toList()) {
                if (uid.typeId() != QMetaType::QString)
                    return malformed(path, QStringLiteral("a UID of \"%1\" is not a string").arg(it.key()));
                // Older files could hold a UID twice; the first place is the one that ranks.
                if (!uids.contains(uid.toString())) uids.append(uid.toString());
            }
            tables.abbreviations.insert(it.key(), uids);
        }
    }
    if (implied.isValid()) {
        if (implied.typeId() != QMetaType::QVariantMap)
            return malformed(path, QStringLiteral("\"implied\" is not a dictionary"));
        const QVariantMap map = implied.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it.value().typeId() != QMetaType::QVariantMap)
                return malformed(path,
                                 QStringLiteral("the counts of \"%1\" are not a dictionary").arg(it.key()));
            QHash<QString, int> counts;
            const QVariantMap countMap = it.value().toMap();
            for (auto c = countMap.cbegin(); c != countMap.cend(); ++c) {
                const QVariant& count = c.value();
                if (count.typeId() != QMetaType::LongLong ||
                    count.toLongLong() < std::numeric_limits<int>::min() ||
                    count.toLongLong() > std::numeric_limits<int>::max())
                    return malformed(path,
                                     QStringLiteral("the count of \"%1\" for \"%2\" is not a 32-bit integer")
                                         .arg(c.key(), it.key()));
                counts.insert(c.key(), int(count.toLongLong()));
            }
            tables.implied.insert(it.key(), counts);
        }
    }
    return tables;
}

}  // namespace

QSMnemonics::QSMnemonics(std::chrono::milliseconds writeDelay, QObject* parent)
    : QObject(parent), m_writeTimer(new QTimer(this)) {
    m_writeTimer->setSingleShot(true);
    m_writeTimer->setInterval(writeDelay);
    connect(m_writeTimer, &QTimer::timeout, this, [this] { p_writeNow(); });
    p_load();
}

QSMnemonics::~QSMnemonics() {
    if (isWritePending()) p_writeNow();
}

QSMnemonics& QSMnemonics::sharedInstance() {
    std::unique_ptr<QSMnemonics>& shared = sharedSlot();
    if (!shared) shared = std::make_unique<QSMnemonics>();
    return *shared;
}

void QSMnemonics::setSharedInstance(std::unique_ptr<QSMnemonics> mnemonics) {
    sharedSlot() = std::move(mnemonics);
}

void QSMnemonics::setLibraryPackagePath(const QString& packagePath) {
    if (packagePath == m_packagePath) return;
    // What was learnt in the old library belongs to its package, not to the next one.
    if (isWritePending()) p_writeNow();
    m_packagePath = packagePath;
    p_load();
}

QString QSMnemonics::saveURL() const {
    if (m_packagePath.isEmpty()) return {};
    return QDir(m_packagePath).filePath(kFileName);
}

void QSMnemonics::addAbbrevMnemonic(const QString& abbreviation, const QString& uid,
                                    const QString& relativeToID, bool immediately) {
    if (abbreviation.isEmpty() || uid.isEmpty()) return;
    QStringList& list = m_abbreviations[abbreviation];
    const bool chosenLast = m_recentMnemonics.value(abbreviation) == uid;
    const qsizetype relative = relativeToID.isEmpty() ? -1 : list.indexOf(relativeToID);
    if (relative >= 0 && relativeToID != uid) {
        // Inserted next to the relative item and taken from wherever it stood, so it is listed once.
        qsizetype position = (chosenLast && !immediately) ? relative : relative + 1;
        const qsizetype old = list.indexOf(uid);
        if (old >= 0) {
            list.removeAt(old);
            if (old < position) --position;
        }
        list.insert(position, uid);
    } else if (chosenLast || immediately) {
        list.removeAll(uid);
        list.prepend(uid);
    } else if (!list.contains(uid)) {
        list.append(uid);
    }
    m_recentMnemonics.insert(abbreviation, uid);
    p_writeNow();
}

void QSMnemonics::removeAbbrevMnemonic(const QString& abbreviation, const QString& uid) {
    if (abbreviation.isEmpty()) return;
    auto it = m_abbreviations.find(abbreviation);
    if (it != m_abbreviations.end()) {
        it->removeAll(uid);
        if (it->isEmpty()) m_abbreviations.erase(it);
    }
    p_writeNow();
}

void QSMnemonics::addObjectMnemonic(const QString& abbreviation, const QString& uid) {
    if (uid.isEmpty()) return;
    // A missing abbreviation counts under "" (a null and an empty key are the same).
    int& count = m_implied[uid][abbreviation];
    if (count < std::numeric_limits<int>::max()) ++count;
    p_setWriteTimer();
}

void QSMnemonics::removeObjectMnemonic(const QString& abbreviation, const QString& uid) {
    if (uid.isEmpty()) return;
    auto it = m_implied.find(uid);
    if (it != m_implied.end()) {
        it->remove(abbreviation);
        if (it->isEmpty()) m_implied.erase(it);
    }
    p_writeNow();
}

bool QSMnemonics::isWritePending() const {
    return m_writeTimer->isActive();
}

Status QSMnemonics::writeItems() {
    m_writeTimer->stop();
    const QString path = saveURL();
    if (path.isEmpty())
        return platform::propertyListError(
            platform::TDPropertyListErrorFile,
            QStringLiteral("No library is open to keep the abbreviation memory."));
    if (!QDir().mkpath(m_packagePath))
        return platform::propertyListError(
            platform::TDPropertyListErrorFile,
            QStringLiteral("The folder \"%1\" could not be made.").arg(m_packagePath));
    if (m_refusedFileInPlace) {
        const QString aside = path + QStringLiteral(".refused");
        QFile::remove(aside);
        if (QFile::exists(path) && !QFile::rename(path, aside))
            return platform::propertyListError(
                platform::TDPropertyListErrorFile,
                QStringLiteral("The refused file \"%1\" could not be moved aside.").arg(path));
        m_refusedFileInPlace = false;
    }
    QVariantMap abbreviations;
    for (auto it = m_abbreviations.cbegin(); it != m_abbreviations.cend(); ++it)
        abbreviations.insert(it.key(), QVariant(it.value()).toList());
    QVariantMap implied;
    for (auto it = m_implied.cbegin(); it != m_implied.cend(); ++it) {
        QVariantMap counts;
        for (auto c = it->cbegin(); c != it->cend(); ++c) counts.insert(c.key(), qint64(c.value()));
        implied.insert(it.key(), counts);
    }
    QVariantMap root = m_otherEntries;
    root.insert(kAbbreviationKey, abbreviations);
    root.insert(kImpliedKey, implied);
    return platform::writePropertyListFile(path, root);
}

void QSMnemonics::p_load() {
    m_writeTimer->stop();
    m_recentMnemonics.clear();
    m_loadError.reset();
    m_refusedFileInPlace = false;
    std::optional<MnemonicTables> tables;
    const QString path = saveURL();
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        Result<MnemonicTables> read = readTables(path);
        if (read) {
            tables = std::move(read).value();
        } else {
            m_loadError = read.error();
            m_refusedFileInPlace = true;
            logWithLevel(TDLogWarning, "WARNING", "Could not read the abbreviation memory: %@",
                         read.error().description);
        }
    }
    if (!tables) {
        Result<MnemonicTables> seed = readTables(kSeedPath);
        tables = seed ? std::move(seed).value() : MnemonicTables{};
    }
    m_abbreviations = std::move(tables->abbreviations);
    m_implied = std::move(tables->implied);
    m_otherEntries = std::move(tables->otherEntries);
}

void QSMnemonics::p_setWriteTimer() {
    m_writeTimer->start();
}

void QSMnemonics::p_writeNow() {
    Status written = writeItems();
    if (!written && !m_packagePath.isEmpty())
        logWithLevel(TDLogWarning, "WARNING", "Could not write the abbreviation memory: %@",
                     written.error().description);
}
