#pragma once

#include <QByteArray>
#include <QStringList>

// The keyboard groups of an XKB keymap as the desktop describes them: the layouts and variants
// of the root window's _XKB_RULES_NAMES property (one entry per group, comma-separated), or
// only the groups' display names when that property is missing.
struct XkbGroupNames
{
    QStringList layouts;  // "de", "us", ...
    QStringList variants; // same length as layouts; empty for the basic variant
    QStringList names;    // display names ("English (US)"), used when layouts is empty
};

// Splits the property's value: rules, model, layouts, variants, options, each ended by a NUL.
XkbGroupNames ParseXkbRulesNames(const QByteArray &property);

// True when group holds the US English layout: layout "us" with no variant (a variant such as
// "intl" puts dead keys on the quote and tilde keys), or, without layout names, the display
// name "English (US)".
bool IsUsEnglishGroup(const XkbGroupNames &groups, int group);
