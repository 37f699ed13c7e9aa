// Placeholder.
#include "untRtf2Html.h"
QByteArray ColorNameWithoutPrefix(TColor) { return {}; }
void RemoveFirstOccurrence(const QByteArray &, QByteArray &) {}
void ForumMarkupBuilder::feed(const ForumRunFormat &, const QString &, bool) {}
QString RichEditToForumMarkup(TTntRichEdit *) { return {}; }
QString RichEditToForumMarkupByPosition(TTntRichEdit *) { return {}; }
void CopyWideTextToClipboard(const QString &) {}
