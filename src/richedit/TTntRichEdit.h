#pragma once

#include <QKeySequence>
#include <QList>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <functional>

#include "RtfCodec.h"

class QPrinter;
class TTntRichEdit;

// Colours as the control reports them: 0x00BBGGRR, or clWindowText for the automatic
// text colour. clWindowText can never equal an RGB value or -1.
using TColor = qint32;
constexpr TColor clWindowText = qint32(0x80000008u);
constexpr TColor clNone = 0x1FFFFFFF;

inline TColor RGBToColor(int r, int g, int b) { return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16)); }

// Style bits of a text attribute set.
enum TFontStyle : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int;

enum class TFontPitch { Default, Fixed, Variable };

// Reading direction of a paragraph. A right-to-left paragraph starts at the right edge; its
// first-line and left indents ("start" side) stand at the right and its right indent ("end"
// side) at the left. Alignment stays physical: right alignment puts lines against the right
// edge in either direction.
enum class TParaDirection { LeftToRight = 0, RightToLeft = 1 };

// One of the control's two character attribute sets: the selection set (the attributes of
// the selection, or of the insertion point when nothing is selected) or the default set
// (the attributes new text takes). Reads and writes go straight to the control.
class TTextAttributes
{
public:
    enum class Kind { Selection, Default };
    TTextAttributes(TTntRichEdit *editor, Kind kind) : m_editor(editor), m_kind(kind) {}

    QString Name() const;
    void SetName(const QString &name);
    int Size() const;            // whole points, fractions dropped
    void SetSize(int points);
    TColor Color() const;        // clWindowText for automatic colour
    void SetColor(TColor color); // clWindowText sets automatic colour
    TFontStyles Style() const;
    void SetStyle(TFontStyles style); // writes all four effects at once
    int Charset() const;
    void SetCharset(int charset);
    TFontPitch Pitch() const;
    void SetPitch(TFontPitch pitch);

    Kind kind() const { return m_kind; }

    // What the control reports for text of a character format (documentFont: the document's
    // default font, which text without a face or size of its own shows in). The attribute
    // sets read through these, so whole-document walks can read runs the same way.
    static QString NameOf(const QTextCharFormat &format, const QFont &documentFont);
    static int SizeOf(const QTextCharFormat &format, const QFont &documentFont);
    static TColor ColorOf(const QTextCharFormat &format);
    static TFontStyles StyleOf(const QTextCharFormat &format);

private:
    QTextCharFormat read() const;
    void merge(const QTextCharFormat &change);
    TTntRichEdit *m_editor;
    Kind m_kind;
};

// Paragraph attributes of the selected paragraphs. Indents are whole points.
class TParaAttributes
{
public:
    explicit TParaAttributes(TTntRichEdit *editor) : m_editor(editor) {}

    // What the control reports as the alignment and the direction of a paragraph of this format.
    static int AlignmentOf(const QTextBlockFormat &format);
    static TParaDirection DirectionOf(const QTextBlockFormat &format);

    int Alignment() const;      // 0 left, 1 right, 2 centre, 3 justified
    void SetAlignment(int alignment);
    int FirstIndent() const;    // first line, from the start margin (left, or right in a right-to-left paragraph)
    void SetFirstIndent(int points);
    int LeftIndent() const;     // following lines, relative to the first line
    void SetLeftIndent(int points);
    int RightIndent() const;    // from the end margin (right, or left in a right-to-left paragraph)
    void SetRightIndent(int points);
    int Numbering() const;      // 0 none, 1 bullet (any list counts as 1)
    void SetNumbering(int numbering); // none: left indent 0; bullet: left indent at least 10
    TParaDirection Direction() const;
    // A paragraph that changes direction keeps its indents on its start and end sides, and a
    // left alignment becomes a right one and the other way round (centred and justified stay).
    void SetDirection(TParaDirection direction);

private:
    QTextBlockFormat firstFormat() const;
    // Applies change to the format of every selected paragraph, as one undo step.
    void changeEach(const std::function<void(QTextBlockFormat &)> &change);
    TTntRichEdit *m_editor;
};

// The document editor. Two position counts:
//  - SelStart/SelLength/Text/SelText count a paragraph break as two positions (CR LF);
//  - CaretPos/LineFromChar/LineIndex count it as one, and lines are display lines.
class TTntRichEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit TTntRichEdit(QWidget *parent = nullptr);
    ~TTntRichEdit() override;

    // Events, wired by the window.
    std::function<void()> OnChange;
    std::function<void()> OnSelectionChange;
    std::function<void(unsigned char &key)> OnKeyPress; // 8-bit code, 255 above U+00FF; 0 swallows
    std::function<void(int &key, Qt::KeyboardModifiers shift)> OnKeyUp;
    // Ctrl+click on a link: the link's target.
    std::function<void(const QString &target)> OnLinkClick;
    // The layout went on in idle time: display lines that were not known may be now.
    std::function<void()> OnLayoutProgress;

    // Text and selection (CR LF counting).
    QString Text() const;
    QString SelText() const;
    int SelStart() const;
    int SelLength() const;
    void SetSelStart(int start);    // collapses the selection at start
    void SetSelLength(int length);  // keeps the start
    void SetSel(int start, int length);
    // Replaces the selection (or inserts at the caret); CR LF, LF, CR and U+2028 each become one
    // paragraph break; text beginning "{\rtf" or "{urtf" (any case) goes in as rich text. Undoable.
    void ReplaceSelection(const QString &text);
    // The same without the rich-text branch: the text always goes in as plain text.
    void ReplaceSelectionPlain(const QString &text);
    // Converts the selected characters in place: convert maps a text to one of the same length,
    // and every character it changes is replaced keeping its own formatting; paragraphs and
    // unchanged characters are not touched. One undo step; afterwards nothing is selected and
    // the caret stands after the selection. Nothing selected: nothing changes.
    void ConvertSelectedCharacters(const std::function<QString(const QString &)> &convert);
    // Deletes the character after the caret (a letter with its combining marks, or the paragraph
    // break at the end of a paragraph), as the Delete key does. Undoable.
    void DeleteNextCharacter();

    // The control's own count (a paragraph break is one position; display lines).
    int CaretPos() const;
    int LineFromChar(int pos) const;
    int LineIndex(int line) const;
    // True when the display line of the position is known or cheap to learn; false when
    // LineFromChar would first lay out much of the document (OnLayoutProgress tells when
    // the layout has gone on).
    bool LineAtHand(int pos) const;

    // Position mapping between the two counts, O(log n).
    int CrLfToDocPos(int crlfPos) const;
    int DocToCrLfPos(int docPos) const;

    TTextAttributes &SelAttributes() { return m_selAttributes; }
    TTextAttributes &DefAttributes() { return m_defAttributes; }
    TParaAttributes &Paragraph() { return m_paragraph; }

    bool Modified() const;
    void SetModified(bool modified);
    void SetReadOnlyState(bool readOnly);
    void Clear();
    void SetFormattingRect(const QRect &rect); // client pixels
    QRect FormattingRect() const;
    bool CanUndo() const;
    bool CanPaste() const;

    // Throws EKalveroError. progress (may be empty) is called as the file is read and may throw
    // to cancel; whatever stops the load leaves the document, caret and flags as they were.
    void LoadFromFile(const QString &path, const rtf::LoadProgress &progress = {});
    void SaveToFile(const QString &path);   // throws EKalveroError; forgets DroppedParts()
    // What the file last read held that the document could not keep ("OLE object", ...);
    // empty once the document was saved.
    QStringList DroppedParts() const;
    void Print(const QString &title, QPrinter *printer);

    // The attributes that new text takes (the default set); used by the file format.
    const QTextCharFormat &defaultCharFormat() const { return m_defaultFormat; }
    void setDefaultCharFormat(const QTextCharFormat &format);

    // The client area that the formatting rectangle is measured in (the text area).
    int ClientWidth() const;
    int ClientHeight() const;

    // Key sequences that belong to the window even while the editor has the focus. The
    // shortcuts of every action in the editor's window count as well; these are extra.
    void SetWindowShortcuts(const QList<QKeySequence> &keys) { m_windowShortcuts = keys; }

    // Makes the given face fall back to the Coptic and Arabic faces for letters it lacks.
    static void RegisterFaceFallback(const QString &face);

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void inputMethodEvent(QInputMethodEvent *e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    friend class TTextAttributes;
    friend class TParaAttributes;

    // Document set-up.
    QTextDocument *createDocument() const;
    bool applyTextMargins(QTextDocument *doc) const;
    void attachDocument(QTextDocument *doc);
    void registerDocumentFaces(QTextDocument *doc) const;
    void applyToEmptyDocument(const QTextCharFormat &change);
    // Text without a face or size of its own shows in the default set's: the document's
    // default font follows them, as the file writer does.
    void applyDefaultFont();
    void applyDefaultFont(QTextDocument *doc);
    // Sets the document's Modified flag on purpose (see attachDocument).
    void setDocumentModified(bool modified);
    int m_ownModifiedChange = 0;
    bool m_quietChange = false; // a format set on a fresh document raises no change event

    // Selection and text helpers.
    int crLfToDoc(int crlfPos, bool *onLineFeed) const;
    QTextCharFormat selectionCharFormat() const;
    void insertPlain(QTextCursor &cursor, const QString &text);
    void normalisePasted(int from, int to);
    void notifySelectionIfMoved();

    // Keys.
    bool isWindowShortcut(const QKeyEvent *e) const;
    bool tableKey(QKeyEvent *e);
    void sendTyped(QKeyEvent *original, const QString &text);
    void sendTypedText(const QString &text, Qt::KeyboardModifiers modifiers, bool autoRepeat);
    bool translateTyped(const QString &text, Qt::KeyboardModifiers modifiers, bool autoRepeat);
    // Ctrl with the right Shift key, pressed and released with nothing else, makes the selected
    // paragraphs right to left; Ctrl with the left Shift key makes them left to right.
    void trackDirectionKeys(const QKeyEvent *e);
    enum class ShiftSide { None, Left, Right };
    ShiftSide m_lastShift = ShiftSide::None; // the Shift key pressed last
    ShiftSide m_directionKeys = ShiftSide::None; // Ctrl and this Shift are down, nothing else came

    // Display lines come from the document layout, which lays paragraphs out in order.
    class TextFlowLayout *flowLayout() const;

    // Typing in a long paragraph goes around the control (see TextFlowLayout::beginFastEdit):
    // the key's text (or Backspace) is applied with a cursor of ours, one undo step with the
    // typing before it, and the caret is drawn, blinked and kept in view here.
    void editorKey(QKeyEvent *e);
    bool typeFast(const QString &text, bool backspace);
    void showFastCaret();
    struct FastTyping
    {
        bool backspace = false;
        int position = -1; // where the caret was left
        int undoSteps = -1;
    };
    FastTyping m_fastTyping;
    class QTimer *m_fastBlink = nullptr;
    bool m_fastCaretOn = true;
    QObject *m_control = nullptr; // the text control inside QTextEdit

    TTextAttributes m_selAttributes{this, TTextAttributes::Kind::Selection};
    TTextAttributes m_defAttributes{this, TTextAttributes::Kind::Default};
    TParaAttributes m_paragraph{this};
    QTextCharFormat m_defaultFormat;
    QMargins m_textMargins;
    QList<QKeySequence> m_windowShortcuts;
    int m_lastAnchor = -1;
    int m_lastPosition = -1;
    bool m_swappingDocument = false;

};
