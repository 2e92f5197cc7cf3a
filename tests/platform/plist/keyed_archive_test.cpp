#include "platform/plist/keyed_archive.h"
#include "tests/support/test_environment.h"

#include <QDateTime>
#include <QTimeZone>

namespace {

using platform::ArchiveFieldType;
using platform::ArchiveObject;

// A small tree of two classes, as a rule tree would be: compound nodes with children, leaves with values.
struct Leaf {
    QString field;
    qint64 condition = 0;
    QDateTime date;
    bool operator==(const Leaf&) const = default;
};

struct Node {
    qint64 kind = 0;
    QList<Leaf> leaves;
    std::optional<Leaf> primary;
    QString note;
    bool operator==(const Node&) const = default;
};

const QString kLeaf = QStringLiteral("TestLeaf");
// The leaf's decoder refuses a negative condition with an error of its own.
constexpr int kNegativeConditionCode = 1;
const QString kNode = QStringLiteral("TestNode");

void registerTestClasses() {
    platform::registerArchiveClass<Leaf>(
        kLeaf,
        {{QStringLiteral("field"), ArchiveFieldType::String},
         {QStringLiteral("condition"), ArchiveFieldType::Integer},
         {QStringLiteral("date"), ArchiveFieldType::Date, true}},
        [](const Leaf& leaf) {
            ArchiveObject o;
            o.fields = {{QStringLiteral("field"), leaf.field}, {QStringLiteral("condition"), leaf.condition}};
            if (leaf.date.isValid()) o.fields.insert(QStringLiteral("date"), leaf.date);
            return o;
        },
        [](const ArchiveObject& o) -> Result<Leaf> {
            Leaf leaf{o.fields.value(QStringLiteral("field")).toString(),
                      o.fields.value(QStringLiteral("condition")).toLongLong(),
                      o.fields.value(QStringLiteral("date")).toDateTime()};
            if (leaf.condition < 0)
                return TDError::make(kNegativeConditionCode, QStringLiteral("negative condition"));
            return leaf;
        });
    platform::registerArchiveClass<Node>(
        kNode,
        {{QStringLiteral("kind"), ArchiveFieldType::Integer},
         {QStringLiteral("leaves"), ArchiveFieldType::ObjectList, false, {kLeaf}},
         {QStringLiteral("primary"), ArchiveFieldType::Object, true, {kLeaf}},
         {QStringLiteral("note"), ArchiveFieldType::String}},
        [](const Node& node) {
            QList<ArchiveObject> leaves;
            for (const Leaf& leaf : node.leaves) leaves.append(platform::encodeArchiveObject(leaf));
            ArchiveObject o;
            o.fields = {{QStringLiteral("kind"), node.kind},
                        {QStringLiteral("leaves"), QVariant::fromValue(leaves)},
                        {QStringLiteral("note"), node.note}};
            if (node.primary)
                o.fields.insert(QStringLiteral("primary"),
                                QVariant::fromValue(platform::encodeArchiveObject(*node.primary)));
            return o;
        },
        [](const ArchiveObject& o) -> Result<Node> {
            Node node;
            node.kind = o.fields.value(QStringLiteral("kind")).toLongLong();
            node.note = o.fields.value(QStringLiteral("note")).toString();
            for (const ArchiveObject& leaf :
                 o.fields.value(QStringLiteral("leaves")).value<QList<ArchiveObject>>()) {
                Result<Leaf> decoded = platform::decodeArchiveObject<Leaf>(leaf);
                if (!decoded) return decoded.error();
                node.leaves.append(*decoded);
            }
            if (o.fields.contains(QStringLiteral("primary"))) {
                Result<Leaf> decoded = platform::decodeArchiveObject<Leaf>(
                    o.fields.value(QStringLiteral("primary")).value<ArchiveObject>());
                if (!decoded) return decoded.error();
                node.primary = *decoded;
            }
            return node;
        });
}

Node sampleNode() {
    return Node{
        1,
        {Leaf{QStringLiteral("title"), 3, {}},
         Leaf{QStringLiteral("dueDate"), 7, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), QTimeZone::utc())}},
        Leaf{QStringLiteral("tag"), 0, {}},
        QStringLiteral("ünïcode ✓")};
}

// Archive bytes of a hand-made tree, bypassing the writer's checks.
QByteArray rawArchive(const QVariant& root, const QString& name = QStringLiteral("Ordello keyed archive"),
                      qint64 version = 1) {
    return *platform::writePropertyList(QVariantMap{{QStringLiteral("archive"), name},
                                                    {QStringLiteral("version"), version},
                                                    {QStringLiteral("root"), root}},
                                        platform::PropertyListFormat::Binary);
}

QVariantMap leafNode(const QVariantMap& fields) {
    return {{QStringLiteral("class"), kLeaf}, {QStringLiteral("fields"), fields}};
}

class KeyedArchiveTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        registerTestClasses();
    }
};

TEST_F(KeyedArchiveTest, ATreeOfRegisteredClassesRoundTrips) {
    const Result<QByteArray> data = platform::archivedDataWithRootObject(sampleNode());
    ASSERT_TRUE(data.ok()) << data.error().description.toStdString();
    EXPECT_TRUE(data->startsWith("bplist00"));
    const Result<Node> back = platform::unarchivedObject<Node>(*data);
    ASSERT_TRUE(back.ok()) << back.error().description.toStdString();
    EXPECT_EQ(*back, sampleNode());
}

TEST_F(KeyedArchiveTest, TheRootMustBeOfTheRequestedClass) {
    const QByteArray leafData = *platform::archivedDataWithRootObject(Leaf{QStringLiteral("x"), 1, {}});
    const Result<Node> asNode = platform::unarchivedObject<Node>(leafData);
    ASSERT_FALSE(asNode.ok());
    EXPECT_EQ(asNode.error().code, platform::TDKeyedArchiveErrorUnknownClass);
    EXPECT_FALSE(platform::unarchivedObjectTree(leafData, {kNode}).ok());
    EXPECT_TRUE(platform::unarchivedObjectTree(leafData, {kLeaf}).ok());
}

TEST_F(KeyedArchiveTest, WritingRefusesTreesThatBreakTheRegistration) {
    struct Case {
        const char* what;
        ArchiveObject tree;
    };
    const QVariantMap leafFields{{QStringLiteral("field"), QStringLiteral("f")},
                                 {QStringLiteral("condition"), 1}};
    const Case cases[] = {
        {"unknown class", ArchiveObject{QStringLiteral("Nope"), {}}},
        {"no class", ArchiveObject{}},
        {"missing field", ArchiveObject{kLeaf, {{QStringLiteral("field"), QStringLiteral("f")}}}},
        {"wrong type",
         ArchiveObject{kLeaf, {{QStringLiteral("field"), 5}, {QStringLiteral("condition"), 1}}}},
        {"undeclared field", ArchiveObject{kLeaf,
                                           {{QStringLiteral("field"), QStringLiteral("f")},
                                            {QStringLiteral("condition"), 1},
                                            {QStringLiteral("extra"), 1}}}},
        {"object of a class not allowed there",
         ArchiveObject{kNode,
                       {{QStringLiteral("kind"), 1},
                        {QStringLiteral("note"), QString()},
                        {QStringLiteral("leaves"),
                         QVariant::fromValue(QList<ArchiveObject>{ArchiveObject{kNode, {}}})}}}},
    };
    for (const Case& c : cases) {
        const Result<QByteArray> data = platform::archivedDataWithRootObject(c.tree);
        EXPECT_FALSE(data.ok()) << c.what;
    }
}

TEST_F(KeyedArchiveTest, ReadingRefusesAnythingButCheckedRegisteredObjects) {
    struct Case {
        const char* what;
        QByteArray data;
        int code;
    };
    const QVariantMap goodFields{{QStringLiteral("field"), QStringLiteral("f")},
                                 {QStringLiteral("condition"), 1}};
    QVariantMap extraField = goodFields;
    extraField.insert(QStringLiteral("script"), QStringLiteral("rm -rf"));
    QVariantMap wrongType = goodFields;
    wrongType.insert(QStringLiteral("condition"), QStringLiteral("1"));
    QVariantMap negative = goodFields;
    negative.insert(QStringLiteral("condition"), -1);
    const QVariantMap foreignNode{{QStringLiteral("class"), QStringLiteral("NSObject")},
                                  {QStringLiteral("fields"), QVariantMap()}};
    const QVariantMap nodeWithForeignLeaf{
        {QStringLiteral("class"), kNode},
        {QStringLiteral("fields"), QVariantMap{{QStringLiteral("kind"), 1},
                                               {QStringLiteral("note"), QString()},
                                               {QStringLiteral("leaves"), QVariantList{foreignNode}}}}};
    const Case cases[] = {
        {"xml instead of binary", *platform::writePropertyList(QVariantMap()),
         platform::TDKeyedArchiveErrorNotAnArchive},
        {"garbage", QByteArray("bplist00garbage"), platform::TDPropertyListErrorMalformed},
        {"plain plist", rawArchive(leafNode(goodFields), QStringLiteral("other")),
         platform::TDKeyedArchiveErrorNotAnArchive},
        {"future version", rawArchive(leafNode(goodFields), QStringLiteral("Ordello keyed archive"), 2),
         platform::TDKeyedArchiveErrorNotAnArchive},
        {"root not a dictionary", rawArchive(QStringLiteral("x")), platform::TDKeyedArchiveErrorNotAnArchive},
        {"unknown class", rawArchive(foreignNode), platform::TDKeyedArchiveErrorUnknownClass},
        {"unknown class nested", rawArchive(nodeWithForeignLeaf), platform::TDKeyedArchiveErrorUnknownClass},
        {"undeclared field", rawArchive(leafNode(extraField)), platform::TDKeyedArchiveErrorFieldMismatch},
        {"wrong field type", rawArchive(leafNode(wrongType)), platform::TDKeyedArchiveErrorFieldMismatch},
        {"missing field", rawArchive(leafNode({{QStringLiteral("field"), QStringLiteral("f")}})),
         platform::TDKeyedArchiveErrorFieldMismatch},
        {"decoder refuses", rawArchive(leafNode(negative)), platform::TDKeyedArchiveErrorDecoderFailed},
    };
    for (const Case& c : cases) {
        const Result<Leaf> leaf = platform::unarchivedObject<Leaf>(c.data);
        ASSERT_FALSE(leaf.ok()) << c.what;
        EXPECT_EQ(leaf.error().code, c.code) << c.what << ": " << leaf.error().description.toStdString();
    }
    // The control: the same layout with good fields reads.
    EXPECT_TRUE(platform::unarchivedObject<Leaf>(rawArchive(leafNode(goodFields))).ok());
}

TEST_F(KeyedArchiveTest, ATypeWithoutARegisteredClassIsAnError) {
    struct Unregistered {};
    const Result<QByteArray> data = platform::archivedDataWithRootObject(Unregistered{});
    ASSERT_FALSE(data.ok());
    EXPECT_EQ(data.error().code, platform::TDKeyedArchiveErrorNotRegistered);
    const QByteArray leafData = *platform::archivedDataWithRootObject(Leaf{QStringLiteral("x"), 1, {}});
    EXPECT_EQ(platform::unarchivedObject<Unregistered>(leafData).error().code,
              platform::TDKeyedArchiveErrorNotRegistered);
}

TEST_F(KeyedArchiveTest, OversizedArchivesAreRefusedUnread) {
    const QByteArray data = *platform::archivedDataWithRootObject(sampleNode());
    const Result<Node> capped = platform::unarchivedObject<Node>(data, data.size() - 1);
    ASSERT_FALSE(capped.ok());
    EXPECT_EQ(capped.error().code, platform::TDPropertyListErrorTooLarge);
}

}  // namespace

namespace {

// A field that may hold any plain value keeps the value's own type and refuses collections and data.
TEST(KeyedArchiveScalarField, HoldsEachPlainTypeAndNothingElse) {
    struct Holder {
        QVariant value;
    };
    const QString name = QStringLiteral("TestScalarHolder");
    platform::registerArchiveClass<Holder>(
        name, {{QStringLiteral("value"), ArchiveFieldType::Scalar}},
        [](const Holder& h) {
            return ArchiveObject{QString(), {{QStringLiteral("value"), h.value}}};
        },
        [](const ArchiveObject& o) -> Result<Holder> {
            return Holder{o.fields.value(QStringLiteral("value"))};
        });

    const QDateTime date(QDate(2026, 3, 11), QTime(10, 0), QTimeZone::utc());
    const QVariant kept[] = {QVariant(true), QVariant(qint64(-7)), QVariant(2.5),
                             QVariant(QStringLiteral("text")), QVariant(date)};
    for (const QVariant& value : kept) {
        SCOPED_TRACE(value.typeName());
        const Result<QByteArray> data = platform::archivedDataWithRootObject(Holder{value});
        ASSERT_TRUE(data.ok());
        const Result<Holder> read = platform::unarchivedObject<Holder>(*data);
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read->value.metaType(), value.metaType());
        EXPECT_EQ(read->value, value);
    }
    for (const QVariant& value :
         {QVariant(QVariantList{1}), QVariant(QByteArray("x")), QVariant(QVariantMap())})
        EXPECT_FALSE(platform::archivedDataWithRootObject(Holder{value}).ok()) << value.typeName();
}

}  // namespace
