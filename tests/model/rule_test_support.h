#pragma once

#include "model/rule_group_lookup.h"
#include "platform/base/clock.h"
#include "platform/kvc/key_value_coding.h"
#include "tests/support/test_environment.h"

#include <QHash>
#include <QVariantMap>

#include <memory>

namespace ruletest {

// A task, list or tag as a rule sees it: named values behind the key-value interface.
struct Thing : platform::KeyValueCoding {
    explicit Thing(QVariantMap values = {}) : values(std::move(values)) {}
    QVariant value(const QString& key) const override { return values.value(key); }
    QVariant variant() const { return platform::objectVariant(this); }

    QVariantMap values;
};

inline TDRuleGroupReference groupReference(TDRuleGroupReference::Kind kind, const QVariant& group = {}) {
    TDRuleGroupReference reference;
    reference.kind = kind;
    reference.group = group;
    return reference;
}

// Groups by UID, as the library would resolve them.
class FakeGroupLookup : public TDRuleGroupLookup {
public:
    TDRuleGroupReference groupWithUID(const QString& uid) const override { return groups.value(uid); }
    QHash<QString, TDRuleGroupReference> groups;
};

// Default settings in a temporary folder and a clock standing at Wednesday 11 March 2026, 10:00.
class RuleTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        clock = std::make_unique<TDTestClock>(at(0, 10));
        TDClock::setShared(clock.get());
    }
    void TearDown() override {
        TDClock::setShared(nullptr);
        TempFoldersTest::TearDown();
    }
    // A local time `days` from the clock's day.
    static QDateTime at(int days, int hour, int minute = 0) {
        return QDateTime(QDate(2026, 3, 11).addDays(days), QTime(hour, minute));
    }

    std::unique_ptr<TDTestClock> clock;
};

}  // namespace ruletest
