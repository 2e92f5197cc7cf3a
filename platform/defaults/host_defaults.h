#pragma once

#include <QString>

namespace platform {

class UserDefaults;

// Settings of this user on this machine only (the sync node id, the calendar sync dates): a second
// settings file beside the user's, named after the machine id, so a home folder shared between machines
// keeps one file per machine.
UserDefaults& hostUserDefaults();
// Tests install their own (not owned; nullptr restores).
void setHostUserDefaults(UserDefaults* defaults);
// "<config>/Ordello/Ordello.<machine id>.conf"; "unknown-host" stands in when /etc/machine-id is unreadable.
QString hostUserDefaultsFilePath();
QString machineIdentifier();

}  // namespace platform
