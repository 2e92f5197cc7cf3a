#include "tests/store/library_manager_fixture.h"

#include "language/mnemonics.h"
#include "model/group.h"
#include "model/library.h"
#include "platform/plist/property_list.h"

#include <QDir>
#include <QFileInfo>

namespace storetest {
namespace {

// The process's memory of abbreviation choices, fresh for each test, with a write delay no test waits for.
class AbbreviationMemoryOpeningTest : public LibraryManagerTest {
protected:
    void SetUp() override {
        LibraryManagerTest::SetUp();
        QSMnemonics::setSharedInstance(std::make_unique<QSMnemonics>(std::chrono::hours(1)));
    }
    void TearDown() override {
        LibraryManagerTest::TearDown();
        QSMnemonics::setSharedInstance(nullptr);
    }

    static QSMnemonics& memory() { return QSMnemonics::sharedInstance(); }
    static QVariantMap memoryFile(const QString& package) {
        Result<QVariant> read =
            platform::readPropertyListFile(QDir(package).filePath(QStringLiteral("mnemonics.plist")));
        return read ? read->toMap() : QVariantMap();
    }
    static QStringList chosenFor(const QVariantMap& file, const QString& abbreviation) {
        return file.value(QStringLiteral("abbreviation")).toMap().value(abbreviation).toStringList();
    }
    QString otherPackagePath() const { return QDir(tempPath()).filePath(QStringLiteral("Other.odllibrary")); }
};

TEST_F(AbbreviationMemoryOpeningTest, choicesAreWrittenIntoTheOpenPackage) {
    TDLibrary* library = createLibrary();
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(memory().libraryPackagePath(), packagePath());

    TDGroup* inbox = library->inboxGroup();
    const QString inboxUID = inbox->uid();
    library->addMnemonic(QStringLiteral("in"), inbox);
    EXPECT_EQ(chosenFor(memoryFile(packagePath()), QStringLiteral("in")), QStringList({inboxUID}));

    // A count alone waits for its delayed write; closing the library writes it.
    memory().addObjectMnemonic(QStringLiteral("inb"), inboxUID);
    ASSERT_TRUE(manager->close().ok());
    EXPECT_TRUE(memory().libraryPackagePath().isEmpty());
    EXPECT_EQ(memoryFile(packagePath())
                  .value(QStringLiteral("implied"))
                  .toMap()
                  .value(inboxUID)
                  .toMap()
                  .value(QStringLiteral("inb"))
                  .toLongLong(),
              1);

    // Reopened, the library ranks by what was learnt.
    auto reopened = newManager().loadLibrary();
    ASSERT_TRUE(reopened.ok());
    EXPECT_EQ(memory().abbrevMnemonicsForString(QStringLiteral("in")), QStringList({inboxUID}));
    EXPECT_EQ((*reopened)->goToGroupsMatchingAbbreviation(QStringLiteral("in")).first()->uid(), inboxUID);
}

TEST_F(AbbreviationMemoryOpeningTest, theMemoryFollowsALibrarySwitch) {
    TDLibrary* first = createLibrary();
    ASSERT_NE(first, nullptr);
    const QString somedayUID = TDLibrary::SomedayListUID;
    first->addMnemonic(QStringLiteral("so"), first->groupWithUID(somedayUID));
    ASSERT_TRUE(manager->close().ok());

    manager->setLibraryPath(otherPackagePath());
    auto second = manager->createLibrary();
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(memory().libraryPackagePath(), otherPackagePath());
    EXPECT_TRUE(memory().abbrevMnemonicsForString(QStringLiteral("so")).isEmpty())
        << "the first library's choices stay with it";
    (*second)->addMnemonic(QStringLiteral("in"), (*second)->inboxGroup());
    EXPECT_EQ(chosenFor(memoryFile(otherPackagePath()), QStringLiteral("in")),
              QStringList({TDLibrary::InboxListUID}));
    EXPECT_TRUE(chosenFor(memoryFile(packagePath()), QStringLiteral("in")).isEmpty());
    EXPECT_EQ(chosenFor(memoryFile(packagePath()), QStringLiteral("so")), QStringList({somedayUID}));

    // A manager closing a library opened before leaves the memory of the one in use alone.
    manager->closeDiscardingChanges();
    TDLibraryManager earlier(QDir(tempPath()).filePath(QStringLiteral("Earlier.odllibrary")));
    ASSERT_TRUE(earlier.createLibrary().ok());
    ASSERT_TRUE(manager->loadLibrary().ok());
    ASSERT_TRUE(earlier.close().ok());
    EXPECT_EQ(memory().libraryPackagePath(), otherPackagePath());
}

}  // namespace
}  // namespace storetest
