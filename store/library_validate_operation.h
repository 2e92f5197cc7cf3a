#pragma once

#include <QString>

class TDLibrary;

// Read-only consistency checks over one open library. Every problem found is logged as one line and
// clears `isValid`; nothing in the library changes. Runs synchronously on the thread that owns the
// library's context.
class TDLibraryValidateOperation final {
public:
    explicit TDLibraryValidateOperation(TDLibrary* library) : m_library(library) {}

    void start() { performOperation(); }
    void performOperation();
    // False until a run has found nothing.
    bool isValid() const { return m_valid; }

private:
    // Logs the line (WARNING, or INFO for the mild ones) and marks the library invalid.
    void p_fail(const QString& line, bool info = false);

    bool m_valid = false;
    TDLibrary* m_library;
};
