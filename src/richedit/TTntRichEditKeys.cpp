#include "TTntRichEdit.h"

#include "TextFlowLayout.h"

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextTable>
#include <QTimer>

#include <cmath>

namespace {

// The 8-bit code a control key raises as a typed character, or 0 when it raises none.
unsigned char controlKeyCode(const QKeyEvent *e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::NoModifier)
        return 0;
    switch (e->key()) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    default:
        return 0;
    }
}

Qt::Key keyForControlCode(unsigned char code)
{
    switch (code) {
    case 8:
        return Qt::Key_Backspace;
    case 9:
        return Qt::Key_Tab;
    case 13:
        return Qt::Key_Return;
    case 27:
        return Qt::Key_Escape;
    default:
        return Qt::Key_unknown;
    }
}

// Text a key event types into the document: printable characters, with no Control, Alt
// or Meta held (AltGr, which some systems report as Control+Alt, still types).
bool isTypedText(const QKeyEvent *e)
{
    const QString text = e->text();
    if (text.isEmpty())
        return false;
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool altGr = (mods & Qt::ControlModifier) && (mods & Qt::AltModifier);
    if (!altGr && (mods & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    if (mods & Qt::MetaModifier)
        return false;
    for (const QChar ch : text) {
        if (ch.isSurrogate())
            continue;
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F || (ch.category() == QChar::Other_Control))
            return false;
    }
    return true;
}

// X11 key symbols and key codes of the two Shift keys.
constexpr quint32 kShiftLeftSym = 0xffe1;
constexpr quint32 kShiftRightSym = 0xffe2;
constexpr quint32 kShiftLeftCode = 50;
constexpr quint32 kShiftRightCode = 62;

unsigned char eightBitCode(char32_t codePoint)
{
    return codePoint < 256 ? static_cast<unsigned char>(codePoint) : 255;
}

} // namespace

bool TTntRichEdit::isWindowShortcut(const QKeyEvent *e) const
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    // Plain typing never belongs to the window; only look further for other keys.
    if ((mods & ~Qt::ShiftModifier) == Qt::NoModifier && isTypedText(e))
        return false;
    const QKeySequence pressed(QKeyCombination(mods, Qt::Key(e->key())));
    for (const QKeySequence &key : m_windowShortcuts)
        if (key.matches(pressed) == QKeySequence::ExactMatch)
            return true;
    const QWidget *top = window();
    if (!top || top == this)
        return false;
    const QList<QAction *> actions = top->findChildren<QAction *>();
    for (const QAction *action : actions)
        for (const QKeySequence &key : action->shortcuts())
            if (key.matches(pressed) == QKeySequence::ExactMatch)
                return true;
    const QList<QShortcut *> shortcuts = top->findChildren<QShortcut *>();
    for (const QShortcut *shortcut : shortcuts)
        for (const QKeySequence &key : shortcut->keys())
            if (key.matches(pressed) == QKeySequence::ExactMatch)
                return true;
    return false;
}

bool TTntRichEdit::event(QEvent *e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        // The editor would claim its standard keys (Ctrl+A, Del, Ctrl+C, ...) before the
        // window's shortcuts see them; the window's own shortcuts win.
        auto *key = static_cast<QKeyEvent *>(e);
        if (key->key() != Qt::Key_Shift && key->key() != Qt::Key_Control)
            m_directionKeys = ShiftSide::None; // a shortcut key that may never reach keyPressEvent
        if (isWindowShortcut(key)) {
            e->ignore();
            return true;
        }
    }
    return QTextEdit::event(e);
}

void TTntRichEdit::sendTyped(QKeyEvent *original, const QString &text)
{
    sendTypedText(text, original->modifiers(), original->isAutoRepeat());
}

void TTntRichEdit::sendTypedText(const QString &text, Qt::KeyboardModifiers modifiers, bool autoRepeat)
{
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, modifiers & Qt::ShiftModifier, text, autoRepeat);
    editorKey(&typed);
}

// A key for the editor itself: typed text and Backspace in a long paragraph are applied here,
// everything else by the control.
void TTntRichEdit::editorKey(QKeyEvent *e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods == Qt::NoModifier) {
        if (e->key() == Qt::Key_Backspace && typeFast(QString(), true))
            return;
        if (e->key() != Qt::Key_Backspace && isTypedText(e) && typeFast(e->text(), false))
            return;
    }
    if (TextFlowLayout *layout = flowLayout())
        layout->endFast();
    QTextEdit::keyPressEvent(e);
}

bool TTntRichEdit::typeFast(const QString &text, bool backspace)
{
    TextFlowLayout *layout = flowLayout();
    if (!layout || isReadOnly() || overwriteMode())
        return false;
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() || (backspace && cursor.atBlockStart()))
        return false;
    const int position = cursor.position();
    if (!layout->beginFastEdit(position))
        return false;
    // One undo step with the typing before it, as the control's own typing makes.
    const QTextDocument *doc = document();
    const bool join = m_fastTyping.backspace == backspace && m_fastTyping.position == position
        && m_fastTyping.undoSteps == doc->availableUndoSteps();
    if (join)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    if (backspace)
        cursor.deletePreviousChar();
    else
        cursor.insertText(text);
    cursor.endEditBlock();
    m_fastTyping = FastTyping{backspace, cursor.position(), doc->availableUndoSteps()};
    m_fastCaretOn = true;
    showFastCaret();
    if (m_fastBlink && QApplication::cursorFlashTime() > 0)
        m_fastBlink->start(QApplication::cursorFlashTime() / 2);
    return true;
}

// Draws the caret where the paragraph typed into has it and scrolls it into view.
void TTntRichEdit::showFastCaret()
{
    TextFlowLayout *layout = flowLayout();
    if (!layout || !layout->isFast()) {
        if (m_fastBlink)
            m_fastBlink->stop();
        return;
    }
    const int position = textCursor().position();
    layout->setFastCaret(position, m_fastCaretOn);
    const QRectF caret = layout->fastCaretRect(position);
    if (caret.isEmpty())
        return;
    QScrollBar *vertical = verticalScrollBar();
    const int top = int(std::floor(caret.top())) - vertical->value();
    const int bottom = int(std::ceil(caret.bottom())) - vertical->value();
    if (top < 0)
        vertical->setValue(vertical->value() + top);
    else if (bottom > viewport()->height())
        vertical->setValue(vertical->value() + bottom - viewport()->height());
    QScrollBar *horizontal = horizontalScrollBar();
    const int left = int(caret.left()) - horizontal->value();
    if (left < 0 || left > viewport()->width())
        horizontal->setValue(int(caret.left()) - viewport()->width() / 2);
}

QVariant TTntRichEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The caret of a paragraph typed into outside the control: its own rectangle (the control
    // would lay the paragraph out whole to find it).
    if (query == Qt::ImCursorRectangle && flowLayout() && flowLayout()->isFast()) {
        const QRectF caret = flowLayout()->fastCaretRect(textCursor().position());
        if (!caret.isEmpty())
            return caret.translated(-horizontalScrollBar()->value(), -verticalScrollBar()->value())
                .translated(viewport()->pos())
                .toAlignedRect();
    }
    return QTextEdit::inputMethodQuery(query);
}

// While typing goes on outside the control, its caret blink stays off: it would ask for the
// paragraph's own lines (and lay it out whole) twice a second. The blink is ours then.
bool TTntRichEdit::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_control && e->type() == QEvent::Timer && flowLayout() && flowLayout()->isFast())
        return true;
    return QTextEdit::eventFilter(watched, e);
}

// Raises OnKeyPress for each character in turn and types what the handler leaves. What came
// before a character goes in before its handler runs, so a handler that inserts text of its own
// keeps the order. Returns false when every character went through unchanged and nothing was
// typed yet: the caller then lets the editor type the original input itself.
bool TTntRichEdit::translateTyped(const QString &text, Qt::KeyboardModifiers modifiers, bool autoRepeat)
{
    QString typed;
    bool changed = false;
    const auto codePoints = text.toUcs4();
    for (const char32_t codePoint : codePoints) {
        if (!typed.isEmpty()) {
            sendTypedText(typed, modifiers, autoRepeat);
            typed.clear();
            changed = true;
        }
        const unsigned char original = eightBitCode(codePoint);
        unsigned char key = original;
        OnKeyPress(key);
        if (key == 0) {
            changed = true;
        } else if (key == original) {
            typed += QString::fromUcs4(&codePoint, 1);
        } else {
            changed = true;
            typed += QChar(key);
        }
    }
    if (!changed)
        return false;
    if (!typed.isEmpty())
        sendTypedText(typed, modifiers, autoRepeat);
    return true;
}

// Every typed character raises OnKeyPress with its 8-bit code first. A handler that sets
// the code to 0 swallows the character; one that changes it types the new code instead.
// Keys that work on the table around the caret: Tab and Shift+Tab go to the next and the
// previous cell (Tab in the last cell adds a row), Backspace at a cell's start and Delete at
// its end do nothing (cells are never merged), nor do they at the edges of a table seen from
// the paragraphs around it. True when the key was handled here.
bool TTntRichEdit::tableKey(QKeyEvent *e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::NoModifier || isReadOnly())
        return false;
    QTextCursor cursor = textCursor();
    QTextTable *table = cursor.currentTable();
    const int key = e->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        if (cursor.hasSelection())
            return false;
        const int neighbour = qBound(0, key == Qt::Key_Backspace ? cursor.position() - 1 : cursor.position() + 1,
                                     document()->characterCount() - 1);
        // The table around the neighbouring position (a cursor put there would ask the layout
        // where it is on its line).
        QTextTable *other = nullptr;
        for (QTextFrame *frame = document()->frameAt(neighbour); frame && !other; frame = frame->parentFrame())
            other = qobject_cast<QTextTable *>(frame);
        if (!table && !other)
            return false;
        if (table != other)
            return true; // the edge of a table
        const QTextTableCell here = table->cellAt(cursor.position());
        const QTextTableCell there = table->cellAt(neighbour);
        return here.row() != there.row() || here.column() != there.column();
    }
    if ((key != Qt::Key_Tab && key != Qt::Key_Backtab) || !table)
        return false;
    const QTextTableCell cell = table->cellAt(cursor.position());
    int index = cell.row() * table->columns() + cell.column();
    index += (key == Qt::Key_Backtab || (e->modifiers() & Qt::ShiftModifier)) ? -1 : cell.columnSpan();
    if (index < 0)
        return true;
    if (index >= table->rows() * table->columns())
        table->appendRows(1);
    cursor = table->cellAt(index / table->columns(), index % table->columns()).firstCursorPosition();
    setTextCursor(cursor);
    return true;
}

void TTntRichEdit::keyPressEvent(QKeyEvent *e)
{
    trackDirectionKeys(e);
    if (tableKey(e)) {
        e->accept();
        return;
    }
    if (isReadOnly() || !OnKeyPress) {
        editorKey(e);
        return;
    }

    if (const unsigned char control = controlKeyCode(e)) {
        unsigned char key = control;
        OnKeyPress(key);
        if (key == 0) {
            e->accept();
            return;
        }
        if (key == control && e->key() != Qt::Key_Backtab && !(e->modifiers() & Qt::ShiftModifier)) {
            editorKey(e);
            return;
        }
        // Shift+Enter and Shift+Tab type what Enter and Tab type; a changed code types itself.
        const Qt::Key asKey = keyForControlCode(key);
        if (asKey != Qt::Key_unknown) {
            QKeyEvent plain(QEvent::KeyPress, asKey, Qt::NoModifier, QString(QChar(key)), e->isAutoRepeat());
            editorKey(&plain);
        } else {
            sendTyped(e, QString(QChar(key)));
        }
        e->accept();
        return;
    }

    if (!isTypedText(e)) {
        // Alt with a character key types nothing (no character may enter without its
        // key-press event); the key goes on to the window.
        const Qt::KeyboardModifiers mods = e->modifiers();
        if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) && !e->text().isEmpty()
            && e->text().at(0).isPrint()) {
            e->ignore();
            return;
        }
        editorKey(e);
        return;
    }

    if (!translateTyped(e->text(), e->modifiers(), e->isAutoRepeat())) {
        editorKey(e);
        return;
    }
    e->accept();
}

// Text committed by an input method (dead keys, compose) is typed text too: it takes the road
// of a key press, so the input language applies to it.
void TTntRichEdit::inputMethodEvent(QInputMethodEvent *e)
{
    const QString commit = e->commitString();
    // A plain commit (no composition shown before or now) is only typed text; anything else
    // goes through the control, which shows the composition in the paragraph's own layout.
    const bool plainCommit = e->preeditString().isEmpty() && e->replacementLength() == 0
        && textCursor().block().layout()->preeditAreaText().isEmpty();
    if (!plainCommit || commit.isEmpty()) {
        if (TextFlowLayout *layout = flowLayout())
            layout->endFast();
    }
    if (isReadOnly() || !OnKeyPress || commit.isEmpty()) {
        QTextEdit::inputMethodEvent(e);
        return;
    }
    if (!plainCommit) {
        QInputMethodEvent rest(e->preeditString(), e->attributes());
        rest.setCommitString(QString(), e->replacementStart(), e->replacementLength());
        QTextEdit::inputMethodEvent(&rest);
    }
    if (!translateTyped(commit, Qt::NoModifier, false))
        sendTypedText(commit, Qt::NoModifier, false);
    e->accept();
}

void TTntRichEdit::trackDirectionKeys(const QKeyEvent *e)
{
    const int key = e->key();
    const bool press = e->type() == QEvent::KeyPress;
    if (key == Qt::Key_Shift && press && !e->isAutoRepeat()) {
        const quint32 sym = e->nativeVirtualKey();
        const quint32 code = e->nativeScanCode();
        if (sym == kShiftRightSym || (sym == 0 && code == kShiftRightCode))
            m_lastShift = ShiftSide::Right;
        else if (sym == kShiftLeftSym || (sym == 0 && code == kShiftLeftCode))
            m_lastShift = ShiftSide::Left;
        else
            m_lastShift = ShiftSide::None;
    }
    const Qt::KeyboardModifiers others = Qt::AltModifier | Qt::MetaModifier;
    if (press) {
        if (e->isAutoRepeat() && (key == Qt::Key_Shift || key == Qt::Key_Control))
            return;
        // Shift with Ctrl held, or Ctrl with Shift held, starts the combination; any other key ends it.
        const bool pair = (key == Qt::Key_Shift && (e->modifiers() & Qt::ControlModifier))
            || (key == Qt::Key_Control && (e->modifiers() & Qt::ShiftModifier));
        m_directionKeys = pair && !(e->modifiers() & others) ? m_lastShift : ShiftSide::None;
        return;
    }
    if ((key != Qt::Key_Shift && key != Qt::Key_Control) || e->isAutoRepeat())
        return;
    const ShiftSide side = m_directionKeys;
    m_directionKeys = ShiftSide::None;
    if (side == ShiftSide::None || isReadOnly())
        return;
    Paragraph().SetDirection(side == ShiftSide::Right ? TParaDirection::RightToLeft : TParaDirection::LeftToRight);
    if (OnSelectionChange)
        OnSelectionChange();
}

void TTntRichEdit::keyReleaseEvent(QKeyEvent *e)
{
    trackDirectionKeys(e);
    if (OnKeyUp) {
        int key = e->key();
        OnKeyUp(key, e->modifiers());
        if (key == 0) {
            e->accept();
            return;
        }
    }
    QTextEdit::keyReleaseEvent(e);
}
