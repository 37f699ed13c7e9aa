#pragma once

#include <QString>
#include <QStringList>

// The open and save dialogs' filter: "Description|patterns|Description|patterns".
constexpr const char *DocumentFilter = "Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT";

// The filter as Qt's file dialog takes it, one entry per pair in order. The patterns in the
// entry's brackets are the pair's patterns, each also in lower case when that differs: names
// on this system are case-sensitive, and "*.RTF" alone would hide every "name.rtf".
QStringList QtNameFilters(const QString &filter);
