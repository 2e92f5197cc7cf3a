#include "language/mnemonics.h"
#include "model/abbreviation_matcher.h"
#include "model/folder.h"
#include "model/list.h"
#include "model/tag.h"
#include "tests/model/library_fixture.h"

#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// The starter tree, a few groups named alike in and out of the archive and the tags, and a memory of
// choices of the test's own.
class LibraryAbbreviationsTest : public modeltest::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        QSMnemonics::setSharedInstance(std::make_unique<QSMnemonics>());
        context->setCreatingLibrary(true);
        library->createObjectsForNewLibrary();
        context->setCreatingLibrary(false);
        workshop = library->createFolder(QStringLiteral("Workshop"), library->foldersGroup());
        workOrders = library->createList(QStringLiteral("Work Orders"), library->foldersGroup());
        woodPile = library->createList(QStringLiteral("Wood Pile"), library->archiveGroup());
        TDGroup* bundle = library->createFolder(QStringLiteral("Work Tags"), library->tagsGroup());
        work = library->createTagWithTitle(QStringLiteral("work"));
        workplace = library->createTagWithTitle(QStringLiteral("@workplace"));
        wool = library->createTagWithTitle(QStringLiteral("wool"), bundle);
        saveAll();
    }
    void TearDown() override {
        QSMnemonics::setSharedInstance(nullptr);
        LibraryTest::TearDown();
    }

    static QStringList titles(const QList<TDGroup*>& groups) {
        QStringList result;
        for (const TDGroup* group : groups) result.append(group->title());
        return result;
    }
    static QStringList titles(const QList<TDTag*>& tags) {
        return titles(QList<TDGroup*>(tags.cbegin(), tags.cend()));
    }

    TDGroup* workshop = nullptr;
    TDGroup* workOrders = nullptr;
    TDGroup* woodPile = nullptr;
    TDTag* work = nullptr;
    TDTag* workplace = nullptr;
    TDTag* wool = nullptr;
};

TEST_F(LibraryAbbreviationsTest, eachEntryPointOffersItsOwnGroupsBestFirst) {
    // Scores for "wo": Workshop (2 + 0.9 x 6) / 8, Wood Pile (2 + 0.9 x 7) / 9, Work Orders (2 + 0.9 x 9)
    // / 11.
    TDAbbreviationMatcher matcher(QSMnemonics::sharedInstance());
    const struct {
        TDGroup* group;
        double score;
    } scores[] = {{workshop, 7.4 / 8}, {woodPile, 8.3 / 9}, {workOrders, 10.1 / 11}};
    for (const auto& expected : scores) {
        const auto rank = matcher.rankDictionaryForLibraryItem(
            TDAbbreviationCandidate::fromGroup(expected.group), QStringLiteral("wo"), nullptr);
        ASSERT_TRUE(rank.has_value()) << expected.group->title().toStdString();
        EXPECT_NEAR(rank->score, expected.score, 1e-6) << expected.group->title().toStdString();
    }

    const QString wo = QStringLiteral("wo");
    EXPECT_EQ(
        titles(library->groupsMatchingAbbreviation(wo)),
        QStringList({QStringLiteral("Workshop"), QStringLiteral("Wood Pile"), QStringLiteral("Work Orders")}))
        << "no tag bundle, no tag";
    EXPECT_EQ(titles(library->goToGroupsMatchingAbbreviation(wo)),
              QStringList({QStringLiteral("Workshop"), QStringLiteral("Work Orders")}))
        << "nothing archived";
    EXPECT_EQ(titles(library->fileToGroupsMatchingAbbreviation(wo)),
              QStringList({QStringLiteral("Work Orders")}))
        << "lists only";
    EXPECT_TRUE(library->groupsMatchingAbbreviation(QString()).isEmpty());
}

TEST_F(LibraryAbbreviationsTest, theRootAndTheTopFoldersAreNeverOffered) {
    const struct {
        const char* abbreviation;
        const char* offered;
        const char* notOffered;
    } cases[] = {{"inbox", "Inbox", "INBOX"}, {"fo", nullptr, "Folders"},      {"arc", nullptr, "Archive"},
                 {"tags", nullptr, "Tags"},   {"root", nullptr, "Root Group"}, {"ord", nullptr, "Ordellos"}};
    for (const auto& c : cases) {
        const QStringList found =
            titles(library->groupsMatchingAbbreviation(QString::fromLatin1(c.abbreviation)));
        if (c.offered) {
            EXPECT_TRUE(found.contains(QString::fromLatin1(c.offered))) << c.abbreviation;
        }
        EXPECT_FALSE(found.contains(QString::fromLatin1(c.notOffered))) << c.abbreviation;
    }
}

// Translates the Inbox's name, as a German table would.
class InboxTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char*, int) const override {
        if (qstrcmp(context, "Localizable") == 0 && qstrcmp(sourceText, "Inbox") == 0)
            return QStringLiteral("Posteingang");
        return {};
    }
};

TEST_F(LibraryAbbreviationsTest, specialGroupsAreTypedByTheNameTheUserSees) {
    InboxTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const QStringList byShownName = titles(library->fileToGroupsMatchingAbbreviation(QStringLiteral("post")));
    const QStringList byStoredTitle =
        titles(library->fileToGroupsMatchingAbbreviation(QStringLiteral("inbox")));
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(byShownName, QStringList({QStringLiteral("Inbox")}));
    EXPECT_TRUE(byStoredTitle.isEmpty());
}

TEST_F(LibraryAbbreviationsTest, tagsAreTypedAsTheirTokens) {
    ASSERT_EQ(work->editingString(), QStringLiteral("/work"));
    EXPECT_EQ(titles(library->tagsMatchingAbbreviation(QStringLiteral("/w"))),
              QStringList({QStringLiteral("wool"), QStringLiteral("work")}))
        << "a context's token has no slash";
    // "@workplace" scores (1 + 0.9 x 8) / 10; "/wool" and "/work" (1 + 0.9 x 3) / 5 each, in token order.
    EXPECT_EQ(titles(library->tagsMatchingAbbreviation(QStringLiteral("w"))),
              QStringList({QStringLiteral("@workplace"), QStringLiteral("wool"), QStringLiteral("work")}));
    EXPECT_TRUE(library->tagsMatchingAbbreviation(QStringLiteral("wo")).contains(wool))
        << "tags in bundles too";
}

TEST_F(LibraryAbbreviationsTest, aChoiceIsRememberedAndRanksFirstNextTime) {
    library->addMnemonic(QStringLiteral("wo"), workOrders);
    library->addMnemonic(QStringLiteral("w"), work);
    QSMnemonics& memory = QSMnemonics::sharedInstance();
    EXPECT_EQ(memory.abbrevMnemonicsForString(QStringLiteral("wo")), QStringList({workOrders->uid()}));
    EXPECT_EQ(memory.objectMnemonicsForID(work->uid()).value(QStringLiteral("w")), 1);

    EXPECT_EQ(library->goToGroupsMatchingAbbreviation(QStringLiteral("wo")).first(), workOrders);
    EXPECT_EQ(library->tagsMatchingAbbreviation(QStringLiteral("w")).first(), work);

    // The library follows the memory the process uses now.
    QSMnemonics::setSharedInstance(std::make_unique<QSMnemonics>());
    EXPECT_EQ(library->goToGroupsMatchingAbbreviation(QStringLiteral("wo")).first(), workshop);
}

}  // namespace
