#pragma once

#include <QString>
#include <QStringList>

// What files and links opened from outside ask of the application.
class TDExternalOpenTarget {
public:
    virtual ~TDExternalOpenTarget() = default;
    virtual bool isLibraryOpen() const = 0;
    // The open library's package; empty while none is open.
    virtual QString libraryPath() const = 0;
    // Saves the open library, then opens the package's in its place, loading it once.
    virtual void switchToLibraryAtPath(const QString& path) = 0;
    // Asks "Restore from backup?"; on "Restore" the backup replaces the open library.
    virtual void restoreFromBackupAtPath(const QString& path) = 0;
    // Tasks made from the files (mail messages among them) at the top of the Inbox (TDCreateTasksFromFiles).
    virtual void createTasksFromFiles(const QStringList& paths) = 0;
    // An "ordello:" link is revealed or adds a task; other links are logged and left alone.
    virtual void openLink(const QString& link) = 0;
};

// Hands files and links opened from outside (the command line, another process) to the application
// by kind. Nothing is dispatched while no library is open: it waits for the library the program opens
// anyway, and never makes the program open one sooner.
class TDExternalOpenDispatcher final {
public:
    enum class Kind {
        LibraryPackage,  // "odllibrary": switch library
        Backup,          // "odlbackup", also gzip-compressed: restore
        SearchRecord,    // "odl-metadata": not handled here
        File,            // any other file, mail messages among them: a task
        Link,            // "ordello:" and any other link
    };
    static Kind kindOf(const QString& argument);

    explicit TDExternalOpenDispatcher(TDExternalOpenTarget& target);

    // Absolute paths (or "file:" links) and links, dispatched in their order.
    void open(const QStringList& arguments);
    // Dispatches what has waited; call whenever a library has been opened, switched or restored.
    void libraryDidOpen();
    bool hasWaiting() const { return !m_waiting.isEmpty(); }

private:
    void p_dispatchWaiting();
    void p_dispatch(Kind kind, const QString& argument);

    TDExternalOpenTarget& m_target;
    QStringList m_waiting;
    bool m_dispatching = false;
};
