#pragma once

#include "store/library_operation.h"

#include <QString>

#include <optional>

// Writes a copy of a library package for support in which everything the user typed (titles, tag
// names, notes, attachment names, the sync account) is replaced by random characters of the same
// kind, so the library's structure can be examined without its content. Options and the abbreviation
// memory are left out. The copy is made and scrambled in a temporary folder and rebuilt from scratch
// before it reaches the destination, so no replaced text survives in free pages or a journal.
class TDAnonymizedLibraryOperation final : public TDLibraryOperation {
public:
    TDAnonymizedLibraryOperation(const QString& libraryPath, const QString& destinationPath);

    QString libraryPath() const { return m_libraryPath; }
    QString destinationPath() const { return m_destinationPath; }

    // After the operation ran: true only when the whole copy reached the destination. A copy that
    // did not succeed must not be sent.
    bool succeeded() const { return isFinished() && !m_error; }
    std::optional<TDError> error() const { return m_error; }

protected:
    void main() override;

private:
    Status p_makeCopy();

    QString m_libraryPath;
    QString m_destinationPath;
    std::optional<TDError> m_error;
};

// The text with every letter and decimal digit replaced by a random one of the same kind (upper-case
// and lower-case Latin, Hangul for other letters, digits); everything else stays, so the length in
// UTF-16 units is kept.
QString TDScrambleString(const QString& text);
