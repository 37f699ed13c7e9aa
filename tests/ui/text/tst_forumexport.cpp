#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTest>

#include "DocumentFixture.h"
#include "RtfCodec.h"
#include "TTntRichEdit.h"
#include "untRtf2Html.h"

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

// The markup without its tags: what remains must be the document's text without line breaks
// (paragraph breaks and line separators alike).
QString StripTags(const QString &markup)
{
    static const QRegularExpression tag(QStringLiteral("\\[[^\\]]*\\]|<[^>]*>"));
    return QString(markup).remove(tag);
}

// A random document of the kinds of formatting a user meets. Its text holds no bracket
// characters, so that StripTags can check it.
void RandomDocument(TTntRichEdit *editor, quint32 seed)
{
    QRandomGenerator random(seed);
    auto pick = [&random](const auto &list) { return list.at(random.bounded(int(list.size()))); };

    static const QStringList fonts{QStringLiteral("Arial"), QStringLiteral("Times New Roman"),
                                   QStringLiteral("Noto Sans Coptic"), QStringLiteral("arial"), QString()};
    static const QList<qreal> sizes{0, 8, 10, 10.5, 12, 14.75, 20, 72};
    static const QList<QColor> colors{QColor(), QColor(), kRed, kBlue, QColor(255, 128, 0), QColor(0, 0, 0),
                                      QColor(0x12, 0x34, 0x56), QColor(192, 220, 192)};
    static const QList<Qt::Alignment> alignments{Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignJustify};
    static const QStringList pieces{
        QStringLiteral("a"), QStringLiteral("Word"), QStringLiteral(" "), QStringLiteral("\t"),
        QString(QChar(0x00A0)),                       // no-break space
        QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645"), // Arabic
        QStringLiteral("\u2C80\u2C81\u2C8A\u03E2"),   // Coptic
        QString(QChar(0x2028)),                       // line separator inside a paragraph
        QString::fromUcs4(U"\U0001F600"),             // beyond U+FFFF
        QString::fromUcs4(U"x\U00010348y"),
        QStringLiteral("e\u0301"),                    // combining mark
    };
    static const QList<int> weights{QFont::Normal, QFont::Medium, QFont::DemiBold, QFont::Bold, QFont::Black};
    auto randomFormat = [&] {
        QByteArray styles;
        for (char s : {'i', 'u', 's'})
            if (random.bounded(3) == 0)
                styles.append(s);
        QTextCharFormat format = DocumentFixture::Format(pick(fonts), pick(sizes), pick(colors), styles.constData());
        if (random.bounded(2))
            format.setFontWeight(pick(weights));
        // What documents read from files may carry as well.
        switch (random.bounded(8)) {
        case 0: // automatic colour marked as such, with a brush left over
            format.setProperty(rtf::AutoColorProperty, true);
            format.setForeground(kRed);
            break;
        case 1:
            format.setProperty(rtf::AutoColorProperty, false);
            break;
        case 2: // a size in pixels only
            format.clearProperty(QTextFormat::FontPointSize);
            format.setProperty(QTextFormat::FontPixelSize, 18);
            break;
        case 3:
            format.setForeground(QBrush(Qt::NoBrush));
            break;
        default:
            break;
        }
        return format;
    };

    DocumentFixture doc(editor);
    const int paragraphs = 1 + random.bounded(6);
    for (int p = 0; p < paragraphs; ++p) {
        doc.paragraph(pick(alignments), randomFormat());
        const int runs = random.bounded(5); // 0: an empty line
        for (int r = 0; r < runs; ++r) {
            QString text;
            const int count = 1 + random.bounded(4);
            for (int k = 0; k < count; ++k)
                text += pick(pieces);
            doc.text(text, randomFormat());
        }
    }
    if (random.bounded(4) == 0)
        doc.paragraph(pick(alignments), randomFormat()); // trailing line break
    // Some paragraphs read right to left: their text goes into an isolate.
    QTextBlockFormat rightToLeft;
    rightToLeft.setLayoutDirection(Qt::RightToLeft);
    for (QTextBlock block = editor->document()->begin(); block.isValid(); block = block.next())
        if (random.bounded(3) == 0)
            QTextCursor(block).mergeBlockFormat(rightToLeft);
}

struct ExportState
{
    int selStart, selLength;
    bool modified;
    QString html;
    bool operator==(const ExportState &o) const
    {
        return selStart == o.selStart && selLength == o.selLength && modified == o.modified && html == o.html;
    }
};

ExportState StateOf(TTntRichEdit *editor)
{
    return {editor->SelStart(), editor->SelLength(), editor->Modified(), editor->document()->toHtml()};
}

} // namespace

class TestForumExport : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void workedExamples_data();
    void workedExamples();
    void edgeCases_data();
    void edgeCases();
    void throughTheControlsOwnCommands();
    void randomDocumentsAgree();
    void stateAfterExport_data();
    void stateAfterExport();
    void emptyDocumentTouchesNothing();
    void clipboardHoldsUnicodeTextOnly();

private:
    // Runs both drivers on the current document and checks they agree; returns the markup.
    QString ExportBoth();
    TTntRichEdit *m_editor = nullptr;
};

void TestForumExport::init()
{
    m_editor = new TTntRichEdit;
    m_editor->resize(400, 300);
}

void TestForumExport::cleanup()
{
    delete m_editor;
    m_editor = nullptr;
}

QString TestForumExport::ExportBoth()
{
    const QString html = m_editor->document()->toHtml();
    const QString reference = RichEditToForumMarkupByPosition(m_editor);
    const ExportState afterReference = StateOf(m_editor);
    m_editor->SetSel(0, 0);
    const QString program = RichEditToForumMarkup(m_editor);
    const ExportState afterProgram = StateOf(m_editor);
    if (program != reference) {
        qWarning().noquote() << "reference:" << reference;
        qWarning().noquote() << "program:  " << program;
    }
    [&] {
        QCOMPARE(program, reference);
        QCOMPARE(afterProgram.selStart, afterReference.selStart);
        QCOMPARE(afterProgram.selLength, afterReference.selLength);
        QCOMPARE(afterProgram.html, html);
    }();
    return program;
}

using Build = std::function<void(DocumentFixture &)>;
Q_DECLARE_METATYPE(Build)

void TestForumExport::workedExamples_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<QString>("markup");
    const auto F = [](const QString &font, qreal points, const QColor &color = QColor(), const char *styles = "") {
        return DocumentFixture::Format(font, points, color, styles);
    };
    const QString arial = QStringLiteral("Arial");

    QTest::newRow("ab bold red 14 points centred")
        << Build([=](DocumentFixture &d) { d.paragraph(Qt::AlignHCenter).text("ab", F(arial, 14, kRed, "b")); })
        << "[center][font=Arial][size=14pt][color=Red]<b>ab";
    QTest::newRow("abc with b bold italic")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text("a", F(arial, 10, QColor(), "")).text("b", F(arial, 10, QColor(), "bi"))
                   .text("c", F(arial, 10, QColor(), ""));
           })
        << "[left][font=Arial][size=10pt][color=WindowText]a<b><i>b</b></i>c";
    QTest::newRow("a red b blue, both bold")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text("a", F(arial, 10, kRed, "b")).text("b", F(arial, 10, kBlue, "b"));
           })
        << "[left][font=Arial][size=10pt][color=Red]<b>a</b>[/color][color=Blue]<b>b";
    QTest::newRow("two lines, break read with the format of b")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text("a", F(arial, 10, QColor(), "")).text("b", F(arial, 10, QColor(), "b"));
               d.paragraph(Qt::AlignLeft).text("c", F(arial, 10, QColor(), "bi"));
           })
        << "[left][font=Arial][size=10pt][color=WindowText]a<b>b<i><br>c";
}

void TestForumExport::workedExamples()
{
    QFETCH(Build, build);
    QFETCH(QString, markup);
    DocumentFixture doc(m_editor);
    build(doc);
    QCOMPARE(ExportBoth(), markup);
}

void TestForumExport::edgeCases_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<QString>("markup");
    const auto F = [](const QString &font, qreal points, const QColor &color = QColor(), const char *styles = "") {
        return DocumentFixture::Format(font, points, color, styles);
    };
    const QString arial = QStringLiteral("Arial");
    const QString head = QStringLiteral("[left][font=Arial][size=10pt][color=WindowText]");

    QTest::newRow("uniform formatting")
        << Build([=](DocumentFixture &d) { d.paragraph(Qt::AlignLeft).text("one two", F(arial, 10)); })
        << head + "one two";
    QTest::newRow("trailing line break gives no br")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text("a", F(arial, 10));
               d.paragraph(Qt::AlignLeft, F(arial, 10));
           })
        << head + "a";
    QTest::newRow("two breaks in a row give two br")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text("a", F(arial, 10));
               d.paragraph(Qt::AlignLeft, F(arial, 10));
               d.paragraph(Qt::AlignLeft).text("b", F(arial, 10));
           })
        << head + "a<br><br>b";
    QTest::newRow("empty line in its own size")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text("a", F(arial, 10));
               d.paragraph(Qt::AlignLeft, F(arial, 20));
               d.paragraph(Qt::AlignLeft).text("b", F(arial, 10));
           })
        << head + "a[/color][/size][size=20pt][color=WindowText]<br>[/color][/size][size=10pt][color=WindowText]<br>b";
    QTest::newRow("strike-out writes no tag")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text("a", F(arial, 10)).text("b", F(arial, 10, QColor(), "s"));
           })
        << head + "ab";
    QTest::newRow("half points are dropped")
        << Build([=](DocumentFixture &d) { d.paragraph(Qt::AlignLeft).text("a", F(arial, 10.5)); })
        << head + "a";
    QTest::newRow("colour without a name")
        << Build([=](DocumentFixture &d) { d.paragraph(Qt::AlignLeft).text("a", F(arial, 10, QColor(255, 128, 0))); })
        << "[left][font=Arial][size=10pt][color=00080FF]a";
    QTest::newRow("justified paragraph between others")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text("a", F(arial, 10));
               d.paragraph(Qt::AlignJustify).text("b", F(arial, 10));
               d.paragraph(Qt::AlignRight).text("c", F(arial, 10));
           })
        << head + "a[/color][/size][/font][/left][justify][font=Arial][size=10pt][color=WindowText]<br>b"
                  "[/color][/size][/font][/justify][right][font=Arial][size=10pt][color=WindowText]<br>c";
    QTest::newRow("line separator inside a paragraph is a line break")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text(QStringLiteral("a\u2028b"), F(arial, 10));
           })
        << head + QStringLiteral("a<br>b");
    QTest::newRow("picture gives nothing, link gives its text")
        << Build([=](DocumentFixture &d) {
               QTextCharFormat link = F(arial, 10);
               link.setAnchor(true);
               link.setAnchorHref(QStringLiteral("http://example.com/"));
               d.paragraph(Qt::AlignLeft).text(QStringLiteral("a\uFFFCb "), F(arial, 10)).text("site", link);
           })
        << head + "ab site";
    QTest::newRow("character beyond U+FFFF in its own colour")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignLeft).text("a", F(arial, 10)).text(QString::fromUcs4(U"\U0001F600"), F(arial, 10, kRed))
                   .text("b", F(arial, 10));
           })
        << head + QString::fromUcs4(U"a[/color][color=Red]\U0001F600[/color][color=WindowText]b");
    QTest::newRow("Arabic and Coptic")
        << Build([=](DocumentFixture &d) {
               d.paragraph(Qt::AlignRight).text(QStringLiteral("\u0627\u0644"), F(arial, 10));
               d.paragraph(Qt::AlignLeft).text(QStringLiteral("\u2C80\u2C81"), F(QStringLiteral("Noto Sans Coptic"), 10));
           })
        << QStringLiteral("[right][font=Arial][size=10pt][color=WindowText]\u0627\u0644[/color][/size][/font][/right]"
                          "[left][font=Noto Sans Coptic][size=10pt][color=WindowText]<br>\u2C80\u2C81");
}

void TestForumExport::edgeCases()
{
    QFETCH(Build, build);
    QFETCH(QString, markup);
    DocumentFixture doc(m_editor);
    build(doc);
    QCOMPARE(ExportBoth(), markup);
}

void TestForumExport::throughTheControlsOwnCommands()
{
    // The document typed and formatted the way the window does it.
    m_editor->ReplaceSelection(QStringLiteral("ab\r\nc"));
    m_editor->SetSel(0, 4);
    m_editor->SelAttributes().SetName(QStringLiteral("Arial"));
    m_editor->SelAttributes().SetSize(10);
    m_editor->SelAttributes().SetColor(clWindowText);
    m_editor->Paragraph().SetAlignment(0);
    m_editor->SetSel(0, 1);
    m_editor->SelAttributes().SetStyle(0);
    m_editor->SetSel(1, 1);
    m_editor->SelAttributes().SetStyle(fsBold);
    m_editor->SetSel(4, 1);
    m_editor->SelAttributes().SetName(QStringLiteral("Arial"));
    m_editor->SelAttributes().SetSize(10);
    m_editor->SelAttributes().SetStyle(fsBold | fsItalic);
    QCOMPARE(m_editor->Text(), QStringLiteral("ab\r\nc"));
    QCOMPARE(ExportBoth(), QStringLiteral("[left][font=Arial][size=10pt][color=WindowText]a<b>b<i><br>c"));
}

void TestForumExport::randomDocumentsAgree()
{
    for (quint32 seed = 1; seed <= 300; ++seed) {
        RandomDocument(m_editor, seed);
        const QString markup = ExportBoth();
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("documents differ for seed %1").arg(seed)));
        QString text = m_editor->Text();
        text.remove(QStringLiteral("\r\n")).remove(QChar::LineSeparator);
        QCOMPARE(markup.count(QChar(0x2067)), markup.count(QChar(0x2069)));
        QCOMPARE(StripTags(markup).remove(QChar(0x2067)).remove(QChar(0x2069)), text);
        QVERIFY(!markup.contains(QChar::LineSeparator));
    }
}

void TestForumExport::stateAfterExport_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("trailingBreak");
    QTest::newRow("unmodified") << false << false;
    QTest::newRow("modified") << true << false;
    QTest::newRow("ends with a line break") << false << true;
}

void TestForumExport::stateAfterExport()
{
    QFETCH(bool, modified);
    QFETCH(bool, trailingBreak);
    DocumentFixture doc(m_editor);
    doc.paragraph(Qt::AlignLeft).text("abc", DocumentFixture::Format("Arial", 10, kRed, "b"));
    doc.paragraph(Qt::AlignHCenter).text("de", DocumentFixture::Format("Arial", 12));
    if (trailingBreak)
        doc.paragraph(Qt::AlignLeft);
    m_editor->SetModified(modified);
    const QString html = m_editor->document()->toHtml();
    const int n = int(m_editor->Text().size());

    // Where the control puts the last position when asked for it.
    m_editor->SetSel(n - 1, 1);
    const int expectedStart = m_editor->SelStart(), expectedLength = m_editor->SelLength();

    m_editor->SetSel(1, 2); // the user's selection, which is not restored
    int selectionChanges = 0;
    m_editor->OnSelectionChange = [&selectionChanges] { ++selectionChanges; };
    const int undoSteps = m_editor->document()->availableUndoSteps();
    RichEditToForumMarkup(m_editor);
    m_editor->OnSelectionChange = nullptr;

    QCOMPARE(selectionChanges, 1);
    QCOMPARE(m_editor->SelStart(), expectedStart);
    QCOMPARE(m_editor->SelLength(), expectedLength);
    QCOMPARE(m_editor->Modified(), modified);
    QCOMPARE(m_editor->document()->toHtml(), html);
    QCOMPARE(m_editor->document()->availableUndoSteps(), undoSteps);
}

void TestForumExport::emptyDocumentTouchesNothing()
{
    m_editor->Clear();
    m_editor->SetModified(false);
    int selectionChanges = 0;
    m_editor->OnSelectionChange = [&selectionChanges] { ++selectionChanges; };
    QCOMPARE(RichEditToForumMarkup(m_editor), QString());
    QCOMPARE(RichEditToForumMarkupByPosition(m_editor), QString());
    m_editor->OnSelectionChange = nullptr;
    QCOMPARE(selectionChanges, 0);
    QVERIFY(!m_editor->Modified());
    QCOMPARE(m_editor->SelStart(), 0);
}

void TestForumExport::clipboardHoldsUnicodeTextOnly()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    auto *old = new QMimeData;
    old->setHtml(QStringLiteral("<b>old</b>"));
    old->setText(QStringLiteral("old"));
    clipboard->setMimeData(old);

    const QString markup = QString::fromUcs4(U"[left]\u2C81\u0627\U0001F600<br>");
    CopyWideTextToClipboard(markup);
    QCOMPARE(clipboard->text(), markup);
    QCOMPARE(clipboard->mimeData()->formats(), QStringList{QStringLiteral("text/plain")});

    CopyWideTextToClipboard(QString());
    QVERIFY(clipboard->mimeData()->hasText());
    QCOMPARE(clipboard->text(), QString());
}

QTEST_MAIN(TestForumExport)
#include "tst_forumexport.moc"
