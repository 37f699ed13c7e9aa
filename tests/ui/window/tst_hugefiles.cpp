// Large documents: a load that takes a while shows its progress in the status bar, Esc or
// closing the window stops it and leaves the document shown before exactly as it was, and a
// file too large for the free memory is refused with a message that names it.
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QtTest>

#include "LoadWatch.h"
#include "TStatusBar.h"
#include "WindowFixture.h"

namespace {

QByteArray largePlainText()
{
    QByteArray text;
    while (text.size() < 4 * (1 << 20))
        text += "A long line of a large plain-text file\r\n";
    return text;
}

QByteArray largeRtf()
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    while (rtf.size() < 2 * (1 << 20))
        rtf += "Some {\\b bold} and {\\i italic} words\\par\n";
    return rtf + "}";
}

} // namespace

class TestHugeFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;
    FormUnderTest f;

    QString file(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_work.filePath(name);
        writeFile(path, bytes);
        return path;
    }

    // A named, changed document with the caret inside it: what a stopped load must keep.
    void openChangedDocument()
    {
        f->LoadDocument(file(QStringLiteral("before.rtf"), "{\\rtf1 first text}"));
        f->Editor->SetSelStart(3);
        QTest::keyClicks(f->Editor, QStringLiteral("XY"));
        QCOMPARE(f->Editor->Text(), QStringLiteral("firXYst text"));
    }

    void verifyChangedDocumentKept()
    {
        QCOMPARE(f->Editor->Text(), QStringLiteral("firXYst text"));
        QCOMPARE(f->Editor->SelStart(), 5);
        QVERIFY(f->Editor->Modified());
        QCOMPARE(f->DocumentName, m_work.filePath(QStringLiteral("before.rtf")));
        QVERIFY(!f->StatusBar->Progress()->isVisible());
        QVERIFY(!f->Loading());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        QVERIFY(QDir::setCurrent(m_work.path()));
    }

    void init()
    {
        removeSettings();
        f = makeForm();
        QVERIFY(showActive(f.form.get()));
        f->LoadProgressDelayMs = 0; // every load counts as slow
    }

    void cleanup()
    {
        if (f.form)
            f->Editor->SetModified(false);
        f.form.reset();
        removeSettings();
    }

    void escDuringTheLoadKeepsTheDocument_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain text") << largePlainText();
        QTest::newRow("RTF") << largeRtf();
    }

    // The window answers during the load: the progress shows, and the Esc it gets stops the load.
    void escDuringTheLoadKeepsTheDocument()
    {
        QFETCH(QByteArray, bytes);
        openChangedDocument();
        const QString large = file(QStringLiteral("large.txt"), bytes);
        bool shown = false;
        QString hint;
        QTimer::singleShot(0, f.form.get(), [&] {
            shown = f->StatusBar->Progress()->isVisible();
            hint = f->StatusBar->ProgressText()->text();
            QTest::keyClick(f->Editor, Qt::Key_Escape);
        });
        f.prompts->Log.clear();
        f->Guard([&] { f->LoadDocument(large); });
        QVERIFY(shown);
        QCOMPARE(hint, QStringLiteral("Opening large.txt (Esc cancels)"));
        QCOMPARE(f.prompts->Log, QStringList());
        verifyChangedDocumentKept();

        // Without Esc the same file loads whole, and the indicator goes away.
        f->Editor->SetModified(false);
        f->LoadDocument(large);
        QCOMPARE(f->DocumentName, large);
        QVERIFY(f->Editor->Text().size() > 100000);
        QVERIFY(!f->StatusBar->Progress()->isVisible());
    }

    // Keys other than Esc wait: typing during the load changes nothing.
    void otherKeysDuringTheLoadChangeNothing()
    {
        openChangedDocument();
        const QString large = file(QStringLiteral("large.txt"), largePlainText());
        QTimer::singleShot(0, f.form.get(), [&] {
            QTest::keyClicks(f->Editor, QStringLiteral("typed"));
            QTest::keyClick(f->Editor, Qt::Key_Escape);
        });
        f->Guard([&] { f->LoadDocument(large); });
        verifyChangedDocumentKept();
    }

    // Closing the window stops the load first; then the window closes as it would have,
    // asking about the changes of the document that is still shown.
    void closingDuringTheLoadStopsItThenCloses()
    {
        openChangedDocument();
        const QString large = file(QStringLiteral("large.txt"), largePlainText());
        QTimer::singleShot(0, f.form.get(), [&] { f->close(); });
        f.prompts->Log.clear();
        f->Guard([&] { f->LoadDocument(large); });
        verifyChangedDocumentKept();
        QCOMPARE(f.prompts->Log, QStringList());
        f.prompts->ConfirmAnswers.enqueue(TConfirmAnswer::Cancel);
        QTRY_COMPARE(f.prompts->Log,
                     QStringList{QStringLiteral("Confirm: Save changes to %1?").arg(f->DocumentName)});
        QVERIFY(f->isVisible()); // Cancel keeps it open
    }

    // The free memory is a seam: a small figure stands for a file larger than memory can hold.
    void fileTooLargeForTheMemoryIsRefused()
    {
        openChangedDocument();
        const QString large = file(QStringLiteral("large.txt"), largePlainText());
        f->AvailableMemory = [] { return quint64(8) << 20; };
        f.prompts->Log.clear();
        f->Guard([&] { f->LoadDocument(large); });
        QCOMPARE(f.prompts->Log.size(), 1);
        QVERIFY2(f.prompts->Log.first().startsWith(
                     QStringLiteral("Error: Cannot open file \"%1\". It is too large for the memory").arg(large)),
                 qPrintable(f.prompts->Log.first()));
        verifyChangedDocumentKept();
    }

    void memoryProblem_data()
    {
        QTest::addColumn<qint64>("fileBytes");
        QTest::addColumn<quint64>("available");
        QTest::addColumn<bool>("refused");
        QTest::newRow("plenty free") << qint64(1000) << (quint64(1) << 30) << false;
        QTest::newRow("free unknown") << qint64(100) << quint64(0) << false;
        QTest::newRow("just enough") << qint64(1000) << quint64(LoadMemoryNeed(1000)) << false;
        QTest::newRow("a byte short") << qint64(1000) << quint64(LoadMemoryNeed(1000) - 1) << true;
        QTest::newRow("100 MB file, 256 MB free") << qint64(100) * 1000 * 1000 << (quint64(256) << 20) << true;
    }

    void memoryProblem()
    {
        QFETCH(qint64, fileBytes);
        QFETCH(quint64, available);
        QFETCH(bool, refused);
        QVERIFY(LoadMemoryNeed(fileBytes) >= quint64(2 * fileBytes)); // at least the UTF-16 text
        const QString problem = LoadMemoryProblem(QStringLiteral("/docs/big.txt"), fileBytes, available);
        QCOMPARE(!problem.isEmpty(), refused);
        if (refused)
            QVERIFY(problem.startsWith(QStringLiteral("Cannot open file \"/docs/big.txt\". It is too large")));
    }
};

QTEST_MAIN(TestHugeFiles)
#include "tst_hugefiles.moc"
