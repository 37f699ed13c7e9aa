#pragma once

#include <QByteArray>
#include <QString>

#include "TTntRichEdit.h"

class QTextDocument;

// Forum markup export.
QByteArray ColorNameWithoutPrefix(TColor color);
void RemoveFirstOccurrence(const QByteArray &tag, QByteArray &tags);

// What the walk reads at one position.
struct ForumRunFormat
{
    int alignment = 0;
    QString fontName;
    int size = 0; // whole points
    TColor color = clWindowText;
    bool bold = false, italic = false, underline = false;
    bool rightToLeft = false; // the paragraph reads right to left
};

// The tag state machine, fed position by position (or run by run: feeding a run of text with
// one format gives exactly what feeding its characters one by one gives).
class ForumMarkupBuilder
{
public:
    // text: the selected text at that position (empty inside a line break);
    // afterLineFeed: the previous position of the whole text is a line feed.
    // The text of a right-to-left paragraph goes into a right-to-left isolate (U+2067 ... U+2069),
    // so that a page that reads left to right shows it in the same order.
    void feed(const ForumRunFormat &format, const QString &text, bool afterLineFeed);
    QString result() const { return m_isolateOpen ? m_out + QChar(0x2069) : m_out; }

private:
    void append(const QByteArray &tags);
    // Closes the open styles and then the given outer tags.
    void closeStylesAnd(const char *outerClosers);
    void switchStyle(bool on, bool &current, const QByteArray &openTag, const QByteArray &closeTag);

    int m_alignment = -1;
    QByteArray m_pendingAlignmentClose;
    QString m_fontName;
    int m_size = -1;
    qint64 m_color = -1;
    bool m_bold = false, m_italic = false, m_underline = false;
    QByteArray m_openStyleTags, m_closeStyleTags;
    bool m_isolateOpen = false;
    QString m_out;
};

// The program's driver: reads the formatting runs of the control's document (linear in its
// size), then leaves the control as the position walk would: last position selected, one
// selection refresh, document and Modified flag untouched.
QString RichEditToForumMarkup(TTntRichEdit *editor);

// The reference driver: selects every position in turn through the control's public
// operations. Kept as the oracle of the tests.
QString RichEditToForumMarkupByPosition(TTntRichEdit *editor);

// Replaces the clipboard's contents with the text, as Unicode text only.
void CopyWideTextToClipboard(const QString &text);
