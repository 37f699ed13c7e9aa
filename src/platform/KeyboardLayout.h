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
    // The active layout's place in the desktop's list, or -1 when it cannot be told.
    virtual int activeIndex() { return -1; }
    // Makes the layout at that place of the list the active one.
    virtual void activateIndex(int) {}
};

// The layout is the whole session's (XKB has no layout per process): what desktops do for
// layouts per window is done here. The layout the user had before the window first stepped it
// comes back when the window loses the focus, and the window's own comes back with the focus.
class WindowLayoutMemory
{
public:
    explicit WindowLayoutMemory(KeyboardLayouts &layouts) : m_layouts(layouts) {}
    // Steps to the next layout, remembering first the one the user had.
    void activateNext();
    void windowDeactivated();
    void windowActivated();

private:
    KeyboardLayouts &m_layouts;
    int m_users = -1; // the user's layout while the window has stepped away from it
    int m_ours = -1;  // the layout the window stepped to last
    bool m_restored = false;
};

// The implementation for this session: XKB groups under X11, else one that does nothing.
std::unique_ptr<KeyboardLayouts> CreateSystemKeyboardLayouts();
