#pragma once

#include <QTextLayout>
#include <QTextOption>

// Sets the widths of a paragraph's lines, breaking a word longer than a line where the line
// ends (as "overflow-wrap: anywhere" does) when the paragraph wraps at word boundaries or
// anywhere. Qt's own mode for that scans to the end of the over-long word again for every
// line cut out of it, which costs the square of the word's length; here a line that overflows
// at word boundaries marks the end of its word once, lines that start inside that word break
// anywhere, and the one that reaches past the word's end is laid out again at word boundaries.
class LineWidths
{
public:
    // longWordEnd: where an over-long word the lines before were cut from ends (-1: none).
    LineWidths(QTextLayout *layout, int longWordEnd)
        : m_layout(layout), m_option(layout->textOption()),
          m_breakLongWords(m_option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere),
          m_longWordEnd(longWordEnd)
    {
        if (m_breakLongWords)
            setMode(QTextOption::WordWrap);
    }
    ~LineWidths()
    {
        if (m_breakLongWords)
            setMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    }
    LineWidths(const LineWidths &) = delete;
    LineWidths &operator=(const LineWidths &) = delete;

    int longWordEnd() const { return m_longWordEnd; }

    void set(QTextLine &line, qreal width)
    {
        if (!m_breakLongWords) {
            line.setLineWidth(width);
            return;
        }
        if (line.textStart() < m_longWordEnd) {
            breakAnywhere(line, width);
            if (line.textStart() + line.textLength() >= m_longWordEnd)
                line.setLineWidth(width);
            return;
        }
        line.setLineWidth(width);
        if (line.naturalTextWidth() > width && line.textLength() > 1) {
            m_longWordEnd = line.textStart() + line.textLength();
            breakAnywhere(line, width);
        }
    }

private:
    void setMode(QTextOption::WrapMode mode)
    {
        m_option.setWrapMode(mode);
        m_layout->setTextOption(m_option);
    }
    void breakAnywhere(QTextLine &line, qreal width)
    {
        setMode(QTextOption::WrapAnywhere);
        line.setLineWidth(width);
        setMode(QTextOption::WordWrap);
    }

    QTextLayout *m_layout;
    QTextOption m_option;
    bool m_breakLongWords;
    int m_longWordEnd;
};
