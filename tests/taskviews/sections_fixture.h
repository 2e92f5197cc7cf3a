#pragma once

#include "model/folder.h"
#include "model/library.h"
#include "model/library_model.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/task_sections.h"
#include "tests/taskviews/task_library_fixture.h"

#include <QStringList>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace sectionstest {

// The task library of the tree-model tests, with undo registration off as the sections need none, and
// smart folders brought up to date at each settle.
class SectionsTest : public treemodeltest::TaskLibraryTest {
protected:
    void SetUp() override {
        TaskLibraryTest::SetUp();
        undoManager->disableUndoRegistration();
        settle();
    }

    // Lets the library bring smart folders and aggregates up to date, as after an event-loop pass.
    void settle() {
        context->processPendingChanges();
        library->processModifiedObjects();
        TaskLibraryTest::settle();
    }
    QDateTime today(qint64 days = 0, qint64 seconds = 0) const {
        return QDateTime(QDate(2026, 12, 9).addDays(days), QTime(0, 0)).addSecs(seconds);
    }

    static QStringList titles(const TDSectionList& sections) {
        QStringList list;
        for (const auto& section : sections) list.append(section->title());
        return list;
    }
    static QStringList members(TDOrderedCollection* section) {
        QStringList list;
        // Tag tokens that joining a tag adds to a title are left out.
        for (TDTask* t : section->objectsAs<TDTask>())
            list.append(t->title().section(QStringLiteral(" /"), 0, 0));
        return list;
    }
    // Section title -> the titles of the tasks it shows, for the sections that show any.
    static QMap<QString, QStringList> contents(const TDSectionList& sections) {
        QMap<QString, QStringList> map;
        for (const auto& section : sections)
            if (section->count()) map.insert(section->title(), members(section.get()));
        return map;
    }
};

}  // namespace sectionstest
