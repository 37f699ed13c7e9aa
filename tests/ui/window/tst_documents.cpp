// New, Open, Save, Save As, Print, Exit, the unsaved-changes question, the command line and
// dropped files.
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPrinter>
#include <QRegularExpression>
#include <QProcess>
#include <QStandardPaths>
#include <QToolButton>
#include <QtTest>

#include "FileSizeLimit.h"
#include "FolderLock.h"
#include "ReadOnlyFolder.h"
#include "TStatusBar.h"
#include "WindowFixture.h"

using Answer = TConfirmAnswer;

class TestDocuments : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QTemporaryDir m_docs;
    FormUnderTest f;

    QString doc(const QString &name) const { return m_docs.filePath(name); }

    // An RTF file holding one line of text.
    QString makeRtf(const QString &name, const QByteArray &text)
    {
        const QString path = doc(name);
        writeFile(path, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + text + "\\par}");
        return path;
    }

    // The window with a modified document: unsaved text typed into a fresh one.
    void typeUnsaved(const QString &text = QStringLiteral("unsaved"))
    {
        f->Editor->setFocus();
        QTest::keyClicks(f->Editor, text);
        QVERIFY(f->Editor->Modified());
    }

    static QString pdfText(const QString &pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!p.waitForFinished(20000))
            return {};
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // The distances, in points, from each edge of the paper to the nearest word on any page; at
    // the bottom to the nearest word's top (glyph boxes reach well below their lines).
    static QMarginsF pdfTextMargins(const QString &pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        p.waitForFinished(20000);
        static const QRegularExpression number(QStringLiteral(R"re((width|height|xMin|yMin|xMax)="([\d.]+)")re"));
        QMarginsF margins(1e9, 1e9, 1e9, 1e9);
        QHash<QString, qreal> v;
        for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            for (auto it = number.globalMatch(line); it.hasNext();) {
                const auto m = it.next();
                v[m.captured(1)] = m.captured(2).toDouble();
            }
            if (line.contains(QLatin1String("<word")))
                margins = QMarginsF(qMin(margins.left(), v["xMin"]), qMin(margins.top(), v["yMin"]),
                                    qMin(margins.right(), v["width"] - v["xMax"]),
                                    qMin(margins.bottom(), v["height"] - v["yMin"]));
        }
        return margins;
    }

    static QString pdfInfo(const QString &pdf, const QString &field)
    {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), {pdf});
        if (!p.waitForFinished(20000))
            return {};
        for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
            if (line.startsWith(field + QLatin1Char(':')))
                return line.mid(field.size() + 1).trimmed();
        return {};
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Kalvero"));
        QVERIFY(m_work.isValid() && m_docs.isValid());
        QVERIFY(QDir::setCurrent(m_work.path()));
    }

    void init()
    {
        removeSettings();
        f = makeForm();
        QVERIFY(showActive(f.form.get()));
        f.prompts->Log.clear();
    }

    void cleanup()
    {
        f.form.reset();
        removeSettings();
    }

    // ---- The unsaved-changes question in Open -----------------------------------------------

    void openWithoutChangesAsksNothing()
    {
        const QString path = makeRtf(QStringLiteral("a.rtf"), "alpha");
        f.prompts->OpenAnswers.enqueue(path);
        f->FileOpenCmd->trigger();
        QCOMPARE(f.prompts->Log, QStringList{"Open: Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT"});
        QCOMPARE(f.prompts->LastDialog.initialDir, QCoreApplication::applicationDirPath() + QLatin1Char('/'));
        QCOMPARE(f->Editor->Text(), QStringLiteral("alpha"));
        QCOMPARE(f->DocumentName, path);
        QCOMPARE(f->windowTitle(), QStringLiteral("a.rtf - Kalvero"));
        QVERIFY(!f->Editor->Modified());
        QCOMPARE(f->StatusBar->PanelText(1), QString());
    }

    void openCancelledChangesNothing()
    {
        typeUnsaved();
        f.prompts->ConfirmAnswers.enqueue(Answer::No);
        f.prompts->OpenAnswers.enqueue(std::nullopt);
        f->FileOpen();
        QCOMPARE(f->Editor->Text(), QStringLiteral("unsaved"));
        QVERIFY(f->Editor->Modified());
        QCOMPARE(f->DocumentName, QStringLiteral("Untitled"));
    }

    void openAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opened");
        QTest::newRow("Cancel: stops silently") << int(Answer::Cancel) << false;
        QTest::newRow("No: opens, changes dropped") << int(Answer::No) << true;
    }
    void openAnswers()
    {
        QFETCH(int, answer);
        QFETCH(bool, opened);
        const QString path = makeRtf(QStringLiteral("b.rtf"), "beta");
        typeUnsaved();
        f.prompts->ConfirmAnswers.enqueue(Answer(answer));
        f.prompts->OpenAnswers.enqueue(path);
        f->FileOpenCmd->trigger();
        QCOMPARE(f.prompts->Log.value(0), QStringLiteral("Confirm: Save changes to Untitled?"));
        QCOMPARE(f.prompts->entries("Open: ").size(), opened ? 1 : 0);
        QCOMPARE(f->Editor->Text(), opened ? QStringLiteral("beta") : QStringLiteral("unsaved"));
        QVERIFY(f.prompts->entries("Error: ").isEmpty());
    }

    void openYesSavesNamedDocumentFirst()
    {
        const QString first = makeRtf(QStringLiteral("first.rtf"), "one");
        const QString second = makeRtf(QStringLiteral("second.rtf"), "two");
        f->LoadDocument(first);
        typeUnsaved(QStringLiteral("more "));
        f.prompts->ConfirmAnswers.enqueue(Answer::Yes);
        f.prompts->OpenAnswers.enqueue(second);
        f->FileOpen();
        QCOMPARE(f.prompts->Log.value(0), QStringLiteral("Confirm: Save changes to %1?").arg(first));
        QVERIFY(f.prompts->entries("Save: ").isEmpty()); // a named document saves without a dialog
        QVERIFY(readFile(first).contains("more one"));
        QCOMPARE(f->Editor->Text(), QStringLiteral("two"));
    }

    void openYesOnUntitledSavesAsThenOpens()
    {
        const QString saved = doc(QStringLiteral("kept.rtf"));
        const QString other = makeRtf(QStringLiteral("other.rtf"), "other");
        typeUnsaved(QStringLiteral("keep me"));
        f.prompts->ConfirmAnswers.enqueue(Answer::Yes);
        f.prompts->SaveAnswers.enqueue(saved);
        f.prompts->OpenAnswers.enqueue(other);
        f->FileOpen();
        QVERIFY(readFile(saved).startsWith("{\\rtf"));
        QVERIFY(readFile(saved).contains("keep me"));
        QCOMPARE(f->Editor->Text(), QStringLiteral("other"));
        QCOMPARE(f->DocumentName, other);
    }

    // Yes, and then the save does not happen: the text the user wanted kept stays, and Open
    // goes no further.
    void openYesButNoSave_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Save As cancelled") << 0;
        QTest::newRow("overwrite refused") << 1;
        QTest::newRow("overwrite cancelled") << 2;
    }
    void openYesButNoSave()
    {
        QFETCH(int, how);
        const QString existing = makeRtf(QStringLiteral("existing.rtf"), "old");
        const QString other = makeRtf(QStringLiteral("other2.rtf"), "other");
        typeUnsaved();
        f.prompts->ConfirmAnswers.enqueue(Answer::Yes);
        if (how == 0) {
            f.prompts->SaveAnswers.enqueue(std::nullopt);
        } else {
            f.prompts->SaveAnswers.enqueue(existing);
            f.prompts->ConfirmAnswers.enqueue(how == 1 ? Answer::No : Answer::Cancel);
        }
        f.prompts->OpenAnswers.enqueue(other);
        f->FileOpenCmd->trigger();
        QVERIFY(f.prompts->entries("Open: ").isEmpty());
        QCOMPARE(f->Editor->Text(), QStringLiteral("unsaved"));
        QVERIFY(f->Editor->Modified());
        QCOMPARE(f->DocumentName, QStringLiteral("Untitled"));
        QVERIFY(readFile(existing).contains("old"));
        QVERIFY(f.prompts->entries("Error: ").isEmpty());
    }

    void openYesButSaveFails()
    {
        const QString named = doc(QStringLiteral("nofolder/named.rtf"));
        // A document whose folder has disappeared cannot be saved again.
        QVERIFY(QDir().mkpath(doc(QStringLiteral("nofolder"))));
        writeFile(named, "{\\rtf1 named\\par}");
        f->LoadDocument(named);
        QVERIFY(QDir(doc(QStringLiteral("nofolder"))).removeRecursively());
        typeUnsaved(QStringLiteral("x"));
        f.prompts->ConfirmAnswers.enqueue(Answer::Yes);
        f.prompts->ConfirmAnswers.enqueue(Answer::Yes); // the file went with its folder: save anyway
        f.prompts->OpenAnswers.enqueue(makeRtf(QStringLiteral("third.rtf"), "third"));
        f->FileOpenCmd->trigger();
        const QStringList errors = f.prompts->entries("Error: ");
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QStringLiteral("Error: Cannot create file \"%1\". ").arg(named)),
                 qPrintable(errors.first()));
        QVERIFY(f.prompts->entries("Open: ").isEmpty());
        QCOMPARE(f->DocumentName, named);
        QVERIFY(f->Editor->Modified());
    }

    void saveOntoAFullDisk()
    {
        // The old file stays byte for byte, the user is told why and the text still counts as unsaved.
        const QString path = makeRtf(QStringLiteral("full.rtf"), "base");
        const QByteArray before = readFile(path);
        f->LoadDocument(path);
        typeUnsaved(QStringLiteral("x"));
        {
            FileSizeLimit full(0);
            QVERIFY(full.active());
            f->FileSaveCmd->trigger();
        }
        QCOMPARE(f.prompts->entries("Error: "),
                 QStringList{QStringLiteral("Error: Cannot create file \"%1\". %2.").arg(path, qt_error_string(EFBIG))});
        QCOMPARE(readFile(path), before);
        QVERIFY(f->Editor->Modified());
    }

    void openSetsWritable()
    {
        const QString path = makeRtf(QStringLiteral("w.rtf"), "w");
        f->Editor->SetReadOnlyState(true);
        f.prompts->OpenAnswers.enqueue(path);
        f->FileOpen();
        QVERIFY(!f->Editor->isReadOnly());
    }

    // ---- New, Save, Save As -----------------------------------------------------------------

    void newDiscardsWithoutQuestion()
    {
        const QString path = makeRtf(QStringLiteral("n.rtf"), "named");
        f->LoadDocument(path);
        typeUnsaved(QStringLiteral("x"));
        f->FileNewCmd->trigger();
        QVERIFY(f.prompts->Log.isEmpty());
        QCOMPARE(f->Editor->Text(), QString());
        QCOMPARE(f->DocumentName, QStringLiteral("Untitled"));
        QCOMPARE(f->windowTitle(), QStringLiteral("Untitled - Kalvero"));
        QVERIFY(!f->Editor->Modified());
        QCOMPARE(f->StatusBar->PanelText(1), QString());
    }

    void saveOnUntitledAsksForAName()
    {
        typeUnsaved(QStringLiteral("text"));
        f.prompts->SaveAnswers.enqueue(std::nullopt);
        f->FileSaveCmd->trigger();
        QCOMPARE(f.prompts->Log, QStringList{"Save: Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT"});
        QCOMPARE(f.prompts->LastDialog.initialDir, QCoreApplication::applicationDirPath() + QLatin1Char('/'));
        QVERIFY(f->Editor->Modified());
        QCOMPARE(f->StatusBar->PanelText(1), QStringLiteral("Modified"));
    }

    // Open and Save As start where the current document is; for a new one, where the last
    // document was, also after a restart; else in the program's folder while it is writable.
    void dialogsStartWhereTheDocumentsAre()
    {
        QVERIFY(QDir(m_docs.path()).mkpath("sub"));
        const QString sub = doc("sub") + QLatin1Char('/');
        const QString path = doc("sub/a.rtf");
        writeFile(path, "{\\rtf1 alpha\\par}");
        f.prompts->OpenAnswers.enqueue(path);
        f->FileOpenCmd->trigger();
        f->FileOpenCmd->trigger();
        QCOMPARE(f.prompts->LastDialog.initialDir, sub);
        f->FileNewCmd->trigger();
        f->FileSaveAsCmd->trigger();
        QCOMPARE(f.prompts->LastDialog.initialDir, sub);
        f.form.reset();
        QVERIFY(readFile(settingsPath()).contains("[Folders]\nLastUsed=" + QFile::encodeName(doc("sub")) + "\n"));
        f = makeForm();
        f->FileOpenCmd->trigger();
        QCOMPARE(f.prompts->LastDialog.initialDir, sub);
    }

    // An installed program's folder is never offered: the user's documents folder is.
    void readOnlyProgramFolderIsNeverOffered()
    {
        f.form.reset();
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath("Documents"));
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
        const QString programFolder = QCoreApplication::applicationDirPath();
        const bool readOnly = MakeFolderReadOnly(programFolder);
        QString untitled, named;
        if (readOnly) {
            f = makeForm();
            f->FileOpenCmd->trigger();
            untitled = f.prompts->LastDialog.initialDir;
            f->ApplyDocumentName(programFolder + QStringLiteral("/x.rtf"));
            f->FileSaveAsCmd->trigger();
            named = f.prompts->LastDialog.initialDir;
            f.form.reset();
            MakeFolderWritable(programFolder);
        }
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        if (!readOnly)
            QSKIP("the program's folder cannot be made read-only here");
        QCOMPARE(untitled, home.filePath("Documents") + QLatin1Char('/'));
        QCOMPARE(named, untitled);
    }

    void saveOnNamedWritesAtOnceEvenUnmodified()
    {
        const QString path = makeRtf(QStringLiteral("s.rtf"), "same");
        f->LoadDocument(path);
        const QByteArray before = readFile(path);
        f->FileSaveCmd->trigger();
        QVERIFY(f.prompts->Log.isEmpty());
        QVERIFY(readFile(path) != before); // the writer's RTF, not the hand-made file
        QVERIFY(readFile(path).startsWith("{\\rtf"));
        QVERIFY(readFile(path).contains("same"));
    }

    // A file named exactly "Untitled" counts as never saved.
    void fileNamedUntitled()
    {
        writeFile(m_work.filePath(QStringLiteral("Untitled")), "plain words");
        FormUnderTest g = makeForm({QStringLiteral("Untitled")});
        QVERIFY(showActive(g.form.get()));
        QCOMPARE(g->Editor->Text(), QStringLiteral("plain words"));
        QCOMPARE(g->DocumentName, QStringLiteral("Untitled"));
        g.prompts->Log.clear();
        g.prompts->SaveAnswers.enqueue(std::nullopt);
        g->FileSave();
        QCOMPARE(g.prompts->entries("Save: ").size(), 1);
        QCOMPARE(readFile(m_work.filePath(QStringLiteral("Untitled"))), QByteArray("plain words"));
        QFile::remove(m_work.filePath(QStringLiteral("Untitled")));
    }

    // A file with parts the document cannot keep: the first save over it asks, and only Yes
    // writes; Save As to another name asks nothing; once saved, nothing more is asked.
    void saveOverFileWithDroppedParts_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("written");
        QTest::newRow("Save, Yes") << "save" << int(Answer::Yes) << true << true;
        QTest::newRow("Save, No") << "save" << int(Answer::No) << true << false;
        QTest::newRow("Save, Cancel") << "save" << int(Answer::Cancel) << true << false;
        QTest::newRow("Save As onto itself, No") << "same" << int(Answer::No) << true << false;
        QTest::newRow("Save As to another name") << "other" << int(Answer::Yes) << false << true;
    }
    void saveOverFileWithDroppedParts()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, written);
        const QString path = doc(QStringLiteral("parts.rtf"));
        const QByteArray original = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 text{\\footnote note}"
                                    "{\\object\\objemb{\\*\\objdata 01}}\\par}";
        writeFile(path, original);
        const QString other = doc(QStringLiteral("other.rtf"));
        QFile::remove(other);
        f->LoadDocument(path);
        typeUnsaved(QStringLiteral("x"));
        f.prompts->ConfirmAnswers.enqueue(Answer(answer));
        if (how == QLatin1String("save")) {
            f->FileSaveCmd->trigger();
        } else {
            f.prompts->ConfirmAnswers.prepend(Answer::Yes); // "OK to overwrite"
            f.prompts->SaveAnswers.enqueue(how == QLatin1String("same") ? path : other);
            f->FileSaveAsCmd->trigger();
        }
        const QString question = QStringLiteral("Confirm: %1 contains parts that Kalvero cannot keep "
                                                "(footnote, OLE object). Save anyway?").arg(path);
        QCOMPARE(f.prompts->entries("Confirm: ").contains(question), asked);
        const QString target = how == QLatin1String("other") ? other : path;
        QCOMPARE(readFile(target) != original && QFile::exists(target), written);
        QCOMPARE(f->Editor->Modified(), !written);
        if (!written)
            return;
        f.prompts->Log.clear();
        typeUnsaved(QStringLiteral("y"));
        f->FileSaveCmd->trigger();
        QVERIFY(f.prompts->entries("Confirm: ").isEmpty());
    }

    void saveAsOverwrite_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("written");
        QTest::newRow("Yes") << int(Answer::Yes) << true;
        QTest::newRow("No") << int(Answer::No) << false;
        QTest::newRow("Cancel") << int(Answer::Cancel) << false;
    }
    void saveAsOverwrite()
    {
        QFETCH(int, answer);
        QFETCH(bool, written);
        const QString current = makeRtf(QStringLiteral("current.rtf"), "current");
        const QString target = makeRtf(QStringLiteral("target.rtf"), "target");
        f->LoadDocument(current);
        f.prompts->SaveAnswers.enqueue(target);
        f.prompts->ConfirmAnswers.enqueue(Answer(answer));
        f->FileSaveAsCmd->trigger();
        QCOMPARE(f.prompts->entries("Confirm: "), QStringList{"Confirm: OK to overwrite " + target});
        QCOMPARE(readFile(target).contains("current"), written);
        QCOMPARE(f->DocumentName, written ? target : current);
        QCOMPARE(f->windowTitle(), written ? QStringLiteral("target.rtf - Kalvero") : QStringLiteral("current.rtf - Kalvero"));
    }

    void saveAsNameIsTakenAsItIs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("no extension") << "letter";
        QTest::newRow("TXT holds RTF") << "notes.TXT";
        QTest::newRow("txt lower case") << "notes.txt";
    }
    void saveAsNameIsTakenAsItIs()
    {
        QFETCH(QString, name);
        typeUnsaved(QStringLiteral("words"));
        f.prompts->SaveAnswers.enqueue(doc(name));
        f->FileSaveAs();
        QVERIFY(f.prompts->entries("Confirm: ").isEmpty()); // a new file asks nothing
        QCOMPARE(QDir(m_docs.path()).entryList({name + QLatin1Char('*')}, QDir::Files | QDir::CaseSensitive), QStringList{name});
        QVERIFY(readFile(doc(name)).startsWith("{\\rtf"));
        QCOMPARE(f->DocumentName, doc(name));
        QCOMPARE(f->windowTitle(), name + QStringLiteral(" - Kalvero"));
        QVERIFY(!f->Editor->Modified());
        QCOMPARE(f->StatusBar->PanelText(1), QString());
    }

    // After a load the tool bar shows the formatting at the caret, the start of the new text.
    void loadedDocumentShowsItsFormatting()
    {
        const QString path = doc(QStringLiteral("serif.rtf"));
        writeFile(path, "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Serif;}}\\f0\\fs32\\b Serif text\\par}");
        f->LoadDocument(path);
        QCOMPARE(f->FontName->currentText(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(f->txtFontSize->text(), QStringLiteral("16"));
        QVERIFY(f->BoldButton->isChecked());
    }

    void plainTextLoadedThenSavedAsRtf()
    {
        const QString path = doc(QStringLiteral("plain.txt"));
        writeFile(path, "first line\r\nsecond line\r\n");
        f->LoadDocument(path);
        QVERIFY(f->Editor->Text().startsWith(QStringLiteral("first line\r\nsecond line")));
        f->FileSave();
        const QByteArray saved = readFile(path);
        QVERIFY(saved.startsWith("{\\rtf"));
        QVERIFY(saved.contains("second line"));
    }

    void saveFailureKeepsNameAndFlag()
    {
        typeUnsaved(QStringLiteral("abc"));
        const QString bad = doc(QStringLiteral("missing-folder/x.rtf"));
        f.prompts->SaveAnswers.enqueue(bad);
        f->FileSaveAsCmd->trigger();
        const QStringList errors = f.prompts->entries("Error: ");
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QStringLiteral("Error: Cannot create file \"%1\". ").arg(bad)),
                 qPrintable(errors.first()));
        QCOMPARE(f->DocumentName, QStringLiteral("Untitled"));
        QVERIFY(f->Editor->Modified());
        QCOMPARE(f->StatusBar->PanelText(1), QStringLiteral("Modified"));
    }

    // A file the user may write, in a folder where no new file may be made, is saved in place.
    void saveIntoFolderWithoutCreateRight()
    {
        const QString folder = doc(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/shared.rtf");
        writeFile(path, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 old\\par}");
        f->LoadDocument(path);
        typeUnsaved(QStringLiteral("new "));
        const FolderLock lock(folder);
        if (!lock.Locked())
            QSKIP("this system cannot take the right to create files from a folder");
        f->FileSaveCmd->trigger();
        QCOMPARE(f.prompts->entries("Error: "), QStringList());
        QVERIFY(!f->Editor->Modified());
        const QByteArray saved = readFile(path);
        QVERIFY2(saved.startsWith("{\\rtf") && saved.contains("new old"), saved.constData());
    }

    void loadFailureChangesNothing()
    {
        const QString path = makeRtf(QStringLiteral("keep.rtf"), "kept");
        f->LoadDocument(path);
        typeUnsaved(QStringLiteral("x"));
        const QString missing = doc(QStringLiteral("no-such-file.rtf"));
        f.prompts->ConfirmAnswers.enqueue(Answer::No);
        f.prompts->OpenAnswers.enqueue(missing);
        f->FileOpenCmd->trigger();
        const QStringList errors = f.prompts->entries("Error: ");
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QStringLiteral("Error: Cannot open file \"%1\". ").arg(missing)),
                 qPrintable(errors.first()));
        QCOMPARE(f->DocumentName, path);
        QCOMPARE(f->Editor->Text(), QStringLiteral("xkept"));
        QVERIFY(f->Editor->Modified());
    }

    // ---- Command line and dropped files -------------------------------------------------------

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("title");
        QTest::newRow("missing file") << QStringList{"no-such.rtf"} << "Untitled - Kalvero";
        QTest::newRow("a folder") << QStringList{"."} << "Untitled - Kalvero";
        QTest::newRow("first of two") << QStringList{"cmd.rtf", "ignored.rtf"} << "cmd.rtf - Kalvero";
        QTest::newRow("missing first, existing second") << QStringList{"no-such.rtf", "cmd.rtf"}
                                                        << "Untitled - Kalvero";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, title);
        writeFile(m_work.filePath(QStringLiteral("cmd.rtf")), "{\\rtf1 from the command line\\par}");
        FormUnderTest g = makeForm(arguments);
        QVERIFY(showActive(g.form.get()));
        QCOMPARE(g->windowTitle(), title);
        QCOMPARE(g.prompts->Log, QStringList{MissingMapMessage}); // no other message, no question
        if (title.startsWith(QLatin1String("cmd"))) {
            QCOMPARE(g->DocumentName, QStringLiteral("cmd.rtf")); // the name as given
            QCOMPARE(g->Editor->Text(), QStringLiteral("from the command line"));
            QVERIFY(!g->Editor->Modified());
        }
    }

    void threeDroppedFilesOpenTheFirst()
    {
        const QString a = makeRtf(QStringLiteral("d1.rtf"), "first");
        const QString b = makeRtf(QStringLiteral("d2.rtf"), "second");
        const QString c = makeRtf(QStringLiteral("d3.rtf"), "third");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(c)});
        data.setText(a); // file managers also offer the names as text
        QWidget *target = f->Editor->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(f->DocumentName, a);
        QCOMPARE(f->Editor->Text(), QStringLiteral("first"));
        QVERIFY(f.prompts->Log.isEmpty());
    }

    void droppedFileAsksAboutChanges_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opened");
        QTest::newRow("Cancel") << int(Answer::Cancel) << false;
        QTest::newRow("No") << int(Answer::No) << true;
    }
    void droppedFileAsksAboutChanges()
    {
        QFETCH(int, answer);
        QFETCH(bool, opened);
        const QString a = makeRtf(QStringLiteral("drop.rtf"), "dropped");
        typeUnsaved();
        f.prompts->ConfirmAnswers.enqueue(Answer(answer));
        f->Guard([&] { f->DropFiles({a}); });
        QCOMPARE(f.prompts->entries("Confirm: ").size(), 1);
        QCOMPARE(f->Editor->Text(), opened ? QStringLiteral("dropped") : QStringLiteral("unsaved"));
    }

    // A long name is taken whole.
    void longDroppedName()
    {
        QString folder = m_docs.path();
        while (folder.size() < 300)
            folder += QStringLiteral("/a-rather-long-folder-name");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/deep.rtf");
        writeFile(path, "{\\rtf1 deep\\par}");
        QVERIFY(path.size() > 260);
        f->DropFiles({path});
        QCOMPARE(f->DocumentName, path);
        QCOMPARE(f->Editor->Text(), QStringLiteral("deep"));
    }

    void droppedFolderFails()
    {
        f->Guard([&] { f->DropFiles({m_docs.path()}); });
        const QStringList errors = f.prompts->entries("Error: ");
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QStringLiteral("Error: Cannot open file \"%1\". ").arg(m_docs.path())),
                 qPrintable(errors.first()));
        QCOMPARE(f->DocumentName, QStringLiteral("Untitled"));
    }

    // ---- Closing -----------------------------------------------------------------------------

    void closing_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QList<int>>("answers"); // the question, then the overwrite question if any
        QTest::addColumn<int>("saveAs");         // 0 no dialog, 1 cancelled, 2 new name, 3 bad folder
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Cancel") << true << QList<int>{int(Answer::Cancel)} << 0 << false << false;
        QTest::newRow("No") << true << QList<int>{int(Answer::No)} << 0 << true << false;
        QTest::newRow("Yes on named") << true << QList<int>{int(Answer::Yes)} << 0 << true << true;
        QTest::newRow("Yes on untitled, Save As cancelled") << false << QList<int>{int(Answer::Yes)} << 1 << false
                                                            << false;
        QTest::newRow("Yes on untitled, saved") << false << QList<int>{int(Answer::Yes)} << 2 << true << true;
        QTest::newRow("Yes, save fails") << false << QList<int>{int(Answer::Yes)} << 3 << false << false;
    }
    void closing()
    {
        QFETCH(bool, named);
        QFETCH(QList<int>, answers);
        QFETCH(int, saveAs);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        const QString path = makeRtf(QStringLiteral("close.rtf"), "base");
        const QString newName = doc(QStringLiteral("close-new.rtf"));
        QFile::remove(newName);
        if (named)
            f->LoadDocument(path);
        typeUnsaved(QStringLiteral("edit"));
        for (int a : answers)
            f.prompts->ConfirmAnswers.enqueue(Answer(a));
        if (saveAs == 1)
            f.prompts->SaveAnswers.enqueue(std::nullopt);
        else if (saveAs == 2)
            f.prompts->SaveAnswers.enqueue(newName);
        else if (saveAs == 3)
            f.prompts->SaveAnswers.enqueue(doc(QStringLiteral("nowhere/x.rtf")));
        f->FileExitCmd->trigger();
        QCOMPARE(f->isVisible(), !closes);
        // Only a save that failed is reported: the user asked for the text to be kept.
        QCOMPARE(f.prompts->entries("Error: ").size(), saveAs == 3 ? 1 : 0);
        const QString savedTo = named ? path : newName;
        QCOMPARE(readFile(savedTo).contains("edit"), saved);
    }

    // ---- Printing ----------------------------------------------------------------------------

    void printToPdf_data()
    {
        QTest::addColumn<bool>("named");
        QTest::newRow("untitled") << false;
        QTest::newRow("named") << true;
    }
    void printToPdf()
    {
        QFETCH(bool, named);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        if (named)
            f->LoadDocument(makeRtf(QStringLiteral("print.rtf"), "printed"));
        QString lines;
        for (int i = 1; i <= 150; ++i)
            lines += QStringLiteral("Line number %1\r\n").arg(i);
        f->Editor->SetSel(0, 0);
        f->Editor->ReplaceSelection(lines);
        const bool modified = f->Editor->Modified();
        const QString pdf = doc(QStringLiteral("out.pdf"));
        f.prompts->PrintAnswers.enqueue([pdf](QPrinter *printer) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
        });
        f->FilePrintCmd->trigger();
        QVERIFY(f.prompts->entries("Error: ").isEmpty());
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("Line number 1")), qPrintable(text.left(200)));
        QVERIFY(text.contains(QStringLiteral("Line number 150")));
        if (named)
            QVERIFY(text.contains(QStringLiteral("printed")));
        QVERIFY(pdfInfo(pdf, QStringLiteral("Pages")).toInt() >= 2);
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Title")), f->DocumentName);
        // Margins of 2 cm (56.7 points) on every side.
        const QMarginsF margins = pdfTextMargins(pdf);
        QVERIFY2(margins.left() >= 54 && margins.left() <= 60 && margins.top() >= 54 && margins.top() <= 62
                     && margins.right() >= 54 && margins.bottom() >= 57,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(margins.left()).arg(margins.top()).arg(margins.right()).arg(margins.bottom())));
        QCOMPARE(f->Editor->Modified(), modified); // printing changes nothing
    }

    void printerThatCannotStartIsReported()
    {
        typeUnsaved(QStringLiteral("kept"));
        const QString pdf = doc(QStringLiteral("no-such-folder/out.pdf"));
        f.prompts->PrintAnswers.enqueue([pdf](QPrinter *printer) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
        });
        f->FilePrintCmd->trigger();
        QCOMPARE(f.prompts->entries("Error: "), QStringList{QStringLiteral("Error: Cannot print to \"%1\"").arg(pdf)});
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(f->Editor->Text(), QStringLiteral("kept"));
        QVERIFY(f->Editor->Modified());
    }

    void printCancelled()
    {
        f.prompts->PrintAnswers.enqueue({});
        f->FilePrint();
        QCOMPARE(f.prompts->Log, QStringList{"Print"});
        QVERIFY(f.prompts->entries("Error: ").isEmpty());
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
