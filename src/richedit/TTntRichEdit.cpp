// Placeholder: the control's operations land with its implementation.
#include "TTntRichEdit.h"
QString TTextAttributes::Name() const { return {}; }
void TTextAttributes::SetName(const QString &) {}
int TTextAttributes::Size() const { return 0; }
void TTextAttributes::SetSize(int) {}
TColor TTextAttributes::Color() const { return clWindowText; }
void TTextAttributes::SetColor(TColor) {}
TFontStyles TTextAttributes::Style() const { return 0; }
void TTextAttributes::SetStyle(TFontStyles) {}
int TTextAttributes::Charset() const { return 1; }
void TTextAttributes::SetCharset(int) {}
TFontPitch TTextAttributes::Pitch() const { return TFontPitch::Default; }
void TTextAttributes::SetPitch(TFontPitch) {}
QTextCharFormat TTextAttributes::read() const { return {}; }
void TTextAttributes::merge(const QTextCharFormat &) {}
int TParaAttributes::Alignment() const { return 0; }
void TParaAttributes::SetAlignment(int) {}
int TParaAttributes::FirstIndent() const { return 0; }
void TParaAttributes::SetFirstIndent(int) {}
int TParaAttributes::LeftIndent() const { return 0; }
void TParaAttributes::SetLeftIndent(int) {}
int TParaAttributes::RightIndent() const { return 0; }
void TParaAttributes::SetRightIndent(int) {}
int TParaAttributes::Numbering() const { return 0; }
void TParaAttributes::SetNumbering(int) {}
TTntRichEdit::TTntRichEdit(QWidget *parent) : QTextEdit(parent) {}
TTntRichEdit::~TTntRichEdit() = default;
QString TTntRichEdit::Text() const { return toPlainText(); }
QString TTntRichEdit::SelText() const { return {}; }
int TTntRichEdit::SelStart() const { return 0; }
int TTntRichEdit::SelLength() const { return 0; }
void TTntRichEdit::SetSelStart(int) {}
void TTntRichEdit::SetSelLength(int) {}
void TTntRichEdit::SetSel(int, int) {}
void TTntRichEdit::ReplaceSelection(const QString &t) { insertPlainText(t); }
void TTntRichEdit::ReplaceSelectionPlain(const QString &t) { insertPlainText(t); }
int TTntRichEdit::CaretPos() const { return 0; }
int TTntRichEdit::LineFromChar(int) const { return 0; }
int TTntRichEdit::LineIndex(int) const { return 0; }
int TTntRichEdit::CrLfToDocPos(int p) const { return p; }
int TTntRichEdit::DocToCrLfPos(int p) const { return p; }
bool TTntRichEdit::Modified() const { return false; }
void TTntRichEdit::SetModified(bool) {}
void TTntRichEdit::SetReadOnlyState(bool r) { setReadOnly(r); }
void TTntRichEdit::Clear() { clear(); }
void TTntRichEdit::SetFormattingRect(const QRect &r) { m_formattingRect = r; }
QRect TTntRichEdit::FormattingRect() const { return m_formattingRect; }
bool TTntRichEdit::CanUndo() const { return false; }
bool TTntRichEdit::CanPaste() const { return false; }
void TTntRichEdit::LoadFromFile(const QString &) {}
void TTntRichEdit::SaveToFile(const QString &) {}
void TTntRichEdit::Print(const QString &, QPrinter *) {}
void TTntRichEdit::setDefaultCharFormat(const QTextCharFormat &f) { m_defaultFormat = f; }
bool TTntRichEdit::event(QEvent *e) { return QTextEdit::event(e); }
void TTntRichEdit::keyPressEvent(QKeyEvent *e) { QTextEdit::keyPressEvent(e); }
void TTntRichEdit::keyReleaseEvent(QKeyEvent *e) { QTextEdit::keyReleaseEvent(e); }
void TTntRichEdit::insertFromMimeData(const QMimeData *s) { QTextEdit::insertFromMimeData(s); }
