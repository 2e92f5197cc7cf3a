#pragma once

// Where the launcher badge's count goes (the desktop's launcher entry); 0 removes the badge.
class TDBadgeSink {
public:
    virtual ~TDBadgeSink() = default;
    virtual void setBadgeCount(int count) = 0;
};
