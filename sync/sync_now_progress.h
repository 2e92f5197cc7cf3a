#pragma once

#include "platform/base/error.h"

#include <QObject>
#include <QString>

// Follows one sync the user asked for (Sync Now): what it is doing, in words for the status bar, and
// how it ended. The sync's notices come from its thread; this reports on its own (the main) thread.
class TDSyncNowProgress final : public QObject {
    Q_OBJECT
public:
    explicit TDSyncNowProgress(QObject* parent = nullptr);
    ~TDSyncNowProgress() override;

    // From now until the next sync ends.
    void follow();
    bool isFollowing() const { return m_following; }

    // The words for a progress notice's user information ("upload", "download", "merge").
    static QString statusForProgress(const QVariantMap& userInfo);

Q_SIGNALS:
    void statusChanged(const QString& status);
    // The sync ended with the error; `important` ones the application shows itself.
    void failed(const TDError& error, bool important);
    void finished();

private:
    void p_progress(const QVariantMap& userInfo);
    void p_finished(const QVariantMap& userInfo);

    bool m_following = false;
};
