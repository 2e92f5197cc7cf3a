#pragma once

#include "model/rule.h"
#include "platform/base/error.h"

#include <QByteArray>
#include <QVariant>

// Code of TDErrorDomain: an archived rule tree that is well formed but holds a type, condition or key path
// no rule has (errors of the archive's own form come from the keyed-archive domain).
enum TDRuleArchiveErrorCode : int {
    TDErrorRuleArchiveInvalid = 450,
};

// Rule trees as keyed archives of the classes "TRCompoundRule" and "TRComparisonRule". Reading decodes
// nothing but these two classes and checks every field, so an archive from outside (a copied smart
// folder, a synced one) either reads back as a sound tree or is an error.

Result<QByteArray> TRArchivedRuleData(const TRRule& rule);
Result<TRRulePtr> TRRuleFromArchivedData(const QByteArray& data);
// The "rule" of a smart folder's property-list form: the archive's data, or the same as Base64 text (as
// copies and synced folders may carry it). Any other value is an error.
Result<TRRulePtr> TRRuleFromPropertyListValue(const QVariant& value);
