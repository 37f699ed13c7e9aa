// Temporary: the two drivers over the control come with the control itself.
#include "untRtf2Html.h"
QString RichEditToForumMarkup(TTntRichEdit *) { return {}; }
QString RichEditToForumMarkupByPosition(TTntRichEdit *) { return {}; }
