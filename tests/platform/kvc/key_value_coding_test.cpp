#include "platform/kvc/key_value_coding.h"

#include <gtest/gtest.h>

namespace {

using platform::KeyValueCoding;

struct Node : KeyValueCoding {
    QString title;
    Node* parent = nullptr;
    QList<Node*> children;
    QVariant value(const QString& key) const override {
        if (key == QLatin1String("title")) return title;
        if (key == QLatin1String("parent")) return platform::objectVariant(parent);
        if (key == QLatin1String("children")) {
            QVariantList list;
            for (Node* c : children) list << platform::objectVariant(c);
            return list;
        }
        return {};
    }
};

TEST(KeyValueCoding, PathsThroughToOneToManyNilAndCount) {
    Node root, a, b, leaf;
    root.title = QStringLiteral("root");
    a.title = QStringLiteral("a");
    b.title = QStringLiteral("b");
    leaf.title = QStringLiteral("leaf");
    root.children = {&a, &b};
    a.children = {&leaf};
    a.parent = b.parent = &root;
    leaf.parent = &a;
    const QVariant r = platform::objectVariant(&root);
    const QVariant l = platform::objectVariant(&leaf);

    EXPECT_EQ(platform::valueForKeyPath(l, QStringLiteral("parent.parent.title")).toString(),
              QStringLiteral("root"));
    EXPECT_FALSE(platform::valueForKeyPath(r, QStringLiteral("parent.title")).isValid());
    EXPECT_EQ(platform::valueForKeyPath(r, QStringLiteral("children.title")).toStringList(),
              (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(platform::valueForKeyPath(r, QStringLiteral("children.@count")).toLongLong(), 2);
    EXPECT_EQ(platform::valueForKeyPath(r, QStringLiteral("children.children.title")).toStringList(),
              QStringList{QStringLiteral("leaf")});
    EXPECT_EQ(platform::objectFromVariant(platform::valueForKeyPath(l, QStringLiteral("parent"))), &a);
    const QVariantMap map{{QStringLiteral("k"), QVariantMap{{QStringLiteral("n"), 3}}}};
    EXPECT_EQ(platform::valueForKeyPath(map, QStringLiteral("k.n")).toInt(), 3);
}

}  // namespace
