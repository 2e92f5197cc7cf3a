#include "language/mnemonics.h"

#include "platform/plist/property_list.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kInboxUID = QStringLiteral("57553C3149610B74");

class MnemonicsTest : public testsupport::TempFoldersTest {
protected:
    QString package(const QString& name) const {
        return QDir(tempPath()).filePath(name + QStringLiteral(".odllibrary"));
    }
    QString fileIn(const QString& packagePath) const {
        return QDir(packagePath).filePath(QStringLiteral("mnemonics.plist"));
    }

    QVariantMap readFile(const QString& packagePath) const {
        Result<QVariant> read = platform::readPropertyListFile(fileIn(packagePath));
        EXPECT_TRUE(read.ok()) << (read ? "" : read.error().description.toStdString());
        return read ? read->toMap() : QVariantMap{};
    }
    // How often the file says `text` chose the object `identifier`.
    qint64 impliedCount(const QString& packagePath, const QString& identifier, const QString& text) const {
        return readFile(packagePath)
            .value(QStringLiteral("implied"))
            .toMap()
            .value(identifier)
            .toMap()
            .value(text)
            .toLongLong();
    }
    void writeRaw(const QString& packagePath, const QByteArray& bytes) const {
        QDir().mkpath(packagePath);
        QFile file(fileIn(packagePath));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void writeFile(const QString& packagePath, const QVariantMap& root) const {
        QDir().mkpath(packagePath);
        ASSERT_TRUE(platform::writePropertyListFile(fileIn(packagePath), root).ok());
    }
};

TEST_F(MnemonicsTest, aNewLibraryStartsFromTheSeedAndItsFirstChoiceWritesThePackageFile) {
    QSMnemonics memory;
    memory.setLibraryPackagePath(package(QStringLiteral("A")));
    EXPECT_EQ(memory.abbrevMnemonicsForString(QStringLiteral("i")), QStringList{kInboxUID});
    EXPECT_FALSE(QFileInfo::exists(fileIn(package(QStringLiteral("A")))));

    memory.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("X"));

    const QVariantMap file = readFile(package(QStringLiteral("A")));
    const QVariantMap abbreviations = file.value(QStringLiteral("abbreviation")).toMap();
    EXPECT_EQ(abbreviations.value(QStringLiteral("wo")).toStringList(), QStringList{QStringLiteral("X")});
    EXPECT_EQ(abbreviations.value(QStringLiteral("i")).toStringList(), QStringList{kInboxUID});
    EXPECT_TRUE(file.value(QStringLiteral("implied")).toMap().isEmpty());
}

// One choice: uid, relative uid, immediately.
struct Choice {
    const char* uid;
    const char* relativeTo = "";
    bool immediately = false;
};

struct LearningCase {
    const char* name;
    std::vector<Choice> choices;
    QStringList expected;
};

class MnemonicsLearningTest : public MnemonicsTest, public ::testing::WithParamInterface<LearningCase> {};

TEST_P(MnemonicsLearningTest, ranksTheChoicesOfOneAbbreviationWithEachUIDOnce) {
    QSMnemonics memory;
    memory.setLibraryPackagePath(package(QStringLiteral("A")));
    for (const Choice& choice : GetParam().choices)
        memory.addAbbrevMnemonic(QStringLiteral("wo"), QString::fromLatin1(choice.uid),
                                 QString::fromLatin1(choice.relativeTo), choice.immediately);
    EXPECT_EQ(memory.abbrevMnemonicsForString(QStringLiteral("wo")), GetParam().expected);
    EXPECT_EQ(readFile(package(QStringLiteral("A")))
                  .value(QStringLiteral("abbreviation"))
                  .toMap()
                  .value(QStringLiteral("wo"))
                  .toStringList(),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, MnemonicsLearningTest,
    ::testing::Values(
        LearningCase{"firstChoiceGoesLast", {{"Y"}, {"X"}}, {QStringLiteral("Y"), QStringLiteral("X")}},
        LearningCase{
            "sameChoiceTwiceMovesToFront", {{"Y"}, {"X"}, {"X"}}, {QStringLiteral("X"), QStringLiteral("Y")}},
        LearningCase{"sameSingleChoiceTwiceStaysOnce", {{"Y"}, {"Y"}}, {QStringLiteral("Y")}},
        LearningCase{"earlierChoiceAgainAfterAnotherStays",
                     {{"Y"}, {"X"}, {"Z"}, {"X"}},
                     {QStringLiteral("Y"), QStringLiteral("X"), QStringLiteral("Z")}},
        LearningCase{"immediatelyMovesToFront",
                     {{"Y"}, {"X"}, {"Z", "", true}},
                     {QStringLiteral("Z"), QStringLiteral("Y"), QStringLiteral("X")}},
        LearningCase{"relativeInsertsAfterIt",
                     {{"Y"}, {"X"}, {"Z"}, {"W", "Y"}},
                     {QStringLiteral("Y"), QStringLiteral("W"), QStringLiteral("X"), QStringLiteral("Z")}},
        LearningCase{"relativeMovesAListedUIDInsteadOfDoublingIt",
                     {{"Y"}, {"X"}, {"Z"}, {"Z", "Y", true}},
                     {QStringLiteral("Y"), QStringLiteral("Z"), QStringLiteral("X")}},
        LearningCase{"relativeRightAfterTheSameChoiceTakesTheRelativePlace",
                     {{"Y"}, {"X"}, {"Z"}, {"Z", "X"}},
                     {QStringLiteral("Y"), QStringLiteral("Z"), QStringLiteral("X")}},
        LearningCase{
            "missingRelativeFallsBack", {{"Y"}, {"X", "Q"}}, {QStringLiteral("Y"), QStringLiteral("X")}}),
    [](const ::testing::TestParamInfo<LearningCase>& info) { return std::string(info.param.name); });

TEST_F(MnemonicsTest, countsWaitForTheDelayUnlessAChoiceWritesThemFirst) {
    QSMnemonics memory(20ms);
    const QString a = package(QStringLiteral("A"));
    memory.setLibraryPackagePath(a);
    for (int i = 0; i < 3; ++i) memory.addObjectMnemonic(QStringLiteral("wo"), QStringLiteral("X"));
    memory.addObjectMnemonic({}, QStringLiteral("X"));
    EXPECT_TRUE(memory.isWritePending());
    EXPECT_FALSE(QFileInfo::exists(fileIn(a)));

    ASSERT_TRUE(testsupport::spinUntil([&] { return QFileInfo::exists(fileIn(a)); }));
    EXPECT_FALSE(memory.isWritePending());
    const QVariantMap counts =
        readFile(a).value(QStringLiteral("implied")).toMap().value(QStringLiteral("X")).toMap();
    EXPECT_EQ(counts.value(QStringLiteral("wo")).toLongLong(), 3);
    EXPECT_EQ(counts.value(QString()).toLongLong(), 1);

    QSMnemonics slow;  // ten seconds: only a choice can write its count now
    slow.setLibraryPackagePath(a);
    slow.addObjectMnemonic(QStringLiteral("wo"), QStringLiteral("X"));
    slow.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("X"));
    EXPECT_FALSE(slow.isWritePending());
    EXPECT_EQ(impliedCount(a, QStringLiteral("X"), QStringLiteral("wo")), 4);
}

TEST_F(MnemonicsTest, followsTheActiveLibraryAndWritesAPendingCountToTheOldPackage) {
    const QString a = package(QStringLiteral("A"));
    const QString b = package(QStringLiteral("B"));
    QSMnemonics memory;
    memory.setLibraryPackagePath(a);
    memory.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("A1"));
    memory.addObjectMnemonic(QStringLiteral("wo"), QStringLiteral("A1"));
    ASSERT_TRUE(memory.isWritePending());

    // The manager closes library A and opens B.
    memory.setLibraryPackagePath({});
    EXPECT_FALSE(memory.isWritePending());
    EXPECT_EQ(impliedCount(a, QStringLiteral("A1"), QStringLiteral("wo")), 1);
    memory.setLibraryPackagePath(b);
    EXPECT_TRUE(memory.abbrevMnemonicsForString(QStringLiteral("wo")).isEmpty());
    EXPECT_TRUE(memory.objectMnemonicsForID(QStringLiteral("A1")).isEmpty());

    // Being the last choice in A does not make B1 a repeated choice in B.
    memory.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("B1"));
    memory.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("B2"));
    memory.addObjectMnemonic(QStringLiteral("wo"), QStringLiteral("B2"));
    memory.setLibraryPackagePath(a);  // straight switch: the pending count still goes to B
    EXPECT_EQ(impliedCount(b, QStringLiteral("B2"), QStringLiteral("wo")), 1);
    EXPECT_FALSE(readFile(a).value(QStringLiteral("implied")).toMap().contains(QStringLiteral("B2")));
    EXPECT_EQ(memory.abbrevMnemonicsForString(QStringLiteral("wo")), QStringList{QStringLiteral("A1")});
    EXPECT_EQ(
        readFile(b).value(QStringLiteral("abbreviation")).toMap().value(QStringLiteral("wo")).toStringList(),
        (QStringList{QStringLiteral("B1"), QStringLiteral("B2")}));
}

TEST_F(MnemonicsTest, aPendingCountIsWrittenWhenTheMemoryGoes) {
    const QString a = package(QStringLiteral("A"));
    {
        QSMnemonics memory;
        memory.setLibraryPackagePath(a);
        memory.addObjectMnemonic(QStringLiteral("wo"), QStringLiteral("X"));
    }
    EXPECT_EQ(impliedCount(a, QStringLiteral("X"), QStringLiteral("wo")), 1);
}

TEST_F(MnemonicsTest, withoutALibraryNothingIsWrittenAndTheMemoryKeepsItsLearning) {
    QSMnemonics memory;
    memory.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("X"));
    EXPECT_EQ(memory.abbrevMnemonicsForString(QStringLiteral("wo")), QStringList{QStringLiteral("X")});
    EXPECT_FALSE(memory.writeItems().ok());
    EXPECT_TRUE(QDir(tempPath()).entryList(QStringList{QStringLiteral("*.plist")}, QDir::Files).isEmpty());
}

TEST_F(MnemonicsTest, aFileRoundTripsWithoutItsDefinedEntryAndWithoutDuplicates) {
    const QString a = package(QStringLiteral("A"));
    writeFile(
        a, QVariantMap{
               {QStringLiteral("abbreviation"),
                QVariantMap{{QStringLiteral("wo"),
                             QVariantList{QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("X")}}}},
               {QStringLiteral("implied"),
                QVariantMap{{QStringLiteral("X"), QVariantMap{{QStringLiteral("wo"), qint64(2)},
                                                              {QStringLiteral("w"), qint64(-2)}}}}},
               {QStringLiteral("defined"), QVariantMap{{QStringLiteral("old"), QStringLiteral("X")}}},
               {QStringLiteral("someday"), QStringLiteral("kept")},
           });
    QSMnemonics memory;
    memory.setLibraryPackagePath(a);
    EXPECT_FALSE(memory.loadError().has_value());
    EXPECT_EQ(memory.abbrevMnemonicsForString(QStringLiteral("wo")),
              (QStringList{QStringLiteral("X"), QStringLiteral("Y")}));
    EXPECT_EQ(memory.objectMnemonicsForID(QStringLiteral("X")),
              (QHash<QString, int>{{QStringLiteral("wo"), 2}, {QStringLiteral("w"), -2}}));
    EXPECT_TRUE(memory.abbrevMnemonicsForString(QStringLiteral("i")).isEmpty())
        << "a library's own file replaces the seed";

    memory.removeAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("Y"));
    const QVariantMap written = readFile(a);
    EXPECT_FALSE(written.contains(QStringLiteral("defined")));
    EXPECT_EQ(written.value(QStringLiteral("someday")).toString(), QStringLiteral("kept"));

    QSMnemonics reread;
    reread.setLibraryPackagePath(a);
    EXPECT_EQ(reread.abbrevMnemonicsForString(QStringLiteral("wo")), QStringList{QStringLiteral("X")});
    EXPECT_EQ(reread.objectMnemonics(), memory.objectMnemonics());

    reread.removeObjectMnemonic(QStringLiteral("wo"), QStringLiteral("X"));
    EXPECT_EQ(readFile(a).value(QStringLiteral("implied")).toMap().value(QStringLiteral("X")).toMap(),
              (QVariantMap{{QStringLiteral("w"), qint64(-2)}}));
}

struct MalformedCase {
    const char* name;
    QByteArray bytes;
};

class MnemonicsMalformedTest : public MnemonicsTest, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MnemonicsMalformedTest, isRefusedForTheSeedWithoutCrashing) {
    const QString a = package(QStringLiteral("A"));
    writeRaw(a, GetParam().bytes);
    QSMnemonics memory;
    memory.setLibraryPackagePath(a);
    ASSERT_TRUE(memory.loadError().has_value());
    EXPECT_FALSE(memory.loadError()->description.isEmpty());
    EXPECT_EQ(memory.abbrevMnemonicsForString(QStringLiteral("i")), QStringList{kInboxUID});
    EXPECT_TRUE(memory.objectMnemonics().isEmpty());

    // Learning goes on; the refused file is kept aside, not written over.
    memory.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("X"));
    EXPECT_EQ(
        readFile(a).value(QStringLiteral("abbreviation")).toMap().value(QStringLiteral("wo")).toStringList(),
        QStringList{QStringLiteral("X")});
    QFile aside(fileIn(a) + QStringLiteral(".refused"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), GetParam().bytes);
    aside.close();
    memory.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("Y"));
    aside.open(QIODevice::ReadOnly);
    EXPECT_EQ(aside.readAll(), GetParam().bytes) << "moved aside once only";

    // A good package afterwards is read as usual.
    memory.setLibraryPackagePath(package(QStringLiteral("B")));
    EXPECT_FALSE(memory.loadError().has_value());
}

QByteArray plist(const char* body) {
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">") + body +
           "</plist>";
}

INSTANTIATE_TEST_SUITE_P(
    Files, MnemonicsMalformedTest,
    ::testing::Values(
        MalformedCase{"notAPropertyList", QByteArray("this is not a property list")},
        MalformedCase{"truncated", plist("<dict><key>abbreviation</key><dict><key>wo</key><array>")},
        MalformedCase{"emptyFile", QByteArray()},
        MalformedCase{"rootIsAnArray", plist("<array><string>X</string></array>")},
        MalformedCase{"abbreviationIsAString",
                      plist("<dict><key>abbreviation</key><string>wo</string></dict>")},
        MalformedCase{
            "uidsAreNotAnArray",
            plist("<dict><key>abbreviation</key><dict><key>wo</key><string>X</string></dict></dict>")},
        MalformedCase{
            "uidIsANumber",
            plist("<dict><key>abbreviation</key><dict><key>wo</key><array><integer>7</integer></array>"
                  "</dict></dict>")},
        MalformedCase{"countsAreAnArray",
                      plist("<dict><key>implied</key><dict><key>X</key><array/></dict></dict>")},
        MalformedCase{"countIsAString",
                      plist("<dict><key>implied</key><dict><key>X</key><dict><key>wo</key><string>2</string>"
                            "</dict></dict></dict>")},
        MalformedCase{"countBeyond32Bits",
                      plist("<dict><key>implied</key><dict><key>X</key><dict><key>wo</key>"
                            "<integer>4294967296</integer></dict></dict></dict>")},
        MalformedCase{"tooLarge", QByteArray(QSMnemonics::kMaxFileSize + 1, ' ')}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

TEST_F(MnemonicsTest, theSharedInstanceCanBeReplaced) {
    auto own = std::make_unique<QSMnemonics>();
    own->setLibraryPackagePath(package(QStringLiteral("A")));
    QSMnemonics* ownPointer = own.get();
    QSMnemonics::setSharedInstance(std::move(own));
    EXPECT_EQ(&QSMnemonics::sharedInstance(), ownPointer);
    QSMnemonics::setSharedInstance(nullptr);
    EXPECT_TRUE(QSMnemonics::sharedInstance().libraryPackagePath().isEmpty()) << "a fresh one is made on use";
    QSMnemonics::setSharedInstance(nullptr);
}

}  // namespace
