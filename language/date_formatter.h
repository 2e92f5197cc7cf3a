#pragma once

#include <QDateTime>
#include <QLocale>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

// Writes and reads dates in the words of a locale (ICU date formatting in the local time zone). The
// shared styled formatters are made once, on first use, in the locale of that moment.
class TDDateFormatter final {
public:
    enum Style { NoStyle, ShortStyle, MediumStyle, LongStyle };

    // A relative formatter words today, tomorrow and yesterday (after the program's clock) in the
    // locale's language, capitalized as a sentence starts.
    TDDateFormatter(Style dateStyle, Style timeStyle, const QLocale& locale = QLocale(),
                    bool relative = false);
    ~TDDateFormatter();
    TDDateFormatter(const TDDateFormatter&) = delete;
    TDDateFormatter& operator=(const TDDateFormatter&) = delete;

    bool isValid() const { return m_format != nullptr; }

    QString stringFromDate(const QDateTime& date) const;
    // The whole text must be a date of the formatter's pattern; invalid otherwise.
    QDateTime dateFromString(const QString& text) const;

    QString dateFormat() const;
    void setDateFormat(const QString& pattern);

    QStringList monthSymbols() const;
    QStringList shortMonthSymbols() const;
    QStringList standaloneMonthSymbols() const;
    QStringList shortStandaloneMonthSymbols() const;
    QStringList weekdaySymbols() const;       // Sunday first
    QStringList shortWeekdaySymbols() const;  // Sunday first
    // Short, full, short stand-alone and full stand-alone month names, in that order.
    QStringList allMonthSymbols() const;

    // A new formatter without styles on every call; it needs a pattern before it writes anything.
    static std::unique_ptr<TDDateFormatter> formatter();
    static const TDDateFormatter& shortTimeFormatter();
    static const TDDateFormatter& mediumTimeFormatter();
    static const TDDateFormatter& longTimeFormatter();
    static const TDDateFormatter& shortDateFormatter();
    static const TDDateFormatter& mediumDateFormatter();
    static const TDDateFormatter& longDateFormatter();
    // Null when the locale's formatting cannot word dates relatively; callers use their own words.
    static const TDDateFormatter* relativeDateFormatter();

private:
    QStringList p_symbols(int type, int first) const;

    // ICU formatters are not safe for use from several threads at once.
    mutable QMutex m_mutex;
    void* m_format = nullptr;
    void* m_relativeWords = nullptr;
};
