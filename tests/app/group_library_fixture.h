#pragma once

#include "model/library.h"
#include "model/list.h"
#include "store/library_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <memory>

namespace apptest {

// A new library without its starter tasks, opened by a library manager in a temporary folder.
class GroupLibraryTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;

    TDLibrary* library() const { return manager->library(); }
    // A list under the library's folders group.
    TDList* list(const QString& title);
    // Processes pending changes, as the end of an event-loop pass does.
    void settle();

    testsupport::RecordingAppDelegate appDelegate;
    std::unique_ptr<TDLibraryManager> manager;
};

}  // namespace apptest
