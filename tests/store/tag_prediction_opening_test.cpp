#include "tests/store/library_manager_fixture.h"

#include "model/library.h"
#include "model/task_classifier.h"

#include <QDir>
#include <QFileInfo>

namespace storetest {
namespace {

using TagPredictionOpeningTest = LibraryManagerTest;

TEST_F(TagPredictionOpeningTest, OpeningTheLibraryMakesItsTagPrediction) {
    TDLibrary* library = createLibrary();
    ASSERT_NE(library, nullptr);
    ASSERT_NE(library->taskClassifier(), nullptr);
    EXPECT_TRUE(QFileInfo::exists(QDir(packagePath()).filePath(QStringLiteral("tag_autosuggest.data"))));
    manager->closeDiscardingChanges();
    TDLibraryManager& reopened = newManager();
    auto loaded = reopened.loadLibrary();
    ASSERT_TRUE(loaded.ok());
    EXPECT_NE((*loaded)->taskClassifier(), nullptr);
}

}  // namespace
}  // namespace storetest
