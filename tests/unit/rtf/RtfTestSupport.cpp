#include "RtfTestSupport.h"

#include "RtfCodec.h"
#include "TableText.h"

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
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
    // Unlike toPlainText, keeps no-break spaces; table cells end in TAB inside a row.
    QString text = rtf::documentText(doc, 0, doc.characterCount() - 1, u"\n");
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
    QString out = QStringLiteral("%1|%2|%3|%4|c%5").arg(family).arg(f.fontPointSize()).arg(colour, flags,
                                                                                       charset.isValid() ? charset.toString() : QStringLiteral("-"));
    // What only some runs have, shown only when there.
    if (f.verticalAlignment() != QTextCharFormat::AlignNormal)
        out += QStringLiteral("|v%1/%2").arg(int(f.verticalAlignment())).arg(f.intProperty(rtf::RaiseProperty));
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        out += QStringLiteral("|bg%1/%2").arg(f.background().color().name()).arg(f.intProperty(rtf::BackgroundKindProperty));
    if (f.isAnchor())
        out += QStringLiteral("|link ") + f.anchorHref();
    if (f.hasProperty(rtf::FieldInstructionProperty))
        out += QStringLiteral("|field ") + f.stringProperty(rtf::FieldInstructionProperty);
    if (f.isImageFormat()) {
        const QTextImageFormat image = f.toImageFormat();
        out += QStringLiteral("|picture %1 %2x%3 %4 bytes %5")
                   .arg(image.intProperty(rtf::PictureKindProperty))
                   .arg(image.width())
                   .arg(image.height())
                   .arg(image.property(rtf::PictureDataProperty).toByteArray().size())
                   .arg(qHash(image.property(rtf::PictureDataProperty).toByteArray()));
    }
    return out;
}

QString describeBlockExtras(const QTextBlockFormat &bf)
{
    QString out;
    if (bf.topMargin() != 0 || bf.bottomMargin() != 0)
        out += QStringLiteral(" sb%1 sa%2").arg(bf.topMargin()).arg(bf.bottomMargin());
    if (bf.hasProperty(QTextFormat::LineHeightType) && bf.lineHeightType() != QTextBlockFormat::SingleHeight)
        out += QStringLiteral(" line%1/%2").arg(bf.lineHeightType()).arg(bf.lineHeight());
    if (bf.pageBreakPolicy() != QTextFormat::PageBreak_Auto)
        out += QStringLiteral(" break%1").arg(int(bf.pageBreakPolicy()));
    if (bf.boolProperty(rtf::KeepTogetherProperty))
        out += QStringLiteral(" keep");
    if (bf.boolProperty(rtf::KeepWithNextProperty))
        out += QStringLiteral(" keepn");
    const QList<int> tabs = bf.property(rtf::TabStopsProperty).value<QList<int>>();
    for (qsizetype i = 0; i + 2 < tabs.size(); i += 3)
        out += QStringLiteral(" tab%1/%2/%3").arg(tabs[i]).arg(tabs[i + 1]).arg(tabs[i + 2]);
    return out;
}

} // namespace

QString describe(const QTextDocument &doc)
{
    QString out;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat bf = block.blockFormat();
        const QTextList *list = block.textList();
        out += QStringLiteral("¶ a%1 li%2 fi%3 ri%4 list%5%6\n")
                   .arg(int(bf.alignment() & Qt::AlignHorizontal_Mask))
                   .arg(bf.leftMargin())
                   .arg(bf.textIndent())
                   .arg(bf.rightMargin())
                   .arg(list ? int(list->format().style()) : 0)
                   .arg(describeBlockExtras(bf));
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
