#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <utility>
#include <variant>

inline const QString TDErrorDomain = QStringLiteral("TDErrorDomain");

// Codes of TDErrorDomain.
enum TDErrorCode : int {
    TDErrorLibraryNewerVersion = 100,
    TDErrorBackupNewerVersion = 101,
    TDErrorLibraryCannotOpen = 102,
    TDErrorMigrationFailed = 150,
    TDErrorRestoreFailed = 200,
    TDErrorRecurrenceRuleInvalid = 401,

    // Backups and restores beside 101 and 200.
    TDErrorBackupUnreadable = 201,  // not a backup this program can read, or cut short
    TDErrorBackupCancelled = 202,
    TDErrorBackupChangedWhileRead = 203,
    TDErrorRestoreCancelled = 204,
    TDErrorRestoreLibraryNotBuilt = 205,  // the new library's store or objects could not be made
    TDErrorRestoreNotMovedIntoPlace = 206,

    // Saving the open library.
    TDErrorLibraryEditingNotEnded = 300,  // an editor refused to end editing
    TDErrorLibraryBusy = 301,             // an operation holds the store

    // The model refusing a change, beside the recurrence rules' 401.
    TDErrorTaskOwnParent = 410,
    TDErrorGroupPlacementInvalid = 411,
    TDErrorOrderedCollectionMisuse = 420,
    TDErrorColorComponentOutOfRange = 430,

    // Files and folders.
    TDErrorFileContentsNotMade = 700,  // the writer of a file's contents gave up
    TDErrorFileReferenceMalformed = 701,
    TDErrorUnsafeTemporaryFolder = 702,
};

struct TDError;

// Offered with an error whose recovery options it can carry out: told which option the user chose
// (0 is the first), it answers whether the recovery succeeded.
class TDErrorRecoveryAttempter {
public:
    virtual ~TDErrorRecoveryAttempter() = default;
    virtual bool attemptRecovery(const TDError& error, int optionIndex) = 0;
};

// An error as a value: it crosses layers instead of an exception.
struct TDError {
    QString domain = TDErrorDomain;
    int code = 0;
    QString description;
    QString recoverySuggestion;   // empty: none
    QStringList recoveryOptions;  // button titles, first is the default
    QVariantMap userInfo;
    std::shared_ptr<TDErrorRecoveryAttempter> recoveryAttempter;

    static TDError make(int code, const QString& description, const QString& recoverySuggestion = {}) {
        TDError e;
        e.code = code;
        e.description = description;
        e.recoverySuggestion = recoverySuggestion;
        return e;
    }
    // The text used in log lines.
    QString detailedDescription() const;
    bool isInDomain(int c, const QString& d = TDErrorDomain) const { return code == c && domain == d; }

    // Copies with the recovery attempter or the recovery options (button titles) set.
    TDError bySettingRecoveryAttempter(std::shared_ptr<TDErrorRecoveryAttempter> attempter) const {
        TDError e = *this;
        e.recoveryAttempter = std::move(attempter);
        return e;
    }
    TDError bySettingRecoveryOptions(const QStringList& options) const {
        TDError e = *this;
        e.recoveryOptions = options;
        return e;
    }
};

// A value or an error; dropping one unread loses the error, so the compiler warns.
template <typename T>
class [[nodiscard]] Result final {
public:
    Result(T value) : m_state(std::move(value)) {}        // NOLINT: implicit by design
    Result(TDError error) : m_state(std::move(error)) {}  // NOLINT
    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return std::get<0>(m_state); }
    T& value() & { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    const TDError& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, TDError> m_state;
};

// Success or an error, for operations without a value.
class [[nodiscard]] Status final {
public:
    Status() = default;
    Status(TDError error) : m_error(std::move(error)) {}  // NOLINT: implicit by design
    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const TDError& error() const { return *m_error; }

private:
    std::optional<TDError> m_error;
};
