#include "KeyboardLayout.h"
#include "XkbLayoutNames.h"

#include <QGuiApplication>
#include <QList>

XkbGroupNames ParseXkbRulesNames(const QByteArray &property)
{
    const QList<QByteArray> fields = property.split('\0');
    XkbGroupNames groups;
    auto field = [&fields](int i) { return i < fields.size() ? QString::fromLatin1(fields[i]) : QString(); };
    const QString layouts = field(2);
    if (layouts.isEmpty())
        return groups;
    groups.layouts = layouts.split(QLatin1Char(','));
    groups.variants = field(3).split(QLatin1Char(','));
    while (groups.variants.size() < groups.layouts.size())
        groups.variants.append(QString());
    return groups;
}

bool IsUsEnglishGroup(const XkbGroupNames &groups, int group)
{
    if (group < 0)
        return false;
    if (!groups.layouts.isEmpty()) {
        return group < groups.layouts.size() && groups.layouts[group].trimmed() == QLatin1String("us")
               && groups.variants.value(group).trimmed().isEmpty();
    }
    return groups.names.value(group) == QLatin1String("English (US)");
}

void WindowLayoutMemory::activateNext()
{
    if (m_users < 0)
        m_users = m_layouts.activeIndex();
    m_layouts.activateNext();
    m_ours = m_layouts.activeIndex();
    m_restored = false;
}

void WindowLayoutMemory::windowDeactivated()
{
    if (m_users < 0 || m_ours < 0)
        return;
    if (m_layouts.activeIndex() == m_ours) {
        if (m_users != m_ours)
            m_layouts.activateIndex(m_users);
        m_restored = true;
    } else {
        // The user picked a layout while in the window: it is the user's, and it stays.
        m_ours = -1;
    }
    m_users = -1;
}

void WindowLayoutMemory::windowActivated()
{
    if (!m_restored || m_ours < 0)
        return;
    m_restored = false;
    const int current = m_layouts.activeIndex();
    if (current < 0 || current == m_ours)
        return;
    m_users = current;
    m_layouts.activateIndex(m_ours);
}

namespace {

// Sessions without XKB (Wayland, offscreen): the layout is the desktop's business.
class NoKeyboardLayouts : public KeyboardLayouts
{
public:
    bool activeIsUsEnglish() override { return true; }
    bool hasUsEnglish() override { return false; }
    void activateNext() override {}
};

} // namespace

#ifdef KALVERO_HAVE_X11
// Xlib's headers define macros (None, Bool, Status, ...) that clash with Qt's; they come last.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// XKB groups on our own connection to the X server. The locked group is the active layout;
// stepping locks the next group, which the server applies to every client at once.
class X11KeyboardLayouts : public KeyboardLayouts
{
public:
    explicit X11KeyboardLayouts(Display *display) : m_display(display) {}
    ~X11KeyboardLayouts() override { XCloseDisplay(m_display); }

    bool activeIsUsEnglish() override { return IsUsEnglishGroup(groupNames(), activeGroup()); }

    bool hasUsEnglish() override
    {
        const XkbGroupNames names = groupNames();
        const int count = groupCount();
        for (int group = 0; group < count; ++group)
            if (IsUsEnglishGroup(names, group))
                return true;
        return false;
    }

    void activateNext() override
    {
        const int count = groupCount();
        const int group = activeGroup();
        if (count < 2 || group < 0)
            return;
        XkbLockGroup(m_display, XkbUseCoreKbd, unsigned((group + 1) % count));
        XSync(m_display, False);
    }

    int activeIndex() override { return activeGroup(); }

    void activateIndex(int group) override
    {
        if (group < 0 || group >= groupCount())
            return;
        XkbLockGroup(m_display, XkbUseCoreKbd, unsigned(group));
        XSync(m_display, False);
    }

private:
    int activeGroup()
    {
        XkbStateRec state;
        if (XkbGetState(m_display, XkbUseCoreKbd, &state) != Success)
            return -1;
        return state.group;
    }

    int groupCount()
    {
        XkbDescPtr keyboard = XkbAllocKeyboard();
        if (!keyboard)
            return 0;
        int count = 0;
        if (XkbGetControls(m_display, XkbGroupsWrapMask, keyboard) == Success && keyboard->ctrls)
            count = keyboard->ctrls->num_groups;
        XkbFreeKeyboard(keyboard, 0, True);
        return count;
    }

    XkbGroupNames groupNames()
    {
        XkbGroupNames groups = ParseXkbRulesNames(rulesNamesProperty());
        if (groups.layouts.isEmpty())
            groups.names = displayNames();
        return groups;
    }

    QByteArray rulesNamesProperty()
    {
        const Atom atom = XInternAtom(m_display, "_XKB_RULES_NAMES", True);
        if (atom == 0)
            return {};
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long remaining = 0;
        unsigned char *data = nullptr;
        QByteArray value;
        if (XGetWindowProperty(m_display, DefaultRootWindow(m_display), atom, 0, 1024, False, XA_STRING, &type,
                               &format, &items, &remaining, &data) == Success
            && data && format == 8)
            value = QByteArray(reinterpret_cast<const char *>(data), int(items));
        if (data)
            XFree(data);
        return value;
    }

    QStringList displayNames()
    {
        QStringList names;
        XkbDescPtr keyboard = XkbAllocKeyboard();
        if (!keyboard)
            return names;
        if (XkbGetNames(m_display, XkbGroupNamesMask, keyboard) == Success && keyboard->names) {
            for (int group = 0; group < XkbNumKbdGroups; ++group) {
                const Atom atom = keyboard->names->groups[group];
                char *name = atom ? XGetAtomName(m_display, atom) : nullptr;
                names.append(name ? QString::fromUtf8(name) : QString());
                if (name)
                    XFree(name);
            }
        }
        XkbFreeKeyboard(keyboard, 0, True);
        return names;
    }

    Display *m_display;
};

} // namespace
#endif

std::unique_ptr<KeyboardLayouts> CreateSystemKeyboardLayouts()
{
#ifdef KALVERO_HAVE_X11
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        int event = 0, error = 0, reason = 0;
        int major = XkbMajorVersion, minor = XkbMinorVersion;
        if (Display *display = XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &reason))
            return std::make_unique<X11KeyboardLayouts>(display);
    }
#endif
    return std::make_unique<NoKeyboardLayouts>();
}
