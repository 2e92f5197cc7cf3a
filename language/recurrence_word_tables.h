#pragma once

#include <QList>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

// The words and patterns the recurrence text reader matches: number words from a resource, weekday and
// month names of the user's locale (English ones always added), and words that merely begin like a name.
// Built as a whole and replaced as a whole, so a reader holding one set never sees it change.
struct TDRecurrenceWordTables {
    QList<QStringList> numberWords;  // index n: the words that mean n, 0 to 31
    QSet<QString> numberWordSet;
    QList<QStringList> weekdayNames;  // index 0 is Sunday
    QSet<QString> weekdayWordSet;
    QList<QStringList> monthNames;  // index 0 is January
    QSet<QString> monthWordSet;
    QSet<QString> miscWords;
    QString lastDayWord;  // the last word for 31, read back as the last day of a month

    // Pattern fragments: a number word that ends there, and a whole weekday or month word.
    QString numberPattern;
    QString weekdayPattern;
    QString monthPattern;

    // The current tables, built on first use.
    static std::shared_ptr<const TDRecurrenceWordTables> shared();
};

// Rebuilds the shared tables for the current locale (call when the locale changes).
void TDRebuildRecurrenceWordTables();
// Adds one locale's weekday and month names and reloads the resource word lists.
void TDAddRecurrenceWordsForLocale(TDRecurrenceWordTables& tables, const QLocale& locale);
// The words of all groups as one alternation, escaped and longest first so no word is cut short by
// another that begins it ("twenty" before "twenty-one" would stop at the hyphen).
QString TDJoinedAlternatives(const QList<QStringList>& groups);
