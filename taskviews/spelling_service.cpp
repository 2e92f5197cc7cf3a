#include "taskviews/spelling_service.h"

#include "platform/spelling/spell_checker.h"

#include <QCoreApplication>
#include <QThread>

namespace {

// Verdicts are kept for every word met; a long session's list is started afresh past this.
constexpr qsizetype kMostVerdictsKept = 200000;
constexpr qsizetype kWordsPerAnswer = 500;

}  // namespace

TDSpellingService* TDSpellingService::shared() {
    static TDSpellingService* service =
        new TDSpellingService(platform::SpellChecker::systemLanguage(), QCoreApplication::instance());
    return service;
}

TDSpellingService::TDSpellingService(QString language, QObject* parent)
    : QObject(parent), m_language(std::move(language)), m_thread(new QThread(this)), m_worker(new QObject) {
    m_thread->setObjectName(QStringLiteral("Spelling"));
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start(QThread::LowPriority);
}

TDSpellingService::~TDSpellingService() {
    QMetaObject::invokeMethod(
        m_worker, [this] { m_workerChecker.reset(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

platform::SpellChecker* TDSpellingService::p_checker() {
    if (!m_looked) {
        m_looked = true;
        m_checker = platform::SpellChecker::forLanguage(m_language);
    }
    return m_checker.get();
}

bool TDSpellingService::isAvailable() {
    return p_checker() != nullptr;
}

std::optional<bool> TDSpellingService::isCorrect(const QString& word) const {
    const auto found = m_verdicts.constFind(word);
    if (found == m_verdicts.cend()) return std::nullopt;
    return *found;
}

void TDSpellingService::check(const QStringList& words) {
    const bool wasEmpty = m_toSend.isEmpty();
    for (const QString& word : words)
        if (!m_verdicts.contains(word) && !m_asked.contains(word)) {
            m_asked.insert(word);
            m_toSend << word;
        }
    if (wasEmpty && !m_toSend.isEmpty())
        QMetaObject::invokeMethod(this, &TDSpellingService::p_sendAsked, Qt::QueuedConnection);
}

void TDSpellingService::p_sendAsked() {
    QMetaObject::invokeMethod(m_worker, [this, asked = std::exchange(m_toSend, {})] {
        if (!m_workerLooked) {
            m_workerLooked = true;
            m_workerChecker = platform::SpellChecker::forLanguage(m_language);
        }
        // Answers go back in small parts, so that the first words are marked while the rest are judged.
        for (qsizetype start = 0; start < asked.size(); start += kWordsPerAnswer) {
            QHash<QString, bool> verdicts;
            // Without a dictionary nothing is marked.
            for (const QString& word : asked.mid(start, kWordsPerAnswer))
                verdicts.insert(word, !m_workerChecker || m_workerChecker->isCorrect(word));
            QMetaObject::invokeMethod(this, [this, verdicts] { p_receive(verdicts); });
        }
    });
}

void TDSpellingService::p_receive(const QHash<QString, bool>& verdicts) {
    if (m_verdicts.size() > kMostVerdictsKept) m_verdicts.clear();
    for (auto it = verdicts.cbegin(); it != verdicts.cend(); ++it) {
        m_asked.remove(it.key());
        // A word accepted while it was being checked stays accepted.
        if (!m_verdicts.contains(it.key())) m_verdicts.insert(it.key(), it.value());
    }
    Q_EMIT verdictsArrived();
}

QStringList TDSpellingService::suggestions(const QString& word) {
    platform::SpellChecker* checker = p_checker();
    return checker ? checker->suggestions(word) : QStringList();
}

void TDSpellingService::learn(const QString& word) {
    p_accept(word, true);
}

void TDSpellingService::ignore(const QString& word) {
    p_accept(word, false);
}

void TDSpellingService::p_accept(const QString& word, bool learnt) {
    if (word.isEmpty()) return;
    if (platform::SpellChecker* checker = p_checker()) {
        if (learnt)
            checker->learn(word);
        else
            checker->ignore(word);
    }
    // The background dictionary read the personal list when it was made: it accepts the word from now on.
    QMetaObject::invokeMethod(m_worker, [this, word] {
        if (m_workerChecker) m_workerChecker->ignore(word);
    });
    m_verdicts.insert(word, true);
    Q_EMIT wordsAccepted();
}
