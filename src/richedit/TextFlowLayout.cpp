#include "TextFlowLayout.h"

#include "LineWidths.h"
#include "PictureObject.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QScopeGuard>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <cmath>

namespace {

// The face a run names.
QString faceOf(const QTextCharFormat &format)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? format.stringProperty(QTextFormat::FontFamily) : families.constFirst();
}

// Changes touching more paragraphs than this are laid out on demand rather than at once.
constexpr int kEagerParagraphs = 64;
// Longest stretch of idle-time layout before the event loop gets control back.
constexpr int kIdleSliceMs = 15;
// Width of the mark that shows a selected paragraph break.
constexpr qreal kBreakMarkWidth = 4;
// Room between a list marker and the text.
constexpr qreal kMarkerGap = 4;
// Pixels per inch of the screen, the unit of lengths in formats.
constexpr int kScreenDpi = 96;
// Paragraphs longer than this (in characters) keep their shaped text between layouts.
constexpr int kCachedParagraphLength = 4096;
// Paragraphs longer than this (in characters) are typed into with their lines kept apart
// (ParagraphLines): laying such a paragraph out whole at every key costs more (about 1 ms per
// key at 2,000 characters and growing with the length, against 0.6 ms).
constexpr int kFastParagraphLength = 1536;
// Paragraphs longer than this (in characters) are laid out as far as they are needed (the
// lines in view, the caret's) and the rest of their lines in idle time.
constexpr int kOpenParagraphLength = 32768;
// Height above a paragraph laid out ahead that is laid out with it when the view's height is
// not known: more than a screen.
constexpr qreal kScreenAhead = 2400;
// Line width used when the text does not wrap.
constexpr qreal kNoWrapWidth = 1e7;

// How far the next line goes below one of the given height (leading included).
qreal lineAdvance(qreal height, const QTextBlockFormat &format, qreal scale)
{
    switch (format.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        return height * format.lineHeight() / 100.0;
    case QTextBlockFormat::FixedHeight:
        return format.lineHeight() * scale;
    case QTextBlockFormat::MinimumHeight:
        return qMax(height, format.lineHeight() * scale);
    case QTextBlockFormat::LineDistanceHeight:
        return height + format.lineHeight() * scale;
    default:
        return height;
    }
}

QString markerText(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    switch (list->format().style()) {
    case QTextListFormat::ListDisc:
        return QString(QChar(0x2022));
    case QTextListFormat::ListCircle:
        return QString(QChar(0x25E6));
    case QTextListFormat::ListSquare:
        return QString(QChar(0x25AA));
    default:
        return list->itemText(block);
    }
}

// The character format a list marker is drawn in: that of the paragraph's first character.
QTextCharFormat markerFormat(const QTextBlock &block)
{
    const QTextBlock::iterator it = block.begin();
    if (!it.atEnd() && it.fragment().isValid())
        return it.fragment().charFormat();
    return block.charFormat();
}

} // namespace

// ---------------------------------------------------------------------------------------
// HeightTree

void HeightTree::assign(const std::vector<qreal> &values)
{
    m_size = int(values.size());
    m_tree.assign(values.size() + 1, 0);
    for (int i = 1; i <= m_size; ++i) {
        m_tree[i] += values[i - 1];
        const int parent = i + (i & -i);
        if (parent <= m_size)
            m_tree[parent] += m_tree[i];
    }
}

void HeightTree::add(int index, qreal delta)
{
    for (int i = index + 1; i <= m_size; i += i & -i)
        m_tree[i] += delta;
}

qreal HeightTree::prefix(int count) const
{
    qreal sum = 0;
    for (int i = qMin(count, m_size); i > 0; i -= i & -i)
        sum += m_tree[i];
    return sum;
}

int HeightTree::find(qreal y) const
{
    int index = 0;
    int step = 1;
    while (step * 2 <= m_size)
        step *= 2;
    for (; step > 0; step /= 2) {
        const int next = index + step;
        if (next <= m_size && m_tree[next] <= y) {
            index = next;
            y -= m_tree[next];
        }
    }
    return qMin(index, m_size - 1);
}

// ---------------------------------------------------------------------------------------
// TextFlowLayout

TextFlowLayout::TextFlowLayout(QTextDocument *doc) : QAbstractTextDocumentLayout(doc)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(0);
    connect(&m_idle, &QTimer::timeout, this, &TextFlowLayout::layoutInIdleTime);
    PictureObject::registerWith(this);
    connect(doc, &QTextDocument::contentsChange, this,
            [this](int from, int removed, int added) { m_lastEdit = Edit{from, removed, added}; });
    m_geometry = currentGeometry();
    invalidateAll();
}

TextFlowLayout::Geometry TextFlowLayout::currentGeometry() const
{
    const QTextDocument *doc = document();
    Geometry g;
    g.width = doc->pageSize().width();
    g.font = doc->defaultFont();
    const QTextFrameFormat frame = doc->rootFrame()->frameFormat();
    const qreal scale = deviceScale();
    g.left = (frame.leftMargin() + frame.padding()) * scale;
    g.top = (frame.topMargin() + frame.padding()) * scale;
    g.right = (frame.rightMargin() + frame.padding()) * scale;
    g.bottom = (frame.bottomMargin() + frame.padding()) * scale;
    const QTextOption option = doc->defaultTextOption();
    g.wrapMode = option.wrapMode();
    g.flags = int(option.flags());
    g.tabStop = option.tabStopDistance();
    g.tabs = option.tabs();
    g.indentWidth = doc->indentWidth();
    return g;
}

qreal TextFlowLayout::estimateHeight(const QTextBlock &block) const
{
    const QFontMetricsF metrics(m_geometry.font, paintDevice());
    const qreal usable = m_geometry.width - m_geometry.left - m_geometry.right;
    int lines = 1;
    if (usable > 0)
        lines = qMax(1, int(std::ceil(block.length() * metrics.averageCharWidth() / usable)));
    return lines * metrics.lineSpacing();
}

void TextFlowLayout::invalidateAll()
{
    const QTextDocument *doc = document();
    m_heights.clear();
    m_heights.reserve(doc->blockCount());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        m_heights.push_back(estimateHeight(block));
    m_tree.assign(m_heights);
    m_done.assign(m_heights.size(), 0);
    m_open.clear();
    m_fast = Fast();
    m_laidOut = 0;
    emit documentSizeChanged(documentSize());
    emit update();
    m_idle.start();
}

qreal TextFlowLayout::deviceScale() const
{
    // Lengths in formats are screen pixels; a printer lays out in its own, finer ones.
    const QPaintDevice *device = paintDevice();
    return device ? device->logicalDpiY() / qreal(kScreenDpi) : 1.0;
}

qreal TextFlowLayout::firstLineOffset(const QTextBlock &block) const
{
    const QTextBlockFormat format = block.blockFormat();
    const qreal scale = deviceScale();
    if (!block.textList())
        return format.textIndent() * scale;
    // The marker stands where the first line would start; the text follows at the left
    // margin when the hanging indent leaves room for the marker, else right after it.
    const QFontMetricsF metrics(markerFormat(block).font(), paintDevice());
    const qreal marker = metrics.horizontalAdvance(markerText(block)) + kMarkerGap * scale;
    return qMax(format.textIndent() * scale + marker, qreal(0));
}

// The paragraph's margins on its start and end sides: the block format's left margin, indent
// steps and first-line indent belong to the start side, its right margin to the end side.
ParagraphFrame TextFlowLayout::paragraphFrame(const QTextBlock &block, qreal width) const
{
    const QTextBlockFormat format = block.blockFormat();
    int indentSteps = format.indent();
    if (const QTextList *list = block.textList())
        indentSteps += list->format().indent();
    const qreal scale = deviceScale();
    ParagraphFrame frame;
    frame.rightToLeft = format.layoutDirection() == Qt::RightToLeft;
    frame.width = width;
    frame.start = (format.leftMargin() + indentSteps * document()->indentWidth()) * scale;
    frame.end = format.rightMargin() * scale;
    frame.firstLine = firstLineOffset(block);
    return frame;
}

void TextFlowLayout::setStandInFaces(const QSet<QString> &faces, const QString &standIn)
{
    if (faces == m_standInFaces && standIn == m_standIn)
        return;
    // Another set of faces is applied paragraph by paragraph as they are laid out again; with
    // none, no paragraph is laid out with stand-ins any more and none may keep them.
    if (faces.isEmpty() && !m_standInFaces.isEmpty()) {
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
            block.layout()->clearFormats();
    }
    m_standInFaces = faces;
    m_standIn = standIn;
    invalidateAll();
}

// What a run drawn in the stand-in face is drawn with.
QTextCharFormat TextFlowLayout::standInFormat() const
{
    QTextCharFormat standIn;
    standIn.setProperty(QTextFormat::FontFamily, m_standIn);
    standIn.setFontFamilies(QStringList{m_standIn});
    return standIn;
}

// Gives the paragraph's QTextLayout the stand-in face over the runs whose face is drawn in it.
// Qt works out the fallback fonts of every face it is asked for (about a millisecond each, the
// first time in the program): thousands of faces that are not on the system would otherwise
// hold the window for seconds.
void TextFlowLayout::applyStandIns(const QTextBlock &block, QTextLayout *layout) const
{
    const QTextCharFormat standIn = standInFormat();
    QList<QTextLayout::FormatRange> ranges;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QString face = faceOf(fragment.charFormat());
        if (face.isEmpty() || !m_standInFaces.contains(face.toLower()))
            continue;
        const int start = fragment.position() - block.position();
        // Runs next to each other share one range: Qt splits the text at every range's ends.
        if (!ranges.isEmpty() && ranges.constLast().start + ranges.constLast().length == start) {
            ranges.last().length += fragment.length();
            continue;
        }
        ranges.append({start, fragment.length(), standIn});
    }
    if (ranges != layout->formats())
        layout->setFormats(ranges);
}

qreal TextFlowLayout::usableWidth() const
{
    return qMax<qreal>(0, m_geometry.width - m_geometry.left - m_geometry.right);
}

// Lays out a paragraph whose lines start at x (from the document's left edge) in the given
// width: the whole text area, or the inside of a table cell.
qreal TextFlowLayout::layoutBlock(QTextBlock block, qreal x, qreal areaWidth) const
{
    return layoutParagraph(block, x, areaWidth, -1, Reach::whole());
}

// As layoutBlock; a long paragraph of the text area (its number n, -1 in a table) is laid out as
// far as `reach` asks and stays open for the rest. Returns the paragraph's height, the lines not
// made yet as tall as those made for as many characters.
qreal TextFlowLayout::layoutParagraph(QTextBlock block, qreal x, qreal areaWidth, int n, const Reach &reach) const
{
    dropOpen(n);
    QTextLayout *layout = block.layout();
    if (block.userState() != kHoldsLines)
        block.setUserState(kHoldsLines);
    const QTextBlockFormat format = block.blockFormat();
    layout->setTextOption(paragraphOption(block, areaWidth));
    // A long paragraph keeps its analysed and shaped text: without it every paint and every
    // caret query would analyse all of it again (and an open one could not go on). So does the
    // paragraph being typed into: each key lays it out, paints it and asks where the caret is.
    layout->setCacheEnabled(block.length() > kCachedParagraphLength || block.blockNumber() == m_typedBlock);

    if (!m_standInFaces.isEmpty())
        applyStandIns(block, layout);

    OpenParagraph state;
    state.block = n;
    state.y = format.topMargin() * deviceScale();
    layout->beginLayout();
    const bool mayStop = n >= 0 && block.length() > kOpenParagraphLength;
    const bool complete = makeLines(layout, block, areaWidth, mayStop ? reach : Reach::whole(), state);
    layout->endLayout();
    layout->setPosition(QPointF(x, 0));
    return finishLines(block, state, complete);
}

QTextOption TextFlowLayout::paragraphOption(const QTextBlock &block, qreal areaWidth) const
{
    const QTextBlockFormat format = block.blockFormat();
    QTextOption option = document()->defaultTextOption();
    // A paragraph reads left to right unless it says otherwise; its alignment is physical
    // (right is right in either direction).
    option.setTextDirection(paragraphFrame(block, areaWidth).rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    option.setAlignment((format.alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignAbsolute);
    if (!wraps(format))
        option.setWrapMode(QTextOption::NoWrap);
    if (!format.tabPositions().isEmpty())
        option.setTabs(format.tabPositions());
    return option;
}

bool TextFlowLayout::measurable(const QTextBlock &block, int n) const
{
    // Long paragraphs keep their lines (they are laid out in parts), pictures are sized by
    // the document, and the paragraph being typed into is laid out again at the next key.
    return !m_deferred && n != m_typedBlock && block.length() <= kCachedParagraphLength && !paintDevice()
        && !block.text().contains(QChar::ObjectReplacementCharacter);
}

// The paragraph's height and number of lines, worked out in a layout of its own that keeps
// nothing once done. Qt holds on to what a paragraph's own layout analysed (its text,
// glyphs and breaks) for as long as the document lives: a document laid out whole in idle
// time would hold all of it, about eight times its text. Its lines are made for real when
// they are needed (painted, hit, asked for by the caret or by a line number).
QList<QTextLayout::FormatRange> TextFlowLayout::paragraphFormats(const QTextBlock &block) const
{
    QList<QTextLayout::FormatRange> ranges;
    const QTextCharFormat standIn = standInFormat();
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        QTextCharFormat format = fragment.charFormat();
        if (!m_standInFaces.isEmpty() && m_standInFaces.contains(faceOf(format).toLower()))
            format.merge(standIn);
        ranges.append({fragment.position() - block.position(), fragment.length(), format});
    }
    return ranges;
}

qreal TextFlowLayout::measureParagraph(const QTextBlock &block) const
{
    const QTextDocument *doc = document();
    const QList<QTextLayout::FormatRange> ranges = paragraphFormats(block);
    // Lines made at another width or before an edit go: Qt's caret movement would take them
    // for the paragraph's own (it asks the layout only for a paragraph without lines).
    if (QTextBlock held = block; held.userState() == kHoldsLines) {
        held.layout()->clearLayout();
        held.setUserState(-1);
    }
    QTextLayout &layout = m_measuring;
    layout.setText(block.text());
    // An empty paragraph is as tall as its own format's font.
    layout.setFont(block.length() > 1 ? doc->defaultFont() : block.charFormat().font());
    layout.setFormats(ranges);
    layout.setTextOption(paragraphOption(block, usableWidth()));
    layout.setCacheEnabled(false);
    OpenParagraph state;
    state.y = block.blockFormat().topMargin() * deviceScale();
    layout.beginLayout();
    makeLines(&layout, block, usableWidth(), Reach::whole(), state);
    layout.endLayout();
    layout.clearLayout();
    return finishLines(block, state, true);
}

void TextFlowLayout::ensureLines(int n) const
{
    if (n < 0 || n >= int(m_done.size()) || m_done[n] != kMeasured)
        return;
    QTextBlock block = document()->findBlockByNumber(n);
    const qreal before = m_heights[n];
    layoutItem(block, n);
    // Both ways of laying a paragraph out give the same height; should they not, what is
    // below it moved.
    if (m_heights[n] != before)
        const_cast<QTimer &>(m_idle).start();
}

bool TextFlowLayout::wraps(const QTextBlockFormat &format) const
{
    return m_geometry.width >= 0 && !format.nonBreakableLines();
}

// Makes the paragraph's lines after those in `state` until `reach` is met (false) or the text
// ends (true).
bool TextFlowLayout::makeLines(QTextLayout *layout, const QTextBlock &block, qreal areaWidth, const Reach &reach,
                               OpenParagraph &state) const
{
    const QTextBlockFormat format = block.blockFormat();
    const ParagraphFrame frame = paragraphFrame(block, areaWidth);
    const bool wrap = wraps(format);
    const qreal scale = deviceScale();
    qreal stopY = reach.y;
    if (reach.position >= 0 && reach.position < state.end)
        stopY = qMax(stopY, layout->lineForTextPosition(reach.position).y() + reach.beyond);
    LineWidths widths(layout, state.longWordEnd);
    for (int made = 0;; ++made) {
        if (state.end > reach.position && state.y >= stopY)
            return false;
        if (reach.clock && made % 16 == 15 && reach.clock->elapsed() >= reach.untilMs)
            return false;
        QTextLine line = layout->createLine();
        if (!line.isValid())
            return true;
        line.setLeadingIncluded(true);
        const bool first = state.lines == 0;
        const qreal width = wrap ? qMax<qreal>(frame.lineWidth(first), 1) : kNoWrapWidth;
        widths.set(line, width);
        state.longWordEnd = widths.longWordEnd();
        line.setPosition(QPointF(wrap ? frame.leftOf(frame.lineStart(first), width) : frame.lineStart(first), state.y));
        const bool covers = state.end <= reach.position && line.textStart() + line.textLength() > reach.position;
        if (covers)
            stopY = qMax(stopY, state.y + reach.beyond);
        state.y += lineAdvance(line.height(), format, scale);
        state.end = line.textStart() + line.textLength();
        ++state.lines;
    }
}

qreal TextFlowLayout::finishLines(QTextBlock block, const OpenParagraph &state, bool complete) const
{
    const qreal bottom = block.blockFormat().bottomMargin() * deviceScale();
    if (block.lineCount() != qMax(state.lines, 1))
        block.setLineCount(qMax(state.lines, 1));
    if (complete) {
        dropOpen(state.block);
        return state.y + bottom;
    }
    if (OpenParagraph *open = findOpen(state.block))
        *open = state;
    else
        m_open.push_back(state);
    const int rest = block.length() - 1 - state.end;
    return state.y + (state.end > 0 ? state.y * rest / state.end : 0) + bottom;
}

TextFlowLayout::OpenParagraph *TextFlowLayout::findOpen(int n) const
{
    if (n < 0)
        return nullptr;
    for (OpenParagraph &open : m_open) {
        if (open.block == n)
            return &open;
    }
    return nullptr;
}

void TextFlowLayout::dropOpen(int n) const
{
    m_open.erase(std::remove_if(m_open.begin(), m_open.end(), [n](const OpenParagraph &o) { return o.block == n; }),
                 m_open.end());
}

// Paragraphs first..oldLast were replaced by as many as there are now, delta more.
void TextFlowLayout::replaceOpen(int first, int oldLast, int delta) const
{
    m_open.erase(std::remove_if(m_open.begin(), m_open.end(),
                                [=](const OpenParagraph &o) { return o.block >= first && o.block <= oldLast; }),
                 m_open.end());
    for (OpenParagraph &open : m_open) {
        if (open.block > oldLast)
            open.block += delta;
    }
}

// Goes on with an open paragraph as far as `reach` asks; true when it is complete.
bool TextFlowLayout::extendOpen(int n, const Reach &reach) const
{
    OpenParagraph *open = findOpen(n);
    if (!open)
        return true;
    OpenParagraph state = *open;
    QTextBlock block = document()->findBlockByNumber(n);
    QTextLayout *layout = block.layout();
    // The analysed text is kept between the runs (an edit of the paragraph closes it); asking
    // for a line has it analysed again should it be gone.
    layout->lineForTextPosition(0);
    const int before = layout->lineCount();
    bool complete = makeLines(layout, block, usableWidth(), reach, state);
    if (complete && state.end < block.length() - 1 && layout->lineCount() == before) {
        // The layout took no more lines where text is left: lay it out from its start.
        setHeight(n, layoutParagraph(block, m_geometry.left, usableWidth(), n, reach));
        complete = !findOpen(n);
    } else {
        setHeight(n, finishLines(block, state, complete));
    }
    // The paragraph's height changed: tell the view once the current work is done.
    const_cast<QTimer &>(m_idle).start();
    return complete;
}

bool TextFlowLayout::layOutAround(int position) const
{
    if (m_open.empty())
        return false;
    const QTextBlock block = document()->findBlock(position);
    const int n = block.blockNumber();
    const OpenParagraph *open = findOpen(n);
    if (!open)
        return false;
    const int inBlock = position - block.position();
    const qreal screen = viewHeight();
    if (inBlock < open->end && block.layout()->lineForTextPosition(inBlock).y() + screen <= open->y)
        return false;
    const int lines = block.layout()->lineCount();
    extendOpen(n, Reach::around(inBlock, screen));
    return block.layout()->lineCount() != lines;
}

qreal TextFlowLayout::viewHeight() const
{
    return m_viewHeight > 0 ? m_viewHeight : kScreenAhead * deviceScale();
}

int TextFlowLayout::layoutItem(QTextBlock &block, int n, const Reach &reach) const
{
    if (n == m_fast.block) { // its lines are kept up to date edit by edit
        m_done[n] = kLaidOut;
        block = block.next();
        return n + 1;
    }
    QTextTable *table = TableFlow::tableOf(block);
    if (!table) {
        const bool measure = reach.measure && measurable(block, n);
        setHeight(n, measure ? measureParagraph(block) : layoutParagraph(block, m_geometry.left, usableWidth(), n, reach));
        if (n < int(m_done.size()))
            m_done[n] = measure ? kMeasured : kLaidOut;
        block = block.next();
        return n + 1;
    }
    const LayoutParagraph layoutParagraph = [this](QTextBlock &b, qreal x, qreal width) {
        return layoutBlock(b, x, width);
    };
    TableGeometry geometry = TableFlow::layout(table, m_geometry.left, usableWidth(), deviceScale(), layoutParagraph);
    const QTextDocument *doc = document();
    const int first = doc->findBlock(table->firstPosition()).blockNumber();
    const int next = first + int(geometry.blocks.size());
    setHeight(first, geometry.height);
    for (int i = first + 1; i < next; ++i)
        setHeight(i, 0);
    for (int i = first; i < next && i < int(m_done.size()); ++i)
        m_done[i] = kLaidOut;
    if (!m_tables.contains(table)) {
        const QTextFrame *key = table;
        connect(table, &QObject::destroyed, this, [this, key] { m_tables.remove(key); });
    }
    m_tables.insert(table, std::move(geometry));
    block = doc->findBlockByNumber(next);
    return next;
}

int TextFlowLayout::itemStart(int n) const
{
    const QTextBlock block = document()->findBlockByNumber(n);
    if (const QTextTable *table = TableFlow::tableOf(block))
        return document()->findBlock(table->firstPosition()).blockNumber();
    return n;
}

int TextFlowLayout::itemEnd(int n) const
{
    const QTextBlock block = document()->findBlockByNumber(n);
    if (const QTextTable *table = TableFlow::tableOf(block))
        return document()->findBlock(table->lastPosition()).blockNumber();
    return n;
}

const TableGeometry *TextFlowLayout::tableGeometry(const QTextTable *table) const
{
    const auto it = m_tables.constFind(table);
    return it == m_tables.constEnd() ? nullptr : &it.value();
}

void TextFlowLayout::setHeight(int blockNumber, qreal height) const
{
    // Inside an edit that has not ended the document may hold paragraphs not counted yet.
    if (blockNumber < 0 || blockNumber >= int(m_heights.size()))
        return;
    const qreal delta = height - m_heights[blockNumber];
    if (delta == 0)
        return;
    m_heights[blockNumber] = height;
    m_tree.add(blockNumber, delta);
}

qreal TextFlowLayout::blockTop(int blockNumber) const
{
    return m_geometry.top + m_tree.prefix(blockNumber);
}

bool TextFlowLayout::isComplete() const
{
    return m_laidOut >= int(m_heights.size());
}

int TextFlowLayout::charactersBefore(int position) const
{
    const QTextDocument *doc = document();
    QTextBlock block = doc->findBlock(qBound(0, position, doc->characterCount() - 1));
    if (!block.isValid() || block.blockNumber() < m_laidOut)
        return 0;
    int end = position + 1;
    if (const QTextTable *table = TableFlow::tableOf(block)) // laid out whole
        end = table->lastPosition() + 1;
    int start = doc->findBlockByNumber(m_laidOut).position();
    if (const OpenParagraph *open = findOpen(m_laidOut))
        start += open->end;
    return qMax(0, end - start);
}

// A paragraph far past the laid-out ones, asked for by itself (the caret's place, the block
// of a cursor movement), is laid out alone and stands where the estimates put it, so that
// nothing waits for the layout of everything before it. Its height counts from then on.
// The paragraphs above it, for a screen's height, are laid out with it: a view that shows it
// at its bottom (the caret after Ctrl+End) then stays put when it is painted.
void TextFlowLayout::layoutAhead(int blockNumber) const
{
    blockNumber = itemStart(blockNumber);
    if (m_done[blockNumber])
        return;
    const QTextDocument *doc = document();
    QTextBlock block = doc->findBlockByNumber(blockNumber);
    const qreal screen = viewHeight();
    layoutItem(block, blockNumber, Reach::down(screen));
    qreal above = 0;
    for (int n = blockNumber; n > m_laidOut && above < screen;) {
        n = itemStart(n - 1);
        if (!m_done[n]) {
            QTextBlock before = doc->findBlockByNumber(n);
            layoutItem(before, n);
        }
        above += m_heights[n];
    }
    const_cast<QTimer &>(m_idle).start();
}

bool TextFlowLayout::isFarAhead(int blockNumber) const
{
    return blockNumber - m_laidOut > kEagerParagraphs;
}

// Lays out the item at n as far as `reach` asks, unless it was laid out ahead already (an
// open paragraph goes on); returns the next item's number.
int TextFlowLayout::layoutOrSkip(QTextBlock &block, int n, const Reach &reach) const
{
    if (findOpen(n)) {
        extendOpen(n, reach);
        block = block.next();
        return n + 1;
    }
    if (!m_done[n])
        return layoutItem(block, n, reach);
    const int next = itemEnd(n) + 1;
    block = document()->findBlockByNumber(next);
    return next;
}

// Lays out the item where the layout in order stands as far as `reach` asks, and moves past
// it when it is complete; false when a long paragraph stays open there.
bool TextFlowLayout::advance(QTextBlock &block, const Reach &reach) const
{
    const int n = m_laidOut;
    const int next = layoutOrSkip(block, n, reach);
    if (findOpen(n)) {
        block = document()->findBlockByNumber(n);
        return false;
    }
    m_laidOut = next;
    return true;
}

// What a view of the given vertical range needs: near the laid-out part, the layout goes on
// in order down to it; far past it, the paragraphs in the range are laid out ahead, where the
// estimates put them, and the layout in order catches up in idle time.
void TextFlowLayout::layoutForView(qreal top, qreal bottom) const
{
    if (isComplete() || m_heights.empty())
        return;
    int n = m_tree.find(qMax<qreal>(0, top - m_geometry.top));
    if (!isFarAhead(n)) {
        layoutUntilY(bottom);
        return;
    }
    n = itemStart(n);
    QTextBlock block = document()->findBlockByNumber(n);
    while (block.isValid() && n < int(m_heights.size()) && blockTop(n) <= bottom) {
        const int item = n;
        n = layoutOrSkip(block, n, Reach::down(bottom - blockTop(n)));
        if (findOpen(item))
            break;
    }
    const_cast<QTimer &>(m_idle).start();
}

void TextFlowLayout::layoutNext() const
{
    ensureLaidOut(m_laidOut);
}

void TextFlowLayout::ensureLaidOut(int blockNumber) const
{
    blockNumber = qMin(blockNumber, int(m_heights.size()) - 1);
    if (m_laidOut > blockNumber)
        return;
    QTextBlock block = document()->findBlockByNumber(m_laidOut);
    while (block.isValid() && m_laidOut <= blockNumber)
        advance(block, Reach::whole());
    // The document's height changed: tell the view once the current work is done.
    const_cast<QTimer &>(m_idle).start();
}

void TextFlowLayout::ensureStarted(int blockNumber) const
{
    ensureLaidOut(blockNumber - 1);
    if (m_laidOut == blockNumber) {
        QTextBlock block = document()->findBlockByNumber(blockNumber);
        advance(block, Reach::down(viewHeight()));
    }
}

void TextFlowLayout::ensurePositionLaidOut(int position) const
{
    const QTextDocument *doc = document();
    QTextBlock block = doc->findBlock(qBound(0, position, doc->characterCount() - 1));
    const int n = block.blockNumber();
    ensureLaidOut(n - 1);
    const Reach reach = Reach::around(position - block.position(), 0);
    if (m_laidOut == n)
        advance(block, reach);
    else if (findOpen(n))
        extendOpen(n, reach);
    ensureLines(n);
}

void TextFlowLayout::ensureLineLaidOut(int line) const
{
    const QTextDocument *doc = document();
    if (isComplete())
        return;
    // The lines made so far of the paragraph where the layout stands count too.
    const int made = findOpen(m_laidOut) ? m_laidOut + 1 : m_laidOut;
    if (made > 0) {
        const QTextBlock lastDone = doc->findBlockByNumber(made - 1);
        if (lastDone.firstLineNumber() + lastDone.lineCount() > line)
            return;
    }
    QTextBlock block = doc->findBlockByNumber(m_laidOut);
    while (block.isValid()) {
        advance(block, Reach::whole());
        // The lines of everything laid out come before the next paragraph's first line.
        if (!block.isValid() || block.firstLineNumber() > line)
            break;
    }
    const_cast<QTimer &>(m_idle).start();
}

void TextFlowLayout::layoutUntilY(qreal y) const
{
    if (isComplete() || blockTop(m_laidOut) > y)
        return;
    QTextBlock block = document()->findBlockByNumber(m_laidOut);
    while (block.isValid()) {
        if (!advance(block, Reach::down(y - blockTop(m_laidOut))))
            break;
        if (isComplete() || blockTop(m_laidOut) > y)
            break;
    }
    const_cast<QTimer &>(m_idle).start();
}

void TextFlowLayout::setDeferred(bool deferred)
{
    if (deferred)
        endFast();
    m_deferred = deferred;
    if (!deferred)
        m_idle.start();
}

void TextFlowLayout::layoutInIdleTime()
{
    if (m_deferred)
        return;
    QElapsedTimer slice;
    slice.start();
    QTextBlock block = document()->findBlockByNumber(m_laidOut);
    while (!isComplete() && block.isValid() && slice.elapsed() < kIdleSliceMs)
        advance(block, Reach::idle(&slice, kIdleSliceMs));
    m_idle.stop();
    emit documentSizeChanged(documentSize());
    if (!isComplete())
        m_idle.start();
    emit progressed();
}

void TextFlowLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    QTextDocument *doc = document();
    const bool edit = m_lastEdit == Edit{from, charsRemoved, charsAdded};
    m_lastEdit = Edit();
    const Geometry geometry = currentGeometry();
    if (!(geometry == m_geometry)) {
        m_geometry = geometry;
        invalidateAll();
        return;
    }
    // The document telling its layout that the page size, the default font or the default
    // text option was set (a view does so whenever it lays itself out), to what it was.
    if (!edit && from == 0 && charsRemoved == 0 && charsAdded == doc->characterCount())
        return;
    if (m_fast.block >= 0) {
        const QTextBlock block = doc->findBlockByNumber(m_fast.block);
        const bool typed = m_fast.expectEdit && block.isValid() && doc->blockCount() == int(m_heights.size())
            && from >= block.position() && from + charsRemoved <= block.position() + m_fast.lines->length()
            && from + charsAdded < block.position() + block.length();
        m_fast.expectEdit = false;
        if (typed) {
            applyFastEdit(from - block.position(), charsRemoved, charsAdded);
            return;
        }
    }
    // Any other change: the paragraph typed into goes back to its own lines once the change is
    // laid out, under its number then (paragraphs added or removed before it move it).
    int fastAfter = m_fast.block;
    const int fastCaret = m_fast.caret;
    if (fastAfter >= 0 && from + charsRemoved <= m_fast.position)
        fastAfter += doc->blockCount() - int(m_heights.size());
    m_fast = Fast();
    const auto backToOwnLines = qScopeGuard([this, fastAfter, fastCaret] { relayoutParagraph(fastAfter, fastCaret); });
    const int oldCount = int(m_heights.size());
    const int newCount = doc->blockCount();
    const int delta = newCount - oldCount;
    const int lastPos = doc->characterCount() - 1;
    int first = doc->findBlock(qBound(0, from, lastPos)).blockNumber();
    int last = doc->findBlock(qBound(0, from + charsAdded, lastPos)).blockNumber();
    if (oldCount == 0 || first < 0 || last < first || last - delta < first || last - delta >= oldCount
        || last - first >= kEagerParagraphs) {
        invalidateAll();
        return;
    }
    if (first == last)
        setTypedBlock(first);
    // Long paragraphs are never in tables: the edited range before it grows to whole tables
    // holds every open one the edit touched.
    replaceOpen(first, last - delta, delta);
    if (layoutTableRows(first, last, delta))
        return;
    // Any other edit touching a table lays out all of it again.
    first = itemStart(first);
    last = itemEnd(last);
    const int oldLast = last - delta;
    if (oldLast >= oldCount) {
        invalidateAll();
        return;
    }

    const qreal oldTotal = m_tree.total();
    const qreal oldTop = blockTop(first);
    const bool inLaidOutPart = m_laidOut > oldLast;
    // An edit in paragraphs laid out ahead (the caret's, far down) lays them out again at once.
    const bool inPartAhead = !inLaidOutPart
        && std::any_of(m_done.begin() + first, m_done.begin() + oldLast + 1, [](char done) { return done != 0; });
    if (delta != 0) {
        m_done.erase(m_done.begin() + first, m_done.begin() + oldLast + 1);
        m_done.insert(m_done.begin() + first, std::size_t(last - first + 1), 0);
        // Paragraphs first..oldLast were replaced by first..last: new running sums.
        m_heights.erase(m_heights.begin() + first, m_heights.begin() + oldLast + 1);
        std::vector<qreal> fresh;
        QTextBlock block = doc->findBlockByNumber(first);
        for (int n = first; n <= last && block.isValid(); ++n, block = block.next())
            fresh.push_back(estimateHeight(block));
        m_heights.insert(m_heights.begin() + first, fresh.begin(), fresh.end());
        m_tree.assign(m_heights);
    }
    if (inLaidOutPart || inPartAhead) {
        if (inLaidOutPart)
            m_laidOut += delta;
        // A long paragraph is laid out again down to a screen below the edit; the layout in
        // order goes on from it.
        const int editEnd = from + charsAdded;
        const qreal screen = viewHeight();
        QTextBlock block = doc->findBlockByNumber(first);
        for (int n = first; n <= last && block.isValid();) {
            const int item = n;
            n = layoutItem(block, n, Reach::around(qMax(0, editEnd - block.position()), screen));
            if (findOpen(item))
                m_laidOut = qMin(m_laidOut, item);
        }
    } else {
        std::fill(m_done.begin() + first, m_done.begin() + last + 1, 0);
        if (delta == 0) {
            QTextBlock block = doc->findBlockByNumber(first);
            for (int n = first; n <= last && block.isValid(); ++n, block = block.next())
                setHeight(n, estimateHeight(block));
        }
        m_laidOut = qMin(m_laidOut, first);
        m_idle.start();
    }

    const qreal newTotal = m_tree.total();
    if (newTotal == oldTotal) {
        const qreal bottom = blockTop(last + 1);
        emit update(QRectF(0, oldTop, kNoWrapWidth, bottom - oldTop));
    } else {
        emit update(QRectF(0, oldTop, kNoWrapWidth, kNoWrapWidth));
        emit documentSizeChanged(documentSize());
    }
}

void TextFlowLayout::setTypedBlock(int n)
{
    if (n == m_typedBlock)
        return;
    // The one typed into before lets its shaped text go when it is next laid out or painted.
    const QTextBlock before = document()->findBlockByNumber(m_typedBlock);
    if (before.isValid() && before.length() <= kCachedParagraphLength)
        before.layout()->setCacheEnabled(false);
    m_typedBlock = n;
}

// ---------------------------------------------------------------------------------------
// Typing in a long paragraph without the control

bool TextFlowLayout::fastEligible(const QTextBlock &block) const
{
    const int n = block.blockNumber();
    return block.isValid() && !m_deferred && m_standInFaces.isEmpty() && !paintDevice() && m_geometry.width >= 0
        && n < int(m_done.size()) && block.length() > kFastParagraphLength && !TableFlow::tableOf(block)
        && !block.textList() && wraps(block.blockFormat()) && !block.layout()->preeditAreaText().size()
        && !block.text().contains(QChar::ObjectReplacementCharacter);
}

bool TextFlowLayout::beginFastEdit(int position)
{
    const QTextBlock block = document()->findBlock(position);
    if (block.isValid() && block.blockNumber() == m_fast.block) {
        m_fast.expectEdit = true;
        return true;
    }
    endFast();
    if (!fastEligible(block))
        return false;
    const int n = block.blockNumber();
    const qreal width = usableWidth();
    const ParagraphFrame frame = paragraphFrame(block, width);
    auto lines = std::make_unique<ParagraphLines>(document()->defaultFont(), paragraphOption(block, width),
                                                    qMax<qreal>(frame.lineWidth(true), 1),
                                                    qMax<qreal>(frame.lineWidth(false), 1));
    // Lines the paragraph holds whole are taken as they are; otherwise it is laid out.
    const QTextLayout *layout = block.layout();
    if (block.userState() == kHoldsLines && !findOpen(n) && layout->lineCount() > 0) {
        std::vector<ParagraphLines::Line> own;
        own.reserve(size_t(layout->lineCount()));
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            own.push_back({line.textStart(), line.textLength(), line.height()});
        }
        lines->adopt(block.text(), paragraphFormats(block), std::move(own));
    } else {
        lines->reset(block.text(), paragraphFormats(block));
    }
    if (!lines->cutsFreely())
        return false; // every key would lay it out whole again: the control's way is no slower
    m_fast.lines = std::move(lines);
    dropOpen(n);
    m_fast.block = n;
    m_fast.position = block.position();
    // Qt's caret code must not take the paragraph's old lines for current ones.
    if (QTextBlock held = block; held.userState() == kHoldsLines) {
        held.layout()->clearLayout();
        held.setUserState(-1);
    }
    m_done[n] = kLaidOut;
    placeFastLines();
    m_fast.expectEdit = true;
    return true;
}

void TextFlowLayout::endFast() const
{
    if (m_fast.block < 0)
        return;
    const int n = m_fast.block;
    const int caret = m_fast.caret;
    m_fast = Fast();
    relayoutParagraph(n, caret);
}

// Lays paragraph n out again (it had no lines of its own), when it is laid out at all.
void TextFlowLayout::relayoutParagraph(int n, int caret) const
{
    if (n < 0 || n >= int(m_done.size()) || !m_done[n])
        return;
    QTextBlock block = document()->findBlockByNumber(n);
    if (!block.isValid())
        return;
    const qreal before = m_heights[n];
    layoutItem(block, n, Reach::around(qMax(0, caret - block.position()), viewHeight()));
    if (findOpen(n))
        m_laidOut = qMin(m_laidOut, n);
    auto *self = const_cast<TextFlowLayout *>(this);
    emit self->update(QRectF(0, blockTop(n), kNoWrapWidth, kNoWrapWidth));
    if (m_heights[n] != before)
        emit self->documentSizeChanged(documentSize());
}

void TextFlowLayout::placeFastLines() const
{
    QTextBlock block = document()->findBlockByNumber(m_fast.block);
    const QTextBlockFormat format = block.blockFormat();
    const qreal scale = deviceScale();
    const std::vector<ParagraphLines::Line> &lines = m_fast.lines->lines();
    m_fast.tops.resize(lines.size());
    qreal y = format.topMargin() * scale;
    for (size_t i = 0; i < lines.size(); ++i) {
        m_fast.tops[i] = y;
        y += lineAdvance(lines[i].height, format, scale);
    }
    if (block.lineCount() != int(lines.size()))
        block.setLineCount(int(lines.size()));
    setHeight(m_fast.block, y + format.bottomMargin() * scale);
}

void TextFlowLayout::applyFastEdit(int from, int removed, int added)
{
    const QTextBlock block = document()->findBlockByNumber(m_fast.block);
    const int n = m_fast.block;
    const qreal oldTotal = m_tree.total();
    const size_t oldLines = m_fast.lines->lines().size();
    m_fast.lines->update(block.text(), paragraphFormats(block), from, removed, added);
    if (!m_fast.lines->cutsFreely()) {
        endFast(); // the edit made it a paragraph laid out whole at every key (see beginFastEdit)
        return;
    }
    m_fast.cached.reset();
    m_fast.cachedFirst = -1;
    placeFastLines();
    const std::vector<qreal> &tops = m_fast.tops;
    const qreal top = blockTop(n) + tops[size_t(m_fast.lines->changedFrom())];
    if (m_tree.total() == oldTotal && m_fast.lines->lines().size() == oldLines) {
        // Only the lines laid out again changed; those after them hold the same text.
        const int end = m_fast.lines->changedEnd();
        const qreal bottom = end < int(tops.size()) ? blockTop(n) + tops[size_t(end)] : blockTop(n) + m_heights[n];
        emit update(QRectF(0, top, kNoWrapWidth, bottom - top));
    } else {
        emit update(QRectF(0, top, kNoWrapWidth, kNoWrapWidth));
        emit documentSizeChanged(documentSize());
    }
}

void TextFlowLayout::setFastCaret(int position, bool visible)
{
    if (m_fast.block < 0)
        return;
    const QRectF before = m_fast.caretOn ? fastCaretRect(m_fast.caret) : QRectF();
    m_fast.caret = position;
    m_fast.caretOn = visible;
    const QRectF after = visible ? fastCaretRect(position) : QRectF();
    if (!before.isEmpty())
        emit update(before.adjusted(-2, 0, 2, 0));
    if (!after.isEmpty())
        emit update(after.adjusted(-2, 0, 2, 0));
}

QTextLayout *TextFlowLayout::fastLayout(int from, int to) const
{
    if (m_fast.cached && from >= m_fast.cachedFirst && to < m_fast.cachedNext)
        return m_fast.cached.get();
    int first = 0, next = 0;
    // The lines just laid out again come with their layout.
    m_fast.cached = m_fast.lines->takeRecent(from, &first, &next);
    if (!m_fast.cached || to >= next)
        m_fast.cached = m_fast.lines->layoutFor(from, to, &first, &next);
    m_fast.cachedFirst = first;
    m_fast.cachedNext = next;
    // Its lines where the paragraph has them; those past its part below any clip (Qt draws the
    // lines of a layout from the first to meet the clip until the first below it).
    const QTextBlock block = document()->findBlockByNumber(m_fast.block);
    const ParagraphFrame frame = paragraphFrame(block, usableWidth());
    QTextLayout *layout = m_fast.cached.get();
    layout->setPosition(QPointF(m_geometry.left, 0));
    for (int i = 0; i < layout->lineCount(); ++i) {
        QTextLine line = layout->lineAt(i);
        const int number = first + i;
        if (number >= next) {
            line.setPosition(QPointF(0, kNoWrapWidth));
            continue;
        }
        const qreal width = qMax<qreal>(frame.lineWidth(number == 0), 1);
        line.setPosition(QPointF(frame.leftOf(frame.lineStart(number == 0), width), m_fast.tops[size_t(number)]));
    }
    return layout;
}

QRectF TextFlowLayout::fastCaretRect(int position) const
{
    if (m_fast.block < 0)
        return QRectF();
    const QTextBlock block = document()->findBlockByNumber(m_fast.block);
    const int inBlock = position - block.position();
    if (inBlock < 0 || inBlock >= block.length())
        return QRectF();
    const int number = m_fast.lines->lineAt(inBlock);
    const QTextLayout *layout = fastLayout(number, number);
    const int start = m_fast.lines->lines()[size_t(m_fast.cachedFirst)].start;
    const QTextLine line = layout->lineAt(number - m_fast.cachedFirst);
    const qreal x = layout->position().x() + line.cursorToX(inBlock - start);
    return QRectF(x, blockTop(m_fast.block) + line.y(), 1, line.height());
}

int TextFlowLayout::fastLineAt(int position) const
{
    if (m_fast.block < 0)
        return -1;
    const QTextBlock block = document()->findBlockByNumber(m_fast.block);
    const int inBlock = position - block.position();
    if (inBlock < 0 || inBlock >= block.length())
        return -1;
    return m_fast.lines->lineAt(inBlock);
}

int TextFlowLayout::fastLineStart(int blockNumber, int line) const
{
    if (blockNumber != m_fast.block || line < 0 || line >= int(m_fast.lines->lines().size()))
        return -1;
    return m_fast.lines->lines()[size_t(line)].start;
}

void TextFlowLayout::drawFast(QPainter *painter, const QTextBlock &block, const QRectF &box,
                              const PaintContext &context, const QRectF &clip, int cursorWidth) const
{
    const QTextBlockFormat format = block.blockFormat();
    if (format.background().style() != Qt::NoBrush)
        painter->fillRect(box, format.background());
    const std::vector<qreal> &tops = m_fast.tops;
    auto lineAtY = [&](qreal y) {
        const auto it = std::upper_bound(tops.begin(), tops.end(), y - box.top());
        return qMax(0, int(it - tops.begin()) - 1);
    };
    const int from = lineAtY(qMax(clip.top(), box.top()));
    const int to = lineAtY(qMin(clip.bottom(), box.bottom()));
    const QPointF origin(0, box.top());
    // The lines in view, a layout at a time: the one that holds the first line not drawn yet
    // (those just laid out again come with theirs).
    for (int line = from; line <= to; line = m_fast.cachedNext) {
        const QTextLayout *layout = fastLayout(line, line);
        const int start = m_fast.lines->lines()[size_t(m_fast.cachedFirst)].start;
        const int length = int(layout->text().size());
        QList<QTextLayout::FormatRange> selections;
        for (const Selection &selection : context.selections) {
            const int a = qMax(0, selection.cursor.selectionStart() - block.position() - start);
            const int b = qMin(length, selection.cursor.selectionEnd() - block.position() - start);
            if (a < b)
                selections.append({a, b - a, selection.format});
        }
        layout->draw(painter, origin, selections, clip);
    }
    const int caret = m_fast.caret - block.position();
    if (m_fast.caretOn && caret >= 0 && caret < block.length()) {
        const int number = m_fast.lines->lineAt(caret);
        QTextLayout *layout = fastLayout(number, number);
        const int caretStart = m_fast.lines->lines()[size_t(m_fast.cachedFirst)].start;
        layout->drawCursor(painter, origin, caret - caretStart, cursorWidth);
    }
}

bool TextFlowLayout::layoutTableRows(int first, int last, int delta)
{
    const QTextDocument *doc = document();
    QTextTable *table = TableFlow::tableOf(doc->findBlockByNumber(first));
    if (!table || TableFlow::tableOf(doc->findBlockByNumber(last)) != table)
        return false;
    const auto it = m_tables.find(table);
    if (it == m_tables.end())
        return false;
    TableGeometry &geometry = it.value();
    const int tableFirst = doc->findBlock(table->firstPosition()).blockNumber();
    const int oldLast = last - delta;
    // The table must be laid out where it stands, at the current geometry (not ahead of the
    // others on its own), and the paragraphs the edit replaced must all have been its own.
    const int oldTableLast = tableFirst + int(geometry.blocks.size()) - 1;
    if (m_laidOut <= oldTableLast || first < tableFirst || oldLast < first || oldLast > oldTableLast)
        return false;
    const qreal tableTop = blockTop(tableFirst);
    const qreal oldTotal = m_tree.total();
    const LayoutParagraph layoutParagraph = [this](QTextBlock &b, qreal x, qreal width) {
        return layoutBlock(b, x, width);
    };
    const TableFlow::RowChange change =
        TableFlow::relayoutRows(table, geometry, first - tableFirst, oldLast - first + 1, last - first + 1,
                                m_geometry.left, usableWidth(), deviceScale(), layoutParagraph);
    if (!change.isValid())
        return false;
    if (delta != 0) {
        // The table's other paragraphs carry no height: the edited ones are replaced by as
        // many new ones as there are now, with none.
        const qreal tableHeight = m_heights[tableFirst];
        m_heights.erase(m_heights.begin() + first, m_heights.begin() + oldLast + 1);
        m_heights.insert(m_heights.begin() + first, size_t(last - first + 1), qreal(0));
        m_heights[tableFirst] = tableHeight;
        m_done.erase(m_done.begin() + first, m_done.begin() + oldLast + 1);
        m_done.insert(m_done.begin() + first, size_t(last - first + 1), kLaidOut);
        m_tree.assign(m_heights);
        m_laidOut += delta;
    }
    setHeight(tableFirst, geometry.height);

    // Repaint the rows laid out, with their borders, and everything below them when they
    // changed height.
    const qreal margin = 4 * deviceScale();
    const qreal top = tableTop + geometry.rowY[change.firstRow] - margin;
    if (change.shift == 0 && m_tree.total() == oldTotal) {
        const qreal bottom = tableTop + geometry.rowY[change.lastRow] + geometry.rowHeights[change.lastRow] + margin;
        emit update(QRectF(0, top, kNoWrapWidth, bottom - top));
    } else {
        emit update(QRectF(0, top, kNoWrapWidth, kNoWrapWidth));
        emit documentSizeChanged(documentSize());
    }
    return true;
}

int TextFlowLayout::pageCount() const
{
    return 1;
}

QSizeF TextFlowLayout::documentSize() const
{
    const qreal width = m_geometry.width >= 0 ? m_geometry.width : 0;
    return QSizeF(width, m_geometry.top + m_tree.total() + m_geometry.bottom);
}

QRectF TextFlowLayout::frameBoundingRect(QTextFrame *frame) const
{
    if (frame == document()->rootFrame())
        return QRectF(QPointF(0, 0), documentSize());
    auto *table = qobject_cast<QTextTable *>(frame);
    QTextTable *outermost = table ? TableFlow::tableOf(document()->findBlock(table->firstPosition())) : nullptr;
    if (!outermost)
        return QRectF();
    const int first = document()->findBlock(outermost->firstPosition()).blockNumber();
    ensureLaidOut(first);
    const TableGeometry *geometry = tableGeometry(outermost);
    if (geometry && table != outermost)
        geometry = geometry->find(table);
    if (!geometry || first >= int(m_heights.size()))
        return QRectF();
    return QRectF(geometry->left, blockTop(first) + geometry->top, geometry->width, geometry->height);
}

QRectF TextFlowLayout::blockBoundingRect(const QTextBlock &block) const
{
    if (!block.isValid() || block.document() != document())
        return QRectF();
    const int n = block.blockNumber();
    // Inside an edit that has not ended (a paste in one undo step) the document may already
    // hold paragraphs the layout has not been told of: they have no place until it ends.
    if (n >= int(m_heights.size()))
        return QRectF();
    if (n == m_fast.block)
        endFast(); // whoever asks reads the paragraph's own lines next
    if (m_deferred)
        ; // where the estimates put it
    else if (isFarAhead(n))
        layoutAhead(n);
    else
        ensureStarted(n);
    if (!m_deferred)
        ensureLines(n);
    if (const QTextTable *table = TableFlow::tableOf(block)) {
        // A paragraph in a cell: its place in the table, below the table's top.
        const int first = document()->findBlock(table->firstPosition()).blockNumber();
        const TableGeometry *geometry = tableGeometry(table);
        if (geometry && n - first >= 0 && n - first < int(geometry->blocks.size())) {
            const TablePlace &place = geometry->blocks[n - first];
            return QRectF(place.x, blockTop(first) + place.y, place.width, place.height);
        }
    }
    return QRectF(m_geometry.left, blockTop(n), usableWidth(), m_heights[n]);
}

int TextFlowLayout::hitParagraph(const QTextBlock &block, const QPointF &point, Qt::HitTestAccuracy accuracy) const
{
    const QTextLayout *layout = block.layout();
    const QPointF local = point - layout->position();
    QTextLine line;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine candidate = layout->lineAt(i);
        line = candidate;
        if (local.y() < candidate.y() + candidate.height())
            break;
    }
    if (!line.isValid())
        return block.position();
    if (accuracy == Qt::ExactHit) {
        const QRectF rect = line.naturalTextRect();
        if (!rect.contains(QPointF(local.x(), qBound(rect.top(), local.y(), rect.bottom()))))
            return -1;
    }
    return block.position() + line.xToCursor(local.x(), QTextLine::CursorBetweenCharacters);
}

int TextFlowLayout::hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const
{
    endFast(); // a click: the control places the caret from the paragraph's own lines
    const QTextDocument *doc = document();
    layoutForView(point.y(), point.y());
    if (point.y() < m_geometry.top)
        return accuracy == Qt::ExactHit ? -1 : 0;
    int n = m_tree.find(point.y() - m_geometry.top);
    QTextBlock block = doc->findBlockByNumber(n);
    if (isFarAhead(n))
        layoutAhead(n);
    else
        ensureStarted(n);
    ensureLines(n);
    if (findOpen(n))
        extendOpen(n, Reach::down(point.y() - blockTop(n)));
    const qreal top = blockTop(n);
    if (point.y() >= top + m_heights[n] && n == int(m_heights.size()) - 1)
        return accuracy == Qt::ExactHit ? -1 : doc->characterCount() - 1;
    if (QTextTable *table = TableFlow::tableOf(block)) {
        const TableGeometry *geometry = tableGeometry(table);
        if (!geometry || geometry->rowY.empty())
            return accuracy == Qt::ExactHit ? -1 : block.position();
        // The cell under the point (in a table in a cell, when the point is on it), then the
        // last of its paragraphs that begins above it.
        const int first = doc->findBlock(table->firstPosition()).blockNumber();
        const QPointF local(point.x(), point.y() - blockTop(first));
        block = doc->findBlockByNumber(TableFlow::blockAt(table, *geometry, first, local));
        return hitParagraph(block, local, accuracy);
    }
    return hitParagraph(block, point - QPointF(0, top), accuracy);
}

// The marker stands where the first line would start without it, on the paragraph's start side.
void TextFlowLayout::drawListMarker(QPainter *painter, const QTextBlock &block, const QPointF &origin,
                                    qreal width) const
{
    const QTextLayout *layout = block.layout();
    if (layout->lineCount() == 0)
        return;
    const ParagraphFrame frame = paragraphFrame(block, width);
    const QTextCharFormat charFormat = markerFormat(block);
    const QString text = markerText(block);
    const QFont font(charFormat.font(), painter->device());
    const qreal advance = QFontMetricsF(font).horizontalAdvance(text);
    const qreal x = layout->position().x()
        + frame.leftOf(frame.start + block.blockFormat().textIndent() * deviceScale(), advance);
    const QTextLine firstLine = layout->lineAt(0);
    painter->save();
    painter->setFont(font);
    painter->setLayoutDirection(frame.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    if (charFormat.hasProperty(QTextFormat::ForegroundBrush) && charFormat.foreground().style() != Qt::NoBrush)
        painter->setPen(charFormat.foreground().color());
    painter->drawText(QPointF(origin.x() + x, origin.y() + layout->position().y() + firstLine.y() + firstLine.ascent()),
                      text);
    painter->restore();
}

void TextFlowLayout::drawParagraph(QPainter *painter, const QTextBlock &block, const QPointF &origin,
                                   const QRectF &box, const PaintContext &context, const QRectF &clip,
                                   int cursorWidth) const
{
    const QTextBlockFormat format = block.blockFormat();
    QTextLayout *layout = block.layout();
    if (format.background().style() != Qt::NoBrush)
        painter->fillRect(box, format.background());

    const int blockStart = block.position();
    const int textLength = block.length() - 1;
    QList<QTextLayout::FormatRange> selections;
    for (const Selection &selection : context.selections) {
        const int start = selection.cursor.selectionStart() - blockStart;
        const int end = selection.cursor.selectionEnd() - blockStart;
        if (end <= 0 || start > textLength)
            continue;
        QTextLayout::FormatRange range;
        range.start = qMax(0, start);
        range.length = qMin(end, textLength) - range.start;
        range.format = selection.format;
        if (range.length > 0)
            selections.append(range);
        if (end > textLength && layout->lineCount() > 0 && !findOpen(block.blockNumber())) {
            // The paragraph break is selected too: mark it where the last line's text ends.
            const QTextLine lastLine = layout->lineAt(layout->lineCount() - 1);
            const QRectF text = lastLine.naturalTextRect();
            const qreal markWidth = kBreakMarkWidth * deviceScale();
            const bool rightToLeft = format.layoutDirection() == Qt::RightToLeft;
            const qreal x = rightToLeft ? text.left() - markWidth : text.right();
            const QRectF mark(origin.x() + layout->position().x() + x,
                              origin.y() + layout->position().y() + lastLine.y(), markWidth, lastLine.height());
            painter->fillRect(mark, selection.format.background());
        }
    }
    layout->draw(painter, origin, selections, clip);
    if (block.textList())
        drawListMarker(painter, block, origin, box.width());
    if (context.cursorPosition >= blockStart && context.cursorPosition < blockStart + block.length())
        layout->drawCursor(painter, origin, context.cursorPosition - blockStart, cursorWidth);
}

// A table: shading, then a selection of whole cells, the cells' paragraphs, and the borders
// over them.
void TextFlowLayout::drawTable(QPainter *painter, QTextTable *table, qreal top, const PaintContext &context,
                               const QRectF &clip, int cursorWidth) const
{
    const TableGeometry *geometry = tableGeometry(table);
    if (!geometry)
        return;
    TableFlow::drawBackgrounds(painter, table, *geometry, top, clip);
    // Only the cells that meet the clip, and their paragraphs, are visited.
    const std::vector<QTextTableCell> visible = TableFlow::cellsIn(table, *geometry, clip.top() - top, clip.bottom() - top);
    PaintContext inCells = context;
    inCells.selections.clear();
    // A selection of a block of cells, in this table or in one in its cells, fills them whole;
    // any other draws in the paragraphs as usual.
    QList<const Selection *> ofCells;
    for (const Selection &selection : context.selections) {
        const QTextCursor &cursor = selection.cursor;
        if (cursor.hasComplexSelection()
            && (cursor.currentTable() == table || geometry->find(cursor.currentTable())))
            ofCells.append(&selection);
        else
            inCells.selections.append(selection);
    }
    const auto fillSelected = [&](QTextTable *shown, const TableGeometry &g) {
        for (const Selection *selection : ofCells) {
            const QTextCursor &cursor = selection->cursor;
            if (cursor.currentTable() != shown)
                continue;
            int firstRow, rows, firstColumn, columns;
            cursor.selectedTableCells(&firstRow, &rows, &firstColumn, &columns);
            for (const QTextTableCell &cell :
                 shown == table ? visible : TableFlow::cellsIn(shown, g, clip.top() - top, clip.bottom() - top)) {
                if (cell.row() >= firstRow && cell.row() < firstRow + rows && cell.column() >= firstColumn
                    && cell.column() < firstColumn + columns)
                    painter->fillRect(g.cellRect(cell).translated(0, top), selection->format.background());
            }
        }
    };
    if (!ofCells.isEmpty())
        TableFlow::forEachTable(table, *geometry, clip.top() - top, clip.bottom() - top, fillSelected);
    // Cells follow each other row by row in the document: the paragraphs to draw begin with the
    // first one of the visible cells and end before the first row below the clip.
    const QTextDocument *doc = document();
    const int first = doc->findBlock(table->firstPosition()).blockNumber();
    int from = int(geometry->blocks.size());
    for (const QTextTableCell &cell : visible)
        from = qMin(from, doc->findBlock(cell.firstPosition()).blockNumber() - first);
    QTextBlock block = doc->findBlockByNumber(first + from);
    for (int index = qMax(0, from); index < int(geometry->blocks.size()) && block.isValid();
         ++index, block = block.next()) {
        const TablePlace &place = geometry->blocks[index];
        if (top + geometry->rowY[place.row] > clip.bottom())
            break;
        const QRectF box(place.x, top + place.y, place.width, place.height);
        if (box.bottom() >= clip.top() && box.top() <= clip.bottom())
            drawParagraph(painter, block, QPointF(0, top), box, inCells, clip, cursorWidth);
    }
    TableFlow::drawBorders(painter, table, *geometry, top, deviceScale(), clip);
}

void TextFlowLayout::draw(QPainter *painter, const PaintContext &context)
{
    const QTextDocument *doc = document();
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(0, 0, kNoWrapWidth, documentSize().height());
    layoutForView(clip.top(), clip.bottom());
    if (m_heights.empty())
        return;
    const int cursorWidth = property("cursorWidth").isValid() ? property("cursorWidth").toInt() : 1;
    painter->save();
    painter->setPen(context.palette.color(QPalette::Text));
    int n = m_tree.find(qMax<qreal>(0, clip.top() - m_geometry.top));
    QTextBlock block = doc->findBlockByNumber(n);
    while (block.isValid() && n < int(m_done.size())) {
        const qreal top = blockTop(n);
        if (top > clip.bottom() || !m_done[n])
            break;
        if (QTextTable *table = TableFlow::tableOf(block)) {
            drawTable(painter, table, top, context, clip, cursorWidth);
            n = doc->findBlock(table->lastPosition()).blockNumber() + 1;
            block = doc->findBlockByNumber(n);
            continue;
        }
        ensureLines(n);
        const QRectF box(m_geometry.left, top, usableWidth(), m_heights[n]);
        if (n == m_fast.block)
            drawFast(painter, block, box, context, clip, cursorWidth);
        else
            drawParagraph(painter, block, QPointF(0, top), box, context, clip, cursorWidth);
        block = block.next();
        ++n;
    }
    painter->restore();
}

// Rows of a table: a row that would cross the bottom of the page starts the next one; a row
// taller than a page breaks between the lines of its cells.
void TextFlowLayout::tablePageTops(QTextTable *table, qreal top, qreal pageHeight, QList<qreal> &tops) const
{
    const TableGeometry *geometry = tableGeometry(table);
    if (!geometry)
        return;
    const QTextDocument *doc = document();
    const int first = doc->findBlock(table->firstPosition()).blockNumber();
    for (int r = 0; r < int(geometry->rowY.size()); ++r) {
        const qreal rowTop = top + geometry->rowY[r];
        const qreal rowBottom = rowTop + geometry->rowHeights[r];
        if (rowBottom > tops.last() + pageHeight && rowTop > tops.last())
            tops.append(rowTop);
        if (rowBottom <= tops.last() + pageHeight)
            continue;
        QList<QPair<qreal, qreal>> lines; // top and height of every line in the row
        QTextBlock block = doc->findBlockByNumber(first);
        for (const TablePlace &place : geometry->blocks) {
            if (!block.isValid())
                break;
            if (place.row == r) {
                const QTextLayout *layout = block.layout();
                for (int i = 0; i < layout->lineCount(); ++i)
                    lines.append({top + place.y + layout->lineAt(i).y(), layout->lineAt(i).height()});
            }
            block = block.next();
        }
        std::sort(lines.begin(), lines.end());
        for (const auto &[lineTop, lineHeight] : lines) {
            if (lineTop + lineHeight > tops.last() + pageHeight && lineTop > tops.last())
                tops.append(lineTop);
        }
    }
}

QList<qreal> TextFlowLayout::pageTops(qreal pageHeight) const
{
    QList<qreal> tops{0};
    if (m_heights.empty() || pageHeight <= 0)
        return tops;
    endFast();
    ensureLaidOut(int(m_heights.size()) - 1);
    const QTextDocument *doc = document();
    int n = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next(), ++n) {
        const qreal top = blockTop(n);
        if ((block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) && top > tops.last())
            tops.append(top); // the paragraph asks to begin a page
        if (QTextTable *table = TableFlow::tableOf(block)) {
            tablePageTops(table, top, pageHeight, tops);
            n = doc->findBlock(table->lastPosition()).blockNumber();
            block = doc->findBlockByNumber(n);
            continue;
        }
        ensureLines(n);
        const QTextLayout *layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const qreal lineTop = top + line.y();
            // A line that would cross the bottom of the page starts the next one.
            if (lineTop + line.height() > tops.last() + pageHeight && lineTop > tops.last())
                tops.append(lineTop);
        }
    }
    return tops;
}
