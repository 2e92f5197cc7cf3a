#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a request to quit, delivered on the main thread through the event
// loop: a signal handler may do nothing but write a byte. One watcher per process.
class TDQuitSignalWatcher final : public QObject {
    Q_OBJECT
public:
    explicit TDQuitSignalWatcher(QObject* parent = nullptr);
    ~TDQuitSignalWatcher() override;

Q_SIGNALS:
    void quitRequested();

private:
    void p_readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
