#pragma once

#include "app/badge_sink.h"
#include "platform/desktop/launcher_badge.h"

// The delegate's badge count on the desktop's launcher entry.
class TDLauncherBadgeSink final : public TDBadgeSink {
public:
    explicit TDLauncherBadgeSink(QDBusConnection bus = QDBusConnection::sessionBus())
        : m_badge(std::move(bus)) {}
    void setBadgeCount(int count) override { m_badge.setCount(count); }

private:
    platform::LauncherBadge m_badge;
};
