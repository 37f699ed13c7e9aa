#include "DocumentBuilder.h"

#include "RtfCodec.h"

#include <QColor>
#include <QImage>
#include <QTextDocument>
#include <QUrl>
#include <QTextBlock>
#include <QTextList>
#include <QTextTable>

namespace rtf {

namespace {

// Adds columns at the right of a table; the new columns take the last column's width. Qt's own
// appendColumns copies that width through a reference into the list it is growing, which reads
// freed memory once the list moves: the widths are extended here instead.
void appendColumns(QTextTable *table, int count)
{
    QTextTableFormat format = table->format();
    QList<QTextLength> widths = format.columnWidthConstraints();
    if (!widths.isEmpty()) {
        format.clearColumnWidthConstraints();
        table->setFormat(format);
    }
    table->appendColumns(count);
    if (widths.isEmpty())
        return;
    const QTextLength last = widths.last();
    while (widths.size() < table->columns())
        widths.append(last);
    format = table->format();
    format.setColumnWidthConstraints(widths);
    table->setFormat(format);
}

// Characters that QTextCursor::insertText would turn into paragraph or frame
// breaks, or that cannot stand in text.
bool needsCleaning(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 ? (u == 0 || u == u'\r' || u == u'\n')
                     : (u >= 0x2029 && (u == 0x2029 || u == 0xFDD0 || u == 0xFDD1 || u == 0xFFFC)))
            return true;
    }
    return false;
}

QString cleaned(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case 0:
        case u'\r':
        case u'\n':
            break;
        case 0x2029:
            out.append(QChar(0x2028));
            break;
        case 0xFDD0:
        case 0xFDD1:
        case 0xFFFC:
            out.append(QChar(0xFFFD));
            break;
        default:
            out.append(c);
        }
    }
    return out;
}

QTextListFormat::Style listStyle(RtfListStyle style)
{
    switch (style) {
    case RtfListStyle::Disc: return QTextListFormat::ListDisc;
    case RtfListStyle::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case RtfListStyle::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case RtfListStyle::LowerRoman: return QTextListFormat::ListLowerRoman;
    case RtfListStyle::UpperRoman: return QTextListFormat::ListUpperRoman;
    default: return QTextListFormat::ListDecimal;
    }
}

} // namespace

size_t qHash(const RtfCharFormat &f, size_t seed)
{
    const uint flags = uint(f.bold) | uint(f.italic) << 1 | uint(f.underline) << 2 | uint(f.strikeOut) << 3
                     | uint(f.autoColor) << 4 | uint(f.explicitAuto) << 9 | uint(f.vertical) << 5 | uint(f.background) << 7;
    return qHashMulti(seed, f.family, f.charset, f.halfPoints, f.autoColor ? 0u : uint(f.color), flags, f.raise,
                      f.fieldId);
}

DocumentBuilder::DocumentBuilder(QTextCursor &cursor, Mode mode) : m_cursor(cursor), m_mode(mode) {}

QTextCharFormat DocumentBuilder::toCharFormat(const RtfCharFormat &f)
{
    QTextCharFormat cf;
    if (!f.family.isEmpty()) {
        // The single family too, as the control's own face setter writes it: QTextDocument
        // hashes formats by their properties and a string list hashes by its type alone, so
        // without it every font of a file would share one hash bucket (quadratic in fonts).
        cf.setFontFamilies(QStringList{f.family});
        cf.setProperty(QTextFormat::FontFamily, f.family);
    }
    cf.setFontPointSize(f.halfPoints / 2.0);
    if (f.autoColor)
        cf.setProperty(AutoColorProperty, true);
    if (f.autoColor && f.explicitAuto)
        cf.setProperty(ExplicitAutoColorProperty, true);
    else
        cf.setForeground(QColor::fromRgb(qRed(f.color), qGreen(f.color), qBlue(f.color)));
    cf.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    cf.setFontItalic(f.italic);
    cf.setFontUnderline(f.underline);
    cf.setFontStrikeOut(f.strikeOut);
    if (f.charset >= 0)
        cf.setProperty(CharsetProperty, f.charset);
    if (f.vertical == RtfCharFormat::Super || (f.vertical == RtfCharFormat::Baseline && f.raise > 0))
        cf.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (f.vertical == RtfCharFormat::Sub || (f.vertical == RtfCharFormat::Baseline && f.raise < 0))
        cf.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (f.raise != 0)
        cf.setProperty(RaiseProperty, f.raise);
    if (f.background != RtfCharFormat::NoBackground) {
        cf.setBackground(QColor::fromRgb(qRed(f.backgroundColor), qGreen(f.backgroundColor), qBlue(f.backgroundColor)));
        cf.setProperty(BackgroundKindProperty, int(f.background));
    }
    if (!f.link.isEmpty()) {
        cf.setAnchor(true);
        cf.setAnchorHref(f.link);
        if (!f.underline) {
            cf.setFontUnderline(true);
            cf.setProperty(LinkUnderlineProperty, true);
        }
    } else if (!f.field.isEmpty()) {
        cf.setProperty(FieldInstructionProperty, f.field);
    }
    if (f.fieldId > 0)
        cf.setProperty(FieldIdProperty, f.fieldId);
    if (f.charStyle >= 0)
        cf.setProperty(CharStyleProperty, f.charStyle);
    return cf;
}

QTextBlockFormat DocumentBuilder::toBlockFormat(const RtfParaFormat &p)
{
    QTextBlockFormat bf;
    switch (p.alignment) {
    case RtfAlignment::Left: bf.setAlignment(Qt::AlignLeft); break;
    case RtfAlignment::Right: bf.setAlignment(Qt::AlignRight); break;
    case RtfAlignment::Center: bf.setAlignment(Qt::AlignHCenter); break;
    case RtfAlignment::Justify: bf.setAlignment(Qt::AlignJustify); break;
    }
    if (p.rightToLeft)
        bf.setLayoutDirection(Qt::RightToLeft);
    // 1 point = 20 twips = 4/3 pixels.
    bf.setLeftMargin(p.leftIndent / 15.0);
    bf.setTextIndent(p.firstIndent / 15.0);
    bf.setRightMargin(p.rightIndent / 15.0);
    if (p.spaceBefore > 0)
        bf.setTopMargin(p.spaceBefore / 15.0);
    if (p.spaceAfter > 0)
        bf.setBottomMargin(p.spaceAfter / 15.0);
    if (p.lineSpacing > 0 && p.lineMultiple)
        bf.setLineHeight(p.lineSpacing * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    else if (p.lineSpacing > 0)
        bf.setLineHeight(p.lineSpacing / 15.0, QTextBlockFormat::MinimumHeight);
    else if (p.lineSpacing < 0)
        bf.setLineHeight(-p.lineSpacing / 15.0, QTextBlockFormat::FixedHeight);
    if (p.pageBreakBefore)
        bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (p.keepTogether)
        bf.setProperty(KeepTogetherProperty, true);
    if (p.keepWithNext)
        bf.setProperty(KeepWithNextProperty, true);
    if (!p.tabs.empty()) {
        QList<QTextOption::Tab> shown;
        QList<int> stops;
        for (const RtfTab &tab : p.tabs) {
            stops << tab.position << int(tab.kind) << int(tab.leader);
            if (tab.kind == RtfTab::Bar)
                continue; // a bar tab draws a line and stops nothing
            QTextOption::Tab t;
            t.position = tab.position / 15.0;
            t.type = tab.kind == RtfTab::Right    ? QTextOption::RightTab
                   : tab.kind == RtfTab::Center   ? QTextOption::CenterTab
                   : tab.kind == RtfTab::Decimal  ? QTextOption::DelimiterTab
                                                  : QTextOption::LeftTab;
            if (tab.kind == RtfTab::Decimal)
                t.delimiter = QChar(u'.');
            shown.append(t);
        }
        bf.setTabPositions(shown);
        bf.setProperty(TabStopsProperty, QVariant::fromValue(stops));
    }
    if (p.style >= 0)
        bf.setProperty(ParaStyleProperty, p.style);
    return bf;
}

QTextImageFormat DocumentBuilder::toImageFormat(const RtfPicture &pic, const QString &name)
{
    QTextImageFormat f;
    f.setName(name);
    // Shown size in pixels (15 twips each): the goal size, else the picture's own
    // (pixels for bitmaps, 100ths of a millimetre for metafiles), then scaled.
    qreal w = pic.goalWidth / 15.0;
    qreal h = pic.goalHeight / 15.0;
    const bool metafile = pic.kind == RtfPicture::Wmf || pic.kind == RtfPicture::Emf || pic.kind == RtfPicture::Pict;
    if (w <= 0)
        w = metafile ? pic.width * 96.0 / 2540.0 : pic.width;
    if (h <= 0)
        h = metafile ? pic.height * 96.0 / 2540.0 : pic.height;
    w = w * pic.scaleX / 100.0;
    h = h * pic.scaleY / 100.0;
    if (w > 0)
        f.setWidth(w);
    if (h > 0)
        f.setHeight(h);
    f.setProperty(PictureDataProperty, pic.data);
    f.setProperty(PictureKindProperty, int(pic.kind));
    f.setProperty(PictureSizeProperty, QVariant::fromValue(QList<int>{pic.width, pic.height, pic.goalWidth,
                                                                      pic.goalHeight, pic.scaleX, pic.scaleY,
                                                                      pic.metafileMode}));
    return f;
}

const QTextCharFormat &DocumentBuilder::charFormat(const RtfCharFormat &format)
{
    if (m_lastValid && format == m_lastKey)
        return m_lastFormat;
    auto it = m_charFormats.find(format);
    if (it == m_charFormats.end()) {
        QTextCharFormat converted = toCharFormat(format);
        if (m_mode == Mode::Insert)
            converted.clearProperty(CharStyleProperty); // a number of the pasted file's style sheet
        it = m_charFormats.insert(format, converted);
    }
    m_lastKey = format;
    m_lastFormat = *it;
    m_lastValid = true;
    return m_lastFormat;
}

void DocumentBuilder::openParagraph()
{
    if (m_open)
        return;
    if (!m_first)
        m_cursor.insertBlock();
    m_first = false;
    m_open = true;
    m_paragraphHasText = false;
}

void DocumentBuilder::text(const QString &text, const RtfCharFormat &format)
{
    openParagraph();
    m_paragraphHasText = true;
    if (m_pendingCellTabs > 0) {
        m_cursor.insertText(QString(m_pendingCellTabs, QChar(u'\t')), charFormat(format));
        m_pendingCellTabs = 0;
    }
    if (needsCleaning(text))
        m_cursor.insertText(cleaned(text), charFormat(format));
    else
        m_cursor.insertText(text, charFormat(format));
}

void DocumentBuilder::applyList(const RtfParaFormat &para)
{
    const QTextBlock block = m_cursor.block();
    QTextList *current = block.textList();
    QTextList *wanted = nullptr;
    if (para.list != RtfListStyle::None) {
        if (para.listSpansDocument)
            wanted = m_documentLists.value(para.listKey);
        else if (m_previousList && m_previousListKey == para.listKey)
            wanted = m_previousList;
    }
    if (current && current != wanted)
        current->remove(block);
    if (para.list != RtfListStyle::None) {
        if (!wanted) {
            QTextListFormat lf;
            lf.setStyle(listStyle(para.list));
            lf.setIndent(0);
            wanted = m_cursor.createList(lf);
            if (para.listSpansDocument)
                m_documentLists.insert(para.listKey, wanted);
        } else if (m_cursor.block().textList() != wanted) {
            wanted->add(m_cursor.block());
        }
    }
    m_previousList = wanted;
    m_previousListKey = para.listKey;
}

void DocumentBuilder::paragraph(const RtfParaFormat &para, const RtfCharFormat &format)
{
    openParagraph();
    if (!m_paragraphHasText && m_cursor.block().length() == 1)
        m_cursor.setBlockCharFormat(charFormat(format));
    QTextBlockFormat block = toBlockFormat(para);
    if (m_mode == Mode::Insert)
        block.clearProperty(ParaStyleProperty);
    m_cursor.setBlockFormat(block);
    applyList(para);
    m_open = false;
}

void DocumentBuilder::finish(const RtfParaFormat &para, const RtfCharFormat &format, bool openParagraph)
{
    if (m_mode == Mode::Insert)
        while (!m_tables.empty())
            leaveTable();
    if (m_mode == Mode::WholeDocument && (openParagraph || m_first))
        paragraph(para, format);
}

void DocumentBuilder::defaultFormat(const RtfCharFormat &format)
{
    m_hasDefault = true;
    m_default = toCharFormat(format);
}

void DocumentBuilder::picture(const RtfPicture &picture, const RtfCharFormat &format)
{
    openParagraph();
    m_paragraphHasText = true;
    QTextDocument *doc = m_cursor.document();
    QString name = QStringLiteral("kalvero-picture:%1").arg(++m_pictureCount);
    while (doc->resource(QTextDocument::ImageResource, QUrl(name)).isValid())
        name = QStringLiteral("kalvero-picture:%1").arg(++m_pictureCount);
    QTextImageFormat image = toImageFormat(picture, name);
    if (picture.kind == RtfPicture::Png || picture.kind == RtfPicture::Jpeg || picture.kind == RtfPicture::Unknown) {
        QImage decoded;
        if (decoded.loadFromData(picture.data)) {
            doc->addResource(QTextDocument::ImageResource, QUrl(name), decoded);
            if (!image.hasProperty(QTextFormat::ImageWidth))
                image.setWidth(decoded.width());
            if (!image.hasProperty(QTextFormat::ImageHeight))
                image.setHeight(decoded.height());
        }
    }
    QTextCharFormat around = charFormat(format);
    around.merge(image);
    m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), around);
}

QTextTableFormat DocumentBuilder::toTableFormat(const RtfRowFormat &row)
{
    QTextTableFormat f;
    f.setBorder(0);
    f.setBorderCollapse(true);
    f.setCellSpacing(0);
    f.setCellPadding(row.gap / 15.0);
    f.setMargin(0);
    f.setLeftMargin(qMax(0, row.left) / 15.0);
    switch (row.alignment) {
    case RtfAlignment::Right: f.setAlignment(Qt::AlignRight); break;
    case RtfAlignment::Center: f.setAlignment(Qt::AlignHCenter); break;
    default: f.setAlignment(Qt::AlignLeft); break;
    }
    QList<QTextLength> widths;
    QList<int> rights;
    int left = row.left;
    for (const RtfRowFormat::Cell &cell : row.cells) {
        widths.append(QTextLength(QTextLength::FixedLength, qMax(1, cell.right - left) / 15.0));
        rights.append(cell.right);
        left = cell.right;
    }
    if (!widths.isEmpty())
        f.setColumnWidthConstraints(widths);
    f.setProperty(TableCellRightsProperty, QVariant::fromValue(rights));
    f.setProperty(TableLeftProperty, row.left);
    f.setProperty(TableGapProperty, row.gap);
    if (row.header)
        f.setHeaderRowCount(1);
    return f;
}

QTextTableCellFormat DocumentBuilder::toCellFormat(const RtfRowFormat::Cell &cell)
{
    QTextTableCellFormat f;
    if (cell.shaded)
        f.setBackground(QColor::fromRgb(qRed(cell.shading), qGreen(cell.shading), qBlue(cell.shading)));
    const qreal width = qMax(1, cell.borderWidth) / 15.0;
    f.setTopBorder(cell.borders & 1 ? width : 0);
    f.setLeftBorder(cell.borders & 2 ? width : 0);
    f.setBottomBorder(cell.borders & 4 ? width : 0);
    f.setRightBorder(cell.borders & 8 ? width : 0);
    f.setBorderBrush(QBrush(Qt::black));
    f.setProperty(CellBordersProperty, int(cell.borders));
    f.setProperty(CellBorderWidthProperty, cell.borderWidth);
    f.setProperty(CellRightProperty, cell.right);
    return f;
}

void DocumentBuilder::paragraphBegins(int tableDepth, const RtfRowFormat &row)
{
    if (m_flatten)
        return;
    const int depth = std::min(tableDepth, MaxTableDepth);
    while (int(m_tables.size()) > depth)
        leaveTable();
    // A nested table's row definition comes at its row's end: its columns grow as cells come.
    for (int d = 1; d <= depth && !m_flatten; ++d)
        enterCell(d, d == 1 ? row : RtfRowFormat());
}

// Puts the cursor in the cell of the table at this depth that the next table paragraph
// belongs to, making the table, its next row or its next column when needed. The tables
// of smaller depths hold the cursor already.
void DocumentBuilder::enterCell(int depth, const RtfRowFormat &row)
{
    if (int(m_tables.size()) >= depth && m_tables[size_t(depth - 1)].inCell)
        return;
    if (int(m_tables.size()) < depth) {
        if (m_first && m_mode == Mode::Insert && m_cursor.currentTable()) {
            m_flatten = true;
            return;
        }
        if (m_open && m_paragraphHasText)
            m_cursor.insertBlock();
        TableLevel level;
        level.table = m_cursor.insertTable(1, qMax<int>(1, int(row.cells.size())), toTableFormat(row));
        level.columnsAtRowStart = level.table->columns();
        m_tables.push_back(level);
        m_first = false;
    } else {
        TableLevel &level = m_tables[size_t(depth - 1)];
        if (level.rowDone) {
            level.table->appendRows(1);
            ++level.row;
            level.column = 0;
            level.rowDone = false;
        } else if (level.column >= level.table->columns()) {
            appendColumns(level.table, level.column - level.table->columns() + 1);
        }
    }
    TableLevel &level = m_tables[size_t(depth - 1)];
    m_cursor = level.table->cellAt(level.row, level.column).firstCursorPosition();
    level.inCell = true;
    m_open = true;
    m_paragraphHasText = false;
}

// Leaves the innermost table: the cursor goes to the paragraph after it.
void DocumentBuilder::leaveTable()
{
    if (m_tables.empty())
        return;
    const QTextTable *table = m_tables.back().table;
    m_tables.pop_back();
    if (m_mode == Mode::WholeDocument || m_cursor.position() <= table->lastPosition() + 1)
        m_cursor.setPosition(table->lastPosition() + 1);
    // The paragraph after a table is there already.
    m_open = true;
    m_paragraphHasText = m_cursor.block().length() > 1;
}

void DocumentBuilder::cellEnd(const RtfParaFormat &para, const RtfCharFormat &format)
{
    if (m_flatten || m_tables.empty()) {
        ++m_pendingCellTabs;
        m_lastCellPara = para;
        m_lastCellFormat = format;
        m_rowOpen = true;
        return;
    }
    while (int(m_tables.size()) > std::clamp(para.tableDepth, 1, MaxTableDepth))
        leaveTable();
    RtfParaFormat inCell = para;
    inCell.list = RtfListStyle::None;
    paragraph(inCell, format);
    TableLevel &level = m_tables.back();
    level.inCell = false;
    ++level.column;
}

void DocumentBuilder::rowEnd(const RtfRowFormat &row, int tableDepth)
{
    if (m_flatten || m_tables.empty()) {
        m_pendingCellTabs = 0;
        if (m_rowOpen)
            paragraph(m_lastCellPara, m_lastCellFormat);
        m_rowOpen = false;
        return;
    }
    const int depth = std::clamp(tableDepth, 1, MaxTableDepth);
    if (depth > int(m_tables.size()))
        return; // the end of a nested row whose cells never came
    while (int(m_tables.size()) > depth)
        leaveTable();
    finishRow(m_tables.back(), row);
}

// Gives the row its definition. Rows of another shape stay in the table, as LibreOffice
// reads them: a row with fewer cells has its last one span the rest, a row with more
// widens the table and the rows before have their last cells span the new columns. Each
// cell keeps its own right edge, so the rows write back as they were read.
void DocumentBuilder::finishRow(TableLevel &level, const RtfRowFormat &row)
{
    if (level.inCell) { // the row's end straight after text: that text ended its cell
        level.inCell = false;
        ++level.column;
    }
    QTextTable *table = level.table;
    const int before = table->columns();
    if (int(row.cells.size()) > before)
        appendColumns(table, int(row.cells.size()) - before);
    if (level.row == 0 && !row.cells.empty())
        table->setFormat(toTableFormat(row));
    for (size_t i = 0; i < row.cells.size(); ++i) {
        QTextTableCellFormat cellFormat = toCellFormat(row.cells[i]);
        if (row.height != 0) // each row its own height
            cellFormat.setProperty(CellRowHeightProperty, row.height);
        table->cellAt(level.row, int(i)).setFormat(cellFormat);
    }
    const int columns = table->columns();
    if (columns > level.columnsAtRowStart) {
        for (int r = 0; r < level.row; ++r) {
            const QTextTableCell last = table->cellAt(r, level.columnsAtRowStart - 1);
            table->mergeCells(r, last.column(), 1, columns - last.column());
        }
    }
    const int used = std::max(level.column, int(row.cells.size()));
    if (used >= 1 && used < columns)
        table->mergeCells(level.row, used - 1, 1, columns - used + 1);
    level.columnsAtRowStart = columns;
    level.rowDone = true;
}

void DocumentBuilder::keptGroup(const QByteArray &group)
{
    if (m_mode == Mode::WholeDocument)
        m_kept.groups.append(group);
}

void DocumentBuilder::keptWords(const QByteArray &words)
{
    if (m_mode == Mode::WholeDocument)
        m_kept.words = words;
}

void DocumentBuilder::tables(const QList<RtfFontEntry> &fonts, const QList<RtfColorEntry> &colors)
{
    if (m_mode == Mode::WholeDocument && !m_kept.groups.isEmpty()) {
        m_kept.fonts = fonts;
        m_kept.colors = colors;
    }
}

void DocumentBuilder::codePage(int codePage)
{
    if (m_mode == Mode::WholeDocument)
        m_kept.codePage = codePage;
}

void DocumentBuilder::dropped(const QString &what)
{
    if (m_mode == Mode::WholeDocument)
        m_kept.dropped.append(what);
}

} // namespace rtf
