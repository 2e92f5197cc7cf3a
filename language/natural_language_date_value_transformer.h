#pragma once

#include "platform/transformers/value_transformer.h"

#include <QDateTime>
#include <QString>

#include <memory>

class TDDateParser;

// Typed dates to the start of their day and back to text: today, tomorrow and yesterday in the
// locale's relative words, any other date in the short date style.
class TDNaturalLanguageDateValueTransformer : public platform::ValueTransformer {
public:
    explicit TDNaturalLanguageDateValueTransformer(const TDDateParser& parser);
    TDNaturalLanguageDateValueTransformer();

    // A date (QDateTime) to text; nil gives nil.
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    // Text to a date, or nil.
    QVariant reverseTransformedValue(const QVariant& value) const override;

    // "Today", "Tomorrow", "Yesterday" for those exact instants, else an empty string.
    static QString relativeDayString(const QDateTime& date);

    // The instance registered as "TDNaturalLanguageDate".
    static std::shared_ptr<const TDNaturalLanguageDateValueTransformer> shared();

protected:
    const TDDateParser& parser() const { return m_parser; }

private:
    const TDDateParser& m_parser;
};
