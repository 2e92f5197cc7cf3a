#include "platform/spelling/spell_checker.h"

#include <QLocale>

#include <enchant.h>

namespace platform {

namespace {

// Enchant takes UTF-8 with a length; a word is never long, but outside text may be.
constexpr qsizetype kLongestWord = 100;

}  // namespace

std::unique_ptr<SpellChecker> SpellChecker::forLanguage(const QString& tag) {
    EnchantBroker* broker = enchant_broker_init();
    if (!broker) return nullptr;
    QStringList tags{tag};
    if (const qsizetype underscore = tag.indexOf(u'_'); underscore > 0) tags << tag.left(underscore);
    for (const QString& candidate : tags) {
        const QByteArray name = candidate.toUtf8();
        if (!enchant_broker_dict_exists(broker, name.constData())) continue;
        if (EnchantDict* dictionary = enchant_broker_request_dict(broker, name.constData()))
            return std::unique_ptr<SpellChecker>(new SpellChecker(broker, dictionary, candidate));
    }
    enchant_broker_free(broker);
    return nullptr;
}

QString SpellChecker::systemLanguage() {
    return QLocale::system().name();
}

SpellChecker::SpellChecker(EnchantBroker* broker, EnchantDict* dictionary, QString language)
    : m_broker(broker), m_dictionary(dictionary), m_language(std::move(language)) {
}

SpellChecker::~SpellChecker() {
    enchant_broker_free_dict(m_broker, m_dictionary);
    enchant_broker_free(m_broker);
}

bool SpellChecker::isCorrect(QStringView word) const {
    if (word.isEmpty() || word.size() > kLongestWord) return true;
    const QByteArray utf8 = word.toUtf8();
    return enchant_dict_check(m_dictionary, utf8.constData(), utf8.size()) == 0;
}

QStringList SpellChecker::suggestions(QStringView word) const {
    if (word.isEmpty() || word.size() > kLongestWord) return {};
    const QByteArray utf8 = word.toUtf8();
    size_t count = 0;
    char** found = enchant_dict_suggest(m_dictionary, utf8.constData(), utf8.size(), &count);
    QStringList suggestions;
    for (size_t i = 0; i < count; ++i) suggestions << QString::fromUtf8(found[i]);
    if (found) enchant_dict_free_string_list(m_dictionary, found);
    return suggestions;
}

void SpellChecker::learn(const QString& word) {
    const QByteArray utf8 = word.toUtf8();
    if (!utf8.isEmpty()) enchant_dict_add(m_dictionary, utf8.constData(), utf8.size());
}

void SpellChecker::ignore(const QString& word) {
    const QByteArray utf8 = word.toUtf8();
    if (!utf8.isEmpty()) enchant_dict_add_to_session(m_dictionary, utf8.constData(), utf8.size());
}

}  // namespace platform
