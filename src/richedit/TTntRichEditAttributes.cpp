#include "TTntRichEdit.h"

#include "RtfCodec.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <cmath>

namespace {

// The largest size the control takes, in points.
constexpr int kMaxPointSize = 1638;

constexpr double kPixelsPerPoint = 4.0 / 3.0;

QString faceOf(const QTextCharFormat &format, const QFont &fallback)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    if (format.hasProperty(QTextFormat::FontFamily))
        return format.stringProperty(QTextFormat::FontFamily);
    return fallback.family();
}

double pointSizeOf(const QTextCharFormat &format, const QFont &fallback)
{
    if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0)
        return format.fontPointSize();
    if (format.hasProperty(QTextFormat::FontPixelSize) && format.intProperty(QTextFormat::FontPixelSize) > 0)
        return format.intProperty(QTextFormat::FontPixelSize) / kPixelsPerPoint;
    if (fallback.pointSizeF() > 0)
        return fallback.pointSizeF();
    return fallback.pixelSize() / kPixelsPerPoint;
}

bool isAutomaticColor(const QTextCharFormat &format)
{
    if (format.boolProperty(rtf::AutoColorProperty))
        return true;
    return !format.hasProperty(QTextFormat::ForegroundBrush) || format.foreground().style() == Qt::NoBrush;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Text attributes

QTextCharFormat TTextAttributes::read() const
{
    if (m_kind == Kind::Selection)
        return m_editor->selectionCharFormat();
    QTextCharFormat format = m_editor->m_defaultFormat;
    format.merge(m_editor->currentCharFormat());
    return format;
}

// Selection set: the selected text, or at a caret the insertion format only.
// Default set: the stored defaults and the insertion format, so the next typed text
// takes the change; an empty document takes it as its own format too.
void TTextAttributes::merge(const QTextCharFormat &change)
{
    if (m_kind == Kind::Selection) {
        m_editor->mergeCurrentCharFormat(change);
        return;
    }
    m_editor->m_defaultFormat.merge(change);
    m_editor->applyDefaultFont();
    if (!m_editor->textCursor().hasSelection())
        m_editor->mergeCurrentCharFormat(change);
    m_editor->applyToEmptyDocument(change);
}

QString TTextAttributes::NameOf(const QTextCharFormat &format, const QFont &documentFont)
{
    return faceOf(format, documentFont);
}

int TTextAttributes::SizeOf(const QTextCharFormat &format, const QFont &documentFont)
{
    return static_cast<int>(std::floor(pointSizeOf(format, documentFont) + 1e-9));
}

TColor TTextAttributes::ColorOf(const QTextCharFormat &format)
{
    if (isAutomaticColor(format))
        return clWindowText;
    const QColor color = format.foreground().color();
    return RGBToColor(color.red(), color.green(), color.blue());
}

TFontStyles TTextAttributes::StyleOf(const QTextCharFormat &format)
{
    TFontStyles style = 0;
    if (format.fontWeight() > QFont::Medium)
        style |= fsBold;
    if (format.fontItalic())
        style |= fsItalic;
    if (format.fontUnderline())
        style |= fsUnderline;
    if (format.fontStrikeOut())
        style |= fsStrikeOut;
    return style;
}

QString TTextAttributes::Name() const
{
    return NameOf(read(), m_editor->document()->defaultFont());
}

void TTextAttributes::SetName(const QString &name)
{
    if (name.isEmpty())
        return;
    TTntRichEdit::RegisterFaceFallback(name);
    QTextCharFormat change;
    change.setFontFamilies(QStringList{name});
    change.setProperty(QTextFormat::FontFamily, name);
    merge(change);
}

int TTextAttributes::Size() const
{
    return SizeOf(read(), m_editor->document()->defaultFont());
}

void TTextAttributes::SetSize(int points)
{
    if (points <= 0)
        return;
    QTextCharFormat change;
    change.setFontPointSize(qMin(points, kMaxPointSize));
    merge(change);
}

TColor TTextAttributes::Color() const
{
    return ColorOf(read());
}

void TTextAttributes::SetColor(TColor color)
{
    QTextCharFormat change;
    if (color == clWindowText) {
        change.setProperty(rtf::AutoColorProperty, true);
        change.setForeground(QBrush());
    } else {
        if (quint32(color) & 0xFF000000u)
            return; // not an RGB value
        change.setProperty(rtf::AutoColorProperty, false);
        change.setForeground(QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
    }
    merge(change);
}

TFontStyles TTextAttributes::Style() const
{
    return StyleOf(read());
}

void TTextAttributes::SetStyle(TFontStyles style)
{
    QTextCharFormat change;
    change.setFontWeight((style & fsBold) ? QFont::Bold : QFont::Normal);
    change.setFontItalic(style & fsItalic);
    change.setFontUnderline(style & fsUnderline);
    change.setFontStrikeOut(style & fsStrikeOut);
    merge(change);
}

int TTextAttributes::Charset() const
{
    const QTextCharFormat format = read();
    return format.hasProperty(rtf::CharsetProperty) ? format.intProperty(rtf::CharsetProperty) : 1;
}

void TTextAttributes::SetCharset(int charset)
{
    QTextCharFormat change;
    change.setProperty(rtf::CharsetProperty, charset);
    merge(change);
}

// Pitch: fixed is a fixed-pitch request with the typewriter hint; variable a proportional
// request with a sans-serif hint; default neither.
TFontPitch TTextAttributes::Pitch() const
{
    const QTextCharFormat format = read();
    if (format.fontFixedPitch())
        return TFontPitch::Fixed;
    if (format.hasProperty(QTextFormat::FontStyleHint) && format.fontStyleHint() != QFont::AnyStyle)
        return TFontPitch::Variable;
    return TFontPitch::Default;
}

void TTextAttributes::SetPitch(TFontPitch pitch)
{
    QTextCharFormat change;
    switch (pitch) {
    case TFontPitch::Fixed:
        change.setFontFixedPitch(true);
        change.setFontStyleHint(QFont::TypeWriter);
        break;
    case TFontPitch::Variable:
        change.setFontFixedPitch(false);
        change.setFontStyleHint(QFont::SansSerif);
        break;
    case TFontPitch::Default:
        change.setFontFixedPitch(false);
        change.setFontStyleHint(QFont::AnyStyle);
        break;
    }
    merge(change);
}

// ---------------------------------------------------------------------------------------
// Paragraph attributes. Indents are stored in pixels at 4/3 pixels per point: with first
// indent F, left indent L (relative to F) and right indent R, the left margin is (F+L),
// the first line's own indent -L and the right margin R. In a right-to-left paragraph the
// "left" margin and the first line's indent belong to its start side, which is the right.

QTextBlockFormat TParaAttributes::firstFormat() const
{
    const QTextCursor cursor = m_editor->textCursor();
    return m_editor->document()->findBlock(cursor.selectionStart()).blockFormat();
}

void TParaAttributes::changeEach(const std::function<void(QTextBlockFormat &)> &change)
{
    const QTextCursor edit = m_editor->textCursor();
    QTextDocument *doc = m_editor->document();
    const QTextBlock first = doc->findBlock(edit.selectionStart());
    const QTextBlock last = doc->findBlock(edit.selectionEnd());
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        change(format);
        if (format != block.blockFormat()) {
            cursor.setPosition(block.position());
            cursor.setBlockFormat(format);
        }
        if (block == last)
            break;
    }
    cursor.endEditBlock();
}

int TParaAttributes::AlignmentOf(const QTextBlockFormat &format)
{
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignJustify)
        return 3;
    if (alignment & Qt::AlignHCenter)
        return 2;
    if (alignment & Qt::AlignRight)
        return 1;
    return 0;
}

TParaDirection TParaAttributes::DirectionOf(const QTextBlockFormat &format)
{
    // A paragraph that names no direction reads left to right.
    return format.layoutDirection() == Qt::RightToLeft ? TParaDirection::RightToLeft : TParaDirection::LeftToRight;
}

int TParaAttributes::Alignment() const
{
    return AlignmentOf(firstFormat());
}

void TParaAttributes::SetAlignment(int alignment)
{
    Qt::Alignment value;
    switch (alignment) {
    case 0:
        value = Qt::AlignLeft;
        break;
    case 1:
        value = Qt::AlignRight;
        break;
    case 2:
        value = Qt::AlignHCenter;
        break;
    case 3:
        value = Qt::AlignJustify;
        break;
    default:
        return;
    }
    changeEach([value](QTextBlockFormat &format) { format.setAlignment(value); });
}

// Whole points of a length in pixels, truncated toward zero. The length is taken to whole
// twips (1/20 point, 1/15 pixel) first, so indents that came as whole points or twips read exactly.
static int pointsOf(qreal pixels)
{
    return int(qRound64(pixels * 15.0) / 20);
}

static int leftOf(const QTextBlockFormat &format)
{
    return pointsOf(-format.textIndent());
}

static int firstOf(const QTextBlockFormat &format)
{
    return pointsOf(format.leftMargin() + format.textIndent());
}

static void storeIndents(QTextBlockFormat &format, int first, int left)
{
    format.setLeftMargin((first + left) * kPixelsPerPoint);
    format.setTextIndent(-left * kPixelsPerPoint);
}

int TParaAttributes::FirstIndent() const
{
    return firstOf(firstFormat());
}

void TParaAttributes::SetFirstIndent(int points)
{
    changeEach([points](QTextBlockFormat &format) { storeIndents(format, points, leftOf(format)); });
}

int TParaAttributes::LeftIndent() const
{
    return leftOf(firstFormat());
}

void TParaAttributes::SetLeftIndent(int points)
{
    changeEach([points](QTextBlockFormat &format) { storeIndents(format, firstOf(format), points); });
}

int TParaAttributes::RightIndent() const
{
    return pointsOf(firstFormat().rightMargin());
}

void TParaAttributes::SetRightIndent(int points)
{
    changeEach([points](QTextBlockFormat &format) { format.setRightMargin(points * kPixelsPerPoint); });
}

int TParaAttributes::Numbering() const
{
    const QTextCursor cursor = m_editor->textCursor();
    return m_editor->document()->findBlock(cursor.selectionStart()).textList() ? 1 : 0;
}

void TParaAttributes::SetNumbering(int numbering)
{
    if (numbering == 0) {
        SetLeftIndent(0);
        changeEach([](QTextBlockFormat &format) { format.setObjectIndex(-1); });
        return;
    }
    if (numbering != 1)
        return;
    if (LeftIndent() < 10)
        SetLeftIndent(10);
    QTextCursor cursor = m_editor->textCursor();
    QTextListFormat list;
    list.setStyle(QTextListFormat::ListDisc);
    list.setIndent(0);
    cursor.beginEditBlock();
    cursor.createList(list);
    cursor.endEditBlock();
}

TParaDirection TParaAttributes::Direction() const
{
    return DirectionOf(firstFormat());
}

void TParaAttributes::SetDirection(TParaDirection direction)
{
    changeEach([direction](QTextBlockFormat &format) {
        if (DirectionOf(format) == direction)
            return;
        if (direction == TParaDirection::RightToLeft)
            format.setLayoutDirection(Qt::RightToLeft);
        else
            format.clearProperty(QTextFormat::LayoutDirection);
        switch (AlignmentOf(format)) {
        case 0:
            format.setAlignment(Qt::AlignRight);
            break;
        case 1:
            format.setAlignment(Qt::AlignLeft);
            break;
        default:
            break;
        }
    });
}
