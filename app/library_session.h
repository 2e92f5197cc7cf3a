#pragma once

#include "platform/base/error.h"

#include <QObject>

class TDAlertPrompter;
class TDLibraryManager;

// The library's part of start and quit until the application delegate takes them over: opening or
// creating the library at the manager's location, and saving before the program ends.
class TDLibrarySession final : public QObject {
    Q_OBJECT
public:
    TDLibrarySession(TDLibraryManager& manager, TDAlertPrompter& prompter, QObject* parent = nullptr);

    // Opens the library, or creates it when there is no "library.sqlite3"; an error is handed to the
    // error handler and shown. True when a library is open.
    bool openOrCreateLibrary();
    // Saves. When that fails the user chooses between quitting anyway and staying (false). After a good
    // or rescheduled save the pending operations finish on a background thread while the event loop
    // runs, the library is saved again (what they held up) and the event loop ends; the user staying
    // after that save failed is told by quitCancelled.
    bool quit();

Q_SIGNALS:
    void quitCancelled();

private:
    void p_reportError(const TDError& error);
    void p_finishOperationsThenQuit();
    // Asks whether to quit without the unsaved changes; true when quitting.
    bool p_quitAnyway();

    TDLibraryManager& m_manager;
    TDAlertPrompter& m_prompter;
};
