#pragma once

#include "model/library_object.h"
#include "model/recurrence_rule.h"

#include <optional>

// The persistent holder of a repeating task's rule. It moves from a completed task to the task's next
// copy, so exactly one task of a chain carries it.
class TDRecurrence final : public TDLibraryObject {
public:
    using TDLibraryObject::TDLibraryObject;

    std::optional<TDRecurrenceRule> rule() const;
    // A different rule counts as a change of the owning task: its modified date and its sync entry,
    // unless the library is being restored or synced. A rule that cannot be archived (a date a property
    // list cannot hold) is refused with the error and the old rule stays, so that saving cannot fail.
    Status setRule(const std::optional<TDRecurrenceRule>& rule);
    TDLibraryObject* task() const { return objectAs<TDLibraryObject>(QStringLiteral("task")); }

    // "rule" is routed through setRule; a value that is not a rule, or is refused, is logged.
    void setValue(const QString& key, const QVariant& value) override;

    // The generic form, with "rule" also read from base64 text (the sync record's form). A rule that is
    // not a well-formed archive, or cannot be archived again, is an error and changes nothing.
    Status updateFromPropertyListRepresentation(const QVariantMap& dictionary) override;
};
