#include "language/text_scanner.h"

#include <QLocale>

#include <limits>

namespace {
bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
}  // namespace

TDTextScanner::TDTextScanner(QStringView text) : m_text(text) {
    const QString point = QLocale().decimalPoint();
    m_decimalPoint = point.size() == 1 ? point.at(0) : QLatin1Char('.');
}

void TDTextScanner::p_skipWhiteSpace() {
    while (m_location < m_text.size() && m_text.at(m_location).isSpace()) ++m_location;
}

bool TDTextScanner::isAtEnd() {
    p_skipWhiteSpace();
    return m_location >= m_text.size();
}

std::optional<double> TDTextScanner::scanDecimal() {
    p_skipWhiteSpace();
    qsizetype i = m_location;
    const qsizetype n = m_text.size();
    QByteArray number;
    if (i < n && (m_text.at(i) == QLatin1Char('-') || m_text.at(i) == QLatin1Char('+'))) {
        number += char(m_text.at(i).unicode());
        ++i;
    }
    qsizetype digits = 0;
    while (i < n && isAsciiDigit(m_text.at(i))) {
        number += char(m_text.at(i++).unicode());
        ++digits;
    }
    if (i + 1 < n && m_text.at(i) == m_decimalPoint && isAsciiDigit(m_text.at(i + 1))) {
        number += '.';
        ++i;
        while (i < n && isAsciiDigit(m_text.at(i))) {
            number += char(m_text.at(i++).unicode());
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(QLatin1String(number), &ok);
    if (!ok) return std::nullopt;
    m_location = i;
    return value;
}

bool TDTextScanner::scanWord(QStringView word) {
    p_skipWhiteSpace();
    if (word.isEmpty() || !m_text.mid(m_location).startsWith(word, Qt::CaseInsensitive)) return false;
    const qsizetype end = m_location + word.size();
    if (end < m_text.size()) {
        const QChar next = m_text.at(end);
        if (!next.isSpace() && !isAsciiDigit(next)) return false;
    }
    m_location = end;
    return true;
}

qint64 TDLeadingInteger(QStringView text, qsizetype* digitCount) {
    constexpr qint64 limit = std::numeric_limits<qint64>::max();
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    qint64 value = 0;
    qsizetype digits = 0;
    for (; i < text.size() && isAsciiDigit(text.at(i)); ++i, ++digits) {
        const int digit = text.at(i).unicode() - '0';
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    if (digitCount) *digitCount = digits;
    return negative ? -value : value;
}
