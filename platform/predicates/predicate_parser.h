#pragma once

#include "platform/base/error.h"
#include "platform/predicates/predicate.h"

#include <QString>
#include <QVariantList>

namespace platform {

// Reads a predicate format: comparisons joined with AND (&&), OR (||) and NOT (!), parentheses,
// TRUEPREDICATE and FALSEPREDICATE. A comparison is `[ANY|SOME|ALL|NONE] left op[c|d|cd] right` with
// the operators = == != <> < <= =< > >= => BEGINSWITH ENDSWITH CONTAINS LIKE IN, and sides that are key
// paths (dots, "@count", "#" before a reserved word), SELF, "$VARIABLES", quoted strings, numbers,
// YES/TRUE, NO/FALSE, NIL/NULL, {collections} and CAST("<ISO 8601>", "date"). Keywords may be in
// any letter case; tabs and newlines count as blanks.
//
// Arguments fill %@ (any value), %K (a key path) and the numeric conversions %d %i %u %ld %lu %lld
// %llu %f %lf in order. Malformed text, missing or extra arguments give an error naming the place.
Result<PredicatePtr> predicateWithFormat(const QString& format, const QVariantList& arguments = {});

}  // namespace platform
