#pragma once

#include "platform/base/error.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <chrono>
#include <memory>
#include <optional>

class QTimer;

// The memory of which group or tag the user picked after typing an abbreviation, kept in
// "mnemonics.plist" inside the active library's package. Two tables: for each abbreviation the UIDs
// chosen with it, best first; for each UID how many times each abbreviation led to it.
//
// The memory follows the active library: the library manager hands it the package path when a
// library opens and an empty path when it closes, and a write still pending is made to the package it
// was learnt in before the other package's memory is read. Main thread only.
class QSMnemonics final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultWriteDelay{10000};
    // A memory file larger than this is refused.
    static constexpr qsizetype kMaxFileSize = 8 * 1024 * 1024;

    explicit QSMnemonics(std::chrono::milliseconds writeDelay = kDefaultWriteDelay,
                         QObject* parent = nullptr);
    // A pending change is written first.
    ~QSMnemonics() override;

    // The one memory of the process, made on first use; setSharedInstance replaces it (tests, start-up).
    static QSMnemonics& sharedInstance();
    static void setSharedInstance(std::unique_ptr<QSMnemonics> mnemonics);

    // The package whose memory is in use; empty when no library is open, and then nothing is written.
    QString libraryPackagePath() const { return m_packagePath; }
    // Writes a pending change to the current package, then reads the memory of the new one (or the
    // seed memory when it has none or it is refused). Setting the same path again does nothing.
    void setLibraryPackagePath(const QString& packagePath);
    // The package's "mnemonics.plist"; empty without a package.
    QString saveURL() const;
    // Why the last memory file read was refused, when it was. A refused file is not written over: the
    // first write moves it aside to "mnemonics.plist.refused".
    const std::optional<TDError>& loadError() const { return m_loadError; }

    // UID -> (abbreviation -> count).
    const QHash<QString, QHash<QString, int>>& objectMnemonics() const { return m_implied; }
    QHash<QString, int> objectMnemonicsForID(const QString& uid) const { return m_implied.value(uid); }
    // The UIDs chosen with exactly this abbreviation, best first; each UID appears once.
    QStringList abbrevMnemonicsForString(const QString& abbreviation) const {
        return m_abbreviations.value(abbreviation);
    }

    // Learns that uid was chosen with abbreviation and writes at once. A first choice ranks last among
    // the abbreviation's items; choosing the same item again right after moves it to the front, as
    // does immediately. With a relative UID in the list, uid moves to just after it.
    void addAbbrevMnemonic(const QString& abbreviation, const QString& uid, const QString& relativeToID = {},
                           bool immediately = false);
    void removeAbbrevMnemonic(const QString& abbreviation, const QString& uid);
    // Counts the abbreviation for uid; the count reaches the disk after the write delay, which every
    // new count restarts, or with the next immediate write.
    void addObjectMnemonic(const QString& abbreviation, const QString& uid);
    void removeObjectMnemonic(const QString& abbreviation, const QString& uid);

    bool isWritePending() const;
    // Writes the whole memory now, creating the package folder when needed. Failures keep the memory,
    // which is written again with the next change.
    Status writeItems();

private:
    void p_load();
    void p_setWriteTimer();
    void p_writeNow();

    QString m_packagePath;
    QHash<QString, QStringList> m_abbreviations;
    QHash<QString, QHash<QString, int>> m_implied;
    // Keys of the file this memory does not use, written back as read.
    QVariantMap m_otherEntries;
    QHash<QString, QString> m_recentMnemonics;
    std::optional<TDError> m_loadError;
    bool m_refusedFileInPlace = false;
    QTimer* m_writeTimer;
};
