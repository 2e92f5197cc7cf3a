#pragma once

#include "platform/base/error.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class TDGroup;
class TDLibrary;
class TDLibraryObject;
class TDScriptingHost;
class TDTask;

// The library as scripts see it, without the bus: the application's special groups, selections and
// timer; groups and tasks found by UID with their properties, made, moved and deleted. Every refusal is
// checked before anything changes; every change is one undo step, named as the menus name it, and is
// shown at once. Values cross as plain variants: text, numbers, flags, dates as ISO 8601 text ("" for
// none), and objects as object variants (platform::objectVariant). Main thread.
class TDScriptingObjects final {
public:
    // A property as scripts read and write it. `signature`: the D-Bus type of its value.
    struct Property {
        QString name;
        QString signature;
        bool writable = false;
    };

    explicit TDScriptingObjects(TDScriptingHost& host);

    TDScriptingHost& host() const { return m_host; }
    // Errors 9003 while no library is open or the UID names nothing of the kind.
    Result<TDGroup*> group(const QString& uid) const;
    Result<TDTask*> task(const QString& uid) const;

    // The application.
    // "Inbox", "TodayList", "UpcomingList", "FoldersGroup", "TagsGroup", "ArchiveGroup".
    static const QStringList& specialGroupNames();
    Result<TDGroup*> specialGroup(const QString& name) const;
    QList<TDTask*> selection() const;
    // Tasks only (9004, nothing changes); the first is revealed, then selected with the others.
    Status setSelection(const QList<TDLibraryObject*>& objects);
    TDGroup* selectedGroup() const;
    Status setSelectedGroup(TDGroup* group);
    // The timed task; nullptr when the timer is not active or has paused.
    TDTask* timingTask() const;
    void save();
    void stopTiming();
    void pauseOrResumeTiming();

    // Several objects at once: every object is checked first.
    Status move(const QList<TDLibraryObject*>& objects, TDLibraryObject* destination, qsizetype index);
    Status remove(const QList<TDLibraryObject*>& objects);

    // Groups.
    static const QList<Property>& groupPropertyList();
    Result<QVariant> groupProperty(TDGroup* group, const QString& name) const;
    Status setGroupProperty(TDGroup* group, const QString& name, const QVariant& value);
    QList<TDGroup*> subgroups(TDGroup* group) const;
    // A group's own tasks in order (a folder has none).
    QList<TDTask*> tasks(TDGroup* group) const;
    // `kind`: "folder" or "list"; inside a folder at the index (-1: at the end); an empty title is
    // the menu's "New Folder" or "New List".
    Result<TDGroup*> makeGroup(TDGroup* parent, const QString& kind, const QString& title, qsizetype index);
    // Every task of the group's tree (tasks of a folder's lists, subtasks too) with the named properties.
    Result<QMap<QString, QVariantMap>> taskProperties(TDGroup* group, const QStringList& names) const;

    // Tasks.
    static const QList<Property>& taskPropertyList();
    Result<QVariant> taskProperty(TDTask* task, const QString& name) const;
    Status setTaskProperty(TDTask* task, const QString& name, const QVariant& value);
    QList<TDTask*> subtasks(TDTask* task) const;
    // A task from the properties (the task properties' names, or the import dictionary's keys) in the
    // list or task at the index (-1: at the end).
    Result<TDTask*> makeTask(TDLibraryObject* container, const QVariantMap& properties, qsizetype index);
    void beginTiming(TDTask* task);
    // The file attached at the end of the notes; a path where no file is does nothing.
    void addAttachment(TDTask* task, const QString& path);

    // The checks typed input gets: no control characters but tabs and line breaks, and a length limit.
    static Status validateTitle(const QString& title);
    static Status validateNotes(const QString& notes);

private:
    TDLibrary* p_library() const;

    TDScriptingHost& m_host;
};
