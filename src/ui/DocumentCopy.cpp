#include "DocumentCopy.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>

DocumentCopy DocumentCopy::Take(const QTextDocument &doc)
{
    DocumentCopy copy;
    copy.m_text = doc.toRawText();
    if (!doc.rootFrame()->childFrames().isEmpty() || copy.m_text.contains(QChar::ObjectReplacementCharacter)) {
        copy.m_text.clear();
        copy.m_clone.reset(doc.clone());
        return copy;
    }
    copy.m_formats = doc.allFormats();
    copy.m_defaultFont = doc.defaultFont();
    copy.m_paragraphs.reserve(doc.blockCount());
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextList *list = block.textList();
        if (list && !copy.m_lists.contains(list->objectIndex()))
            copy.m_lists.insert(list->objectIndex(), list->format());
        copy.m_paragraphs.append({block.blockFormatIndex(), block.charFormatIndex(),
                                  list ? list->objectIndex() : -1, int(copy.m_runs.size())});
        // Runs follow each other without gaps; counting saves a tree walk per run.
        int position = block.position();
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int length = fragment.length();
            copy.m_runs.append({position, length, fragment.charFormatIndex()});
            position += length;
        }
    }
    return copy;
}

std::shared_ptr<const QTextDocument> DocumentCopy::Build() const
{
    if (m_clone)
        return m_clone;
    auto doc = std::make_shared<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    doc->setDefaultFont(m_defaultFont);
    QTextCursor cursor(doc.get());
    QHash<int, QTextList *> lists; // original object index -> the copy's list
    for (qsizetype p = 0; p < m_paragraphs.size(); ++p) {
        const Paragraph &paragraph = m_paragraphs[p];
        QTextBlockFormat blockFormat = m_formats.value(paragraph.blockFormat).toBlockFormat();
        blockFormat.clearProperty(QTextFormat::ObjectIndex); // list membership is made anew
        const QTextCharFormat charFormat = m_formats.value(paragraph.charFormat).toCharFormat();
        if (p == 0) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(charFormat);
        } else {
            cursor.insertBlock(blockFormat, charFormat);
        }
        if (paragraph.list >= 0) {
            if (QTextList *list = lists.value(paragraph.list))
                list->add(cursor.block());
            else
                lists.insert(paragraph.list, cursor.createList(m_lists.value(paragraph.list)));
        }
        const qsizetype end = p + 1 < m_paragraphs.size() ? m_paragraphs[p + 1].firstRun : m_runs.size();
        for (qsizetype r = paragraph.firstRun; r < end; ++r) {
            const Run &run = m_runs[r];
            cursor.insertText(m_text.mid(run.start, run.length), m_formats.value(run.format).toCharFormat());
        }
    }
    return doc;
}
