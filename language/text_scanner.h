#pragma once

#include <QStringView>

#include <optional>

// The integer at the start of the text: white space skipped, an optional sign, then the digits up to
// the first other character ("15th" is 15), 0 when there are none; saturated rather than overflowed.
// `digitCount`, when given, receives the number of digits read.
qint64 TDLeadingInteger(QStringView text, qsizetype* digitCount = nullptr);

// Reads numbers and words from typed text, skipping white space between them. Words match without
// regard to case and only as a whole word or right before a number or the end, so the unit "m" does
// not swallow the start of "mar" and "1w2d" still reads as two amounts.
class TDTextScanner final {
public:
    explicit TDTextScanner(QStringView text);

    bool isAtEnd();
    // A decimal number with an optional sign and the locale's decimal separator (no exponent).
    std::optional<double> scanDecimal();
    bool scanWord(QStringView word);
    qsizetype location() const { return m_location; }

private:
    void p_skipWhiteSpace();

    QStringView m_text;
    qsizetype m_location = 0;
    QChar m_decimalPoint;
};
