#include "untRtf2Html.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

struct NamedColor
{
    TColor value;
    const char *name;
};

// Looked up first match first; every name carries the two-letter "cl" prefix.
const NamedColor kNamedColors[] = {
    {RGBToColor(0, 0, 0), "clBlack"},
    {RGBToColor(128, 0, 0), "clMaroon"},
    {RGBToColor(0, 128, 0), "clGreen"},
    {RGBToColor(128, 128, 0), "clOlive"},
    {RGBToColor(0, 0, 128), "clNavy"},
    {RGBToColor(128, 0, 128), "clPurple"},
    {RGBToColor(0, 128, 128), "clTeal"},
    {RGBToColor(128, 128, 128), "clGray"},
    {RGBToColor(192, 192, 192), "clSilver"},
    {RGBToColor(255, 0, 0), "clRed"},
    {RGBToColor(0, 255, 0), "clLime"},
    {RGBToColor(255, 255, 0), "clYellow"},
    {RGBToColor(0, 0, 255), "clBlue"},
    {RGBToColor(255, 0, 255), "clFuchsia"},
    {RGBToColor(0, 255, 255), "clAqua"},
    {RGBToColor(255, 255, 255), "clWhite"},
    {RGBToColor(192, 220, 192), "clMoneyGreen"},
    {RGBToColor(166, 202, 240), "clSkyBlue"},
    {RGBToColor(255, 251, 240), "clCream"},
    {RGBToColor(160, 160, 164), "clMedGray"},
    {clWindowText, "clWindowText"},
};

} // namespace

QByteArray ColorNameWithoutPrefix(TColor color)
{
    for (const NamedColor &named : kNamedColors) {
        if (named.value == color)
            return QByteArray(named.name).mid(2);
    }
    // "$" and eight upper-case hexadecimal digits, of which the first two characters go.
    const QByteArray number = QByteArray::number(quint32(color), 16).toUpper().rightJustified(8, '0');
    return QByteArray("$" + number).mid(2);
}

void RemoveFirstOccurrence(const QByteArray &tag, QByteArray &tags)
{
    if (tag.isEmpty())
        return;
    const qsizetype at = tags.indexOf(tag);
    if (at >= 0)
        tags.remove(at, tag.size());
}

void ForumMarkupBuilder::append(const QByteArray &tags)
{
    m_out.append(QLatin1String(tags));
}

void ForumMarkupBuilder::closeStylesAnd(const char *outerClosers)
{
    append(m_closeStyleTags);
    m_out.append(QLatin1String(outerClosers));
}

void ForumMarkupBuilder::switchStyle(bool on, bool &current, const QByteArray &openTag, const QByteArray &closeTag)
{
    if (on == current)
        return;
    current = on;
    if (on) {
        append(openTag);
        m_closeStyleTags.prepend(closeTag);
        m_openStyleTags.append(openTag);
    } else {
        append(closeTag);
        RemoveFirstOccurrence(openTag, m_openStyleTags);
        RemoveFirstOccurrence(closeTag, m_closeStyleTags);
    }
}

void ForumMarkupBuilder::feed(const ForumRunFormat &format, const QString &text, bool afterLineFeed)
{
    // The isolate ends with the paragraph's text: at its break (which has no text of its own).
    if (m_isolateOpen && (text.isEmpty() || !format.rightToLeft)) {
        m_out.append(QChar(0x2069));
        m_isolateOpen = false;
    }
    if (format.alignment != m_alignment) {
        m_alignment = format.alignment;
        if (!m_pendingAlignmentClose.isEmpty()) {
            closeStylesAnd("[/color][/size][/font]");
            append(m_pendingAlignmentClose);
            m_fontName.clear();
            m_size = -1;
            m_color = -1;
        }
        static const char *const opening[] = {"[left]", "[right]", "[center]", "[justify]"};
        static const char *const closing[] = {"[/left]", "[/right]", "[/center]", "[/justify]"};
        if (format.alignment >= 0 && format.alignment <= 3) {
            m_out.append(QLatin1String(opening[format.alignment]));
            m_pendingAlignmentClose = closing[format.alignment];
        }
    }

    if (format.fontName != m_fontName) {
        if (!m_fontName.isEmpty()) {
            closeStylesAnd("[/color][/size][/font]");
            m_size = -1;
            m_color = -1;
        }
        m_fontName = format.fontName;
        m_out.append(QLatin1String("[font=")).append(format.fontName).append(QLatin1Char(']'));
    }

    if (format.size != m_size) {
        if (m_size != -1) {
            closeStylesAnd("[/color][/size]");
            m_color = -1;
        }
        m_size = format.size;
        m_out.append(QLatin1String("[size=")).append(QString::number(format.size)).append(QLatin1String("pt]"));
    }

    if (format.color != m_color) {
        if (m_color != -1)
            closeStylesAnd("[/color]");
        m_color = format.color;
        m_out.append(QLatin1String("[color=")).append(QLatin1String(ColorNameWithoutPrefix(format.color))).append(QLatin1Char(']'));
        append(m_openStyleTags);
    }

    switchStyle(format.bold, m_bold, QByteArrayLiteral("<b>"), QByteArrayLiteral("</b>"));
    switchStyle(format.italic, m_italic, QByteArrayLiteral("<i>"), QByteArrayLiteral("</i>"));
    switchStyle(format.underline, m_underline, QByteArrayLiteral("<u>"), QByteArrayLiteral("</u>"));

    if (afterLineFeed)
        m_out.append(QLatin1String("<br>"));
    // A picture has no text of its own: the forum gets nothing for it. A line break inside a
    // paragraph (a soft break kept from a file) is a line break too.
    QString shown(text);
    shown.remove(QChar::ObjectReplacementCharacter);
    shown.replace(QChar::LineSeparator, QLatin1String("<br>"));
    if (format.rightToLeft && !shown.isEmpty() && !m_isolateOpen) {
        m_out.append(QChar(0x2067));
        m_isolateOpen = true;
    }
    m_out.append(shown);
}

void CopyWideTextToClipboard(const QString &text)
{
    // One Unicode text and nothing beside it (no rich text, no HTML). The platform offers it
    // in its own text formats (UTF8_STRING and friends under X11).
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}
