#include "app/tab_list.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QSignalSpy>

namespace {

QStringList names(std::initializer_list<const char*> list) {
    QStringList result;
    for (const char* name : list) result << QString::fromLatin1(name);
    return result;
}

QVariantList stored(std::initializer_list<const char*> list) {
    QVariantList result;
    for (const char* name : list) result << QString::fromLatin1(name);
    return result;
}

QVariantMap kept(const QVariant& value) {
    return {{QStringLiteral("kept"), value}};
}

// Tabs stand for strings, titled in capitals; the stored form is "stored:" + the string, and "lost"
// cannot be restored.
class StringTabs : public TDTabListDelegate {
public:
    QString titleForTab(const TDTabList& tabs, int index) override {
        return tabs.representedObjectAtTabIndex(index).toString().toUpper();
    }
    QVariant representedObjectForNewTab(const TDTabList&) override { return QStringLiteral("new"); }
    QVariant persistentObjectForRepresentedObject(const TDTabList&, const QVariant& object) override {
        return QStringLiteral("stored:") + object.toString();
    }
    QVariant representedObjectForPersistentObject(const TDTabList&, const QVariant& stored) override {
        const QString text = stored.toString();
        if (text == QLatin1String("stored:lost")) return {};
        return text.startsWith(QLatin1String("stored:")) ? text.mid(7) : text;
    }
    QStringList persistentUserInfoKeys(const TDTabList&) override { return {QStringLiteral("kept")}; }
    void tabListWillSelectTab(TDTabList& tabs, int index) override {
        calls << QStringLiteral("will %1 from %2").arg(index).arg(tabs.selectedTabIndex());
    }
    void tabListDidSelectTab(TDTabList& tabs, int index) override {
        calls << QStringLiteral("did %1 at %2").arg(index).arg(tabs.selectedTabIndex());
    }
    void tabListWillAutosave(TDTabList& tabs) override {
        tabs.setUserInfoValue(tabs.selectedTabIndex(), QStringLiteral("kept"), QStringLiteral("fresh"));
    }
    QStringList calls;
};

class TabListTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        tabs = std::make_unique<TDTabList>(defaults());
        tabs->setDelegate(&strings);
    }
    void add(std::initializer_list<const char*> objects) {
        for (const char* object : objects) tabs->addTabWithRepresentedObject(QString::fromLatin1(object));
    }
    QStringList objects() const {
        QStringList list;
        for (const TDTab& tab : tabs->tabs()) list << tab.representedObject.toString();
        return list;
    }

    StringTabs strings;
    std::unique_ptr<TDTabList> tabs;
};

TEST_F(TabListTest, TheFirstTabIsSelectedAndTitledByTheDelegate) {
    add({"a", "b"});
    EXPECT_EQ(tabs->selectedTabIndex(), 0);
    EXPECT_EQ(tabs->titleAtTabIndex(1), QStringLiteral("B"));
    EXPECT_EQ(strings.calls, names({"will 0 from -1", "did 0 at 0"}));
    tabs->setRepresentedObject(QStringLiteral("c"), 1);
    EXPECT_EQ(tabs->titleAtTabIndex(1), QStringLiteral("C"));
    // Out of range: nothing, and the queries answer nothing.
    tabs->setRepresentedObject(QStringLiteral("x"), 5);
    EXPECT_FALSE(tabs->representedObjectAtTabIndex(5).isValid());
    EXPECT_TRUE(tabs->userInfoAtTabIndex(-1).isEmpty());
}

TEST_F(TabListTest, WithoutADelegateNothingIsAdded) {
    tabs->setDelegate(nullptr);
    add({"a"});
    EXPECT_EQ(tabs->numberOfTabs(), 0);
    tabs->newTab();
    EXPECT_EQ(tabs->numberOfTabs(), 0);
}

TEST_F(TabListTest, ClosingMovesTheSelectionAsTheBarDoes) {
    struct Case {
        const char* what;
        int selected;
        int closed;
        QStringList left;
        int selectedAfter;
    } cases[] = {
        {"the selected last tab: its left neighbour", 3, 3, names({"a", "b", "c"}), 2},
        {"a selected middle tab: the one moving into its place", 1, 1, names({"a", "c", "d"}), 1},
        {"a tab left of the selected one: the same tab stays", 2, 0, names({"b", "c", "d"}), 1},
        {"a tab right of the selected one", 1, 3, names({"a", "b", "c"}), 1},
        {"out of range: nothing", 1, 7, names({"a", "b", "c", "d"}), 1},
    };
    for (const Case& c : cases) {
        tabs = std::make_unique<TDTabList>(defaults());
        tabs->setDelegate(&strings);
        add({"a", "b", "c", "d"});
        tabs->selectTabAtIndex(c.selected);
        tabs->closeTab(c.closed);
        EXPECT_EQ(objects(), c.left) << c.what;
        EXPECT_EQ(tabs->selectedTabIndex(), c.selectedAfter) << c.what;
        EXPECT_EQ(tabs->representedObjectAtTabIndex(tabs->selectedTabIndex()),
                  QVariant(c.left.at(c.selectedAfter)))
            << c.what;
    }
}

TEST_F(TabListTest, TheLastTabStays) {
    add({"a"});
    tabs->closeTab();
    tabs->removeTabAtIndex(0);
    EXPECT_EQ(objects(), names({"a"}));
    EXPECT_EQ(tabs->selectedTabIndex(), 0);
}

TEST_F(TabListTest, NextAndPreviousWrapAround) {
    tabs->nextTab();
    tabs->previousTab();
    EXPECT_EQ(tabs->numberOfTabs(), 0);
    add({"a", "b", "c"});
    tabs->previousTab();
    EXPECT_EQ(tabs->selectedTabIndex(), 2);
    tabs->nextTab();
    EXPECT_EQ(tabs->selectedTabIndex(), 0);
    tabs->nextTab();
    EXPECT_EQ(tabs->selectedTabIndex(), 1);
}

TEST_F(TabListTest, SelectingTheSelectedTabNeedsForce) {
    add({"a", "b"});
    strings.calls.clear();
    tabs->selectTabAtIndex(0);
    tabs->selectTabAtIndex(9);
    EXPECT_TRUE(strings.calls.isEmpty());
    tabs->selectTabAtIndex(0, true);
    EXPECT_EQ(strings.calls.size(), 2);
}

TEST_F(TabListTest, ANewTabIsTheDelegatesAndSelected) {
    add({"a", "b"});
    tabs->newTab();
    EXPECT_EQ(objects(), names({"a", "b", "new"}));
    EXPECT_EQ(tabs->selectedTabIndex(), 2);
}

TEST_F(TabListTest, MovingATabCarriesTheSelection) {
    add({"a", "b", "c"});
    QSignalSpy moved(tabs.get(), &TDTabList::tabMoved);
    tabs->moveTab(0, 2);
    EXPECT_EQ(objects(), names({"b", "c", "a"}));
    EXPECT_EQ(tabs->selectedTabIndex(), 2);
    EXPECT_EQ(moved.size(), 1);
}

TEST_F(TabListTest, SavedTabsComeBackWithTheirKeptInformationAndSelection) {
    tabs->setAutosaveName(QStringLiteral("tabs"));
    tabs->addTabWithRepresentedObject(QStringLiteral("a"),
                                      {{QStringLiteral("kept"), 1}, {QStringLiteral("gone"), 2}});
    add({"b", "c"});
    tabs->selectTabAtIndex(2);
    tabs->saveTabs();
    EXPECT_EQ(defaults().value(QStringLiteral("TDTabControl tabs objects")).toList(),
              stored({"stored:a", "stored:b", "stored:c"}));
    EXPECT_EQ(defaults().integer(QStringLiteral("TDTabControl tabs selected index")), 2);

    TDTabList restored(defaults());
    StringTabs other;
    restored.setDelegate(&other);
    restored.setAutosaveName(QStringLiteral("tabs"));
    ASSERT_EQ(restored.numberOfTabs(), 3);
    EXPECT_EQ(restored.selectedTabIndex(), 2);
    EXPECT_FALSE(restored.isLoading());
    EXPECT_EQ(restored.userInfoAtTabIndex(0), kept(1));
    // The selected tab's information was refreshed before saving.
    EXPECT_EQ(restored.userInfoAtTabIndex(2), kept(QStringLiteral("fresh")));
    EXPECT_EQ(restored.titleAtTabIndex(1), QStringLiteral("B"));
}

TEST_F(TabListTest, MismatchedStoredInformationRestoresBareTabsOnTheFirst) {
    defaults().setValue(QStringLiteral("TDTabControl tabs objects"), stored({"a", "b", "c"}));
    defaults().setValue(QStringLiteral("TDTabControl tabs userInfo"), QVariantList{kept(1), kept(2)});
    defaults().setValue(QStringLiteral("TDTabControl tabs selected index"), 1);
    tabs->setAutosaveName(QStringLiteral("tabs"));
    EXPECT_EQ(objects(), names({"a", "b", "c"}));
    EXPECT_EQ(tabs->selectedTabIndex(), 0);
    for (int index = 0; index < 3; ++index) EXPECT_TRUE(tabs->userInfoAtTabIndex(index).isEmpty());
}

TEST_F(TabListTest, AStoredTabThatCannotComeBackIsDropped) {
    defaults().setValue(QStringLiteral("TDTabControl tabs objects"),
                        stored({"stored:a", "stored:lost", "stored:c"}));
    defaults().setValue(QStringLiteral("TDTabControl tabs userInfo"),
                        QVariantList{QVariantMap(), QVariantMap(), QVariantMap()});
    defaults().setValue(QStringLiteral("TDTabControl tabs selected index"), 2);
    tabs->setAutosaveName(QStringLiteral("tabs"));
    EXPECT_EQ(objects(), names({"a", "c"}));
    EXPECT_EQ(tabs->selectedTabIndex(), 0);
}

TEST_F(TabListTest, LoadingAddsWithoutSelectingUntilTheEnd) {
    defaults().setValue(QStringLiteral("TDTabControl tabs objects"), stored({"a", "b"}));
    defaults().setValue(QStringLiteral("TDTabControl tabs userInfo"),
                        QVariantList{QVariantMap(), QVariantMap()});
    defaults().setValue(QStringLiteral("TDTabControl tabs selected index"), 1);
    tabs->setAutosaveName(QStringLiteral("tabs"));
    EXPECT_EQ(strings.calls, names({"will 1 from -1", "did 1 at 1"}));
}

TEST_F(TabListTest, ClearingAnAutosaveNameRemovesOnlyItsKeys) {
    defaults().setValue(QStringLiteral("TDTabControl tabs objects"), stored({"a"}));
    defaults().setValue(QStringLiteral("TDTabControl tabs selected index"), 0);
    defaults().setValue(QStringLiteral("TDTabControl other objects"), stored({"b"}));
    TDTabList::clearUserDefaultsForAutosaveName(defaults(), QStringLiteral("tabs"));
    EXPECT_FALSE(defaults().hasStoredValue(QStringLiteral("TDTabControl tabs objects")));
    EXPECT_FALSE(defaults().hasStoredValue(QStringLiteral("TDTabControl tabs selected index")));
    EXPECT_TRUE(defaults().hasStoredValue(QStringLiteral("TDTabControl other objects")));
}

TEST_F(TabListTest, WithoutAnAutosaveNameNothingIsStored) {
    add({"a"});
    tabs->saveTabs();
    EXPECT_TRUE(defaults().storedKeys().filter(QStringLiteral("TDTabControl")).isEmpty());
}

}  // namespace
