#include "ParagraphLines.h"

#include "LineWidths.h"

#include <QStringView>

#include <algorithm>

namespace {

// Text laid out beyond the edit in the first window: enough for a few lines after it. Each
// further window, when the lines after the edit have not yet met the old ones, takes twice
// as much, up to kWindow.
constexpr int kLookahead = 256;
constexpr int kWindow = 4096;

char32_t codePointAt(const QString &text, int i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    return c.unicode();
}

} // namespace

void ParagraphLines::Census::count(QStringView text, int sign)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (c == '\t')
            tabs += sign;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirLRE:
        case QChar::DirRLE:
        case QChar::DirLRO:
        case QChar::DirRLO:
        case QChar::DirPDF:
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirPDI:
            controls += sign;
            break;
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
            rightToLeft += sign;
            break;
        default:
            break;
        }
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Punctuation_Open || category == QChar::Punctuation_Close)
            brackets += sign;
    }
}

ParagraphLines::ParagraphLines(const QFont &font, const QTextOption &option, qreal firstLineWidth, qreal lineWidth)
    : m_font(font), m_option(option), m_firstLineWidth(firstLineWidth), m_lineWidth(lineWidth)
{
}

std::vector<ParagraphLines::Line> ParagraphLines::layOutWhole(const QString &text,
                                                              const QList<QTextLayout::FormatRange> &formats,
                                                              const QFont &font, const QTextOption &option,
                                                              qreal firstLineWidth, qreal lineWidth)
{
    ParagraphLines lines(font, option, firstLineWidth, lineWidth);
    lines.m_text = text;
    lines.m_formats = formats;
    std::vector<Line> out;
    lines.layOutWindow(0, int(text.size()), true, out);
    return out;
}

void ParagraphLines::reset(const QString &text, const QList<QTextLayout::FormatRange> &formats)
{
    m_text = text;
    m_formats = formats;
    m_census = Census();
    m_census.count(m_text, 1);
    m_lines.clear();
    layOutWindow(0, int(m_text.size()), true, m_lines);
}

void ParagraphLines::adopt(const QString &text, const QList<QTextLayout::FormatRange> &formats,
                           std::vector<Line> lines)
{
    m_text = text;
    m_formats = formats;
    m_census = Census();
    m_census.count(m_text, 1);
    m_lines = std::move(lines);
}

int ParagraphLines::lineAt(int position) const
{
    const auto after = std::upper_bound(m_lines.begin(), m_lines.end(), position,
                                        [](int p, const Line &line) { return p < line.start; });
    return std::max(0, int(after - m_lines.begin()) - 1);
}

// A line starting here lays out the same alone as in the whole paragraph: a letter with a
// direction and a script of its own, after a space.
bool ParagraphLines::cutsAt(int position) const
{
    if (!m_census.cutsFreely() || position <= 0 || position >= m_text.size()
        || m_text.at(position - 1) != QLatin1Char(' '))
        return false;
    const char32_t c = codePointAt(m_text, position);
    const QChar::Direction direction = QChar::direction(c);
    if (direction != QChar::DirL && direction != QChar::DirR && direction != QChar::DirAL)
        return false;
    const QChar::Script script = QChar::script(c);
    return script != QChar::Script_Common && script != QChar::Script_Inherited && script != QChar::Script_Unknown;
}

bool ParagraphLines::cutAfter(int position, int end) const
{
    for (int q = position + 1; q < end; ++q) {
        if (cutsAt(q))
            return true;
    }
    return false;
}

std::unique_ptr<QTextLayout> ParagraphLines::layOut(const QString &text,
                                                    const QList<QTextLayout::FormatRange> &formats,
                                                    const QFont &font, const QTextOption &option,
                                                    qreal firstLineWidth, qreal lineWidth, int start, int end,
                                                    bool first)
{
    QList<QTextLayout::FormatRange> slice;
    // The formats are in text order: skip those that end before the window.
    auto it = std::partition_point(formats.cbegin(), formats.cend(),
                                   [start](const QTextLayout::FormatRange &r) { return r.start + r.length <= start; });
    for (; it != formats.cend() && it->start < end; ++it) {
        const int from = std::max(it->start, start);
        const int to = std::min(it->start + it->length, end);
        if (from < to)
            slice.append(QTextLayout::FormatRange{from - start, to - from, it->format});
    }
    auto layout = std::make_unique<QTextLayout>(text.mid(start, end - start), font);
    layout->setTextOption(option);
    layout->setFormats(slice);
    layout->setCacheEnabled(false);
    layout->beginLayout();
    {
        // Over-long words break as the editor's layout breaks them; a window starts at a cut,
        // never inside such a word.
        LineWidths widths(layout.get(), -1);
        bool firstLine = first;
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLeadingIncluded(true);
            widths.set(line, firstLine ? firstLineWidth : lineWidth);
            firstLine = false;
        }
    }
    layout->endLayout();
    return layout;
}

std::unique_ptr<QTextLayout> ParagraphLines::layOutWindow(int start, int end, bool first, std::vector<Line> &out) const
{
    auto layout = layOut(m_text, m_formats, m_font, m_option, m_firstLineWidth, m_lineWidth, start, end, first);
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        out.push_back(Line{start + line.textStart(), line.textLength(), line.height()});
    }
    return layout;
}

std::unique_ptr<QTextLayout> ParagraphLines::takeRecent(int line, int *first, int *next)
{
    for (Part &part : m_recent) {
        if (part.layout && line >= part.first && line < part.next) {
            *first = part.first;
            *next = part.next;
            return std::move(part.layout);
        }
    }
    return nullptr;
}

std::unique_ptr<QTextLayout> ParagraphLines::layoutFor(int from, int to, int *first, int *next) const
{
    int start = qBound(0, from, int(m_lines.size()) - 1);
    while (start > 0 && !cutsAt(m_lines[size_t(start)].start))
        --start;
    int after = qMax(start, to) + 1;
    while (after < int(m_lines.size()) && !cutsAt(m_lines[size_t(after)].start))
        ++after;
    const int end = after + 1 < int(m_lines.size()) ? m_lines[size_t(after) + 1].start : int(m_text.size());
    *first = start;
    *next = qMin(after, int(m_lines.size()));
    return layOut(m_text, m_formats, m_font, m_option, m_firstLineWidth, m_lineWidth, m_lines[size_t(start)].start,
                  end, start == 0);
}

int ParagraphLines::update(const QString &text, const QList<QTextLayout::FormatRange> &formats, int from, int removed,
                           int added)
{
    m_census.count(QStringView(m_text).mid(from, removed), -1);
    m_census.count(QStringView(text).mid(from, added), 1);
    m_text = text;
    m_formats = formats;
    const int length = int(m_text.size());
    if (m_lines.empty() || !m_census.cutsFreely()) {
        m_recent.clear();
        m_lines.clear();
        layOutWindow(0, length, true, m_lines);
        m_changedFrom = 0;
        m_changedEnd = int(m_lines.size());
        return length;
    }
    const int delta = added - removed;
    const int oldEditEnd = from + removed;
    const int newEditEnd = from + added;

    // Start again at a cut whose line and the next one both began before the edit and ended at
    // a space: what decided every line before it lies before the edit.
    int keep = 0;
    for (int k = lineAt(from) - 1; k > 0; --k) {
        if (m_lines[k + 1].start < from && m_text.at(m_lines[k + 1].start - 1) == QLatin1Char(' ')
            && cutsAt(m_lines[k].start)) {
            keep = k;
            break;
        }
    }
    // Old lines that began after the edit, where the new ones may meet them.
    const auto oldAfter = std::partition_point(m_lines.begin() + keep, m_lines.end(),
                                               [oldEditEnd](const Line &l) { return l.start < oldEditEnd; });
    auto oldLineAt = [&](int newStart) {
        const auto it = std::partition_point(oldAfter, m_lines.end(),
                                             [&](const Line &l) { return l.start + delta < newStart; });
        return it != m_lines.end() && it->start + delta == newStart ? int(it - m_lines.begin()) : -1;
    };

    std::vector<Line> fresh;
    int start = m_lines[keep].start;
    bool first = keep == 0;
    int ahead = kLookahead;
    int window = std::max(newEditEnd - start, 0) + ahead;
    int laidOut = 0;
    int resume = int(m_lines.size()); // first old line kept, moved by delta
    m_recent.clear();
    for (;;) {
        const int end = std::min(length, start + window);
        std::vector<Line> got;
        std::unique_ptr<QTextLayout> layout = layOutWindow(start, end, first, got);
        laidOut += end - start;
        const int before = keep + int(fresh.size());
        if (end == length) {
            fresh.insert(fresh.end(), got.begin(), got.end());
            m_recent.push_back(Part{before, keep + int(fresh.size()), std::move(layout)});
            break;
        }
        // The window's lines up to its last cut with a whole line or another cut after it; or
        // up to the first such cut past the edit where an old line began.
        int cut = -1;
        bool met = false;
        for (int i = 1; i < int(got.size()); ++i) {
            if (!cutsAt(got[i].start) || (i + 1 == int(got.size()) && !cutAfter(got[i].start, end)))
                continue;
            cut = i;
            if (got[i].start > newEditEnd) {
                const int old = oldLineAt(got[i].start);
                if (old >= 0) {
                    resume = old;
                    met = true;
                    break;
                }
            }
        }
        if (cut < 0) {
            window *= 2;
            continue;
        }
        fresh.insert(fresh.end(), got.begin(), got.begin() + cut);
        m_recent.push_back(Part{before, keep + int(fresh.size()), std::move(layout)});
        if (met)
            break;
        start = got[cut].start;
        first = false;
        ahead = std::min(kWindow, 2 * ahead);
        window = std::max(newEditEnd - start, 0) + ahead;
    }

    std::vector<Line> lines;
    lines.reserve(size_t(keep) + fresh.size() + (m_lines.size() - size_t(resume)));
    lines.insert(lines.end(), m_lines.begin(), m_lines.begin() + keep);
    lines.insert(lines.end(), fresh.begin(), fresh.end());
    for (size_t j = size_t(resume); j < m_lines.size(); ++j) {
        Line moved = m_lines[j];
        moved.start += delta;
        lines.push_back(moved);
    }
    m_lines.swap(lines);
    m_changedFrom = keep;
    m_changedEnd = keep + int(fresh.size());
    return laidOut;
}
