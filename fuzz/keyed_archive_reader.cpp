// Feeds arbitrary bytes to the keyed-archive reader: colours and a small tree of nested classes, as
// rule trees are stored. Nothing but registered, type-checked objects may come out.
#include "foundation/color_additions.h"
#include "platform/plist/keyed_archive.h"

#include <cstdint>
#include <cstdlib>

namespace {

struct Leaf {
    QString name;
    qint64 value = 0;
};

struct Tree {
    QList<Leaf> leaves;
    QList<Tree> children;
};

using platform::ArchiveFieldType;
using platform::ArchiveObject;

const QString kLeaf = QStringLiteral("FuzzLeaf");
const QString kTree = QStringLiteral("FuzzTree");

Result<Tree> decodeTree(const ArchiveObject& object) {
    Tree tree;
    for (const ArchiveObject& leaf :
         object.fields.value(QStringLiteral("leaves")).value<QList<ArchiveObject>>()) {
        Result<Leaf> decoded = platform::decodeArchiveObject<Leaf>(leaf);
        if (!decoded) return decoded.error();
        tree.leaves.append(*decoded);
    }
    for (const ArchiveObject& child :
         object.fields.value(QStringLiteral("children")).value<QList<ArchiveObject>>()) {
        Result<Tree> decoded = decodeTree(child);
        if (!decoded) return decoded.error();
        tree.children.append(*decoded);
    }
    return tree;
}

bool registerClasses() {
    platform::registerArchiveClass<Leaf>(
        kLeaf,
        {{QStringLiteral("name"), ArchiveFieldType::String},
         {QStringLiteral("value"), ArchiveFieldType::Integer}},
        [](const Leaf& leaf) {
            return ArchiveObject{
                {}, {{QStringLiteral("name"), leaf.name}, {QStringLiteral("value"), leaf.value}}};
        },
        [](const ArchiveObject& o) -> Result<Leaf> {
            return Leaf{o.fields.value(QStringLiteral("name")).toString(),
                        o.fields.value(QStringLiteral("value")).toLongLong()};
        });
    platform::registerArchiveClass<Tree>(
        kTree,
        {{QStringLiteral("leaves"), ArchiveFieldType::ObjectList, false, {kLeaf}},
         {QStringLiteral("children"), ArchiveFieldType::ObjectList, true, {kTree}},
         {QStringLiteral("extra"), ArchiveFieldType::Dictionary, true}},
        [](const Tree&) { return ArchiveObject(); }, decodeTree);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool registered = registerClasses();
    Q_UNUSED(registered);
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
    const Result<QColor> color = colorWithData(data);
    if (color && !color->isValid()) std::abort();
    const Result<ArchiveObject> tree = platform::unarchivedObjectTree(data);
    if (tree) {
        // A checked tree writes back (unless it holds text the writer refuses, such as a NUL
        // character) and reads back to the same bytes.
        const Result<QByteArray> written = platform::archivedDataWithRootObject(*tree);
        if (!written) return 0;
        const Result<ArchiveObject> again = platform::unarchivedObjectTree(*written);
        if (!again) std::abort();
        const Result<QByteArray> rewritten = platform::archivedDataWithRootObject(*again);
        if (!rewritten || *rewritten != *written) std::abort();
        if (tree->className == kTree) (void)platform::decodeArchiveObject<Tree>(*tree);
    }
    return 0;
}
