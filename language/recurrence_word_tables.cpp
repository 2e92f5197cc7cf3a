#include "language/recurrence_word_tables.h"

#include "platform/base/log.h"

#include <QCoreApplication>
#include <QFile>
#include <QMutex>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

QMutex g_tablesMutex;
std::shared_ptr<const TDRecurrenceWordTables> g_tables;

// The resource word lists are property lists of arrays and strings only.
constexpr qint64 kMaximumResourceSize = 64 * 1024;

QVariant readElement(QXmlStreamReader& xml) {
    if (xml.name() == QLatin1String("string")) return xml.readElementText();
    if (xml.name() != QLatin1String("array")) {
        xml.raiseError(QStringLiteral("unexpected element"));
        return {};
    }
    QVariantList items;
    while (xml.readNextStartElement()) {
        items.append(readElement(xml));
        if (xml.hasError()) return {};
    }
    return items;
}

QVariantList readWordList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaximumResourceSize) {
        logWithLevel(TDLogError, "ERROR", "Could not read recurrence words \"%@\".", path);
        return {};
    }
    QXmlStreamReader xml(&file);
    QVariant list;
    if (xml.readNextStartElement() && xml.name() == QLatin1String("plist") && xml.readNextStartElement())
        list = readElement(xml);
    if (xml.hasError() || list.metaType().id() != QMetaType::QVariantList) {
        logWithLevel(TDLogError, "ERROR", "Could not read recurrence words \"%@\": %@", path,
                     xml.errorString());
        return {};
    }
    return list.toList();
}

QStringList lowerCased(const QVariantList& items) {
    QStringList words;
    for (const QVariant& item : items)
        if (item.metaType().id() == QMetaType::QString) words << item.toString().toLower();
    return words;
}

void appendUnique(QStringList& list, const QString& word) {
    if (!word.isEmpty() && !list.contains(word)) list << word;
}

}  // namespace

QString TDJoinedAlternatives(const QList<QStringList>& groups) {
    QStringList words;
    for (const QStringList& group : groups)
        for (const QString& word : group) appendUnique(words, QRegularExpression::escape(word));
    std::stable_sort(words.begin(), words.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    // An alternation of no words must match nothing, not the empty string.
    return words.isEmpty() ? QStringLiteral("(?!)") : words.join(QLatin1Char('|'));
}

void TDAddRecurrenceWordsForLocale(TDRecurrenceWordTables& tables, const QLocale& locale) {
    tables.numberWords.clear();
    for (const QVariant& group : readWordList(QStringLiteral(":/language/recurrence_interval_words.plist")))
        tables.numberWords << lowerCased(group.toList());
    tables.numberWordSet.clear();
    for (const QStringList& group : std::as_const(tables.numberWords))
        for (const QString& word : group) tables.numberWordSet.insert(word);
    tables.lastDayWord = tables.numberWords.isEmpty()
                             ? QString()
                             : tables.numberWords.last().value(tables.numberWords.last().size() - 1);
    tables.numberPattern = QStringLiteral("(?:%1)(?![\\w-])").arg(TDJoinedAlternatives(tables.numberWords));

    tables.weekdayNames.resize(7);
    tables.weekdayWordSet.clear();
    for (int index = 0; index < 7; ++index) {
        const int qtDay = index == 0 ? 7 : index;  // Qt counts Monday as 1
        const QString name = locale.dayName(qtDay, QLocale::LongFormat).toLower();
        for (const QString& word :
             {name, name + QLatin1Char('s'), locale.dayName(qtDay, QLocale::ShortFormat).toLower()}) {
            appendUnique(tables.weekdayNames[index], word);
            tables.weekdayWordSet.insert(word);
        }
    }
    tables.weekdayPattern = QStringLiteral("(?:%1)\\w*+").arg(TDJoinedAlternatives(tables.weekdayNames));

    tables.monthNames.resize(12);
    tables.monthWordSet.clear();
    for (int month = 1; month <= 12; ++month) {
        for (const QString& word : {locale.monthName(month, QLocale::LongFormat).toLower(),
                                    locale.monthName(month, QLocale::ShortFormat).toLower()}) {
            appendUnique(tables.monthNames[month - 1], word);
            tables.monthWordSet.insert(word);
        }
    }
    tables.monthPattern = QStringLiteral("(?:%1)\\w*+").arg(TDJoinedAlternatives(tables.monthNames));

    const QStringList misc =
        lowerCased(readWordList(QStringLiteral(":/language/recurrence_misc_words.plist")));
    tables.miscWords = QSet<QString>(misc.cbegin(), misc.cend());
}

void TDRebuildRecurrenceWordTables() {
    auto tables = std::make_shared<TDRecurrenceWordTables>();
    const QLocale locale;
    TDAddRecurrenceWordsForLocale(*tables, locale);
    // English names always work, whatever the user's language.
    if (locale.language() != QLocale::English)
        TDAddRecurrenceWordsForLocale(*tables, QLocale(QLocale::English, QLocale::UnitedStates));
    QMutexLocker lock(&g_tablesMutex);
    g_tables = std::move(tables);
}

std::shared_ptr<const TDRecurrenceWordTables> TDRecurrenceWordTables::shared() {
    {
        QMutexLocker lock(&g_tablesMutex);
        if (g_tables) return g_tables;
    }
    TDRebuildRecurrenceWordTables();
    QMutexLocker lock(&g_tablesMutex);
    return g_tables;
}
