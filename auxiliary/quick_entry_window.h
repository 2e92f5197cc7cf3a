#pragma once

// A window says whether it is the quick-entry window, which refuses filing and timing; no class test.
class TDQuickEntryTest {
public:
    virtual ~TDQuickEntryTest() = default;
    virtual bool isQuickEntry() const = 0;
};
