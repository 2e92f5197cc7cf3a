#pragma once

#include "app/external_open_dispatcher.h"
#include "platform/base/error.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <utility>

class AppDelegate;
class TDLibraryManager;
class TDURLHandler;

// What other programs ask of the running one: files and links to open, text to make tasks from.
// Everything waits until the launch has opened the library (and while a switch or a restore has none
// open), then is carried out by the delegate in the order it came.
class TDDesktopRequests final : public QObject, private TDExternalOpenTarget {
    Q_OBJECT
public:
    // Answers a request for tasks from text with the new tasks' UIDs, or with the error.
    using TaskCreationReply = std::function<void(const Result<QStringList>& uids)>;

    TDDesktopRequests(AppDelegate& delegate, TDLibraryManager& manager, QObject* parent = nullptr);

    // The launch has opened the library: what waited is carried out now.
    void launchDidFinish();
    // Absolute paths and links (see platform::handOverArguments), in their order.
    void open(const QStringList& arguments);
    // Replies once the tasks exist. Unless the user default "createTaskFromServiceImmediately" is on,
    // the text goes to quick entry instead (when a handler is set): the panel opens holding its tasks,
    // and the reply carries no UIDs, for the tasks are filed only when the person files them.
    void createTasksFromText(const QString& text, TaskCreationReply reply);
    // Where "ordello:" links go (not owned; none: they are logged and ignored).
    void setURLHandler(TDURLHandler* handler) { m_urlHandler = handler; }
    // Toggles quick entry once a library is open: with the window in front's context, and the
    // activation token of the request (maybe empty).
    void toggleQuickEntry(bool withContext, const QString& activationToken);

    // What opens quick entry: the toggle, and the panel holding tasks from text (false when the text
    // made no task).
    using QuickEntryToggle = std::function<void(bool withContext, const QString& activationToken)>;
    using QuickEntryText = std::function<bool(const QString& text)>;
    void setQuickEntryHandlers(QuickEntryToggle toggle, QuickEntryText text);

private:
    bool isLibraryOpen() const override;
    QString libraryPath() const override;
    void switchToLibraryAtPath(const QString& path) override;
    void restoreFromBackupAtPath(const QString& path) override;
    void createTasksFromFiles(const QStringList& paths) override;
    void openLink(const QString& link) override;

    void p_libraryDidOpen();

    AppDelegate& m_delegate;
    TDLibraryManager& m_manager;
    TDExternalOpenDispatcher m_dispatcher;
    TDURLHandler* m_urlHandler = nullptr;
    QList<std::pair<QString, TaskCreationReply>> m_waitingTexts;
    QList<std::pair<bool, QString>> m_waitingToggles;
    QuickEntryToggle m_quickEntryToggle;
    QuickEntryText m_quickEntryText;
    bool m_launched = false;
};
