// Archived recurrence rules from outside (sync records, backups): any bytes must be read or refused, and
// a rule that reads must archive again into bytes that read back as the same rule.
#include "model/recurrence_rule_archiving.h"
#include "platform/plist/property_list.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Result<TDRecurrenceRule> rule =
        TDRecurrenceRuleWithArchivedData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!rule) return 0;
    const Result<QByteArray> again = TDArchivedDataWithRecurrenceRule(*rule);
    if (!again) {
        // Property lists are written with dates of the years 1933 to 2069 only, though read with more.
        const bool unwritableDate = again.error().domain == platform::TDPropertyListErrorDomain &&
                                    again.error().code == platform::TDPropertyListErrorUnsupportedValue;
        if (!unwritableDate) std::abort();
        return 0;
    }
    const Result<TDRecurrenceRule> reread = TDRecurrenceRuleWithArchivedData(*again);
    if (!reread || !(*reread == *rule)) std::abort();
    rule->validate();
    rule->recurrenceDescription();
    return 0;
}
