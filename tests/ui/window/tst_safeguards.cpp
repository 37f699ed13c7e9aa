// Work kept safe: the recovery copy of unsaved changes (its timing, its removal, the offer at
// the next start) and the question before Save overwrites a file another program changed.
#include <QBuffer>
#include <QProcess>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

#include <unistd.h>

#include "DocumentCopy.h"
#include "DocumentRecovery.h"
#include "FileSizeLimit.h"
#include "RecoveryFiles.h"
#include "RtfCodec.h"
#include "TStatusBar.h"
#include "WindowFixture.h"

using Answer = TConfirmAnswer;

namespace {

// What a recovery file holds: its header and its text.
struct Recovered
{
    std::optional<RecoveryHeader> header;
    QString text;
};

Recovered readRecovery(const QString &path)
{
    const QByteArray bytes = readFile(path);
    QTextDocument doc;
    rtf::loadDocument(bytes, &doc);
    return {ParseRecoveryHeader(bytes), doc.toPlainText()};
}

// The id of a process that has ended.
qint64 deadPid()
{
    QProcess p;
    p.start(QStringLiteral("true"), QStringList());
    p.waitForFinished();
    return p.processId() > 0 ? p.processId() : 999999999;
}

QByteArray recoveryBytes(const QString &text, const RecoveryHeader &header)
{
    QTextDocument doc;
    doc.setPlainText(text);
    return RecoveryFileBytes(rtf::writeRtf(doc), header);
}

// Documents of the kinds the recovery copy must keep, by number.
void buildDocument(QTextDocument &doc, int kind)
{
    QTextCursor c(&doc);
    QTextCharFormat bold, red, big;
    bold.setFontWeight(QFont::Bold);
    red.setForeground(QColor(200, 0, 0));
    big.setFontPointSize(24);
    big.setFontFamilies({QStringLiteral("Noto Naskh Arabic")});
    QTextBlockFormat centred, indented;
    centred.setAlignment(Qt::AlignHCenter);
    indented.setLeftMargin(40);
    indented.setTextIndent(-10);
    switch (kind) {
    case 0: // runs and paragraphs
        c.setBlockFormat(centred);
        c.insertText(QStringLiteral("plain "));
        c.insertText(QStringLiteral("bold"), bold);
        c.insertText(QString::fromUtf8(" ⲁⲅⲁⲡⲏ"), red);
        c.insertBlock(indented, big);
        c.insertText(QString::fromUtf8("السلام عليكم"), big);
        break;
    case 1: // two lists, interrupted
        c.insertText(QStringLiteral("intro"));
        c.insertBlock();
        c.createList(QTextListFormat::ListDecimal);
        c.insertText(QStringLiteral("one"));
        c.insertBlock();
        c.insertText(QStringLiteral("two"), bold);
        c.insertBlock(QTextBlockFormat());
        c.insertText(QStringLiteral("between"));
        c.insertBlock();
        c.createList(QTextListFormat::ListDisc);
        c.insertText(QStringLiteral("bullet"));
        c.insertBlock();
        c.insertText(QStringLiteral("third"));
        doc.begin().next().textList()->add(doc.lastBlock()); // back into the numbers: "3."
        break;
    case 2: // empty paragraphs, line separators, tabs
        c.insertBlock();
        c.insertText(QStringLiteral("a") + QChar(QChar::LineSeparator) + QStringLiteral("b\tc"), red);
        c.insertBlock(centred, bold);
        c.insertBlock();
        break;
    case 3: // a table: copied whole
        c.insertText(QStringLiteral("before"));
        c.insertTable(2, 2)->cellAt(1, 1).firstCursorPosition().insertText(QStringLiteral("cell"));
        break;
    }
}

} // namespace

class TestSafeguards : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work, m_state, m_docs;
    FormUnderTest f;
    qint64 m_now = 0;

    QString ownCopy() const { return RecoveryFilePath(RecoveryFolder(), QCoreApplication::applicationPid()); }

    void newForm()
    {
        f = makeForm();
        f->Recovery()->SetClock([this] { return m_now; });
        QVERIFY(showActive(f.form.get()));
        f.prompts->Log.clear();
    }

    void type(const QString &text)
    {
        f->Editor->setFocus();
        QTest::keyClicks(f->Editor, text);
    }

    // Lets the pause pass and the copy be written.
    void pauseAndWrite()
    {
        m_now += DocumentRecovery::PauseMs;
        f->Recovery()->TimerExpired();
        QVERIFY(f->Recovery()->WaitForWriter());
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Kalvero"));
        QVERIFY(m_work.isValid() && m_state.isValid() && m_docs.isValid());
        QVERIFY(QDir::setCurrent(m_work.path()));
        qputenv("XDG_STATE_HOME", m_state.path().toUtf8());
    }

    void init()
    {
        removeSettings();
        QDir(RecoveryFolder()).removeRecursively();
        m_now = 1000000;
    }

    void cleanup()
    {
        f.form.reset();
        removeSettings();
    }

    // ---- The recovery file's header ----------------------------------------------------------

    void headerRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("withStamp");
        QTest::newRow("untitled") << QStringLiteral("Untitled") << false;
        QTest::newRow("path with RTF and field characters")
            << QStringLiteral("/home/a b/{x}\\y;name=z%.rtf") << true;
        QTest::newRow("Arabic and Coptic path") << QString::fromUtf8("/docs/كتاب ⲁⲅⲁⲡⲏ.rtf") << true;
    }
    void headerRoundTrip()
    {
        QFETCH(QString, name);
        QFETCH(bool, withStamp);
        RecoveryHeader header{name, QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC), std::nullopt};
        if (withStamp)
            header.stamp = FileStamp{12, 1700000000123456789, 2049, 77};
        const QByteArray bytes = recoveryBytes(QStringLiteral("kept text"), header);
        const Recovered back = [&] {
            QTextDocument doc;
            rtf::loadDocument(bytes, &doc);
            return Recovered{ParseRecoveryHeader(bytes), doc.toPlainText()};
        }();
        QVERIFY(back.header);
        QCOMPARE(back.header->name, name);
        QCOMPARE(back.header->time, header.time);
        QCOMPARE(back.header->stamp.has_value(), withStamp);
        if (withStamp)
            QVERIFY(*back.header->stamp == *header.stamp);
        QCOMPARE(back.text, QStringLiteral("kept text")); // readers skip the header
    }

    void headerRejected_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain RTF") << QByteArray("{\\rtf1 text}");
        QTest::newRow("unterminated") << QByteArray("{\\rtf1{\\*\\kalverorecovery name=a;time=1");
        QTest::newRow("no time") << QByteArray("{\\rtf1{\\*\\kalverorecovery name=a;stamp=}}");
        QTest::newRow("bad stamp") << QByteArray("{\\rtf1{\\*\\kalverorecovery name=a;time=5;stamp=1:2}}");
        QTest::newRow("empty name") << QByteArray("{\\rtf1{\\*\\kalverorecovery name=;time=5;stamp=}}");
    }
    void headerRejected()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!ParseRecoveryHeader(bytes));
    }

    // ---- The copy of the document ----------------------------------------------------------------

    void copyBuildsTheSameDocument_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("clone");
        QTest::newRow("formatted runs and paragraphs") << 0 << false;
        QTest::newRow("two lists, one interrupted") << 1 << false;
        QTest::newRow("empty paragraphs and line separators") << 2 << false;
        QTest::newRow("a table is cloned whole") << 3 << true;
    }
    void copyBuildsTheSameDocument()
    {
        QFETCH(int, kind);
        QFETCH(bool, clone);
        QTextDocument original;
        buildDocument(original, kind);
        rtf::KeptParts kept; // what a document read from a file keeps beside its text
        kept.groups = {QByteArray("{\\header kept header\\par}")};
        kept.words = "\\paperw11906";
        rtf::setKeptParts(original, kept);
        const DocumentCopy copy = DocumentCopy::Take(original);
        QCOMPARE(copy.IsClone(), clone);
        const QByteArray expected = rtf::writeRtf(original);
        QVERIFY(expected.contains("kept header") && expected.contains("paperw11906"));
        QTextCursor(&original).insertText(QStringLiteral("changed later ")); // the copy keeps its moment
        const std::shared_ptr<const QTextDocument> built = copy.Build();
        QCOMPARE(rtf::writeRtf(*built), expected);
        QCOMPARE(built->blockCount(), original.blockCount());
        // Rebuilt and written a paragraph at a time (lists kept whole), the file is the same.
        qsizetype next = 0;
        QCOMPARE(rtf::writeRtfInParts([&copy, &next] { return copy.BuildPart(next, 1); }, copy.Characters()),
                 expected);
        // With the body handed to a device as it is made, the header comes back alone.
        QBuffer body;
        body.open(QIODevice::WriteOnly);
        next = 0;
        const QByteArray head = rtf::writeRtfInParts([&copy, &next] { return copy.BuildPart(next, 1); },
                                                     copy.Characters(), {}, &body);
        QCOMPARE(head + body.data(), expected);
        QVERIFY(!head.contains("\\par"));
    }

    // ---- When the copy is written --------------------------------------------------------------

    void writeIsDue_data()
    {
        QTest::addColumn<QList<int>>("changesAt"); // seconds
        QTest::addColumn<int>("dueAt");            // seconds
        QTest::newRow("one change: after the pause") << QList<int>{0} << 20;
        QTest::newRow("a change restarts the pause") << QList<int>{0, 5, 19} << 39;
        QTest::newRow("steady typing: two minutes after the first change")
            << QList<int>{0, 15, 30, 45, 60, 75, 90, 105} << 120;
        QTest::newRow("pause ends before the two minutes") << QList<int>{0, 50, 90} << 110;
    }
    void writeIsDue()
    {
        QFETCH(QList<int>, changesAt);
        QFETCH(int, dueAt);
        const QString path = m_state.filePath(QStringLiteral("due/1.rtf"));
        int changes = 0;
        DocumentRecovery recovery(path, [&changes] {
            DocumentRecovery::Snapshot s;
            QTextDocument doc;
            doc.setPlainText(QString::number(changes));
            s.document = DocumentCopy::Take(doc);
            s.header = {QStringLiteral("Untitled"), QDateTime::currentDateTimeUtc(), std::nullopt};
            return s;
        });
        const qint64 start = m_now;
        recovery.SetClock([this] { return m_now; });
        for (int at : changesAt) {
            m_now = start + at * 1000;
            ++changes;
            recovery.DocumentChanged();
            recovery.TimerExpired(); // a timer that fires early writes nothing
            QVERIFY(!recovery.WaitForWriter());
        }
        QCOMPARE(recovery.MsUntilWrite(), start + dueAt * 1000 - m_now);
        m_now = start + dueAt * 1000 - 1;
        recovery.TimerExpired();
        QVERIFY(!recovery.WaitForWriter());
        QVERIFY(!QFile::exists(path));
        m_now += 1;
        recovery.TimerExpired();
        QVERIFY(recovery.WaitForWriter());
        QCOMPARE(readRecovery(path).text, QString::number(changesAt.size()));
        QCOMPARE(recovery.MsUntilWrite(), -1); // nothing more until the next change
    }

    // ---- The cycle in the window -----------------------------------------------------------------

    void copyOfUnsavedDocument()
    {
        newForm();
        QCOMPARE(f->Recovery()->MsUntilWrite(), -1);
        type(QStringLiteral("first words"));
        QCOMPARE(f->Recovery()->MsUntilWrite(), DocumentRecovery::PauseMs);
        pauseAndWrite();
        const Recovered copy = readRecovery(ownCopy());
        QVERIFY(copy.header);
        QCOMPARE(copy.header->name, QStringLiteral("Untitled"));
        QCOMPARE(copy.text, QStringLiteral("first words"));
        QVERIFY(QFileInfo(ownCopy()).permissions() & QFile::ReadOwner);
        QCOMPARE(QFileInfo(RecoveryFolder()).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());
        // Changes after the copy make the next one.
        type(QStringLiteral(" more"));
        pauseAndWrite();
        QCOMPARE(readRecovery(ownCopy()).text, QStringLiteral("first words more"));
    }

    void copyRemoved_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("saved") << QStringLiteral("save");
        QTest::newRow("New") << QStringLiteral("new");
        QTest::newRow("another document opened") << QStringLiteral("open");
        QTest::newRow("closed with No") << QStringLiteral("close");
        QTest::newRow("window destroyed") << QStringLiteral("destroy");
    }
    void copyRemoved()
    {
        QFETCH(QString, how);
        const QString other = m_docs.filePath(QStringLiteral("other.rtf"));
        writeFile(other, "{\\rtf1 other\\par}");
        newForm();
        type(QStringLiteral("abc"));
        pauseAndWrite();
        QVERIFY(QFile::exists(ownCopy()));
        if (how == QLatin1String("save")) {
            f.prompts->SaveAnswers.enqueue(m_docs.filePath(QStringLiteral("saved.rtf")));
            f->FileSaveCmd->trigger();
        } else if (how == QLatin1String("new")) {
            f->FileNewCmd->trigger();
        } else if (how == QLatin1String("open")) {
            f.prompts->ConfirmAnswers.enqueue(Answer::No);
            f.prompts->OpenAnswers.enqueue(other);
            f->FileOpenCmd->trigger();
        } else if (how == QLatin1String("close")) {
            f.prompts->ConfirmAnswers.enqueue(Answer::No);
            f->FileExitCmd->trigger();
            QVERIFY(!f->isVisible());
        } else {
            f.form.reset();
        }
        QVERIFY(!QFile::exists(ownCopy()));
        if (f.form) {
            QVERIFY(f.prompts->entries("Error: ").isEmpty());
            QCOMPARE(f->Recovery()->MsUntilWrite(), -1);
        }
    }

    // A copy that cannot be written (the disk is full) leaves the one before, says so in the
    // status bar while it lasts, and the next copy that can be written clears the notice.
    void copyThatCannotBeWrittenSaysSo()
    {
        newForm();
        type(QStringLiteral("kept"));
        pauseAndWrite();
        type(QStringLiteral(" lost"));
        {
            FileSizeLimit full(16);
            QVERIFY(full.active());
            pauseAndWrite();
        }
        QCOMPARE(readRecovery(ownCopy()).text, QStringLiteral("kept"));
        QCOMPARE(f->Recovery()->LastError(), QStringLiteral("File too large"));
        QCOMPARE(f->StatusBar->currentMessage(), TMainForm::RecoveryFailedMessage(QStringLiteral("File too large")));
        QCOMPARE(QDir(RecoveryFolder()).entryList(QDir::Files).size(), 1); // nothing half-written beside it
        type(QStringLiteral("!"));
        pauseAndWrite();
        QCOMPARE(readRecovery(ownCopy()).text, QStringLiteral("kept lost!"));
        QVERIFY(f->StatusBar->currentMessage().isEmpty());
    }

    void writeInProgressWhenSavedIsDropped()
    {
        newForm();
        type(QStringLiteral("abc"));
        m_now += DocumentRecovery::PauseMs;
        f->Recovery()->TimerExpired(); // the worker may still be writing...
        f->FileNewCmd->trigger();      // ...when the document is discarded
        f->Recovery()->WaitForWriter();
        QVERIFY(!QFile::exists(ownCopy()));
    }

    // ---- The offer at the next start ---------------------------------------------------------------

    void offerAtStart_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << int(Answer::Yes);
        QTest::newRow("No") << int(Answer::No);
        QTest::newRow("Cancel") << int(Answer::Cancel);
    }
    void offerAtStart()
    {
        QFETCH(int, answer);
        const QString name = m_docs.filePath(QStringLiteral("letter.rtf"));
        const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 30));
        const QByteArray bytes = recoveryBytes(QStringLiteral("rescued text"), {name, when.toUTC(), std::nullopt});
        QVERIFY(QDir().mkpath(RecoveryFolder()));
        const QString orphan = RecoveryFilePath(RecoveryFolder(), deadPid());
        writeFile(orphan, bytes);
        // A copy of an instance that still runs (the one that started this test) is not offered.
        const QString running = RecoveryFilePath(RecoveryFolder(), qint64(getppid()));
        writeFile(running, recoveryBytes(QStringLiteral("busy"), {name, when.toUTC(), std::nullopt}));
        // Writes cut short: a dead instance's go, a running one's stay.
        const QStringList cutShort{orphan + QStringLiteral(".part"), orphan + QStringLiteral(".part.bodyXy12Ab")};
        for (const QString &path : cutShort + QStringList{running + QStringLiteral(".part")})
            writeFile(path, bytes);

        f = makeForm({}, [answer](FakePrompts &p) { p.ConfirmAnswers.enqueue(Answer(answer)); });
        QVERIFY(showActive(f.form.get()));

        QCOMPARE(f.prompts->entries("Confirm: "),
                 QStringList{QStringLiteral("Confirm: Kalvero was not closed properly. Recover the unsaved changes "
                                            "to %1 (from 2024-03-05 14:07)?").arg(name)});
        QVERIFY(QFile::exists(running) && QFile::exists(running + QStringLiteral(".part")));
        for (const QString &path : cutShort)
            QVERIFY2(!QFile::exists(path), qPrintable(path));
        switch (Answer(answer)) {
        case Answer::Yes:
            QCOMPARE(f->Editor->Text(), QStringLiteral("rescued text"));
            QCOMPARE(f->DocumentName, name);
            QCOMPARE(f->windowTitle(), QStringLiteral("letter.rtf - Kalvero"));
            QVERIFY(f->Editor->Modified());
            QCOMPARE(f->StatusBar->PanelText(1), QStringLiteral("Modified"));
            QVERIFY(!QFile::exists(name)); // not saved until the user saves
            QVERIFY(!QFile::exists(orphan));
            QCOMPARE(readFile(ownCopy()), bytes); // kept, as this instance's copy
            break;
        case Answer::No:
            QVERIFY(!QFile::exists(orphan));
            QCOMPARE(f->Editor->Text(), QString());
            QCOMPARE(f->DocumentName, QStringLiteral("Untitled"));
            break;
        case Answer::Cancel:
            QCOMPARE(readFile(orphan), bytes);
            QCOMPARE(f->Editor->Text(), QString());
            break;
        }
    }

    // ---- Save over a file that another program changed -------------------------------------------

    void saveOverChangedFile_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::newRow("unchanged: no question") << QStringLiteral("none") << -1 << false;
        QTest::newRow("rewritten, No") << QStringLiteral("rewrite") << int(Answer::No) << true;
        QTest::newRow("rewritten, Yes") << QStringLiteral("rewrite") << int(Answer::Yes) << true;
        QTest::newRow("replaced by rename, same size, Cancel") << QStringLiteral("replace") << int(Answer::Cancel) << true;
        QTest::newRow("deleted, No") << QStringLiteral("delete") << int(Answer::No) << true;
        QTest::newRow("deleted, Yes") << QStringLiteral("delete") << int(Answer::Yes) << true;
        QTest::newRow("changed, then saved here: no question") << QStringLiteral("saved-after") << -1 << false;
    }
    void saveOverChangedFile()
    {
        QFETCH(QString, change);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        const QString path = m_docs.filePath(QStringLiteral("shared.rtf"));
        const QByteArray original = "{\\rtf1 original\\par}";
        writeFile(path, original);
        newForm();
        f->LoadDocument(path);
        type(QStringLiteral("mine "));
        QByteArray theirs;
        if (change == QLatin1String("rewrite")) {
            theirs = "{\\rtf1 their longer version\\par}";
            writeFile(path, theirs);
        } else if (change == QLatin1String("replace")) {
            theirs = "{\\rtf1 ORIGINAL\\par}";
            QSaveFile replacement(path);
            QVERIFY(replacement.open(QIODevice::WriteOnly));
            replacement.write(theirs);
            QVERIFY(replacement.commit());
        } else if (change == QLatin1String("delete")) {
            QVERIFY(QFile::remove(path));
        } else if (change == QLatin1String("saved-after")) {
            writeFile(path, "{\\rtf1 theirs\\par}");
            f.prompts->ConfirmAnswers.enqueue(Answer::Yes);
            f->FileSaveCmd->trigger();
            type(QStringLiteral("again "));
            f.prompts->Log.clear();
        }
        if (answer >= 0)
            f.prompts->ConfirmAnswers.enqueue(Answer(answer));
        f->FileSaveCmd->trigger();

        const QStringList expected = asked ? QStringList{QStringLiteral("Confirm: %1 was changed by another program. "
                                                                        "Overwrite it?").arg(path)}
                                           : QStringList();
        QCOMPARE(f.prompts->Log, expected);
        const bool saved = !asked || Answer(answer) == Answer::Yes;
        QCOMPARE(f->Editor->Modified(), !saved);
        if (saved)
            QCOMPARE(readRecovery(path).text.left(5), QStringLiteral("mine "));
        else if (change == QLatin1String("delete"))
            QVERIFY(!QFile::exists(path));
        else
            QCOMPARE(readFile(path), theirs);
    }
};

QTEST_MAIN(TestSafeguards)
#include "tst_safeguards.moc"
