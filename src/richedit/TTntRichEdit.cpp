#include "TTntRichEdit.h"

#include "Errors.h"
#include "KeptParts.h"
#include "PlainText.h"
#include "RtfCodec.h"
#include "RtfSink.h"
#include "TableText.h"
#include "TextFlowLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QResizeEvent>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

// Side margin of the text inside the control until the window sets its own rectangle.
constexpr int kDefaultSideMargin = 6;

bool startsRich(const QString &text)
{
    return text.startsWith(QLatin1String("{\\rtf"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("{urtf"), Qt::CaseInsensitive);
}

QString withCrLf(QString text)
{
    return text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
}

// More faces that the system does not have than any real document names: beyond this the
// document is drawn with one stand-in face for all of them (a file with thousands of fonts would
// otherwise take seconds to show while the font system looks for each one's fallbacks).
constexpr int kMissingFacesDrawnAsNamed = 64;

// The faces the system has, in lower case, without the foundry the database adds to some.
const QSet<QString> &installedFaces()
{
    static const QSet<QString> faces = [] {
        QSet<QString> names;
        const QStringList families = QFontDatabase::families();
        for (QString family : families) {
            const qsizetype foundry = family.indexOf(QLatin1String(" ["));
            if (foundry > 0)
                family.truncate(foundry);
            names.insert(family.toLower());
        }
        return names;
    }();
    return faces;
}

} // namespace

TTntRichEdit::TTntRichEdit(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(true);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setTabChangesFocus(false);
    m_textMargins = QMargins(kDefaultSideMargin, 0, kDefaultSideMargin, 0);
    setDocument(createDocument());
    attachDocument(document());
    RegisterFaceFallback(font().family());

    connect(this, &QTextEdit::textChanged, this, [this] {
        if (OnChange && !m_quietChange)
            OnChange();
        notifySelectionIfMoved();
    });
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        // The caret went past the lines made so far of a long paragraph: they are made, and
        // the view shows it where it now is.
        if (flowLayout()->layOutAround(textCursor().position()))
            ensureCursorVisible();
        notifySelectionIfMoved();
    });
    connect(this, &QTextEdit::selectionChanged, this, [this] { notifySelectionIfMoved(); });

    // The text control QTextEdit keeps inside: its caret blink is held while typing goes on
    // around it (see eventFilter).
    for (QObject *child : children()) {
        if (qstrcmp(child->metaObject()->className(), "QWidgetTextControl") == 0)
            m_control = child;
    }
    if (m_control)
        m_control->installEventFilter(this);
    m_fastBlink = new QTimer(this);
    connect(m_fastBlink, &QTimer::timeout, this, [this] {
        m_fastCaretOn = !m_fastCaretOn;
        if (flowLayout() && flowLayout()->isFast())
            flowLayout()->setFastCaret(textCursor().position(), m_fastCaretOn);
        else
            m_fastBlink->stop();
    });
}

TTntRichEdit::~TTntRichEdit() = default;

// ---------------------------------------------------------------------------------------
// Document set-up

QTextDocument *TTntRichEdit::createDocument() const
{
    auto *doc = new QTextDocument(const_cast<TTntRichEdit *>(this));
    doc->setDocumentLayout(new TextFlowLayout(doc));
    doc->setDefaultFont(document() ? document()->defaultFont() : font());
    doc->setDocumentMargin(0);
    // A paragraph that names no direction reads left to right, for the layout and for the
    // caret movement alike (not by its first letter).
    QTextOption option = doc->defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    // Wrapped as the view will ask: a document shown with another mode is laid out again.
    option.setWrapMode(lineWrapMode() == QTextEdit::NoWrap ? QTextOption::NoWrap : wordWrapMode());
    doc->setDefaultTextOption(option);
    // The arrow keys move the caret the way they point, through runs of either direction.
    doc->setDefaultCursorMoveStyle(Qt::VisualMoveStyle);
    applyTextMargins(doc);
    // Margins are recorded as edits: a new document starts with an empty history.
    doc->clearUndoRedoStacks();
    doc->setModified(false);
    return doc;
}

// The formatting rectangle lives in the margins of the document's root frame, so the
// text area keeps the whole client area (and its width) whatever the rectangle is.
bool TTntRichEdit::applyTextMargins(QTextDocument *doc) const
{
    QTextFrame *root = doc->rootFrame();
    QTextFrameFormat format = root->frameFormat();
    if (format.leftMargin() == m_textMargins.left() && format.rightMargin() == m_textMargins.right()
        && format.topMargin() == m_textMargins.top() && format.bottomMargin() == m_textMargins.bottom())
        return false;
    format.setLeftMargin(m_textMargins.left());
    format.setRightMargin(m_textMargins.right());
    format.setTopMargin(m_textMargins.top());
    format.setBottomMargin(m_textMargins.bottom());
    root->setFrameFormat(format);
    // An empty document does not lay itself out again for a frame change on its own.
    doc->markContentsDirty(0, doc->characterCount());
    return true;
}

void TTntRichEdit::resizeEvent(QResizeEvent *e)
{
    QTextEdit::resizeEvent(e);
    if (TextFlowLayout *layout = flowLayout())
        layout->setViewHeight(viewport()->height());
}

void TTntRichEdit::attachDocument(QTextDocument *doc)
{
    RegisterFaceFallback(doc->defaultFont().family());
    if (auto *layout = qobject_cast<TextFlowLayout *>(doc->documentLayout())) {
        layout->setViewHeight(isVisible() ? viewport()->height() : 0);
        connect(layout, &TextFlowLayout::progressed, this, [this, doc] {
            if (OnLayoutProgress && doc == document())
                OnLayoutProgress();
        });
    }
    // Once the text has changed the Modified flag stays set until it is cleared on purpose:
    // undoing back to the text as it was last loaded or saved does not clear it.
    connect(doc, &QTextDocument::modificationChanged, this, [this, doc](bool modified) {
        if (!modified && m_ownModifiedChange == 0 && doc == document()) {
            ++m_ownModifiedChange;
            doc->setModified(true);
            --m_ownModifiedChange;
        }
    });
}

void TTntRichEdit::setDocumentModified(bool modified)
{
    ++m_ownModifiedChange;
    document()->setModified(modified);
    --m_ownModifiedChange;
}

void TTntRichEdit::RegisterFaceFallback(const QString &face)
{
    static QSet<QString> registered;
    if (face.isEmpty() || registered.contains(face))
        return;
    registered.insert(face);
    QFont::insertSubstitutions(face, {QStringLiteral("Noto Sans Coptic"), QStringLiteral("Noto Naskh Arabic")});
}

void TTntRichEdit::registerDocumentFaces(QTextDocument *doc) const
{
    QSet<QString> missing;
    const auto note = [&missing](const QString &face) {
        RegisterFaceFallback(face);
        if (!face.isEmpty() && !installedFaces().contains(face.toLower()))
            missing.insert(face.toLower());
    };
    const QList<QTextFormat> formats = doc->allFormats();
    for (const QTextFormat &format : formats) {
        if (!format.isCharFormat())
            continue;
        const QTextCharFormat cf = format.toCharFormat();
        const QStringList families = cf.fontFamilies().toStringList();
        for (const QString &family : families)
            note(family);
        if (cf.hasProperty(QTextFormat::FontFamily))
            note(cf.stringProperty(QTextFormat::FontFamily));
    }
    if (auto *layout = qobject_cast<TextFlowLayout *>(doc->documentLayout())) {
        if (missing.size() > kMissingFacesDrawnAsNamed)
            layout->setStandInFaces(missing, QFontInfo(font()).family());
        else
            layout->setStandInFaces({}, QString());
    }
}

// An entirely empty document has no character to carry a format: its first paragraph's
// own character format is what text typed there takes, whatever the caret does before.
void TTntRichEdit::applyToEmptyDocument(const QTextCharFormat &change)
{
    QTextDocument *doc = document();
    if (!doc->isEmpty())
        return;
    const bool freshHistory = !doc->isUndoAvailable() && !doc->isRedoAvailable();
    const bool wasModified = doc->isModified();
    // On a fresh document this is no edit of the user's: no history, no change event, and the
    // Modified flag stays as it was.
    if (freshHistory) {
        doc->setUndoRedoEnabled(false);
        m_quietChange = true;
    }
    QTextCursor cursor(doc);
    cursor.mergeBlockCharFormat(change);
    if (freshHistory) {
        m_quietChange = false;
        doc->setUndoRedoEnabled(true);
        setDocumentModified(wasModified);
    }
}

void TTntRichEdit::applyDefaultFont()
{
    applyDefaultFont(document());
}

void TTntRichEdit::applyDefaultFont(QTextDocument *doc)
{
    QFont font = doc->defaultFont();
    const QStringList families = m_defaultFormat.fontFamilies().toStringList();
    QString face = families.isEmpty() ? QString() : families.first();
    if (face.isEmpty() && m_defaultFormat.hasProperty(QTextFormat::FontFamily))
        face = m_defaultFormat.stringProperty(QTextFormat::FontFamily);
    if (!face.isEmpty()) {
        font.setFamilies(QStringList{face});
        RegisterFaceFallback(face);
    }
    if (m_defaultFormat.hasProperty(QTextFormat::FontPointSize) && m_defaultFormat.fontPointSize() > 0)
        font.setPointSizeF(m_defaultFormat.fontPointSize());
    if (font == doc->defaultFont())
        return;
    // A change of look, not of the text: neither history nor the Modified flag moves.
    const bool wasModified = doc->isModified();
    doc->setDefaultFont(font);
    if (doc == document())
        setDocumentModified(wasModified);
    else
        doc->setModified(wasModified);
}

void TTntRichEdit::setDefaultCharFormat(const QTextCharFormat &format)
{
    m_defaultFormat = format;
    applyDefaultFont();
    registerDocumentFaces(document());
    for (const QString &family : format.fontFamilies().toStringList())
        RegisterFaceFallback(family);
}

// ---------------------------------------------------------------------------------------
// Position counts

int TTntRichEdit::DocToCrLfPos(int docPos) const
{
    const QTextDocument *doc = document();
    docPos = qBound(0, docPos, doc->characterCount() - 1);
    const QTextBlock block = doc->findBlock(docPos);
    return docPos + block.blockNumber() - rtf::cellEndsBefore(*doc, block);
}

int TTntRichEdit::CrLfToDocPos(int crlfPos) const
{
    return crLfToDoc(crlfPos, nullptr);
}

// A paragraph that starts at document position p as block number b starts at p + b - t in
// the CR LF count (t: the cell ends before it, read as one TAB each), which grows with b: a
// binary search over block numbers finds it.
int TTntRichEdit::crLfToDoc(int crlfPos, bool *onLineFeed) const
{
    if (onLineFeed)
        *onLineFeed = false;
    const QTextDocument *doc = document();
    if (crlfPos <= 0)
        return 0;
    int lo = 0;
    int hi = doc->blockCount() - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        const QTextBlock block = doc->findBlockByNumber(mid);
        if (block.position() + mid - rtf::cellEndsBefore(*doc, block) <= crlfPos)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    const int textLength = block.length() - 1;
    const int offset = crlfPos - (block.position() + lo - rtf::cellEndsBefore(*doc, block));
    if (offset <= textLength)
        return block.position() + offset;
    if (onLineFeed && block.next().isValid())
        *onLineFeed = true;
    return block.position() + textLength;
}

// ---------------------------------------------------------------------------------------
// Text and selection

QString TTntRichEdit::Text() const
{
    const QTextDocument *doc = document();
    if (doc->rootFrame()->childFrames().isEmpty())
        return withCrLf(doc->toRawText());
    return rtf::documentText(*doc, 0, doc->characterCount() - 1, u"\r\n");
}

QString TTntRichEdit::SelText() const
{
    const QTextCursor cursor = textCursor();
    if (document()->rootFrame()->childFrames().isEmpty())
        return withCrLf(cursor.selectedText());
    return rtf::documentText(*document(), cursor.selectionStart(), cursor.selectionEnd(), u"\r\n");
}

int TTntRichEdit::SelStart() const
{
    return DocToCrLfPos(textCursor().selectionStart());
}

int TTntRichEdit::SelLength() const
{
    const QTextCursor cursor = textCursor();
    return DocToCrLfPos(cursor.selectionEnd()) - DocToCrLfPos(cursor.selectionStart());
}

void TTntRichEdit::SetSelStart(int start)
{
    SetSel(start, 0);
}

void TTntRichEdit::SetSelLength(int length)
{
    SetSel(SelStart(), length);
}

// A selection that lies within the two positions of one paragraph break selects nothing:
// the caret goes to the end of that line. A selection starting on the LF begins after it.
void TTntRichEdit::SetSel(int start, int length)
{
    if (length < 0) {
        start += length;
        length = -length;
    }
    start = qMax(0, start);
    bool startOnLineFeed = false;
    const int docStart = crLfToDoc(start, &startOnLineFeed);
    QTextCursor cursor(document());
    cursor.setPosition(docStart);
    if (length > 0) {
        const int from = startOnLineFeed ? docStart + 1 : docStart;
        const int to = crLfToDoc(start + length, nullptr);
        if (to > from) {
            cursor.setPosition(from);
            cursor.setPosition(to, QTextCursor::KeepAnchor);
        }
    }
    setTextCursor(cursor);
}

int TTntRichEdit::CaretPos() const
{
    return textCursor().selectionStart();
}

// The format the control reports for the selection: its first character's, or at a
// caret the insertion format. A selection starting on a paragraph break reads like the
// caret at the end of that line.
QTextCharFormat TTntRichEdit::selectionCharFormat() const
{
    const QTextCursor edit = textCursor();
    if (!edit.hasSelection())
        return currentCharFormat();
    const int start = edit.selectionStart();
    const QTextBlock block = document()->findBlock(start);
    QTextCursor probe(document());
    const bool onBreak = start == block.position() + block.length() - 1;
    probe.setPosition(onBreak ? start : start + 1);
    return probe.charFormat();
}

void TTntRichEdit::insertPlain(QTextCursor &cursor, const QString &text)
{
    QString plain = text;
    plain.replace(QChar::LineSeparator, QLatin1Char('\n'));
    rtf::replaceDocumentMarks(plain);
    // The text takes the attributes the control reports for the selection it replaces.
    QTextCharFormat format = selectionCharFormat();
    format.setObjectIndex(-1);
    cursor.insertText(plain, format);
}

// Rich text arrives here as Unicode. The UTF-8 flavour is read as UTF-8; in ordinary RTF a
// character up to U+00FF stands for its code-page byte, and anything beyond cannot be one, so it
// goes in as a \u escape, which says the character itself.
static QByteArray richTextBytes(const QString &text)
{
    if (text.startsWith(QLatin1String("{urtf"), Qt::CaseInsensitive))
        return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const ushort unit = ch.unicode();
        if (unit <= 0xFF) {
            bytes.append(char(unit));
        } else {
            bytes.append("\\u");
            bytes.append(QByteArray::number(qint16(unit)));
            bytes.append('?');
        }
    }
    return bytes;
}

void TTntRichEdit::ReplaceSelection(const QString &text)
{
    if (!startsRich(text)) {
        ReplaceSelectionPlain(text);
        return;
    }
    const QByteArray bytes = richTextBytes(text);
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    rtf::insertRtf(bytes, cursor);
    cursor.endEditBlock();
    cursor.clearSelection();
    setTextCursor(cursor);
    registerDocumentFaces(document());
}

// No edit block of our own: the cursor makes one where the text needs it (a selection to remove,
// a paragraph break), so text inserted at the caret joins the undo step of the typing before it
// exactly as a typed key does.
void TTntRichEdit::ReplaceSelectionPlain(const QString &text)
{
    QTextCursor cursor = textCursor();
    if (text.isEmpty())
        cursor.removeSelectedText();
    else
        insertPlain(cursor, text);
    setTextCursor(cursor);
}

void TTntRichEdit::ConvertSelectedCharacters(const std::function<QString(const QString &)> &convert)
{
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection())
        return;
    const int from = selection.selectionStart();
    const int to = selection.selectionEnd();
    QTextDocument *doc = document();

    // Run by run (a fragment has one format); within a run only the stretches that change are
    // written again, with that run's format. Collected first: writing splits the runs.
    struct Stretch
    {
        int position;
        QString text;
        QTextCharFormat format;
    };
    QList<Stretch> stretches;
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = qMax(from, fragment.position());
            const int end = qMin(to, fragment.position() + fragment.length());
            if (start >= end)
                continue;
            const QString original = fragment.text().mid(start - fragment.position(), end - start);
            const QString converted = convert(original);
            if (converted.size() != original.size())
                continue;
            QTextCharFormat format = fragment.charFormat();
            format.setObjectIndex(-1);
            for (int i = 0; i < original.size();) {
                if (converted.at(i) == original.at(i)) {
                    ++i;
                    continue;
                }
                int j = i + 1;
                while (j < original.size() && converted.at(j) != original.at(j))
                    ++j;
                stretches.append({start + i, converted.mid(i, j - i), format});
                i = j;
            }
        }
    }

    QTextCursor edit(doc);
    edit.beginEditBlock();
    for (const Stretch &stretch : stretches) {
        edit.setPosition(stretch.position);
        edit.setPosition(stretch.position + int(stretch.text.size()), QTextCursor::KeepAnchor);
        edit.insertText(stretch.text, stretch.format);
    }
    edit.endEditBlock();
    QTextCursor caret(doc);
    caret.setPosition(to);
    setTextCursor(caret);
}

void TTntRichEdit::DeleteNextCharacter()
{
    QTextCursor cursor = textCursor();
    cursor.clearSelection();
    if (cursor.atEnd())
        return;
    cursor.deleteChar(); // steps over a whole grapheme, as the caret does
    setTextCursor(cursor);
}

void TTntRichEdit::notifySelectionIfMoved()
{
    if (m_swappingDocument)
        return;
    const QTextCursor cursor = textCursor();
    if (cursor.anchor() == m_lastAnchor && cursor.position() == m_lastPosition)
        return;
    m_lastAnchor = cursor.anchor();
    m_lastPosition = cursor.position();
    if (OnSelectionChange)
        OnSelectionChange();
}

// ---------------------------------------------------------------------------------------
// Flags and whole-document operations

bool TTntRichEdit::Modified() const
{
    return document()->isModified();
}

void TTntRichEdit::SetModified(bool modified)
{
    setDocumentModified(modified);
}

void TTntRichEdit::SetReadOnlyState(bool readOnly)
{
    setReadOnly(readOnly);
    // The caret still moves by keyboard in a read-only document.
    if (readOnly)
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

// Links open with Ctrl+click, as in word processors; a plain click places the caret.
void TTntRichEdit::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier)) {
        const QString target = anchorAt(e->position().toPoint());
        if (!target.isEmpty()) {
            e->accept();
            if (OnLinkClick)
                OnLinkClick(target);
            return;
        }
    }
    QTextEdit::mousePressEvent(e);
}

void TTntRichEdit::mouseMoveEvent(QMouseEvent *e)
{
    const bool overLink = (e->modifiers() & Qt::ControlModifier) && !anchorAt(e->position().toPoint()).isEmpty();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
    QTextEdit::mouseMoveEvent(e);
}

void TTntRichEdit::Clear()
{
    QTextDocument *doc = document();
    ++m_ownModifiedChange;
    doc->clear();
    rtf::setKeptParts(*doc, rtf::KeptParts());
    --m_ownModifiedChange;
    const bool wasModified = doc->isModified();
    applyTextMargins(doc);
    doc->clearUndoRedoStacks();
    setDocumentModified(wasModified);
    applyToEmptyDocument(m_defaultFormat);
    QTextCursor cursor(doc);
    setTextCursor(cursor);
    setCurrentCharFormat(cursor.charFormat());
    // Clearing reported the caret while the old text's format was still current: once more.
    m_lastAnchor = m_lastPosition = -1;
    notifySelectionIfMoved();
}

int TTntRichEdit::ClientWidth() const
{
    return viewport()->width();
}

int TTntRichEdit::ClientHeight() const
{
    return viewport()->height();
}

// The text is laid out inside the rectangle: what lies outside it on each side of the
// client area becomes a margin of the text. The same rectangle again changes nothing.
void TTntRichEdit::SetFormattingRect(const QRect &rect)
{
    const int width = ClientWidth();
    const int height = ClientHeight();
    const int left = qBound(0, rect.left(), width);
    const int top = qBound(0, rect.top(), height);
    const QMargins margins(left, top, qBound(0, width - (rect.x() + rect.width()), width - left),
                           qBound(0, height - (rect.y() + rect.height()), height - top));
    if (margins == m_textMargins)
        return;
    m_textMargins = margins;
    QTextDocument *doc = document();
    const bool wasModified = doc->isModified();
    const bool freshHistory = !doc->isUndoAvailable() && !doc->isRedoAvailable();
    applyTextMargins(doc);
    // Margins are no edit of the text: a document nobody edited stays so.
    if (freshHistory)
        doc->clearUndoRedoStacks();
    setDocumentModified(wasModified);
}

QRect TTntRichEdit::FormattingRect() const
{
    return QRect(QPoint(m_textMargins.left(), m_textMargins.top()),
                 QPoint(ClientWidth() - m_textMargins.right() - 1, ClientHeight() - m_textMargins.bottom() - 1));
}

bool TTntRichEdit::CanUndo() const
{
    return document()->isUndoAvailable();
}

bool TTntRichEdit::CanPaste() const
{
    return canPaste();
}

// The file is read into a fresh document; the current one is replaced only when reading
// succeeded, so a failed load leaves the text as it was.
void TTntRichEdit::LoadFromFile(const QString &path, const rtf::LoadProgress &progress)
{
    std::unique_ptr<QTextDocument> fresh(createDocument());
    auto *layout = qobject_cast<TextFlowLayout *>(fresh->documentLayout());
    layout->setDeferred(true);
    QTextCharFormat defaultFormat = m_defaultFormat;
    rtf::loadFile(path, fresh.get(), &defaultFormat, progress);
    fresh->setDocumentMargin(0);
    applyTextMargins(fresh.get());
    fresh->clearUndoRedoStacks();
    fresh->setModified(false);

    // The font, the faces, the width and the scroll bars are known before the document is
    // laid out: its first layout is the one it keeps (a long paragraph is not laid out twice).
    m_defaultFormat = defaultFormat;
    applyDefaultFont(fresh.get());
    if (document())
        fresh->setPageSize(document()->pageSize());
    registerDocumentFaces(fresh.get());

    QTextDocument *old = document();
    QTextDocument *doc = fresh.release();
    // The caret is reported once the new document is in place: the status bar's line asks for
    // the layout, which waits until the view has its scroll bars.
    m_swappingDocument = true;
    setDocument(doc);
    layout->setDeferred(false);
    attachDocument(doc);
    if (old && old->parent() == this)
        old->deleteLater();
    setTextCursor(QTextCursor(doc));
    setDocumentModified(false);
    m_swappingDocument = false;
    m_lastAnchor = m_lastPosition = -1;
    notifySelectionIfMoved();
}

void TTntRichEdit::SaveToFile(const QString &path)
{
    rtf::saveFile(path, *document(), m_defaultFormat);
    rtf::KeptParts parts = rtf::keptParts(*document());
    if (!parts.dropped.isEmpty()) {
        parts.dropped.clear();
        rtf::setKeptParts(*document(), parts);
    }
}

QStringList TTntRichEdit::DroppedParts() const
{
    return rtf::keptParts(*document()).dropped;
}

// The whole document laid out as on screen, page after page, within margins of 2 cm on every
// side (wider where the printer cannot print so near the edge); a line never straddles two pages.
void TTntRichEdit::Print(const QString &title, QPrinter *printer)
{
    printer->setDocName(title);
    constexpr qreal kMarginMillimetres = 20;
    QPageLayout page = printer->pageLayout();
    page.setUnits(QPageLayout::Millimeter);
    const QMarginsF least = page.minimumMargins();
    printer->setPageMargins(QMarginsF(qMax(kMarginMillimetres, least.left()), qMax(kMarginMillimetres, least.top()),
                                      qMax(kMarginMillimetres, least.right()),
                                      qMax(kMarginMillimetres, least.bottom())),
                            QPageLayout::Millimeter);
    std::unique_ptr<QTextDocument> copy(document()->clone());
    copy->setDefaultTextOption(document()->defaultTextOption());
    auto *layout = new TextFlowLayout(copy.get());
    copy->setDocumentLayout(layout);
    layout->setPaintDevice(printer);
    copy->setDocumentMargin(0);
    const QRectF area(QPointF(0, 0), printer->pageRect(QPrinter::DevicePixel).size());
    copy->setPageSize(QSizeF(area.width(), -1));
    const QList<qreal> tops = layout->pageTops(area.height());

    QPainter painter(printer);
    // A printer that cannot start (an output file that cannot be created, a printer gone
    // away) prints nothing: say so rather than end as if the pages had gone out.
    if (!painter.isActive()) {
        const QString target = printer->outputFileName().isEmpty() ? printer->printerName() : printer->outputFileName();
        throw EKalveroError(QStringLiteral("Cannot print to \"%1\"").arg(target));
    }
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int i = 0; i < tops.size(); ++i) {
        if (i > 0)
            printer->newPage();
        const qreal bottom = i + 1 < tops.size() ? tops[i + 1] : tops[i] + area.height();
        context.clip = QRectF(0, tops[i], area.width(), bottom - tops[i]);
        painter.save();
        painter.translate(0, -tops[i]);
        painter.setClipRect(context.clip);
        layout->draw(&painter, context);
        painter.restore();
    }
}

// ---------------------------------------------------------------------------------------
// Pasting and dropping

// Files dragged onto the editor are the window's to open, not text to insert.
bool TTntRichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    if (source->hasUrls()) {
        const QList<QUrl> urls = source->urls();
        for (const QUrl &url : urls)
            if (url.isLocalFile())
                return false;
    }
    return source->hasImage() || QTextEdit::canInsertFromMimeData(source);
}

// A picture from the clipboard goes in at its size, kept as PNG.
static bool insertPicture(QTextCursor &cursor, const QMimeData *source)
{
    const QImage image = qvariant_cast<QImage>(source->imageData());
    if (image.isNull())
        return false;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return false;
    QTextDocument *doc = cursor.document();
    static int pasted = 0;
    QString name;
    do
        name = QStringLiteral("kalvero-pasted:%1").arg(++pasted);
    while (doc->resource(QTextDocument::ImageResource, QUrl(name)).isValid());
    doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextCharFormat format = cursor.charFormat();
    format.clearProperty(QTextFormat::IsAnchor);
    format.clearProperty(QTextFormat::AnchorHref);
    QTextImageFormat picture;
    picture.setName(name);
    picture.setWidth(image.width());
    picture.setHeight(image.height());
    picture.setProperty(rtf::PictureDataProperty, png);
    picture.setProperty(rtf::PictureKindProperty, int(rtf::RtfPicture::Png));
    picture.setProperty(rtf::PictureSizeProperty,
                        QVariant::fromValue(QList<int>{image.width(), image.height(), image.width() * 15,
                                                       image.height() * 15, 100, 100, 0}));
    format.merge(picture);
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
    return true;
}

// Rich text with tables, frames or pictures has no place in these documents: it goes in
// as its plain text.
static bool hasOnlyParagraphs(const QMimeData *source)
{
    if (!source->hasHtml())
        return true;
    QTextDocument probe;
    probe.setHtml(source->html());
    return probe.rootFrame()->childFrames().isEmpty() && !probe.toRawText().contains(QChar::ObjectReplacementCharacter);
}

void TTntRichEdit::insertFromMimeData(const QMimeData *source)
{
    QTextCursor edit = textCursor();
    const int from = edit.selectionStart();
    edit.beginEditBlock();
    if (source->hasImage() && !source->hasText() && insertPicture(edit, source)) {
        setTextCursor(edit);
    } else if (hasOnlyParagraphs(source)) {
        QTextEdit::insertFromMimeData(source);
    } else {
        QMimeData plain;
        plain.setText(source->text());
        QTextEdit::insertFromMimeData(&plain);
    }
    normalisePasted(from, textCursor().position());
    edit.endEditBlock();
    // The paste's own scrolling ran before the layout knew the new paragraphs.
    ensureCursorVisible();
    registerDocumentFaces(document());
}

// What a paste brings that the document holds otherwise, in the pasted text only: a line break
// inside a paragraph becomes a paragraph break of its own; U+FFFC with no picture behind it
// (text copied from a page with pictures holds one where each was) would stand for a picture,
// and a save would write it as U+FFFD, so it becomes U+FFFD.
void TTntRichEdit::normalisePasted(int from, int to)
{
    QTextDocument *doc = document();
    QList<int> marks;
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        const QString text = block.text();
        const int first = qMax(0, from - block.position());
        const int last = qMin(int(text.size()), to - block.position());
        for (int i = first; i < last; ++i)
            if (text[i] == QChar::LineSeparator || text[i] == QChar::ObjectReplacementCharacter)
                marks.append(block.position() + i);
    }
    // Each edit puts one character for one: the positions found stay right.
    QTextCursor cursor(doc);
    for (const int at : marks) {
        cursor.setPosition(at);
        cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
        const QTextCharFormat format = cursor.charFormat();
        if (doc->characterAt(at) == QChar::LineSeparator) {
            cursor.removeSelectedText();
            cursor.insertBlock(cursor.blockFormat(), format);
        } else if (!format.isImageFormat()) {
            cursor.insertText(QString(QChar::ReplacementCharacter), format);
        }
    }
}
