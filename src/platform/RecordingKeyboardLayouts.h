#pragma once

#include <QStringList>

#include "KeyboardLayout.h"

// A stand-in for the desktop's layouts in tests: a list of layout names ("us" is US English)
// with one active, and a record of every call in order.
class RecordingKeyboardLayouts : public KeyboardLayouts
{
public:
    explicit RecordingKeyboardLayouts(QStringList layouts = {QStringLiteral("us")}, int active = 0)
        : m_layouts(std::move(layouts)), m_active(active)
    {
    }

    bool activeIsUsEnglish() override
    {
        m_calls.append(QStringLiteral("activeIsUsEnglish"));
        return m_layouts.value(m_active) == QLatin1String("us");
    }
    bool hasUsEnglish() override
    {
        m_calls.append(QStringLiteral("hasUsEnglish"));
        return m_layouts.contains(QStringLiteral("us"));
    }
    void activateNext() override
    {
        m_calls.append(QStringLiteral("activateNext"));
        if (!m_layouts.isEmpty())
            m_active = (m_active + 1) % int(m_layouts.size());
    }

    int activeIndex() override { return m_active; }
    void activateIndex(int index) override
    {
        m_calls.append(QStringLiteral("activateIndex %1").arg(index));
        m_active = index;
    }
    // The user (another program's window) picks a layout.
    void setActive(int index) { m_active = index; }

    const QStringList &calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    int activateNextCount() const { return int(m_calls.count(QStringLiteral("activateNext"))); }
    QString activeLayout() const { return m_layouts.value(m_active); }
    void setLayouts(QStringList layouts, int active)
    {
        m_layouts = std::move(layouts);
        m_active = active;
    }

private:
    QStringList m_layouts;
    int m_active;
    QStringList m_calls;
};
