// Text conversion: Copy for Forum and the Coptic case commands of the editor's pop-up menu.
#include "remain.h"

#include <QScrollBar>

#include "strFuncs.h"
#include "untRtf2Html.h"

#include <QTextCursor>

void TMainForm::acCopyffExecute()
{
    // The export walks the selection over the document; the user's selection and view come back.
    const QTextCursor selection = Editor->textCursor();
    const int scrolledX = Editor->horizontalScrollBar()->value();
    const int scrolledY = Editor->verticalScrollBar()->value();
    CopyWideTextToClipboard(RichEditToForumMarkup(Editor));
    Editor->setTextCursor(selection);
    Editor->horizontalScrollBar()->setValue(scrolledX);
    Editor->verticalScrollBar()->setValue(scrolledY);
    // Also when the selection is where the walk ended: the controls show the formatting there.
    SelectionChange();
}

void TMainForm::mnuUpperCaseClick()
{
    Editor->ConvertSelectedCharacters(&CopticToUpper);
}

void TMainForm::mnuLowerCaseClick()
{
    Editor->ConvertSelectedCharacters(&CopticToLower);
}
