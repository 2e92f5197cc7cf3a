#pragma once

#include <QHash>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>
#include <functional>

class TDGroup;
class TDImporter;
class TDLibrary;
class TDTag;
class TDTask;

// Told what an importer did; every callback is optional. Called on the main thread.
class TDImporterDelegate {
public:
    virtual ~TDImporterDelegate() = default;
    virtual void importerDidSetCurrentProgress(TDImporter* importer, double progress) {
        (void)importer;
        (void)progress;
    }
    virtual void importerDidSetMaxProgress(TDImporter* importer, double progress) {
        (void)importer;
        (void)progress;
    }
    virtual void importerDidAddTask(TDImporter* importer, TDTask* task) {
        (void)importer;
        (void)task;
    }
};

// Builds groups, tags and tasks of a library from plain dictionaries, one object at a time, so that a
// driver reading another program's task list can feed it item by item and link the items by UID
// afterwards. Every change happens on the main thread: a driver on another thread is made to wait
// while its call runs there. A dictionary with a value of the wrong kind anywhere in it is refused
// whole, before anything changes.
//
// Group: "uid", "special" (boolean), "title", "subgroups" and "tasks" (lists of dictionaries).
// Tag: "uid", "title". Task: "uid", "title" (required), "project" (the title of the list that gets
// the task), "status" ("complete" completes it), "completedDate", "calendarStoreUID", "completed",
// "modifiedDate", "dueDate", "estimatedTime" (seconds), "priority", "subtasks".
class TDImporter final {
public:
    // Nesting deeper than this is refused.
    static constexpr int kMaxDepth = 64;

    explicit TDImporter(TDLibrary* library);
    ~TDImporter();
    TDImporter(const TDImporter&) = delete;
    TDImporter& operator=(const TDImporter&) = delete;

    TDLibrary* library() const { return m_library; }
    // Not owned.
    TDImporterDelegate* delegate() const { return m_delegate; }
    void setDelegate(TDImporterDelegate* delegate) { m_delegate = delegate; }
    bool useMainThread() const { return m_useMainThread; }
    void setUseMainThread(bool useMainThread) { m_useMainThread = useMainThread; }
    // Set by the progress window's Cancel; the driver reads it and stops feeding.
    bool isCanceled() const { return m_canceled.load(); }
    void setCanceled(bool canceled) { m_canceled.store(canceled); }
    bool isRunning() const { return m_running.load(); }

    bool begin();
    bool finish();

    // Whether an object resulted.
    bool addGroup(const QVariantMap& dictionary);
    bool addTag(const QVariantMap& dictionary);
    bool addTask(const QVariantMap& dictionary);
    bool addGroupWithUIDToGroupWithUID(const QString& childUID, const QString& parentUID);
    bool addTaskWithUIDToGroupWithUID(const QString& taskUID, const QString& groupUID);
    bool addTaskWithUIDToTaskWithUID(const QString& childUID, const QString& parentUID);

    // Feeds lists of group, tag and task dictionaries, in that order, between begin and finish, until
    // canceled; answers how many objects resulted.
    int importDictionaries(const QVariantList& groups, const QVariantList& tags, const QVariantList& tasks);

    void setCurrentProgress(double progress);
    void setMaxProgress(double progress);

private:
    bool p_onMainThread(const std::function<bool()>& work);
    TDGroup* p_group(const QVariantMap& dictionary);
    TDTag* p_tag(const QVariantMap& dictionary);
    TDTask* p_task(const QVariantMap& dictionary);

    TDLibrary* m_library;
    TDImporterDelegate* m_delegate = nullptr;
    bool m_useMainThread = true;
    std::atomic<bool> m_canceled{false};
    std::atomic<bool> m_running{false};
    // The list for each project title met so far.
    QHash<QString, TDGroup*> m_seenGroups;
};
