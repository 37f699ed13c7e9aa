#include "RtfTestSupport.h"

#include "RtfCodec.h"

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QtTest>

namespace rtftest {

QByteArray testData(const QString &name)
{
    QFile file(QStringLiteral(KALVERO_RTF_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

QString plainText(const QTextDocument &doc)
{
    QString text = doc.toRawText(); // unlike toPlainText, keeps no-break spaces
    text.replace(QChar(0x2029), u'\n');
    text.replace(QChar(0x2028), u'\n');
    return text;
}

namespace {

QString describeFormat(const QTextCharFormat &f)
{
    QString family = f.fontFamilies().toStringList().value(0);
    QString colour = f.property(rtf::AutoColorProperty).toBool() ? QStringLiteral("auto")
                   : f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name()
                                                                 : QStringLiteral("none");
    QString flags;
    if (f.fontWeight() >= QFont::Bold)
        flags += u'b';
    if (f.fontItalic())
        flags += u'i';
    if (f.fontUnderline())
        flags += u'u';
    if (f.fontStrikeOut())
        flags += u's';
    const QVariant charset = f.property(rtf::CharsetProperty);
    return QStringLiteral("%1|%2|%3|%4|c%5").arg(family).arg(f.fontPointSize()).arg(colour, flags,
                                                                                   charset.isValid() ? charset.toString() : QStringLiteral("-"));
}

} // namespace

QString describe(const QTextDocument &doc)
{
    QString out;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat bf = block.blockFormat();
        const QTextList *list = block.textList();
        out += QStringLiteral("¶ a%1 li%2 fi%3 ri%4 list%5\n")
                   .arg(int(bf.alignment() & Qt::AlignHorizontal_Mask))
                   .arg(bf.leftMargin())
                   .arg(bf.textIndent())
                   .arg(bf.rightMargin())
                   .arg(list ? int(list->format().style()) : 0);
        if (block.length() == 1)
            out += QStringLiteral("  (empty) ") + describeFormat(block.charFormat()) + u'\n';
        // Neighbouring fragments of equal attributes are one run.
        QString runText;
        QString runFormat;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString format = describeFormat(fragment.charFormat());
            if (format != runFormat && !runText.isEmpty()) {
                out += QStringLiteral("  \"") + runText + QStringLiteral("\" ") + runFormat + u'\n';
                runText.clear();
            }
            runFormat = format;
            runText += fragment.text();
        }
        if (!runText.isEmpty())
            out += QStringLiteral("  \"") + runText + QStringLiteral("\" ") + runFormat + u'\n';
    }
    return out;
}

void load(const QByteArray &rtf, QTextDocument &doc, QTextCharFormat *defaultFormat)
{
    rtf::loadDocument(rtf, &doc, defaultFormat);
}

} // namespace rtftest
