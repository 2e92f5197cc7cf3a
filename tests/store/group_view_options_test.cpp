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
    EXPECT_EQ(TDGroupSortingAttribute(*manager, *today), QStringLiteral("dueOrStartDate"));
    EXPECT_TRUE(TDGroupSortingAttribute(*manager, *inbox).isNull());

    TDSetGroupSavedSorting(*manager, today->uid(), QStringLiteral("title"), true);
    TDSetGroupSavedSorting(*manager, inbox->uid(), QStringLiteral("priority"), false);
    EXPECT_EQ(TDGroupSortingAttribute(*manager, *today), QStringLiteral("title"));
    EXPECT_EQ(TDGroupSortingAttribute(*manager, *inbox), QStringLiteral("priority"));

    TDSetGroupSavedSorting(*manager, today->uid(), QString(), true);
    EXPECT_EQ(TDGroupSortingAttribute(*manager, *today), QStringLiteral("dueOrStartDate"));
    EXPECT_TRUE(TDGroupSavedReverseSort(*manager, today->uid()));
}

}  // namespace
}  // namespace storetest
