#include "DocumentCopy.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>

#include "RtfCodec.h"

DocumentCopy DocumentCopy::Take(const QTextDocument &doc)
{
    DocumentCopy copy;
    copy.m_kept = rtf::keptParts(doc);
    copy.m_characters = doc.characterCount();
    copy.m_text = doc.toRawText();
    if (!doc.rootFrame()->childFrames().isEmpty() || copy.m_text.contains(QChar::ObjectReplacementCharacter)) {
        copy.m_text.clear();
        QTextDocument *clone = doc.clone();
        rtf::setKeptParts(*clone, copy.m_kept); // a clone takes no properties of the original
        copy.m_clone.reset(clone);
        return copy;
    }
    copy.m_formats = doc.allFormats();
    copy.m_defaultFont = doc.defaultFont();
    copy.m_paragraphs.reserve(doc.blockCount());
    QHash<int, int> lastOfList; // paragraph number of each list's last item
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextList *list = block.textList();
        if (list && !copy.m_lists.contains(list->objectIndex()))
            copy.m_lists.insert(list->objectIndex(), list->format());
        if (list)
            lastOfList.insert(list->objectIndex(), int(copy.m_paragraphs.size()));
        copy.m_paragraphs.append({block.blockFormatIndex(), block.charFormatIndex(),
                                  list ? list->objectIndex() : -1, int(copy.m_runs.size()), false});
        // Runs follow each other without gaps; counting saves a tree walk per run.
        int position = block.position();
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int length = fragment.length();
            copy.m_runs.append({position, length, fragment.charFormatIndex()});
            position += length;
        }
    }
    // A list's items are numbered within their document: the paragraphs from a list's first
    // item to its last stay in one part.
    int reach = -1; // the last item of the lists begun so far
    for (qsizetype p = 0; p < copy.m_paragraphs.size(); ++p) {
        Paragraph &paragraph = copy.m_paragraphs[p];
        paragraph.joined = p <= reach;
        if (paragraph.list >= 0)
            reach = qMax(reach, lastOfList.value(paragraph.list));
    }
    return copy;
}

std::shared_ptr<const QTextDocument> DocumentCopy::Build() const
{
    if (m_clone)
        return m_clone;
    return buildParagraphs(0, m_paragraphs.size());
}

std::shared_ptr<const QTextDocument> DocumentCopy::BuildPart(qsizetype &next, qsizetype characters) const
{
    if (m_clone) {
        if (next > 0)
            return {};
        next = 1;
        return m_clone;
    }
    const qsizetype first = next;
    if (first >= m_paragraphs.size())
        return {};
    qsizetype end = first + 1;
    const auto startOf = [this](qsizetype p) { return m_runs.value(m_paragraphs[p].firstRun, {int(m_text.size()), 0, 0}).start; };
    const qsizetype from = startOf(first);
    while (end < m_paragraphs.size() && (m_paragraphs[end].joined || startOf(end) - from < characters))
        ++end;
    next = end;
    return buildParagraphs(first, end);
}

std::shared_ptr<const QTextDocument> DocumentCopy::buildParagraphs(qsizetype first, qsizetype end) const
{
    auto doc = std::make_shared<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    doc->setDefaultFont(m_defaultFont);
    rtf::setKeptParts(*doc, m_kept);
    QTextCursor cursor(doc.get());
    QHash<int, QTextList *> lists; // original object index -> the copy's list
    for (qsizetype p = first; p < end; ++p) {
        const Paragraph &paragraph = m_paragraphs[p];
        QTextBlockFormat blockFormat = m_formats.value(paragraph.blockFormat).toBlockFormat();
        blockFormat.clearProperty(QTextFormat::ObjectIndex); // list membership is made anew
        const QTextCharFormat charFormat = m_formats.value(paragraph.charFormat).toCharFormat();
        if (p == first) {
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
        const qsizetype runsEnd = p + 1 < m_paragraphs.size() ? m_paragraphs[p + 1].firstRun : m_runs.size();
        for (qsizetype r = paragraph.firstRun; r < runsEnd; ++r) {
            const Run &run = m_runs[r];
            cursor.insertText(m_text.mid(run.start, run.length), m_formats.value(run.format).toCharFormat());
        }
    }
    return doc;
}
