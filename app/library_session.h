#pragma once

#include "platform/base/error.h"

#include <QObject>

class TDAlertPrompter;
class TDLibraryManager;

// The library's part of start and quit until the application delegate takes them over: opening or
// creating the library at the manager's location, and saving before the program ends.
class TDLibrarySession : public QObject {
    Q_OBJECT
public:
    TDLibrarySession(TDLibraryManager& manager, TDAlertPrompter& prompter, QObject* parent = nullptr);

    // Opens the library, or creates it when there is no "library.sqlite3"; an error is handed to the
    // error handler and shown. True when a library is open.
    bool openOrCreateLibrary();
    // Saves. When that fails the user chooses between quitting anyway and staying (false). After a good
    // save the pending operations finish on a background thread while the event loop runs, then the
    // event loop ends.
    bool quit();

private:
    void p_reportError(const TDError& error);

    TDLibraryManager& m_manager;
    TDAlertPrompter& m_prompter;
};
