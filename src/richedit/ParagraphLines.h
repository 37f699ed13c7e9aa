#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QTextLayout>
#include <QTextOption>

#include <memory>
#include <vector>

// The line breaks of one paragraph, kept up to date after an edit by laying out again only
// the lines around it: the lines give exactly what one QTextLayout over the whole paragraph
// gives, at a cost that follows the edit, not the paragraph's length.
//
// Laying out again starts at a line start before the edit where the paragraph can be cut (a
// letter after a space, see cutsAt) and goes on in windows of text until a line starts where
// an old one did, after the edit, at such a place: from there the old lines hold, moved by
// the edit's length. Why a cut there gives the whole paragraph's lines: a line breaks at the
// last break before the line is full, which depends on the text from the line's start to the
// next break after its end; the bidirectional levels of the text after a letter that has a
// direction of its own do not depend on anything before it; the letter after a space joins no
// letter before it in shaping. A window's lines are taken up to its last such cut that has a
// whole line after it or, in the window's last line, another cut after it: a line ends before
// the first word that did not fit on it, and that word, the spaces after it and the letter
// that starts the next (which settles the direction of those spaces) are then all in the
// window, so each decision saw the text it depends on.
//
// Explicit bidirectional embeddings and isolates, brackets in a paragraph that also holds
// right-to-left letters (their pairs are resolved across any distance), and tabs (Qt keeps the
// width a tab had where the line breaker first tried it, on the line before) make a paragraph
// that is laid out whole after every edit: the lines are right, only slower.
class ParagraphLines
{
public:
    struct Line
    {
        int start = 0;
        int length = 0;
        qreal height = 0; // leading included
        bool operator==(const Line &o) const { return start == o.start && length == o.length && height == o.height; }
    };

    // `option` gives the wrap mode (words longer than a line break where it ends, as the
    // editor's layout breaks them), tabs and (explicitly) the paragraph's direction; the first
    // line has `firstLineWidth`, the others `lineWidth`.
    ParagraphLines(const QFont &font, const QTextOption &option, qreal firstLineWidth, qreal lineWidth);

    // Lays the whole paragraph out.
    void reset(const QString &text, const QList<QTextLayout::FormatRange> &formats);
    // Takes the lines of a layout of the whole paragraph made elsewhere with the same font,
    // option and widths.
    void adopt(const QString &text, const QList<QTextLayout::FormatRange> &formats, std::vector<Line> lines);
    // The paragraph is now `text` with `formats`: characters [from, from + removed) of the
    // text before became [from, from + added) (a change of format alone has removed == added).
    // Returns how many characters were laid out again.
    int update(const QString &text, const QList<QTextLayout::FormatRange> &formats, int from, int removed, int added);

    const std::vector<Line> &lines() const { return m_lines; }
    // The lines the last update laid out again, [first, end) in the lines now; the lines
    // before them are as they were, and so are those after them, moved by the edit's length.
    int changedFrom() const { return m_changedFrom; }
    int changedEnd() const { return m_changedEnd; }
    // Index of the line holding the position (the last line for the paragraph's end).
    int lineAt(int position) const;
    // A layout to draw lines [from, to] from, laid out: it starts with the nearest line at or
    // before `from` whose start is a cut and holds the text to a whole line past the next cut
    // after `to`. `first` is set to the number of its first line in the paragraph, `next` to
    // that of the first line it does not hold as the paragraph has it.
    std::unique_ptr<QTextLayout> layoutFor(int from, int to, int *first, int *next) const;
    int length() const { return int(m_text.size()); }
    // A layout the last update made, which holds line `line` as the paragraph has it (as
    // layoutFor would give), handed over once; `first` and `next` as there. Null when none.
    std::unique_ptr<QTextLayout> takeRecent(int line, int *first, int *next);
    // False when the paragraph cannot be cut anywhere (see above): every edit lays it out whole.
    bool cutsFreely() const { return m_census.cutsFreely(); }

    // One QTextLayout over [start, end) of `text`, laid out; its first line is the paragraph's
    // first when `first`.
    static std::unique_ptr<QTextLayout> layOut(const QString &text, const QList<QTextLayout::FormatRange> &formats,
                                               const QFont &font, const QTextOption &option, qreal firstLineWidth,
                                               qreal lineWidth, int start, int end, bool first);
    // The lines of one QTextLayout over the whole of `text`, as reset() makes them.
    static std::vector<Line> layOutWhole(const QString &text, const QList<QTextLayout::FormatRange> &formats,
                                         const QFont &font, const QTextOption &option, qreal firstLineWidth,
                                         qreal lineWidth);

private:
    struct Census
    {
        int controls = 0; // explicit embeddings, overrides, isolates
        int brackets = 0;
        int rightToLeft = 0;
        int tabs = 0;
        void count(QStringView text, int sign);
        bool cutsFreely() const { return controls == 0 && tabs == 0 && (brackets == 0 || rightToLeft == 0); }
    };
    bool cutsAt(int position) const;
    // Whether a cut lies in (position, end).
    bool cutAfter(int position, int end) const;
    // Lays out [start, end) of the text, its first line the paragraph's first when `first`.
    std::unique_ptr<QTextLayout> layOutWindow(int start, int end, bool first, std::vector<Line> &out) const;

    QFont m_font;
    QTextOption m_option;
    qreal m_firstLineWidth;
    qreal m_lineWidth;
    QString m_text;
    QList<QTextLayout::FormatRange> m_formats;
    Census m_census;
    std::vector<Line> m_lines;
    int m_changedFrom = 0;
    int m_changedEnd = 0;
    // The layouts of the last update, each with the lines [first, next) it laid out again.
    struct Part
    {
        int first;
        int next;
        std::unique_ptr<QTextLayout> layout;
    };
    std::vector<Part> m_recent;
};
