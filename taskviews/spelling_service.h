#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QThread;
namespace platform {
class SpellChecker;
}

// Spelling verdicts for the notes editors, checked on a thread of their own so that typing never waits
// for the dictionary. The verdicts are remembered; a word not yet judged is asked of the background
// check and `verdictsArrived` tells when answers came. Suggestions, learning and ignoring happen on
// the caller's thread with a dictionary of its own (Enchant's dictionaries stay on one thread).
class TDSpellingService final : public QObject {
    Q_OBJECT

public:
    // The service of the system's language, made on first use and kept with the application.
    static TDSpellingService* shared();

    explicit TDSpellingService(QString language, QObject* parent = nullptr);
    ~TDSpellingService() override;

    // Whether a dictionary of the language is installed.
    bool isAvailable();
    // The verdict on a word judged before; nothing while it waits for the background check.
    std::optional<bool> isCorrect(const QString& word) const;
    // Asks the background check about the words not yet judged nor asked about.
    void check(const QStringList& words);
    QStringList suggestions(const QString& word);
    // Into the user's personal word list, for good.
    void learn(const QString& word);
    // Accepted until Ordello quits.
    void ignore(const QString& word);

Q_SIGNALS:
    void verdictsArrived();
    // A word was learnt or ignored: every verdict shown may have changed.
    void wordsAccepted();

private:
    platform::SpellChecker* p_checker();
    void p_sendAsked();
    void p_accept(const QString& word, bool learnt);
    void p_receive(const QHash<QString, bool>& verdicts);

    QString m_language;
    std::unique_ptr<platform::SpellChecker> m_checker;
    bool m_looked = false;
    QHash<QString, bool> m_verdicts;
    QSet<QString> m_asked;
    // Asked since the last hand-over to the background: one hand-over per turn of the event loop.
    QStringList m_toSend;
    QThread* m_thread;
    // Lives on m_thread, which alone touches its checker.
    QObject* m_worker;
    std::unique_ptr<platform::SpellChecker> m_workerChecker;
    bool m_workerLooked = false;
};
