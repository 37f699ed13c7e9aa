#pragma once

#include <memory>

// The desktop's keyboard layouts, as the language check needs them.
class KeyboardLayouts
{
public:
    virtual ~KeyboardLayouts() = default;
    // True when the active layout is US English.
    virtual bool activeIsUsEnglish() = 0;
    // True when a US English layout is among the active ones.
    virtual bool hasUsEnglish() = 0;
    // Steps to the next layout in the desktop's list.
    virtual void activateNext() = 0;
};

// The implementation for this session: XKB groups under X11, else one that does nothing.
std::unique_ptr<KeyboardLayouts> CreateSystemKeyboardLayouts();
