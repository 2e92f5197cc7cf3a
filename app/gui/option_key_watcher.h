#pragma once

#include <QObject>

// Watches every key event of the application for Alt and posts TDOptionKeyDown and TDOptionKeyUp, so
// windows can show what Alt reveals (every count in the source list, dates as intervals) for as long as
// it is held. Install one on the application.
class TDOptionKeyWatcher final : public QObject {
    Q_OBJECT

public:
    explicit TDOptionKeyWatcher(QObject* parent = nullptr);
    bool isOptionKeyDown() const { return m_down; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void p_set(bool down);

    bool m_down = false;
};
