#include "platform/desktop/bus/object_path_element.h"

#include <QDBusObjectPath>

#include <gtest/gtest.h>

namespace {

TEST(ObjectPathElement, AnyNameBecomesAValidElementAndComesBack) {
    const struct {
        QString name;
        const char* element;
    } cases[] = {
        {QStringLiteral("0C2266C72BE17631"), "0C2266C72BE17631"},
        {QStringLiteral("a-b.c"), "a_2db_2ec"},
        {QStringLiteral("under_score"), "under_5fscore"},
        {QStringLiteral("été/2"), "_c3_a9t_c3_a9_2f2"},
        {QString(), "_"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.element);
        const QString element = platform::objectPathElement(c.name);
        EXPECT_EQ(element, QString::fromLatin1(c.element));
        EXPECT_FALSE(QDBusObjectPath(QStringLiteral("/x/") + element).path().isEmpty()) << "a valid path";
        EXPECT_EQ(platform::nameFromObjectPathElement(element), c.name);
    }
}

TEST(ObjectPathElement, ElementsNoNameMakesAreRefused) {
    // Cut short, not hex, a letter spelt as an escape, not UTF-8, not a path character.
    for (const char* element : {"", "_4", "_zz", "_41", "a_2", "_ff", "a b", "_c3"})
        EXPECT_FALSE(platform::nameFromObjectPathElement(QString::fromLatin1(element)).has_value())
            << element;
}

}  // namespace
