#pragma once

#include "model/recurrence_rule.h"
#include "platform/base/error.h"

#include <QByteArray>

// Recurrence rules as keyed archives: the classes "TDRecurrenceRule", "TDRecurrenceEnd" and
// "TDNthWeekDay" with their archive keys. Reading checks every field's type and keeps the values as
// stored (validate() judges them), so a rule saved before it was complete reads back as it was saved.

// Registers the three classes with the archive codec; safe to call more than once.
void TDRegisterRecurrenceRuleArchiveClasses();

Result<QByteArray> TDArchivedDataWithRecurrenceRule(const TDRecurrenceRule& rule);
// A rule from archive bytes; anything but a well-formed archive of a rule is an error.
Result<TDRecurrenceRule> TDRecurrenceRuleWithArchivedData(const QByteArray& data);
