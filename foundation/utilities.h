#pragma once

#include <QVariant>

// Small helpers shared by every subsystem.

// True when both are null (no value), or both hold values that compare equal; false when only one is null.
bool objectsEqual(const QVariant& first, const QVariant& second);

// The desktop's alert sound, for a command that cannot be carried out (through the sound sink in use).
void playBeep();
