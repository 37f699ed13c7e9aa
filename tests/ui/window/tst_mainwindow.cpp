// The main window's components, caption, status bar, hints, start-up and settings file.
#include <QAction>
#include <QClipboard>
#include <QMimeData>
#include <QTextBlock>
#include <QComboBox>
#include <QSet>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "DialogFilter.h"
#include "Errors.h"
#include "TStatusBar.h"
#include "ToolbarImages.h"
#include "ReadOnlyFolder.h"
#include "WindowFixture.h"

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;

    static QStringList itemNames(const QList<QAction *> &actions)
    {
        QStringList names;
        for (const QAction *a : actions)
            names << (a->isSeparator() && a->objectName().isEmpty() ? QStringLiteral("-") : a->objectName());
        return names;
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Kalvero"));
        QVERIFY(m_work.isValid());
        QVERIFY(QDir::setCurrent(m_work.path())); // no map.txt here
    }
    void init() { removeSettings(); }
    void cleanup() { removeSettings(); }

    void actions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::addColumn<int>("image");
        QTest::addColumn<QString>("hint");
        auto row = [](const char *name, const char *list, const char *caption, QKeySequence keys, int image,
                      const char *hint) {
            QTest::newRow(name) << QString(name) << QString(list) << QString(caption) << keys << image
                                << QString(hint);
        };
        row("FileNewCmd", "ActionList1", "&New", QKeySequence("Ctrl+N"), 0, "Create a new file");
        row("FileOpenCmd", "ActionList1", "&Open...", QKeySequence("Ctrl+O"), 1, "Open an existing file");
        row("FileSaveCmd", "ActionList1", "&Save", QKeySequence("Ctrl+S"), 2, "Save current file");
        row("FilePrintCmd", "ActionList1", "&Print", QKeySequence("Ctrl+P"), 3, "Print current file");
        row("FileExitCmd", "ActionList1", "E&xit", QKeySequence("Alt+X"), -1, "Exit this application");
        row("FileSaveAsCmd", "ActionList1", "Save &As...", QKeySequence(), -1, "Save current file under a new name");
        row("EditUndoCmd", "ActionList2", "&Undo", QKeySequence("Ctrl+Z"), 4, "Undo the last action");
        row("EditCutCmd", "ActionList2", "Cu&t", QKeySequence("Ctrl+X"), 5, "Delete selected item");
        row("EditCopyCmd", "ActionList2", "&Copy", QKeySequence("Ctrl+C"), 6, "Copy selected item to clipboard");
        row("EditPasteCmd", "ActionList2", "&Paste", QKeySequence("Ctrl+V"), 7, "Paste contents of clipboard");
        row("EditFontCmd", "ActionList2", "&Font...", QKeySequence(), -1, "");
        row("acCopyff", "ActionList2", "Copy for Forum", QKeySequence(), -1, "");
    }
    void actions()
    {
        QFETCH(QString, name);
        QFETCH(QString, list);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        QFETCH(int, image);
        QFETCH(QString, hint);
        FormUnderTest f = makeForm();
        auto *action = f->findChild<QAction *>(name);
        QVERIFY(action);
        QCOMPARE(action->parent()->objectName(), list);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut(), shortcut);
        QCOMPARE(ImageIndex(action), image);
        QCOMPARE(action->icon().isNull(), image < 0);
        QCOMPARE(action->statusTip(), hint);
        QVERIFY(f->actions().contains(action)); // the live shortcut belongs to the window
    }

    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("File") << "FileMenu" << "&File"
                              << QStringList{"FileNewItem", "FileOpenItem", "FileSaveItem", "FileSaveAsItem", "-",
                                             "FilePrintItem", "-", "FileExitItem"};
        QTest::newRow("Edit") << "EditMenu" << "&Edit"
                              << QStringList{"EditUndoItem", "-", "EditCutItem", "EditCopyItem", "CopyBBC1",
                                             "EditPasteItem", "-", "miEditFont", "-", "miLeftToRight",
                                             "miRightToLeft"};
        QTest::newRow("Language") << "LanguageMenu" << "&Language"
                                  << QStringList{"LanguageEnglish", "LanguageArabic", "LanguageCoptic", "-", "miKeyboardMap",
                                                 "miReloadMap"};
        QTest::newRow("Help") << "HelpMenu" << "&Help" << QStringList{"HelpAboutItem"};
        QTest::newRow("pop-up") << "mnuEditor" << ""
                                << QStringList{"Cut1", "Copy1", "Paste1", "mnuEditDelete", "N3", "SelectAll1", "N7",
                                               "LefttoRight1", "RighttoLeft1", "N6", "CopyforForum1", "mnuUpperCase",
                                               "mnuLowerCase"};
    }
    void menus()
    {
        QFETCH(QString, menu);
        QFETCH(QString, title);
        QFETCH(QStringList, items);
        FormUnderTest f = makeForm();
        auto *m = f->findChild<QMenu *>(menu);
        QVERIFY(m);
        QCOMPARE(m->title(), title);
        QCOMPARE(itemNames(m->actions()), items);
        if (menu != QLatin1String("mnuEditor"))
            QVERIFY(f->menuBar()->actions().contains(m->menuAction()));
    }

    // Menu items show their action's caption, image, hints and shortcut, follow its enabled
    // state, and run it.
    void boundItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("action");
        const char *pairs[][2] = {{"FileNewItem", "FileNewCmd"},     {"FileOpenItem", "FileOpenCmd"},
                                  {"FileSaveItem", "FileSaveCmd"},   {"FileSaveAsItem", "FileSaveAsCmd"},
                                  {"FilePrintItem", "FilePrintCmd"}, {"FileExitItem", "FileExitCmd"},
                                  {"EditUndoItem", "EditUndoCmd"},   {"EditCutItem", "EditCutCmd"},
                                  {"EditCopyItem", "EditCopyCmd"},   {"CopyBBC1", "acCopyff"},
                                  {"EditPasteItem", "EditPasteCmd"}, {"Cut1", "EditCutCmd"},
                                  {"Copy1", "EditCopyCmd"},          {"Paste1", "EditPasteCmd"},
                                  {"CopyforForum1", "acCopyff"}};
        for (const auto &pair : pairs)
            QTest::newRow(pair[0]) << QString(pair[0]) << QString(pair[1]);
    }
    void boundItems()
    {
        QFETCH(QString, item);
        QFETCH(QString, action);
        FormUnderTest f = makeForm();
        auto *i = f->findChild<QAction *>(item);
        auto *a = f->findChild<QAction *>(action);
        QVERIFY(i && a && i != a);
        QCOMPARE(i->text(), a->text());
        QCOMPARE(i->shortcut(), a->shortcut());
        QCOMPARE(i->statusTip(), a->statusTip());
        QCOMPARE(ImageIndex(i), ImageIndex(a));
        QCOMPARE(i->shortcutContext(), Qt::WidgetShortcut); // shown, not a second live shortcut
        const bool wasEnabled = a->isEnabled();
        a->setEnabled(!wasEnabled);
        QCOMPARE(i->isEnabled(), !wasEnabled);
        a->setEnabled(true);
        // The item runs its action (whose handler is not under test here). Edit actions are
        // brought up to date first and do not run when that finds them disabled.
        QObject::disconnect(a, &QAction::triggered, f.form.get(), nullptr);
        QSignalSpy ran(a, &QAction::triggered);
        i->trigger();
        QCOMPARE(ran.count(), a->isEnabled() ? 1 : 0);
    }

    void popupAndLanguageItems_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::addColumn<QString>("hint");
        QTest::newRow("mnuEditDelete") << "mnuEditDelete" << "Delete" << QKeySequence(Qt::Key_Delete) << "";
        QTest::newRow("SelectAll1") << "SelectAll1" << "Select All" << QKeySequence("Ctrl+A") << "";
        QTest::newRow("mnuUpperCase") << "mnuUpperCase" << "Upper Case" << QKeySequence() << "";
        QTest::newRow("mnuLowerCase") << "mnuLowerCase" << "Lower Case" << QKeySequence() << "";
        QTest::newRow("LanguageEnglish") << "LanguageEnglish" << "&English" << QKeySequence("Ctrl+1")
                                         << "Switch to English";
        QTest::newRow("LanguageArabic") << "LanguageArabic" << "&Arabic" << QKeySequence("Ctrl+2")
                                        << "Switch to Arabic";
        QTest::newRow("LanguageCoptic") << "LanguageCoptic" << "&Coptic" << QKeySequence("Ctrl+3")
                                        << "Switch to Coptic";
        QTest::newRow("HelpAboutItem") << "HelpAboutItem" << "&About..." << QKeySequence()
                                       << "Show program information";
        QTest::newRow("miEditFont") << "miEditFont" << "&Font..." << QKeySequence() << "";
    }
    void popupAndLanguageItems()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        QFETCH(QString, hint);
        FormUnderTest f = makeForm();
        auto *item = f->findChild<QAction *>(name);
        QVERIFY(item);
        QCOMPARE(item->text(), caption);
        QCOMPARE(item->shortcut(), shortcut);
        QCOMPARE(item->statusTip(), hint);
        if (name.startsWith(QLatin1String("Language"))) {
            QVERIFY(item->isCheckable());
            QCOMPARE(item->isChecked(), name == QLatin1String("LanguageEnglish"));
        }
    }

    void toolBarOrder()
    {
        FormUnderTest f = makeForm();
        QToolBar *bar = f->StandardToolBar;
        QVERIFY(bar);
        QCOMPARE(bar->objectName(), QStringLiteral("StandardToolBar"));
        QStringList names;
        for (QAction *a : bar->actions())
            names << bar->widgetForAction(a)->objectName();
        const QStringList expected{"btnLang",      "ToolButton4",  "ToolButton1",     "OpenButton",   "SaveButton",
                                   "PrintButton",  "ToolButton5",  "CutButton",       "CopyButton",   "PasteButton",
                                   "UndoButton",   "ToolButton10", "FontName",        "ToolButton11", "txtFontSize",
                                   "UpDown1",      "ToolButton2",  "BoldButton",      "ItalicButton", "UnderlineButton",
                                   "ToolButton16", "LeftAlign",    "CenterAlign",     "RightAlign",   "ToolButton20",
                                   "BulletsButton", "ToolButton3", "FontColor", "ToolButton21", "btnLeftToRight",
                                   "btnRightToLeft"};
        QCOMPARE(names, expected);
    }

    void toolBarGaps_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("divider");
        QTest::newRow("ToolButton4") << "ToolButton4" << 14 << false;
        QTest::newRow("ToolButton5") << "ToolButton5" << 8 << true;
        QTest::newRow("ToolButton10") << "ToolButton10" << 8 << false;
        QTest::newRow("ToolButton11") << "ToolButton11" << 8 << false;
        QTest::newRow("ToolButton2") << "ToolButton2" << 8 << false;
        QTest::newRow("ToolButton16") << "ToolButton16" << 8 << true;
        QTest::newRow("ToolButton20") << "ToolButton20" << 8 << true;
        QTest::newRow("ToolButton3") << "ToolButton3" << 8 << false;
    }
    void toolBarGaps()
    {
        QFETCH(QString, name);
        QFETCH(int, width);
        QFETCH(bool, divider);
        FormUnderTest f = makeForm();
        auto *gap = f->StandardToolBar->findChild<QWidget *>(name);
        QVERIFY(gap);
        QCOMPARE(gap->minimumWidth(), width);
        QCOMPARE(gap->maximumWidth(), width);
        QCOMPARE(gap->property("divider").toBool(), divider);
    }

    void toolButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("image");
        QTest::newRow("ToolButton1") << "ToolButton1" << "FileNewCmd" << 0;
        QTest::newRow("OpenButton") << "OpenButton" << "FileOpenCmd" << 1;
        QTest::newRow("SaveButton") << "SaveButton" << "FileSaveCmd" << 2;
        QTest::newRow("PrintButton") << "PrintButton" << "FilePrintCmd" << 3;
        QTest::newRow("CutButton") << "CutButton" << "EditCutCmd" << 5;
        QTest::newRow("CopyButton") << "CopyButton" << "EditCopyCmd" << 6;
        QTest::newRow("PasteButton") << "PasteButton" << "EditPasteCmd" << 7;
        QTest::newRow("UndoButton") << "UndoButton" << "EditUndoCmd" << 4;
        QTest::newRow("BoldButton") << "BoldButton" << "" << 8;
        QTest::newRow("ItalicButton") << "ItalicButton" << "" << 9;
        QTest::newRow("UnderlineButton") << "UnderlineButton" << "" << 10;
        QTest::newRow("LeftAlign") << "LeftAlign" << "" << 11;
        QTest::newRow("CenterAlign") << "CenterAlign" << "" << 12;
        QTest::newRow("RightAlign") << "RightAlign" << "" << 13;
        QTest::newRow("BulletsButton") << "BulletsButton" << "" << 14;
        QTest::newRow("btnLang") << "btnLang" << "" << 15;
    }
    void toolButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, action);
        QFETCH(int, image);
        FormUnderTest f = makeForm();
        auto *b = f->findChild<QToolButton *>(button);
        QVERIFY(b);
        if (!action.isEmpty()) {
            QCOMPARE(b->defaultAction(), f->findChild<QAction *>(action));
            QCOMPARE(ImageIndex(b->defaultAction()), image);
        } else {
            QCOMPARE(ImageIndex(b), image);
        }
        QVERIFY(!b->icon().isNull());
    }

    // Our own drawings stand in wherever the desktop theme has no icon, so each must show
    // something, and no two may look alike.
    void drawnImages()
    {
        QSet<QByteArray> seen;
        for (int i = 0; i < ToolbarImageCount; ++i) {
            const QImage image = DrawnToolbarImage(i).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(16, 16));
            int painted = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    painted += qAlpha(image.pixel(x, y)) > 0;
            QVERIFY2(painted >= 12, qPrintable(QStringLiteral("image %1 is nearly empty").arg(i)));
            const QByteArray bits(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
            QVERIFY2(!seen.contains(bits), qPrintable(QStringLiteral("image %1 repeats another").arg(i)));
            seen.insert(bits);
            QVERIFY(!ToolbarImage(i).isNull());
        }
        QVERIFY(ToolbarImage(ToolbarImageCount).isNull());
        QVERIFY(ToolbarImage(-1).isNull());
    }

    // The language images: white marks on blue (English), black (Arabic) and red (Coptic).
    void languageImages_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QColor>("background");
        QTest::newRow("English") << int(imgLanguageEnglish) << QColor(0, 0, 200);
        QTest::newRow("Arabic") << int(imgLanguageArabic) << QColor(Qt::black);
        QTest::newRow("Coptic") << int(imgLanguageCoptic) << QColor(200, 0, 0);
    }
    void languageImages()
    {
        QFETCH(int, index);
        QFETCH(QColor, background);
        const QImage image = ToolbarImage(index).pixmap(16, 16).toImage();
        QCOMPARE(image.pixelColor(0, 0), background);
        QCOMPARE(image.pixelColor(15, 15), background);
        int white = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                white += image.pixelColor(x, y).lightness() >= 200;
        QVERIFY(white >= 6);
    }

    void languageButtonImageFollowsItsIndex()
    {
        FormUnderTest f = makeForm();
        const qint64 english = f->btnLang->icon().cacheKey();
        f->btnLang->setProperty("ImageIndex", imgLanguageCoptic);
        QCOMPARE(f->btnLang->icon().cacheKey(), ToolbarImage(imgLanguageCoptic).cacheKey());
        QVERIFY(f->btnLang->icon().cacheKey() != english);
    }

    void threeHints_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("statusText");
        QTest::newRow("FontName") << "FontName" << "Font Name" << "Select font name";
        QTest::newRow("txtFontSize") << "txtFontSize" << "Font Size" << "Select font size";
        QTest::newRow("BulletsButton") << "BulletsButton" << "Bullets" << "Enter bullet mode";
        QTest::newRow("ToolButton1") << "ToolButton1" << "Create a new file" << "Create a new file";
    }
    // Moving the mouse over a control: its tool tip is the short hint, the status bar shows
    // the long one in simple-text mode; moving away brings the panels back.
    void threeHints()
    {
        QFETCH(QString, name);
        QFETCH(QString, toolTip);
        QFETCH(QString, statusText);
        FormUnderTest f = makeForm();
        QVERIFY(showActive(f.form.get()));
        auto *widget = f->findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->toolTip(), toolTip);
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(widget, &enter);
        QVERIFY(f->StatusBar->SimplePanel());
        QCOMPARE(f->StatusBar->currentMessage(), statusText);
        QVERIFY(!f->StatusBar->Panel(0)->isVisibleTo(f->StatusBar));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &leave);
        QVERIFY(!f->StatusBar->SimplePanel());
        QVERIFY(f->StatusBar->currentMessage().isEmpty());
        QVERIFY(f->StatusBar->Panel(0)->isVisibleTo(f->StatusBar));
    }

    void highlightedMenuItemShowsItsHint_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("statusText");
        QTest::newRow("Arabic") << "LanguageMenu" << "LanguageArabic" << "Switch to Arabic";
        QTest::newRow("Save As") << "FileMenu" << "FileSaveAsItem" << "Save current file under a new name";
    }
    void highlightedMenuItemShowsItsHint()
    {
        QFETCH(QString, menu);
        QFETCH(QString, item);
        QFETCH(QString, statusText);
        FormUnderTest f = makeForm();
        QVERIFY(showActive(f.form.get()));
        auto *m = f->findChild<QMenu *>(menu);
        m->popup(f->mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(m));
        m->setActiveAction(f->findChild<QAction *>(item));
        QCOMPARE(f->StatusBar->currentMessage(), statusText);
        m->hide();
        QTRY_VERIFY(!f->StatusBar->SimplePanel());
    }

    void statusBarPanels()
    {
        FormUnderTest f = makeForm();
        QCOMPARE(f->statusBar(), f->StatusBar);
        QCOMPARE(f->StatusBar->PanelCount(), 3);
        QCOMPARE(f->StatusBar->PanelWidth(0), 120);
        QCOMPARE(f->StatusBar->PanelWidth(1), 60);
        QCOMPARE(f->StatusBar->PanelWidth(2), 50);
        QCOMPARE(f->StatusBar->PanelAlignment(0) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QCOMPARE(f->StatusBar->PanelAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(f->StatusBar->PanelAlignment(2) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        f->ShowModifiedState(true);
        QCOMPARE(f->StatusBar->PanelText(1), QStringLiteral("Modified"));
        f->ShowModifiedState(false);
        QCOMPARE(f->StatusBar->PanelText(1), QString());
        QCOMPARE(f->StatusBar->PanelText(2), QString());
    }

    void caption_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("untitled") << "Untitled" << "Untitled - Kalvero";
        QTest::newRow("full path") << "/home/anna/letters/letter.rtf" << "letter.rtf - Kalvero";
        QTest::newRow("no extension") << "/tmp/notes" << "notes - Kalvero";
        QTest::newRow("plain name") << "plain.txt" << "plain.txt - Kalvero";
        QTest::newRow("dots and blanks") << "/tmp/my docs/a.b.c.rtf" << "a.b.c.rtf - Kalvero";
    }
    void caption()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        FormUnderTest f = makeForm();
        f->ApplyDocumentName(name);
        QCOMPARE(f->DocumentName, name);
        QCOMPARE(f->windowTitle(), caption);
    }

    void startState()
    {
        FormUnderTest f = makeForm();
        QCOMPARE(f->windowTitle(), QStringLiteral("Untitled - Kalvero"));
        QCOMPARE(f->DocumentName, QStringLiteral("Untitled"));
        QVERIFY(f->Editor);
        QCOMPARE(f->Editor->objectName(), QStringLiteral("Editor"));
        QCOMPARE(f->Editor->parentWidget(), f->centralWidget());
        QVERIFY(!f->Editor->tabChangesFocus());
        QCOMPARE(f->Editor->palette().color(QPalette::Text), QColor(Qt::black));
        QCOMPARE(f->Editor->contextMenuPolicy(), Qt::CustomContextMenu);
        QVERIFY(f->Ruler);
        QCOMPARE(f->Ruler->parentWidget(), f->centralWidget());
        const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
        QCOMPARE(f->OpenDialog.initialDir, folder);
        QCOMPARE(f->SaveDialog.initialDir, folder);
        QCOMPARE(f->OpenDialog.filter, QStringLiteral("Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT"));
        QCOMPARE(f->SaveDialog.filter, f->OpenDialog.filter);
        QCOMPARE(TMainForm::ExecutableFolder(), folder);
    }

    // The ruler sits between the tool bar and the editor.
    void layoutTopToBottom()
    {
        FormUnderTest f = makeForm();
        QVERIFY(showActive(f.form.get()));
        const int toolBarBottom = f->StandardToolBar->mapTo(f.form.get(), QPoint(0, f->StandardToolBar->height())).y();
        const int rulerTop = f->Ruler->mapTo(f.form.get(), QPoint(0, 0)).y();
        const int editorTop = f->Editor->mapTo(f.form.get(), QPoint(0, 0)).y();
        const int statusTop = f->StatusBar->mapTo(f.form.get(), QPoint(0, 0)).y();
        QVERIFY(toolBarBottom <= rulerTop);
        QCOMPARE(editorTop, rulerTop + f->Ruler->height());
        QVERIFY(editorTop + f->Editor->height() <= statusTop);
        QCOMPARE(f->StandardToolBar->height(), 30);
        QCOMPARE(f->StatusBar->height(), 19);
    }

    void missingMapIsReportedOnce()
    {
        FormUnderTest f = makeForm();
        QCOMPARE(f.prompts->Log, QStringList{MissingMapMessage});
        QCOMPARE(f->CharacterMap.size(), 0);
    }

    void mapBesideTheExecutableDoesNotCount()
    {
        const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/map.txt");
        writeFile(beside, "a\tb\tc\r\n");
        FormUnderTest f = makeForm();
        QFile::remove(beside);
        QCOMPARE(f.prompts->entries("Message: "), QStringList{MissingMapMessage});
    }

    void mapInTheWorkingFolderIsRead()
    {
        writeFile(m_work.filePath("map.txt"), "a\tb\tc\r\n");
        FormUnderTest f = makeForm();
        QFile::remove(m_work.filePath("map.txt"));
        QVERIFY(f.prompts->entries("Message: ").isEmpty());
        QCOMPARE(f->CharacterMap.size(), 1);
    }

    void errorBoxText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Failed to Load Stream" << "Failed to Load Stream.";
        QTest::newRow("digit") << "Error 5" << "Error 5.";
        QTest::newRow("full stop") << "Done." << "Done.";
        QTest::newRow("question mark sorts after") << "Why?" << "Why?.";
        QTest::newRow("closing quote sorts before") << "Cannot open \"x\"" << "Cannot open \"x\"";
        QTest::newRow("bracket sorts before") << "value (12)" << "value (12)";
        QTest::newRow("hyphen sorts before") << "a -" << "a -";
        QTest::newRow("slash sorts after") << "/tmp/" << "/tmp/.";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("non-Latin letter") << QString(QChar(0x2C80)) << QString(QChar(0x2C80)) + ".";
    }
    void errorBoxText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBoxText(message), shown);
    }

    void guard_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("our error") << 0 << QStringList{"Error: Unable to write to /x."};
        QTest::newRow("silent abort") << 1 << QStringList{};
        QTest::newRow("other exception") << 2 << QStringList{"Error: std::bad_alloc."};
        QTest::newRow("nothing thrown") << 3 << QStringList{};
    }
    void guard()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, log);
        FormUnderTest f = makeForm();
        f.prompts->Log.clear();
        f->Guard([kind] {
            if (kind == 0)
                throw EKalveroError(QStringLiteral("Unable to write to /x"));
            if (kind == 1)
                throw OperationAborted();
            if (kind == 2)
                throw std::bad_alloc();
        });
        QCOMPARE(f.prompts->Log, log);
    }

    void dialogFilterForQt()
    {
        QCOMPARE(QtNameFilters(QString::fromLatin1(DocumentFilter)),
                 (QStringList{"Rich Text Files (*.RTF *.rtf)", "Text Files (*.TXT *.txt)"}));
        QCOMPARE(QtNameFilters(QStringLiteral("All (*.*)|*.*")), QStringList{"All (*.*)"});
        QCOMPARE(QtNameFilters(QStringLiteral("Pictures|*.JPG;*.png")), QStringList{"Pictures (*.JPG *.jpg *.png)"});
        QCOMPARE(QtNameFilters(QStringLiteral("odd|")), QStringList{"odd ()"});
        QCOMPARE(QtNameFilters(QString()), QStringList{});
    }

    // ---- Settings file ----------------------------------------------------------------------

    void firstActivationReadsDefaults()
    {
        FormUnderTest f = makeForm();
        QVERIFY(FirstActivation);
        f->FormActivate();
        QVERIFY(!FirstActivation);
        QCOMPARE(f->txtFontSize->text(), QStringLiteral("14"));
        QCOMPARE(f->Editor->DefAttributes().Name(), QStringLiteral("ArialCoptic"));
        QVERIFY(!QFileInfo::exists(settingsPath())); // reading creates nothing
        // Applying the stored font edits no text: nothing to save, no mark.
        QVERIFY(!f->Editor->Modified());
        QCOMPARE(f->StatusBar->PanelText(1), QString());
    }

    void storedSettingsAreApplied()
    {
        writeFile(settingsPath(), "[Font]\r\nName=Noto Serif\r\nSize=22\r\n");
        FormUnderTest f = makeForm();
        f->FormActivate();
        QCOMPARE(f->txtFontSize->text(), QStringLiteral("22"));
        QCOMPARE(f->Editor->DefAttributes().Name(), QStringLiteral("Noto Serif"));
        // Later activations do nothing, even when the file has changed.
        writeFile(settingsPath(), "[Font]\r\nName=Other\r\nSize=30\r\n");
        f->FormActivate();
        QCOMPARE(f->txtFontSize->text(), QStringLiteral("22"));
    }

    void realActivationLoadsOnce()
    {
        writeFile(settingsPath(), "[Font]\nSize=17\n");
        FormUnderTest f = makeForm();
        QVERIFY(showActive(f.form.get()));
        QCOMPARE(f->txtFontSize->text(), QStringLiteral("17"));
        QVERIFY(!FirstActivation);
    }

    void newSettingsFileLayout()
    {
        FormUnderTest f = makeForm();
        f->txtFontSize->setText(QStringLiteral("16"));
        f->FontName->setEditText(QStringLiteral("Noto Sans Coptic"));
        f->SaveFontSettings();
        QCOMPARE(readFile(settingsPath()), QByteArray("[Font]\nSize=16\nName=Noto Sans Coptic\n"));
    }

    void existingSettingsReplacedInPlace()
    {
        writeFile(settingsPath(), "; kept comment\r\n[Other]\r\nName=keep\r\n[Font]\r\nName=Old\r\nColour=red\r\n"
                                  "Size=9\r\n\r\n[Tail]\r\nx=1\r\n");
        FormUnderTest f = makeForm();
        f->txtFontSize->setText(QStringLiteral("0x10"));
        f->FontName->setEditText(QStringLiteral("New Face"));
        f->SaveFontSettings();
        QCOMPARE(readFile(settingsPath()),
                 QByteArray("; kept comment\r\n[Other]\r\nName=keep\r\n[Font]\r\nName=New Face\r\nColour=red\r\n"
                            "Size=16\r\n\r\n[Tail]\r\nx=1\r\n"));
    }

    void destroyWritesSettings()
    {
        {
            FormUnderTest f = makeForm();
            f->txtFontSize->setText(QStringLiteral("18"));
            f->FontName->setEditText(QStringLiteral("Face"));
        }
        QCOMPARE(readFile(settingsPath()), QByteArray("[Font]\nSize=18\nName=Face\n"));
    }

    void sizeThatIsNoNumberWritesNothing()
    {
        writeFile(settingsPath(), "[Font]\nSize=12\nName=Keep\n");
        FormUnderTest f = makeForm();
        f->txtFontSize->setText(QStringLiteral("abc"));
        f->FontName->setEditText(QStringLiteral("Lost"));
        f.prompts->Log.clear();
        f->close(); // runs FormDestroy through the guard
        QCOMPARE(f.prompts->Log, QStringList{"Error: 'abc' is not a valid integer value."});
        f.form.reset();
        QCOMPARE(readFile(settingsPath()), QByteArray("[Font]\nSize=12\nName=Keep\n"));
    }

    void unwritableSettingsFile()
    {
        // A folder in the file's place cannot be replaced, whoever runs the test.
        QVERIFY(QDir().mkpath(settingsPath()));
        FormUnderTest f = makeForm();
        f.prompts->Log.clear();
        f->close(); // closing runs FormDestroy; the error goes to the error box
        QCOMPARE(f.prompts->Log, QStringList{QStringLiteral("Error: Unable to write to %1.").arg(settingsPath())});
        f.prompts->Log.clear();
        f.form.reset(); // written once only
        QVERIFY(QFileInfo(settingsPath()).isDir());
    }

    // An installed program's folder cannot be written: the settings live in the user's folder,
    // quietly, and are read from there at the next start.
    void readOnlyProgramKeepsSettingsInTheUserFolder()
    {
        QTemporaryDir home;
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
        const QString programFolder = QCoreApplication::applicationDirPath();
        if (!MakeFolderReadOnly(programFolder)) {
            qputenv("XDG_CONFIG_HOME", oldConfig);
            QSKIP("the program's folder cannot be made read-only here");
        }
        QStringList log;
        QString sizeAtNextStart;
        {
            FormUnderTest f = makeForm();
            f->txtFontSize->setText(QStringLiteral("19"));
            f->FontName->setEditText(QStringLiteral("Face"));
            f.prompts->Log.clear();
            f->close();
            log = f.prompts->Log;
            FormUnderTest next = makeForm();
            next->FormActivate();
            sizeAtNextStart = next->txtFontSize->text();
        }
        MakeFolderWritable(programFolder);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        QCOMPARE(log, QStringList{});
        QCOMPARE(readFile(home.filePath("config/kalvero/settings.opt")), QByteArray("[Font]\nSize=19\nName=Face\n"));
        QCOMPARE(sizeAtNextStart, QStringLiteral("19"));
        QVERIFY(!QFileInfo::exists(settingsPath()));
    }

    // Text without a face or size of its own (a new document, a plain-text file, text typed
    // after everything was deleted) is shown, reported, saved and stored in the default font.
    void textWithoutAFontTakesTheDefaults_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("after New") << "new";
        QTest::newRow("plain text named on the command line") << "command line";
        QTest::newRow("typed after pasted text was deleted") << "paste, delete";
    }
    void textWithoutAFontTakesTheDefaults()
    {
        QFETCH(QString, how);
        writeFile(settingsPath(), "[Font]\nName=DejaVu Serif\nSize=16\n");
        const QString plain = m_work.filePath(QStringLiteral("plain.txt"));
        writeFile(plain, "plain text\n");
        FormUnderTest f = makeForm(how == QLatin1String("command line") ? QStringList{plain} : QStringList{});
        QVERIFY(showActive(f.form.get()));
        f->Editor->setFocus();
        if (how == QLatin1String("new")) {
            QTest::keyClicks(f->Editor, QStringLiteral("typed"));
            QTest::keySequence(f->Editor, QKeySequence("Ctrl+N"));
            // The tool bar shows the empty document's font at once.
            QCOMPARE(QStringList({f->FontName->currentText(), f->txtFontSize->text()}), QStringList({"DejaVu Serif", "16"}));
            QTest::keyClicks(f->Editor, QStringLiteral("new text"));
        } else if (how == QLatin1String("paste, delete")) {
            auto *html = new QMimeData;
            html->setHtml(QStringLiteral("<p>pasted</p><p>twice</p>"));
            QGuiApplication::clipboard()->setMimeData(html);
            QTest::keySequence(f->Editor, QKeySequence("Ctrl+V"));
            QTest::keySequence(f->Editor, QKeySequence("Ctrl+A"));
            QTest::keyClick(f->Editor, Qt::Key_Delete);
            QTest::keyClicks(f->Editor, QStringLiteral("typed again"));
        }
        f->Editor->SetSel(1, 0);
        QCOMPARE(QStringList({f->FontName->currentText(), f->txtFontSize->text()}), QStringList({"DejaVu Serif", "16"}));
        // What the screen shows: the text's own format over the document's default font.
        const QTextBlock first = f->Editor->document()->begin();
        const QFont shown = first.textFormats().first().format.font().resolve(f->Editor->document()->defaultFont());
        QCOMPARE(QStringList({shown.family(), QString::number(shown.pointSize())}), QStringList({"DejaVu Serif", "16"}));
        // What the file gets.
        const QString saved = m_work.filePath(QStringLiteral("saved.rtf"));
        f->Editor->SaveToFile(saved);
        const QByteArray rtf = readFile(saved);
        QVERIFY2(rtf.contains("DejaVu Serif") && rtf.contains("\\fs32") && !rtf.contains("Sans Serif"), rtf.constData());
        f->Editor->SetModified(false);
        f->close();
        QCOMPARE(readFile(settingsPath()), QByteArray("[Font]\nName=DejaVu Serif\nSize=16\n"));
    }

    // Every way of closing asks the close query; a refusal keeps the window.
    void closeRunsTheCloseQuery()
    {
        FormUnderTest f = makeForm();
        QVERIFY(showActive(f.form.get()));
        f->Editor->ReplaceSelection(QStringLiteral("text"));
        QVERIFY(f->Editor->Modified());
        f.prompts->ConfirmAnswers.enqueue(TConfirmAnswer::Cancel);
        f->FileExitCmd->trigger();
        QVERIFY(f->isVisible());
        f.prompts->ConfirmAnswers.enqueue(TConfirmAnswer::Cancel);
        QVERIFY(!f->close());
        QCOMPARE(f.prompts->entries("Confirm: ").size(), 2);
        QVERIFY(!QFileInfo::exists(settingsPath())); // refused: nothing written
        f.prompts->ConfirmAnswers.enqueue(TConfirmAnswer::No);
        QTest::keyClick(f->Editor, Qt::Key_X, Qt::AltModifier);
        QVERIFY(!f->isVisible());
        QVERIFY(QFileInfo::exists(settingsPath()));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
