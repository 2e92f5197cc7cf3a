// Archived smart-folder rules from outside (copied or synced folders): any bytes must be read as a sound
// rule tree or refused, and a tree that reads must yield its predicate, copy and archive again.
#include "model/rule.h"
#include "model/rule_archiving.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) return 0;
    const Result<TRRulePtr> rule =
        TRRuleFromArchivedData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!rule) return 0;
    (*rule)->predicate();
    (*rule)->description();
    (*rule)->hasRelativeDateRule();
    (*rule)->ruleValuesForKeyPath(QStringLiteral("group"));
    const TRRulePtr copy = (*rule)->copy();
    const Result<QByteArray> again = TRArchivedRuleData(*copy);
    if (!again) __builtin_trap();  // a tree that was read must archive again
    return 0;
}
