// Text conversion: Copy for Forum and the Coptic case commands of the editor's pop-up menu.
#include "remain.h"

#include "strFuncs.h"
#include "untRtf2Html.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

void TMainForm::acCopyffExecute()
{
    CopyWideTextToClipboard(RichEditToForumMarkup(Editor));
}

namespace {

// Converts the selected text run by run, each run keeping its attributes; pictures, paragraph
// breaks and table cells stay where they are. One undo step; the caret ends after the converted
// text. Nothing selected: nothing changes.
void ConvertSelection(TTntRichEdit *editor, QString (*convert)(const QString &))
{
    const QTextCursor selection = editor->textCursor();
    const int from = selection.selectionStart();
    const int to = selection.selectionEnd();
    if (from == to)
        return;
    struct Run
    {
        int start, length;
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    QTextDocument *doc = editor->document();
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = qMax(from, fragment.position());
            const int end = qMin(to, fragment.position() + fragment.length());
            if (end > start && !fragment.charFormat().isImageFormat())
                runs.push_back({start, end - start, fragment.charFormat()});
        }
    }
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    int growth = 0;
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        cursor.setPosition(run->start);
        cursor.setPosition(run->start + run->length, QTextCursor::KeepAnchor);
        const QString text = cursor.selectedText();
        const QString converted = convert(text);
        if (converted == text)
            continue;
        cursor.insertText(converted, run->format);
        growth += int(converted.size()) - run->length;
    }
    cursor.endEditBlock();
    QTextCursor caret(doc);
    caret.setPosition(to + growth);
    editor->setTextCursor(caret);
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
