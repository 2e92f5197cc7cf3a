#include "sync/sync_now_progress.h"

#include "platform/notifications/notification_center.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_sync_operation.h"

TDSyncNowProgress::TDSyncNowProgress(QObject* parent) : QObject(parent) {
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, TDSyncProgressDidChange, nullptr, [this](const platform::Notification& notice) {
        QMetaObject::invokeMethod(
            this, [this, info = notice.userInfo] { p_progress(info); }, Qt::QueuedConnection);
    });
    center.addObserver(this, TDSyncDidFinish, nullptr, [this](const platform::Notification& notice) {
        QMetaObject::invokeMethod(
            this, [this, info = notice.userInfo] { p_finished(info); }, Qt::QueuedConnection);
    });
}

TDSyncNowProgress::~TDSyncNowProgress() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void TDSyncNowProgress::follow() {
    m_following = true;
    Q_EMIT statusChanged(tr("Syncing…"));
}

QString TDSyncNowProgress::statusForProgress(const QVariantMap& userInfo) {
    const QString phase = userInfo.value(QStringLiteral("phase")).toString();
    if (phase == QStringLiteral("upload")) {
        const qint64 uploaded = userInfo.value(QStringLiteral("uploaded")).toLongLong();
        const qint64 total = userInfo.value(QStringLiteral("total")).toLongLong();
        if (uploaded < 1 || total < 1) return {};
        return tr("Syncing: uploaded %1 of %2 objects…").arg(uploaded).arg(total);
    }
    if (phase == QStringLiteral("download"))
        return tr("Syncing: downloaded %1 objects…")
            .arg(userInfo.value(QStringLiteral("downloaded")).toLongLong());
    if (phase == QStringLiteral("merge")) return tr("Syncing: finishing up…");
    return {};
}

void TDSyncNowProgress::p_progress(const QVariantMap& userInfo) {
    if (!m_following) return;
    if (const QString status = statusForProgress(userInfo); !status.isEmpty()) Q_EMIT statusChanged(status);
}

void TDSyncNowProgress::p_finished(const QVariantMap& userInfo) {
    if (!m_following) return;
    m_following = false;
    const QVariant error = userInfo.value(TDSyncError);
    if (error.canConvert<TDError>()) {
        const TDError failure = error.value<TDError>();
        Q_EMIT statusChanged(tr("Sync failed"));
        Q_EMIT failed(failure, isImportantSyncError(failure));
        return;
    }
    Q_EMIT statusChanged(tr("Sync finished"));
    Q_EMIT finished();
}
