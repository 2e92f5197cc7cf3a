#include "language/gregorian_calendar.h"

#include "platform/defaults/user_defaults.h"

#include <QLocale>

#include <unicode/ucal.h>

#include <atomic>

namespace {

constexpr int kDefaultFirstWeekday = 1;

int localeMinimumDaysInFirstWeek() {
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray locale = QLocale().name().toLatin1();
    UCalendar* calendar = ucal_open(nullptr, 0, locale.constData(), UCAL_GREGORIAN, &status);
    int days = 1;
    if (U_SUCCESS(status)) days = ucal_getAttribute(calendar, UCAL_MINIMAL_DAYS_IN_FIRST_WEEK);
    ucal_close(calendar);
    return days >= 1 && days <= 7 ? days : 1;
}

bool isWeekday(int number) {
    return number >= 1 && number <= 7;
}

// A stored value out of range falls back to the registered one.
int userFirstWeekday() {
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    const QString key = QStringLiteral("firstWeekday");
    const int stored = defaults.integer(key);
    if (isWeekday(stored)) return stored;
    const int registered = defaults.registeredDefaults().value(key).toInt();
    return isWeekday(registered) ? registered : kDefaultFirstWeekday;
}

std::atomic<const TDGregorianCalendar*> g_installed{nullptr};

}  // namespace

TDGregorianCalendar::TDGregorianCalendar(int firstWeekday, int minimumDaysInFirstWeek)
    : m_firstWeekday(isWeekday(firstWeekday) ? firstWeekday : kDefaultFirstWeekday),
      m_minimumDaysInFirstWeek(qBound(1, minimumDaysInFirstWeek, 7)) {
}

TDGregorianCalendar TDGregorianCalendar::fromUserDefaults() {
    return TDGregorianCalendar(userFirstWeekday(), localeMinimumDaysInFirstWeek());
}

int TDGregorianCalendar::weekday(QDate date) {
    return date.dayOfWeek() % 7 + 1;
}

QDate TDGregorianCalendar::startOfWeek(QDate date) const {
    return date.addDays(-((weekday(date) - m_firstWeekday + 7) % 7));
}

int TDGregorianCalendar::weekOfYear(QDate date) const {
    // Days of January 1st's week that still lie in the year before, and whether that week is week 1.
    const auto weekOneStart = [this](int year) {
        const QDate january1(year, 1, 1);
        const int before = (weekday(january1) - m_firstWeekday + 7) % 7;
        const QDate start = january1.addDays(-before);
        return 7 - before >= m_minimumDaysInFirstWeek ? start : start.addDays(7);
    };
    const QDate nextWeekOne = weekOneStart(date.year() + 1);
    if (date >= nextWeekOne) return 1;
    QDate weekOne = weekOneStart(date.year());
    if (date < weekOne) weekOne = weekOneStart(date.year() - 1);
    return int(weekOne.daysTo(date) / 7) + 1;
}

const TDGregorianCalendar& sharedGregorianCalendar() {
    if (const TDGregorianCalendar* installed = g_installed.load(std::memory_order_acquire)) return *installed;
    static const TDGregorianCalendar calendar = TDGregorianCalendar::fromUserDefaults();
    return calendar;
}

void setSharedGregorianCalendar(const TDGregorianCalendar* calendar) {
    g_installed.store(calendar, std::memory_order_release);
}
