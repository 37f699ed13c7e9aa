// Text conversion: Copy for Forum and the Coptic case commands of the editor's pop-up menu.
#include "remain.h"

#include "strFuncs.h"
#include "untRtf2Html.h"

void TMainForm::acCopyffExecute()
{
    CopyWideTextToClipboard(RichEditToForumMarkup(Editor));
}

namespace {

// Replaces the selection by its converted text, as plain text (a selection that happens to
// begin "{\rtf" keeps its characters). Nothing selected: nothing changes.
void ConvertSelection(TTntRichEdit *editor, QString (*convert)(const QString &))
{
    const QString selected = editor->SelText();
    if (selected.isEmpty())
        return;
    editor->ReplaceSelectionPlain(convert(selected));
}

} // namespace

void TMainForm::mnuUpperCaseClick()
{
    ConvertSelection(Editor, &CopticToUpper);
}

void TMainForm::mnuLowerCaseClick()
{
    ConvertSelection(Editor, &CopticToLower);
}
