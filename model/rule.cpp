#include "model/rule.h"

#include "model/compound_rule.h"

TRRule::~TRRule() = default;

int TRRule::ruleDepth() const {
    int depth = 0;
    for (const TRRule* parent = m_parentRule; parent; parent = parent->parentRule()) ++depth;
    return depth;
}

QString TRRule::p_indentation() const {
    return QString(2 * (ruleDepth() + 1), QLatin1Char(' '));
}
