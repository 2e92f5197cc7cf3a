#include "tests/model/task_tree_fixture.h"

#include "platform/defaults/user_defaults.h"

#include <algorithm>

namespace {

using modeltest::TaskTreeTest;

class TaskTagsTest : public TaskTreeTest {
protected:
    // The task's tag titles, sorted, joined by "|".
    static QString tagTitles(const TDTask* task) {
        QStringList titles;
        for (const TDGroup* tag : task->tags()) titles << tag->title();
        titles.sort();
        return titles.join(QLatin1Char('|'));
    }
    QString libraryTagTitles() {
        QStringList titles;
        for (const TDTag* tag : library->allTags()) titles << tag->title();
        titles.sort();
        return titles.join(QLatin1Char('|'));
    }
    TDTag* tag(const QString& title) {
        if (TDTag* found = library->tagWithTitle(title)) return found;
        return library->createTagWithTitle(title);
    }
};

TEST_F(TaskTagsTest, TitleTokensDecideTheTags) {
    struct Case {
        const char* title;
        const char* tags;
    };
    const Case cases[] = {
        {"call mom /phone", "phone"},
        {"/phone call mom", "phone"},
        {"fix the roof /house repairs/ @home", "@home|house repairs"},
        {"buy /milk /eggs", "eggs|milk"},
        {"the same tag twice /home /home/", "home"},
        {"a priority is no tag /p1", ""},
        {"a word ending in a digit is a tag /step2", "step2"},
        {"either/or is not a token", ""},
        {"mail me@example.com", ""},
        {"a bare marker / names nothing", ""},
        {"no tokens at all", ""},
    };
    for (const Case& c : cases) {
        TDTask* made = task(QString::fromUtf8(c.title), inbox());
        EXPECT_EQ(tagTitles(made), QString::fromUtf8(c.tags)) << c.title;
        EXPECT_EQ(made->title(), QString::fromUtf8(c.title)) << c.title;
    }
}

TEST_F(TaskTagsTest, EditingTheTitleCreatesReusesAndRemovesTags) {
    TDTask* first = task(QStringLiteral("call /phone @office"), inbox());
    TDTag* phone = library->tagWithTitle(QStringLiteral("phone"));
    ASSERT_NE(phone, nullptr);
    ASSERT_NE(library->tagWithTitle(QStringLiteral("@office")), nullptr);
    EXPECT_EQ(first->contextTag(), library->tagWithTitle(QStringLiteral("@office")));

    TDTask* second = task(QStringLiteral("text /phone"), inbox());
    EXPECT_EQ(second->tags(), QList<TDGroup*>{phone}) << "an existing tag is reused";

    first->setTitle(QStringLiteral("call @office /errands"));
    EXPECT_EQ(tagTitles(first), QStringLiteral("@office|errands"));
    EXPECT_FALSE(phone->tasks().contains(first));
    EXPECT_TRUE(phone->tasks().contains(second));
    EXPECT_EQ(first->title(), QStringLiteral("call @office /errands")) << "deriving tags leaves the title";

    first->setTitle(QStringLiteral("call"));
    EXPECT_EQ(tagTitles(first), QString());
    EXPECT_EQ(libraryTagTitles(), QStringLiteral("@office|errands|phone")) << "tags stay in the library";

    // Without triggering, the title is stored and the tags stay.
    second->setTitle(QStringLiteral("text"), false);
    EXPECT_EQ(tagTitles(second), QStringLiteral("phone"));
}

TEST_F(TaskTagsTest, AddingTagsAppendsTheirMissingTokens) {
    struct Case {
        const char* title;
        QStringList tags;
        const char* after;
    };
    const Case cases[] = {
        {"buy", {QStringLiteral("Zeta"), QStringLiteral("alpha")}, "buy /alpha /Zeta"},
        {"buy /alpha", {QStringLiteral("alpha")}, "buy /alpha"},
        {"buy /alpha/", {QStringLiteral("alpha"), QStringLiteral("beta")}, "buy /alpha/ /beta"},
        {"fix", {QStringLiteral("house repairs")}, "fix /house repairs/"},
        {"", {QStringLiteral("@home")}, "@home"},
    };
    for (const Case& c : cases) {
        TDTask* made = task(QString::fromUtf8(c.title), inbox());
        QList<TDTag*> tags;
        for (const QString& title : c.tags) tags << tag(title);
        made->addTags(tags);
        EXPECT_EQ(made->title(), QString::fromUtf8(c.after)) << c.title;
        EXPECT_EQ(made->tags().size(), c.tags.size()) << c.title;
    }
}

// Removing a tag strips every token that stands for it, with the white space next to it.
TEST_F(TaskTagsTest, RemovingATagStripsItsTokens) {
    struct Case {
        const char* tag;
        const char* title;
        const char* after;
    };
    const Case cases[] = {
        {"home", "/home buy milk", "buy milk"},
        {"home", "buy /home milk", "buy milk"},
        {"home", "buy milk /home", "buy milk"},
        {"home", "/home", ""},
        {"home", "buy /home milk /home/", "buy milk"},
        {"home", "a /home /home b", "a b"},
        {"home", "keep homework /homes", "keep homework /homes"},
        {"house repairs", "fix /house repairs/ soon", "fix soon"},
        {"@home", "call @home now", "call now"},
        // Pattern characters in a tag's title match only themselves.
        {"c++", "learn /c++ today", "learn today"},
        {"a\\b", "x /a\\b y", "x y"},
        {"(x", "x /(x y", "x y"},
        {"$1.*", "pay /$1.* now", "pay now"},
        {"[a-z]+", "/[a-z]+ word", "word"},
        // Any white space bounds a token: a vertical tab, a next-line character, a no-break space.
        {"home", "buy\v/home", "buy"},
        {"home", "buy\xc2\x85/home milk", "buy milk"},
        {"home", "buy\xc2\xa0/home\xc2\xa0milk", "buy milk"},
    };
    for (const Case& c : cases) {
        TDTag* removed = tag(QString::fromUtf8(c.tag));
        TDTask* made = task(QString::fromUtf8(c.title), inbox());
        made->addTagsObject(removed);
        made->removeTagsObject(removed);
        EXPECT_EQ(made->title(), QString::fromUtf8(c.after)) << c.title;
        EXPECT_FALSE(made->tags().contains(removed)) << c.title;
    }
}

TEST_F(TaskTagsTest, ContextTagsAndInheritance) {
    TDTask* parent = task(QStringLiteral("trip /travel @car"), inbox());
    TDTag* car = library->tagWithTitle(QStringLiteral("@car"));
    TDTag* train = tag(QStringLiteral("@train"));
    parent->setContextTag(train);
    EXPECT_EQ(parent->title(), QStringLiteral("trip /travel @train"));
    EXPECT_EQ(parent->contextTags(), QList<TDTag*>{train});
    parent->setContextTag(nullptr);
    EXPECT_EQ(tagTitles(parent), QStringLiteral("travel"));
    parent->setContextTag(car);

    struct Case {
        int inherit;
        const char* tags;
    };
    for (const Case& c : {Case{1, "@car"}, Case{2, "@car|travel"}, Case{0, ""}}) {
        platform::UserDefaults::standard().setValue(QStringLiteral("inheritParentTags"), c.inherit);
        TDTask* child = task(QStringLiteral("pack"), parent);
        child->inheritTags();
        EXPECT_EQ(tagTitles(child), QString::fromUtf8(c.tags)) << c.inherit;
    }
    QStringList inTree;
    for (const TDGroup* tag : parent->allTagsInTree()) inTree << tag->title();
    inTree.sort();
    EXPECT_EQ(inTree, (QStringList{QStringLiteral("@car"), QStringLiteral("travel")}));
}

TEST_F(TaskTagsTest, RenamingATagRewritesItsTokens) {
    struct Case {
        const char* from;
        const char* to;
        const char* title;
        const char* after;
    };
    const Case cases[] = {
        {"home", "house", "clean /home", "clean /house"},
        {"home", "house", "/home twice /home/ and homework", "/house twice /house and homework"},
        {"home", "my house", "clean /home now", "clean /my house/ now"},
        {"house repairs", "diy", "fix /house repairs/ soon", "fix /diy soon"},
        {"@home", "@flat", "call @home", "call @flat"},
        {"c++", "rust", "learn /c++ and /c", "learn /rust and /c"},
    };
    for (const Case& c : cases) {
        TDTask* made = task(QString::fromUtf8(c.title), inbox());
        TDTag* renamed = library->tagWithTitle(QString::fromUtf8(c.from));
        ASSERT_NE(renamed, nullptr) << c.title;
        renamed->setTitle(QString::fromUtf8(c.to));
        EXPECT_EQ(renamed->title(), QString::fromUtf8(c.to));
        EXPECT_EQ(made->title(), QString::fromUtf8(c.after)) << c.title;
        EXPECT_TRUE(made->tags().contains(renamed)) << c.title;
        EXPECT_EQ(library->tagWithTitle(QString::fromUtf8(c.from)), nullptr) << "no tag is made again";
        made->deleteObject();
        renamed->deleteObject();
    }

    TDTask* made = task(QStringLiteral("clean /home"), inbox());
    TDTag* home = library->tagWithTitle(QStringLiteral("home"));
    home->setTitle(QString());
    EXPECT_EQ(home->title(), QStringLiteral("home"));
    home->setTitle(QStringLiteral(" \t"));
    EXPECT_EQ(home->title(), QStringLiteral("home"));
    EXPECT_EQ(made->title(), QStringLiteral("clean /home"));
}

}  // namespace
