#pragma once

#include <QString>

// "1 task" or "0 tasks": the quantity with the singular word only for exactly one.
QString stringWithQuantity(qulonglong quantity, const QString& singular, const QString& plural);
// Words for a duration: "less than a second", "30 seconds", "2 hours 2 minutes", "1 day 1 hour 1 minute".
// Seconds are rounded up and dropped from a minute on.
QString stringWithHumanDescriptionOfTimeInterval(double seconds);

// Plain, case-sensitive search.
bool containsSubstring(const QString& text, const QString& substring);
// Without leading and trailing white space and line breaks.
QString stringByTrimming(const QString& text);
// The five XML special characters as entities; an existing entity has its ampersand escaped again.
QString stringByAddingXMLEscapes(const QString& text);
// True for one or more characters none of which is white space.
bool isSingleWordString(const QString& text);
// The first character lower-cased, the rest unchanged.
QString uncapitalizedString(const QString& text);
