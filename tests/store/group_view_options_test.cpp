#include "tests/store/library_manager_fixture.h"

#include "model/group.h"
#include "model/library.h"
#include "store/group_view_options.h"

namespace storetest {
namespace {

using GroupViewOptionsTest = LibraryManagerTest;

// A saved choice wins; without one (or after it is removed) the group's default applies.
TEST_F(GroupViewOptionsTest, SortingFallsBackToTheGroupsDefault) {
    TDLibrary* library = createLibrary();
    ASSERT_NE(library, nullptr);
    TDGroup* today = library->todayGroup();
    TDGroup* inbox = library->inboxGroup();
    EXPECT_EQ(TDGroupSortingAttribute(*today), QStringLiteral("dueOrStartDate"));
    EXPECT_TRUE(TDGroupSortingAttribute(*inbox).isNull());

    TDSetGroupSavedSorting(today->uid(), QStringLiteral("title"), true);
    TDSetGroupSavedSorting(inbox->uid(), QStringLiteral("priority"), false);
    EXPECT_EQ(TDGroupSortingAttribute(*today), QStringLiteral("title"));
    EXPECT_EQ(TDGroupSortingAttribute(*inbox), QStringLiteral("priority"));

    TDSetGroupSavedSorting(today->uid(), QString(), true);
    EXPECT_EQ(TDGroupSortingAttribute(*today), QStringLiteral("dueOrStartDate"));
    EXPECT_TRUE(TDGroupSavedReverseSort(today->uid()));
}

}  // namespace
}  // namespace storetest
