#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testsupport {

// A spelling dictionary of the given words under the language "en_ZZ", made in the folder and found by
// the spelling library through ENCHANT_CONFIG_DIR (set while this lives, restored after), so results do
// not depend on the dictionaries installed. The user's personal word list lands in the same folder.
class TestDictionary {
public:
    static inline const QString Language = QStringLiteral("en_ZZ");
    TestDictionary(const QString& folder, const QStringList& words);
    ~TestDictionary();
    TestDictionary(const TestDictionary&) = delete;
    TestDictionary& operator=(const TestDictionary&) = delete;

    // The words learnt into the personal list.
    QStringList personalWords() const;

private:
    QString m_folder;
    QByteArray m_previous;
    bool m_hadPrevious;
};

}  // namespace testsupport
