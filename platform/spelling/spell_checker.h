#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

struct str_enchant_broker;
struct str_enchant_dict;

namespace platform {

// The desktop's spelling dictionary for one language (through Enchant, which finds the installed
// Hunspell or Aspell dictionaries and keeps the user's personal word list). A checker belongs to the
// thread that uses it: Enchant's dictionaries are not to be shared between threads.
class SpellChecker final {
public:
    // The dictionary of the language tag ("en_US"), else of its language alone ("en"); none when
    // neither is installed.
    static std::unique_ptr<SpellChecker> forLanguage(const QString& tag);
    // The language of the system locale.
    static QString systemLanguage();
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    QString language() const { return m_language; }
    bool isCorrect(QStringView word) const;
    QStringList suggestions(QStringView word) const;
    // Into the user's personal word list, for good.
    void learn(const QString& word);
    // Accepted by this checker until it ends.
    void ignore(const QString& word);

private:
    SpellChecker(str_enchant_broker* broker, str_enchant_dict* dictionary, QString language);

    str_enchant_broker* m_broker;
    str_enchant_dict* m_dictionary;
    QString m_language;
};

}  // namespace platform
