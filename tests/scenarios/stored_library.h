#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace scenario {

// A task as the store holds it.
struct StoredTask {
    QString title;
    QString parent;    // the parent task's title; empty at the top of its list
    QString list;      // the list (or Inbox) it belongs to
    QStringList tags;  // sorted
    QString status;    // empty while open, "C" completed, "X" canceled
    QDate start;
    QDate due;
    QString notes;
    bool recurring = false;
    double actualTime = 0;  // seconds
};

// A folder, list, smart folder or tag as the store holds it.
struct StoredGroup {
    QString title;
    QString parent;  // the parent group's title
    QString kind;    // "folder", "list", "smart" or "tag"
};

// What was last saved of a library package, in the order of its outline: groups depth first, and
// each list's tasks depth first.
struct StoredLibrary {
    QList<StoredGroup> groups;
    QList<StoredTask> tasks;
    // An error when the store could not be read; the lists are empty then.
    QString error;

    std::optional<StoredTask> task(const QString& title) const;
    // The titles of the list's tasks, sub-tasks after their parent.
    QStringList titlesIn(const QString& list) const;
    QStringList groupTitles(const QString& kind) const;
};

// Reads the package's store on a coordinator and context of its own on a thread of its own, as an
// export does, so it sees only what was saved and leaves the running program's objects alone. The
// event loop runs meanwhile, so calls the reading makes to the main thread are answered.
StoredLibrary readStoredLibrary(const QString& packagePath);

}  // namespace scenario
