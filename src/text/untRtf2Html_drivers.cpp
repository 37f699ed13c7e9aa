// The two ways of feeding the forum markup builder from the editor control.
#include "untRtf2Html.h"

#include "TableText.h"

#include <QHash>
#include <QPair>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

constexpr char16_t kLineFeed = u'\n';

ForumRunFormat ReadSelectionFormat(TTntRichEdit *editor)
{
    ForumRunFormat format;
    format.alignment = editor->Paragraph().Alignment();
    format.rightToLeft = editor->Paragraph().Direction() == TParaDirection::RightToLeft;
    TTextAttributes &attributes = editor->SelAttributes();
    format.fontName = attributes.Name();
    format.size = attributes.Size();
    format.color = attributes.Color();
    const TFontStyles style = attributes.Style();
    format.bold = style & fsBold;
    format.italic = style & fsItalic;
    format.underline = style & fsUnderline;
    return format;
}

// What the control reports for text of this character format in a paragraph of this format.
ForumRunFormat RunFormat(const QTextCharFormat &charFormat, const QTextBlockFormat &blockFormat,
                         const QFont &documentFont)
{
    ForumRunFormat format;
    format.alignment = TParaAttributes::AlignmentOf(blockFormat);
    format.rightToLeft = TParaAttributes::DirectionOf(blockFormat) == TParaDirection::RightToLeft;
    format.fontName = TTextAttributes::NameOf(charFormat, documentFont);
    format.size = TTextAttributes::SizeOf(charFormat, documentFont);
    format.color = TTextAttributes::ColorOf(charFormat);
    const TFontStyles style = TTextAttributes::StyleOf(charFormat);
    format.bold = style & fsBold;
    format.italic = style & fsItalic;
    format.underline = style & fsUnderline;
    return format;
}

} // namespace

QString RichEditToForumMarkupByPosition(TTntRichEdit *editor)
{
    ForumMarkupBuilder builder;
    const bool wasHidden = editor->isHidden();
    editor->hide();
    const QString text = editor->Text();
    const int n = int(text.size());
    for (int p = 0; p < n; ++p) {
        editor->SetSel(p, 1);
        const ForumRunFormat format = ReadSelectionFormat(editor);
        builder.feed(format, editor->SelText(), p > 0 && text.at(p - 1) == kLineFeed);
    }
    if (!wasHidden)
        editor->show();
    return builder.result();
}

QString RichEditToForumMarkup(TTntRichEdit *editor)
{
    // One pass over the paragraphs and their formatting runs. Each run is fed whole: within a
    // run nothing changes, so the builder writes what it would write character by character.
    // The two positions of a paragraph break read as the caret at the end of that paragraph:
    // the format of its last character, or the paragraph's own character format when it is
    // empty. The position after a break carries its "<br>". A table's cell ends inside a row
    // read " | "; its row ends are paragraph breaks.
    ForumMarkupBuilder builder;
    const QTextDocument *document = editor->document();
    const QFont documentFont = document->defaultFont();
    // What the control reports for a run depends only on its character format and its
    // paragraph's format: worked out once per pair of formats, not once per run.
    QHash<QPair<int, int>, ForumRunFormat> formats;
    const QList<QTextFormat> allFormats = document->allFormats();
    const auto runFormat = [&](const QTextBlock &block, int charFormatIndex) -> const ForumRunFormat & {
        const QPair<int, int> key(charFormatIndex, block.blockFormatIndex());
        auto it = formats.find(key);
        if (it == formats.end()) {
            const QTextCharFormat charFormat = allFormats.at(charFormatIndex).toCharFormat();
            it = formats.insert(key, RunFormat(charFormat, block.blockFormat(), documentFont));
        }
        return it.value();
    };
    bool afterLineFeed = false;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        int endFormat = block.charFormatIndex();
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.length() <= 0)
                continue;
            builder.feed(runFormat(block, fragment.charFormatIndex()), fragment.text(), afterLineFeed);
            afterLineFeed = false;
            endFormat = fragment.charFormatIndex();
        }
        if (block.next().isValid() && rtf::endsCellInRow(block)) {
            // The end of a table cell that has another after it in its row.
            builder.feed(runFormat(block, endFormat), QStringLiteral(" | "), afterLineFeed);
            afterLineFeed = false;
        } else if (block.next().isValid()) {
            // CR (which may carry the "<br>" of an empty paragraph) and LF: no text of their own.
            builder.feed(runFormat(block, endFormat), QString(), afterLineFeed);
            afterLineFeed = true;
        }
    }

    // The control ends up as after the walk: the last position selected, once.
    const int n = editor->DocToCrLfPos(document->characterCount() - 1);
    if (n > 0)
        editor->SetSel(n - 1, 1);
    return builder.result();
}
