#pragma once

#include "ParagraphLines.h"
#include "TableFlow.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QHash>
#include <QFont>
#include <QTextBlock>
#include <QTextLayout>
#include <QSet>
#include <QTextOption>
#include <QTimer>

#include <climits>
#include <memory>
#include <vector>

// The horizontal frame of one paragraph, in device units from the left edge of the text area
// (the left margin of the layout). "Start" is the side a paragraph's lines begin on: the left
// in a left-to-right paragraph, the right in a right-to-left one.
struct ParagraphFrame
{
    bool rightToLeft = false;
    qreal width = 0;     // of the text area
    qreal start = 0;     // margin on the start side, for every line
    qreal end = 0;       // margin on the end side
    qreal firstLine = 0; // further offset of the first line from the start margin (may be negative)

    // Offset of a line's start from the start edge of the text area.
    qreal lineStart(bool firstLineOfParagraph) const { return start + (firstLineOfParagraph ? firstLine : 0); }
    // Room for the text of a line.
    qreal lineWidth(bool firstLineOfParagraph) const { return width - end - lineStart(firstLineOfParagraph); }
    // Left edge of a line, of the given width, that starts at the given offset from the start edge.
    qreal leftOf(qreal offsetFromStart, qreal itemWidth) const
    {
        return rightToLeft ? width - offsetFromStart - itemWidth : offsetFromStart;
    }
};

// Running sums over a sequence of values (the paragraph heights): point update, prefix sum
// and search by sum, all O(log n).
class HeightTree
{
public:
    void assign(const std::vector<qreal> &values);
    void add(int index, qreal delta);
    qreal prefix(int count) const; // sum of the first count values
    qreal total() const { return prefix(m_size); }
    // The index of the value that holds the offset y: the largest i with prefix(i) <= y,
    // at most size - 1.
    int find(qreal y) const;
    int size() const { return m_size; }

private:
    std::vector<qreal> m_tree; // 1-based Fenwick tree
    int m_size = 0;
};

// The editor's document layout: paragraphs one under the other in the root frame, each laid
// out by its own QTextLayout. Unlike Qt's general layout, an edit re-lays out only the
// paragraphs it touched: the paragraphs' vertical places come from running sums of their
// heights, so nothing after the edit is moved one by one. Paragraphs are laid out in document
// order; after a change of the width or the default font they are laid out again on demand
// (what is shown, what is asked for) and in idle time, where a short paragraph far from the
// view is only measured: its height and line count, its lines made once they are needed. A
// paragraph longer than a few screens is laid out as far as it is needed, the rest of its
// lines in idle time. A table is one item of that sequence:
// its first paragraph carries the height of the whole table in the running sums (its other
// paragraphs none), its cells' paragraphs stand side by side, and a table in a cell is laid out
// as a table inside that cell, as part of the same item. It is laid out whole, except after an
// edit inside its cells (tables in them included) that leaves its rows, columns and format as
// they were: then only the rows holding the edited paragraphs are. Each paragraph's number of display lines is
// stored as the block's line count, so QTextDocument finds lines in O(log n).
class TextFlowLayout : public QAbstractTextDocumentLayout
{
    Q_OBJECT
public:
    explicit TextFlowLayout(QTextDocument *doc);

    void draw(QPainter *painter, const PaintContext &context) override;
    int hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override;
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame *frame) const override;
    QRectF blockBoundingRect(const QTextBlock &block) const override;

    // Lays out every paragraph up to and including the given one.
    void ensureLaidOut(int blockNumber) const;
    // Lays out every paragraph before the one holding the position, and that one down to the
    // line holding it.
    void ensurePositionLaidOut(int position) const;
    // Lays out paragraphs until the given display line (0-based) is laid out, or all of them.
    void ensureLineLaidOut(int line) const;
    // Paragraphs laid out in idle time far from the view keep only their height and number
    // of lines; this makes the lines of paragraph n if it has none.
    void ensureLines(int n) const;
    // True when every paragraph is laid out at the current width.
    bool isComplete() const;
    // Characters the layout has still to do, in document order, before the line holding the
    // position is laid out; 0 when it is.
    int charactersBefore(int position) const;
    // A long paragraph is laid out as far as it is needed. When the position lies in one and
    // its lines do not yet reach a screen below the position, makes them; true when it did.
    bool layOutAround(int position) const;

signals:
    // The layout went on in idle time (the paragraphs laid out so far may cover more lines).
    void progressed();

public:
    // Faces drawn in another one: text in any of `faces` (lower case) is laid out and drawn in
    // `standIn`; the document keeps its own face names. An empty set draws every face as the
    // document names it. Lays the document out again when the set changes.
    void setStandInFaces(const QSet<QString> &faces, const QString &standIn);

    // While deferred, nothing is laid out in idle time and a paragraph's rectangle is where
    // the estimates put it: a document being read is not laid out at a width no view has, and
    // a view taking it on gets its scroll bars before the first layout, which is then done
    // once, at the width the view keeps.
    void setDeferred(bool deferred);

    // Height of the view that shows the document (0 when there is none): a paragraph laid
    // out far ahead of the others is laid out with that much of the text above it.
    void setViewHeight(qreal height) { m_viewHeight = height; }

    // Typing in a long paragraph. The editor types into one (no selection, no other change in
    // between) without its control, whose caret code reads the paragraph's own QTextLayout and
    // makes it analyse the whole paragraph at every key; the paragraph's lines are then kept by
    // ParagraphLines, laid out again only around each edit, and drawn from layouts of their
    // own. Anything else that needs the paragraph's own lines (another edit, a click, a key the
    // control handles, its rectangle asked for) ends this first: the paragraph is laid out as
    // usual again.
    //
    // Before the editor's next change to the document: true when that change may go to the
    // paragraph holding `position` this way (it is long, of the text area, wraps, holds no
    // picture, is in no list or table, and no faces are drawn in a stand-in).
    bool beginFastEdit(int position);
    void endFast() const;
    bool isFast() const { return m_fast.block >= 0; }
    // The caret drawn in the paragraph while typing goes on there (the control's is not).
    void setFastCaret(int position, bool visible);
    // Where the caret at `position` of the paragraph typed into is (document coordinates);
    // an empty rectangle for any other position.
    QRectF fastCaretRect(int position) const;
    // The display line of that paragraph holding `position` (counted in the paragraph), and
    // where a line of it starts (in the paragraph); -1 for other paragraphs.
    int fastLineAt(int position) const;
    int fastLineStart(int blockNumber, int line) const;

    // Where each printed page starts in the laid-out document, for pages of the given
    // height: a line that would not fit whole on a page begins the next one, and so does a
    // table row (a row taller than a page breaks between lines).
    QList<qreal> pageTops(qreal pageHeight) const;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    // How far a long paragraph is laid out: until its lines hold `position` (in the paragraph)
    // and reach `beyond` below it, and reach `y` (from its top), or until the clock shows
    // `untilMs`.
    struct Reach
    {
        int position = -1;
        qreal beyond = 0;
        qreal y = 0;
        const QElapsedTimer *clock = nullptr;
        qint64 untilMs = 0;
        bool measure = false; // a short paragraph may be measured instead (see measureParagraph)

        static Reach whole() { return Reach{INT_MAX, 0, 0, nullptr, 0}; }
        static Reach down(qreal y) { return Reach{-1, 0, y, nullptr, 0}; }
        static Reach around(int position, qreal beyond) { return Reach{position, beyond, 0, nullptr, 0}; }
        static Reach until(const QElapsedTimer *clock, qint64 ms) { return Reach{INT_MAX, 0, 0, clock, ms}; }
        static Reach idle(const QElapsedTimer *clock, qint64 ms) { return Reach{INT_MAX, 0, 0, clock, ms, true}; }
    };
    // A long paragraph whose lines are made as far as they were needed.
    struct OpenParagraph
    {
        int block = -1;       // its number
        qreal y = 0;          // where its next line goes, from its top
        int lines = 0;        // made so far
        int end = 0;          // position (in the paragraph) after the last line made
        int longWordEnd = -1; // end of an over-long word being cut into lines
    };

    struct Geometry
    {
        qreal width = -1;
        QFont font;
        qreal left = 0, top = 0, right = 0, bottom = 0;
        // What the paragraphs take from the document's default text option.
        QTextOption::WrapMode wrapMode = QTextOption::WordWrap;
        int flags = 0;
        qreal tabStop = 0;
        QList<QTextOption::Tab> tabs;
        qreal indentWidth = 0;
        bool operator==(const Geometry &o) const
        {
            return width == o.width && font == o.font && left == o.left && top == o.top && right == o.right
                && bottom == o.bottom && wrapMode == o.wrapMode && flags == o.flags && tabStop == o.tabStop
                && tabs == o.tabs && indentWidth == o.indentWidth;
        }
    };
    // The last change of the text the document announced.
    struct Edit
    {
        int from = -1, removed = 0, added = 0;
        bool operator==(const Edit &o) const { return from == o.from && removed == o.removed && added == o.added; }
    };
    Edit m_lastEdit;
    Geometry currentGeometry() const;
    void invalidateAll();
    QTextCharFormat standInFormat() const;
    void applyStandIns(const QTextBlock &block, QTextLayout *layout) const;
    qreal estimateHeight(const QTextBlock &block) const;
    qreal usableWidth() const;
    qreal layoutBlock(QTextBlock block, qreal x, qreal width) const;
    qreal layoutParagraph(QTextBlock block, qreal x, qreal areaWidth, int n, const Reach &reach) const;
    bool wraps(const QTextBlockFormat &format) const;
    bool makeLines(QTextLayout *layout, const QTextBlock &block, qreal areaWidth, const Reach &reach,
                   OpenParagraph &state) const;
    QTextOption paragraphOption(const QTextBlock &block, qreal areaWidth) const;
    bool measurable(const QTextBlock &block, int n) const;
    qreal measureParagraph(const QTextBlock &block) const;
    qreal finishLines(QTextBlock block, const OpenParagraph &state, bool complete) const;
    OpenParagraph *findOpen(int n) const;
    void dropOpen(int n) const;
    void replaceOpen(int first, int oldLast, int delta) const;
    bool extendOpen(int n, const Reach &reach) const;
    bool advance(QTextBlock &block, const Reach &reach) const;
    void ensureStarted(int blockNumber) const;
    qreal viewHeight() const;
    // Lays out the item the paragraph (number n) belongs to: itself (a long one as far as
    // `reach` asks), or the whole table around it. Moves block to the paragraph after the item
    // and returns that paragraph's number.
    int layoutItem(QTextBlock &block, int n, const Reach &reach = Reach::whole()) const;
    // After an edit of paragraphs first..last (delta more than before) that stays inside one
    // laid-out table, lays out only the rows holding them; false when the whole table must be.
    bool layoutTableRows(int first, int last, int delta);
    // First and last paragraph of the item that holds paragraph n.
    int itemStart(int n) const;
    int itemEnd(int n) const;
    const TableGeometry *tableGeometry(const QTextTable *table) const;
    void setHeight(int blockNumber, qreal height) const;
    void layoutNext() const;
    void layoutAhead(int blockNumber) const;
    void layoutUntilY(qreal y) const;
    void layoutForView(qreal top, qreal bottom) const;
    bool isFarAhead(int blockNumber) const;
    int layoutOrSkip(QTextBlock &block, int n, const Reach &reach = Reach::whole()) const;
    qreal blockTop(int blockNumber) const;
    void layoutInIdleTime();
    void drawListMarker(QPainter *painter, const QTextBlock &block, const QPointF &origin, qreal width) const;
    // Draws one paragraph whose QTextLayout is placed relative to origin; box is its rect.
    void drawParagraph(QPainter *painter, const QTextBlock &block, const QPointF &origin, const QRectF &box,
                       const PaintContext &context, const QRectF &clip, int cursorWidth) const;
    void drawTable(QPainter *painter, QTextTable *table, qreal top, const PaintContext &context, const QRectF &clip,
                   int cursorWidth) const;
    // The position under a point given relative to the origin the paragraph's layout is placed from.
    int hitParagraph(const QTextBlock &block, const QPointF &point, Qt::HitTestAccuracy accuracy) const;
    void tablePageTops(QTextTable *table, qreal top, qreal pageHeight, QList<qreal> &tops) const;
    qreal firstLineOffset(const QTextBlock &block) const;
    ParagraphFrame paragraphFrame(const QTextBlock &block, qreal width) const;
    qreal deviceScale() const;

    // The paragraph typed into without the control (see beginFastEdit).
    struct Fast
    {
        int block = -1;
        int position = 0; // of its first character
        std::unique_ptr<ParagraphLines> lines;
        std::vector<qreal> tops; // of its lines, from the paragraph's top
        qreal bottomMargin = 0;
        bool expectEdit = false; // the next change of the document is the editor's
        int caret = -1;
        bool caretOn = true;
        // The layout last drawn from, and the lines it holds as the paragraph has them.
        int cachedFirst = -1;
        int cachedNext = -1;
        std::unique_ptr<QTextLayout> cached;
    };
    mutable Fast m_fast;
    bool fastEligible(const QTextBlock &block) const;
    void placeFastLines() const;
    void relayoutParagraph(int n, int caret) const;
    void applyFastEdit(int from, int removed, int added);
    QList<QTextLayout::FormatRange> paragraphFormats(const QTextBlock &block) const;
    // A layout that holds lines [from, to] of the paragraph typed into, its lines placed where
    // the paragraph has them.
    QTextLayout *fastLayout(int from, int to) const;
    void drawFast(QPainter *painter, const QTextBlock &block, const QRectF &box, const PaintContext &context,
                  const QRectF &clip, int cursorWidth) const;

    // The paragraph last edited alone, by number: it keeps its shaped text like a long one.
    void setTypedBlock(int n);
    int m_typedBlock = -1;

    mutable std::vector<qreal> m_heights;
    mutable HeightTree m_tree;
    mutable int m_laidOut = 0; // paragraphs [0, m_laidOut) are laid out at m_geometry
    // Per paragraph: laid out at m_geometry. Past m_laidOut this marks the paragraphs laid out
    // ahead at their estimated places: the caret's, and those of a view far down the document
    // (a document just opened and shown at its end).
    mutable std::vector<char> m_done;
    static constexpr char kLaidOut = 1;
    static constexpr char kMeasured = 2; // height and line count only
    mutable QTextLayout m_measuring;
    // A block's user state while its own QTextLayout holds lines (-1 otherwise).
    static constexpr int kHoldsLines = 1;
    // Long paragraphs laid out only in part; the layout in order never passes one.
    mutable std::vector<OpenParagraph> m_open;
    Geometry m_geometry;
    QSet<QString> m_standInFaces;
    QString m_standIn;
    QTimer m_idle;
    bool m_deferred = false;
    qreal m_viewHeight = 0;
    // The tables laid out so far, by their frame (an entry goes when its table does).
    mutable QHash<const QTextFrame *, TableGeometry> m_tables;
};
