#pragma once

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "TTntRichEdit.h"

// Builds documents straight into the control's QTextDocument, so the tests reach formats the
// tool bar cannot make (half points, no face name, strike-out, any colour).
class DocumentFixture
{
public:
    explicit DocumentFixture(TTntRichEdit *editor) : m_editor(editor), m_cursor(editor->document())
    {
        editor->document()->clear();
        m_cursor = QTextCursor(editor->document());
    }

    static QTextCharFormat Format(const QString &font, qreal points, const QColor &color = QColor(),
                                  const char *styles = "")
    {
        QTextCharFormat f;
        if (!font.isNull())
            f.setFontFamilies({font});
        if (points > 0)
            f.setFontPointSize(points);
        if (color.isValid())
            f.setForeground(color);
        const QByteArray s(styles);
        if (s.contains('b'))
            f.setFontWeight(QFont::Bold);
        if (s.contains('i'))
            f.setFontItalic(true);
        if (s.contains('u'))
            f.setFontUnderline(true);
        if (s.contains('s'))
            f.setFontStrikeOut(true);
        return f;
    }

    // Starts the next paragraph (the first call formats the first one). endFormat is the
    // character format the paragraph keeps when it stays empty.
    DocumentFixture &paragraph(Qt::Alignment alignment, const QTextCharFormat &endFormat = QTextCharFormat())
    {
        QTextBlockFormat block;
        block.setAlignment(alignment);
        if (m_first) {
            m_cursor.setBlockFormat(block);
            m_cursor.setBlockCharFormat(endFormat);
            m_first = false;
        } else {
            m_cursor.insertBlock(block, endFormat);
        }
        return *this;
    }

    DocumentFixture &text(const QString &text, const QTextCharFormat &format)
    {
        m_cursor.insertText(text, format);
        return *this;
    }

private:
    TTntRichEdit *m_editor;
    QTextCursor m_cursor;
    bool m_first = true;
};
