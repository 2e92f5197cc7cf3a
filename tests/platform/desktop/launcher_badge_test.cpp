#include "platform/desktop/launcher_badge.h"
#include "tests/platform/desktop/private_bus.h"
#include "tests/support/test_environment.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

using platform::LauncherBadge;
using testsupport::PrivateBus;

namespace {

// Keeps every launcher-entry update on the bus, as a dock does.
class Dock final : public QObject {
    Q_OBJECT
public:
    explicit Dock(QDBusConnection connection) : m_connection(std::move(connection)) {
        m_connection.connect(QString(), QString(), LauncherBadge::Interface, QStringLiteral("Update"), this,
                             SLOT(update(QDBusMessage)));
        PrivateBus::roundTrip(m_connection);
    }
    QList<QDBusMessage> updates;

public Q_SLOTS:
    void update(const QDBusMessage& message) { updates.append(message); }

private:
    QDBusConnection m_connection;
};

class LauncherBadgeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus.isRunning()); }
    PrivateBus bus;
};

TEST_F(LauncherBadgeTest, CountIsShownAndZeroRemovesIt) {
    Dock dock(bus.connect(QStringLiteral("dock")));
    LauncherBadge badge(bus.connect(QStringLiteral("program")));
    badge.setCount(3);
    badge.setCount(3);  // unchanged: nothing new on the bus
    badge.setCount(0);
    ASSERT_TRUE(testsupport::spinUntil([&] { return dock.updates.size() >= 2; }));
    testsupport::drainEvents();
    ASSERT_EQ(dock.updates.size(), 2);

    const struct {
        qint64 count;
        bool visible;
    } expected[] = {{3, true}, {0, false}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const QDBusMessage& update = dock.updates.at(i);
        EXPECT_EQ(update.signature(), QStringLiteral("sa{sv}"));
        ASSERT_EQ(update.arguments().size(), 2);
        EXPECT_EQ(update.arguments().at(0).toString(), QStringLiteral("application://ordello.desktop"));
        const QVariantMap properties = qdbus_cast<QVariantMap>(update.arguments().at(1));
        EXPECT_EQ(properties.keys(), (QStringList{QStringLiteral("count"), QStringLiteral("count-visible")}));
        // The dock reads the count as a 64-bit integer.
        EXPECT_EQ(properties.value(QStringLiteral("count")).metaType(), QMetaType::fromType<qlonglong>());
        EXPECT_EQ(properties.value(QStringLiteral("count")).toLongLong(), expected[i].count);
        EXPECT_EQ(properties.value(QStringLiteral("count-visible")).toBool(), expected[i].visible);
    }
}

TEST(LauncherBadgeWithoutBus, SendsNothingAndDoesNotFail) {
    LauncherBadge badge(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/ordello-bus"),
                                                      QStringLiteral("nobus-badge")));
    badge.setCount(5);
    QDBusConnection::disconnectFromBus(QStringLiteral("nobus-badge"));
}

// The badge names the program by its desktop entry, which registers the program, its icon and its links.
TEST(DesktopEntry, RegistersTheProgramItsIconAndItsLinks) {
    EXPECT_EQ(LauncherBadge::ApplicationURI, QStringLiteral("application://ordello.desktop"));
    QFile file(QStringLiteral(ORDELLO_DESKTOP_ENTRY));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.first(), QStringLiteral("[Desktop Entry]"));
    QMap<QString, QString> entry;
    for (const QString& line : lines.mid(1)) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0) entry.insert(line.left(equals), line.mid(equals + 1));
    }
    EXPECT_EQ(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("ordello %U"));
    EXPECT_EQ(entry.value(QStringLiteral("Icon")), QStringLiteral("ordello"));
    EXPECT_TRUE(entry.value(QStringLiteral("MimeType"))
                    .split(QLatin1Char(';'))
                    .contains(QStringLiteral("x-scheme-handler/ordello")));
}

}  // namespace

#include "launcher_badge_test.moc"
