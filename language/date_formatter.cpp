#include "language/date_formatter.h"

#include "platform/base/clock.h"

#include <QTimeZone>

#include <unicode/udat.h>
#include <unicode/udisplaycontext.h>
#include <unicode/ureldatefmt.h>

namespace {

UDateFormatStyle icuStyle(TDDateFormatter::Style style) {
    switch (style) {
        case TDDateFormatter::ShortStyle:
            return UDAT_SHORT;
        case TDDateFormatter::MediumStyle:
            return UDAT_MEDIUM;
        case TDDateFormatter::LongStyle:
            return UDAT_LONG;
        case TDDateFormatter::NoStyle:
            break;
    }
    return UDAT_NONE;
}

const UChar* utf16(const QString& text) {
    return reinterpret_cast<const UChar*>(text.utf16());
}

UDateFormat* handle(void* format) {
    return static_cast<UDateFormat*>(format);
}
URelativeDateTimeFormatter* relativeHandle(void* format) {
    return static_cast<URelativeDateTimeFormatter*>(format);
}

}  // namespace

TDDateFormatter::TDDateFormatter(Style dateStyle, Style timeStyle, const QLocale& locale, bool relative) {
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray localeName = locale.name().toLatin1();
    const QString zone = QString::fromLatin1(QTimeZone::systemTimeZoneId());
    const bool styled = dateStyle != NoStyle || timeStyle != NoStyle;
    const QString emptyPattern;
    UDateFormat* format = styled ? udat_open(icuStyle(timeStyle), icuStyle(dateStyle), localeName.constData(),
                                             utf16(zone), int32_t(zone.size()), nullptr, 0, &status)
                                 : udat_open(UDAT_PATTERN, UDAT_PATTERN, localeName.constData(), utf16(zone),
                                             int32_t(zone.size()), utf16(emptyPattern), 0, &status);
    if (U_FAILURE(status)) {
        if (format) udat_close(format);
        return;
    }
    udat_setLenient(format, false);
    if (relative) {
        // The words are chosen by the program's clock, which tests set, rather than ICU's own "now".
        URelativeDateTimeFormatter* words =
            ureldatefmt_open(localeName.constData(), nullptr, UDAT_STYLE_LONG,
                             UDISPCTX_CAPITALIZATION_FOR_BEGINNING_OF_SENTENCE, &status);
        if (U_FAILURE(status)) {
            if (words) ureldatefmt_close(words);
            udat_close(format);
            return;
        }
        m_relativeWords = words;
    }
    m_format = format;
}

TDDateFormatter::~TDDateFormatter() {
    if (m_relativeWords) ureldatefmt_close(relativeHandle(m_relativeWords));
    if (m_format) udat_close(handle(m_format));
}

QString TDDateFormatter::stringFromDate(const QDateTime& date) const {
    if (!m_format || !date.isValid()) return {};
    QMutexLocker lock(&m_mutex);
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    if (m_relativeWords) {
        const QDate today = TDClock::currentDateTime().toLocalTime().date();
        const qint64 days = today.daysTo(date.toLocalTime().date());
        if (days >= -1 && days <= 1) {
            const int32_t length = ureldatefmt_format(relativeHandle(m_relativeWords), double(days),
                                                      UDAT_REL_UNIT_DAY, buffer, 256, &status);
            if (U_SUCCESS(status) && length <= 256)
                return QString(reinterpret_cast<const QChar*>(buffer), length);
            status = U_ZERO_ERROR;
        }
    }
    const int32_t length =
        udat_format(handle(m_format), UDate(date.toMSecsSinceEpoch()), buffer, 256, nullptr, &status);
    if (U_FAILURE(status) || length > 256) return {};
    return QString(reinterpret_cast<const QChar*>(buffer), length);
}

QDateTime TDDateFormatter::dateFromString(const QString& text) const {
    if (!m_format || text.isEmpty()) return {};
    QMutexLocker lock(&m_mutex);
    UErrorCode status = U_ZERO_ERROR;
    int32_t position = 0;
    const UDate date = udat_parse(handle(m_format), utf16(text), int32_t(text.size()), &position, &status);
    if (U_FAILURE(status) || position != text.size()) return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(date));
}

QString TDDateFormatter::dateFormat() const {
    if (!m_format) return {};
    QMutexLocker lock(&m_mutex);
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = udat_toPattern(handle(m_format), false, buffer, 256, &status);
    if (U_FAILURE(status) || length > 256) return {};
    return QString(reinterpret_cast<const QChar*>(buffer), length);
}

void TDDateFormatter::setDateFormat(const QString& pattern) {
    if (!m_format) return;
    QMutexLocker lock(&m_mutex);
    udat_applyPattern(handle(m_format), false, utf16(pattern), int32_t(pattern.size()));
}

QStringList TDDateFormatter::p_symbols(int type, int first) const {
    QStringList symbols;
    if (!m_format) return symbols;
    QMutexLocker lock(&m_mutex);
    const auto symbolType = UDateFormatSymbolType(type);
    const int32_t count = udat_countSymbols(handle(m_format), symbolType);
    for (int32_t i = first; i < count; ++i) {
        UChar buffer[128];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = udat_getSymbols(handle(m_format), symbolType, i, buffer, 128, &status);
        if (U_SUCCESS(status) && length <= 128)
            symbols << QString(reinterpret_cast<const QChar*>(buffer), length);
    }
    return symbols;
}

// ICU counts a thirteenth month for some calendars and starts weekdays at index 1.
QStringList TDDateFormatter::monthSymbols() const {
    return p_symbols(UDAT_MONTHS, 0).mid(0, 12);
}
QStringList TDDateFormatter::shortMonthSymbols() const {
    return p_symbols(UDAT_SHORT_MONTHS, 0).mid(0, 12);
}
QStringList TDDateFormatter::standaloneMonthSymbols() const {
    return p_symbols(UDAT_STANDALONE_MONTHS, 0).mid(0, 12);
}
QStringList TDDateFormatter::shortStandaloneMonthSymbols() const {
    return p_symbols(UDAT_STANDALONE_SHORT_MONTHS, 0).mid(0, 12);
}
QStringList TDDateFormatter::weekdaySymbols() const {
    return p_symbols(UDAT_WEEKDAYS, 1);
}
QStringList TDDateFormatter::shortWeekdaySymbols() const {
    return p_symbols(UDAT_SHORT_WEEKDAYS, 1);
}

QStringList TDDateFormatter::allMonthSymbols() const {
    return shortMonthSymbols() + monthSymbols() + shortStandaloneMonthSymbols() + standaloneMonthSymbols();
}

std::unique_ptr<TDDateFormatter> TDDateFormatter::formatter() {
    return std::make_unique<TDDateFormatter>(NoStyle, NoStyle);
}

const TDDateFormatter& TDDateFormatter::shortTimeFormatter() {
    static const TDDateFormatter formatter(NoStyle, ShortStyle);
    return formatter;
}

const TDDateFormatter& TDDateFormatter::mediumTimeFormatter() {
    static const TDDateFormatter formatter(NoStyle, MediumStyle);
    return formatter;
}

const TDDateFormatter& TDDateFormatter::longTimeFormatter() {
    static const TDDateFormatter formatter(NoStyle, LongStyle);
    return formatter;
}

const TDDateFormatter& TDDateFormatter::shortDateFormatter() {
    static const TDDateFormatter formatter(ShortStyle, NoStyle);
    return formatter;
}

const TDDateFormatter& TDDateFormatter::mediumDateFormatter() {
    static const TDDateFormatter formatter(MediumStyle, NoStyle);
    return formatter;
}

const TDDateFormatter& TDDateFormatter::longDateFormatter() {
    static const TDDateFormatter formatter(LongStyle, NoStyle);
    return formatter;
}

const TDDateFormatter* TDDateFormatter::relativeDateFormatter() {
    static const TDDateFormatter formatter(MediumStyle, NoStyle, QLocale(), true);
    return formatter.isValid() ? &formatter : nullptr;
}
