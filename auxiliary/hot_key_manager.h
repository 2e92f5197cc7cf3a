#pragma once

// The program's global hot keys. For now it answers only what other parts ask of the keyboard.
class TDHotKeyManager final {
public:
    static TDHotKeyManager& defaultManager();

    // True while Shift is held, as the application's latest input event reported it.
    bool isShiftKeyDown() const;
};
