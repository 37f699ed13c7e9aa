// The main window: its components, the start-up and shut-down sequence, the status bar
// displays, the Edit actions and the font settings file.
#include "remain.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "AppPlaces.h"
#include "Errors.h"
#include "IniFile.h"
#include "IntConv.h"
#include "KeyboardLayout.h"
#include "MemoryStatus.h"
#include "TStatusBar.h"
#include "TUpDown.h"
#include "ToolbarImages.h"
#include "DialogFilter.h"
#include "reabout.h"
#include "Resources.h"
#include "ShellOpen.h"

bool FirstActivation = true;

namespace {

const QString kFontSection = QStringLiteral("Font");
const QString kDefaultFontName = QStringLiteral("ArialCoptic");
const QString kDefaultFontSize = QStringLiteral("14");

// A blank gap of the tool bar; a divider also draws a vertical line in its middle.
class TToolSeparator : public QWidget
{
public:
    TToolSeparator(const char *name, int width, bool divider, QWidget *parent)
        : QWidget(parent), m_divider(divider)
    {
        setObjectName(QString::fromLatin1(name));
        setFixedWidth(width);
        setProperty("divider", divider);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_divider)
            return;
        QPainter p(this);
        const int x = width() / 2 - 1;
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(x, 2, x, height() - 3);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(x + 1, 2, x + 1, height() - 3);
    }

private:
    bool m_divider;
};

// Copies what a menu item shows from its action: caption, image, hints, enabled state and
// the shortcut as a label (the action's own shortcut is the live one).
void mirrorAction(QAction *item, const QAction *action)
{
    item->setText(action->text());
    if (ImageIndex(action) >= 0)
        SetImageIndex(item, ImageIndex(action));
    item->setToolTip(action->toolTip());
    item->setStatusTip(action->statusTip());
    item->setEnabled(action->isEnabled());
    item->setShortcut(action->shortcut());
    item->setCheckable(action->isCheckable());
    item->setChecked(action->isChecked());
}

} // namespace

TMainForm::TMainForm(std::unique_ptr<Prompts> prompts, std::unique_ptr<KeyboardLayouts> layouts,
                     QStringList arguments, QWidget *parent)
    : QMainWindow(parent),
      OpenLink(ShellOpen),
      m_prompts(std::move(prompts)),
      m_layouts(std::move(layouts)),
      m_layoutMemory(std::make_unique<WindowLayoutMemory>(*m_layouts)),
      m_arguments(std::move(arguments))
{
    EnsureResources();
    AvailableMemory = [] { return QueryMemoryStatus().availPhysBytes; };
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kalvero.png")));
    OpenDialog.filter = QString::fromLatin1(DocumentFilter);
    SaveDialog.filter = QString::fromLatin1(DocumentFilter);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    move(174, 107);
    resize(739, 521);

    Guard([this] { FormCreate(); });
}

TMainForm::~TMainForm()
{
    if (!m_destroyed)
        Guard([this] { FormDestroy(); });
}

// ---- Components ------------------------------------------------------------------------------

QAction *TMainForm::NewAction(QObject *list, const char *name, const QString &caption,
                              const QKeySequence &shortcut, int image, const QString &hint)
{
    auto *action = new QAction(caption, list);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    if (image >= 0)
        SetImageIndex(action, image);
    if (!hint.isEmpty())
        ApplyHint(action, hint);
    addAction(action); // the window holds the live shortcut
    return action;
}

QAction *TMainForm::NewMenuItem(QMenu *menu, const char *name, const QString &caption,
                                const QKeySequence &shortcut, const QString &hint)
{
    // Items are children of the window so that their status texts reach it.
    auto *item = new QAction(caption, this);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(shortcut);
    if (!hint.isEmpty())
        ApplyHint(item, hint);
    menu->addAction(item);
    return item;
}

QAction *TMainForm::NewBoundItem(QMenu *menu, const char *name, QAction *action)
{
    auto *item = new QAction(this);
    item->setObjectName(QString::fromLatin1(name));
    // The shortcut is shown in the menu but only live inside it; the action's own shortcut
    // serves the window, so a key never matches two shortcuts.
    item->setShortcutContext(Qt::WidgetShortcut);
    mirrorAction(item, action);
    connect(action, &QAction::changed, item, [item, action] { mirrorAction(item, action); });
    connect(item, &QAction::triggered, this, [this, action] {
        if (action->parent() == ActionList2)
            Guard([this] { ActionList2Update(); });
        action->trigger();
    });
    menu->addAction(item);
    return item;
}

void TMainForm::CreateActions()
{
    ActionList1 = new QObject(this);
    ActionList1->setObjectName(QStringLiteral("ActionList1"));
    ActionList2 = new QObject(this);
    ActionList2->setObjectName(QStringLiteral("ActionList2"));

    FileNewCmd = NewAction(ActionList1, "FileNewCmd", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N),
                           0, QStringLiteral("Create a new file"));
    FileOpenCmd = NewAction(ActionList1, "FileOpenCmd", QStringLiteral("&Open..."),
                            QKeySequence(Qt::CTRL | Qt::Key_O), 1, QStringLiteral("Open an existing file"));
    FileSaveCmd = NewAction(ActionList1, "FileSaveCmd", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
                            2, QStringLiteral("Save current file"));
    FilePrintCmd = NewAction(ActionList1, "FilePrintCmd", QStringLiteral("&Print"),
                             QKeySequence(Qt::CTRL | Qt::Key_P), 3, QStringLiteral("Print current file"));
    FileExitCmd = NewAction(ActionList1, "FileExitCmd", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_X),
                            -1, QStringLiteral("Exit this application"));
    FileSaveAsCmd = NewAction(ActionList1, "FileSaveAsCmd", QStringLiteral("Save &As..."), QKeySequence(), -1,
                              QStringLiteral("Save current file under a new name"));

    EditUndoCmd = NewAction(ActionList2, "EditUndoCmd", QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                            4, QStringLiteral("Undo the last action"));
    EditCutCmd = NewAction(ActionList2, "EditCutCmd", QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X), 5,
                           QStringLiteral("Delete selected item"));
    EditCopyCmd = NewAction(ActionList2, "EditCopyCmd", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
                            6, QStringLiteral("Copy selected item to clipboard"));
    EditPasteCmd = NewAction(ActionList2, "EditPasteCmd", QStringLiteral("&Paste"),
                             QKeySequence(Qt::CTRL | Qt::Key_V), 7, QStringLiteral("Paste contents of clipboard"));
    EditFontCmd = NewAction(ActionList2, "EditFontCmd", QStringLiteral("&Font..."), QKeySequence(), -1, QString());
    acCopyff = NewAction(ActionList2, "acCopyff", QStringLiteral("Copy for Forum"), QKeySequence(), -1, QString());

    auto run = [this](QAction *action, void (TMainForm::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
    };
    run(FileNewCmd, &TMainForm::FileNew);
    run(FileOpenCmd, &TMainForm::FileOpen);
    run(FileSaveCmd, &TMainForm::FileSave);
    run(FilePrintCmd, &TMainForm::FilePrint);
    run(FileExitCmd, &TMainForm::FileExit);
    run(FileSaveAsCmd, &TMainForm::FileSaveAs);
    run(EditFontCmd, &TMainForm::SelectFont);
    run(acCopyff, &TMainForm::acCopyffExecute);

    ActionList3 = new QActionGroup(this);
    ActionList3->setObjectName(QStringLiteral("ActionList3"));
    ActionList3->setExclusive(true);
    acLeftToRight = NewAction(ActionList3, "acLeftToRight", QStringLiteral("Left to Right"), QKeySequence(),
                              imgLeftToRight, QStringLiteral("Left to Right|Paragraph reads from left to right"));
    acRightToLeft = NewAction(ActionList3, "acRightToLeft", QStringLiteral("Right to Left"), QKeySequence(),
                              imgRightToLeft, QStringLiteral("Right to Left|Paragraph reads from right to left"));
    for (QAction *action : {acLeftToRight, acRightToLeft}) {
        action->setCheckable(true);
        const TParaDirection direction =
            action == acRightToLeft ? TParaDirection::RightToLeft : TParaDirection::LeftToRight;
        connect(action, &QAction::triggered, this, [this, direction] {
            Guard([this, direction] { ParaDirectionClick(direction); });
        });
    }
    acLeftToRight->setChecked(true);

    // The Edit actions are brought up to date just before they run; one found disabled
    // then does nothing.
    auto runEdit = [this](QAction *action, void (TMainForm::*handler)()) {
        connect(action, &QAction::triggered, this, [this, action, handler] {
            Guard([this, action, handler] {
                ActionList2Update();
                if (action->isEnabled())
                    (this->*handler)();
            });
        });
    };
    runEdit(EditUndoCmd, &TMainForm::EditUndo);
    runEdit(EditCutCmd, &TMainForm::EditCut);
    runEdit(EditCopyCmd, &TMainForm::EditCopy);
    runEdit(EditPasteCmd, &TMainForm::EditPaste);
}

void TMainForm::CreateMenus()
{
    auto newMenu = [this](const char *name, const QString &title) {
        QMenu *menu = menuBar()->addMenu(title);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    auto separator = [](QMenu *menu, const char *name = nullptr) {
        QAction *line = menu->addSeparator();
        if (name)
            line->setObjectName(QString::fromLatin1(name));
    };

    FileMenu = newMenu("FileMenu", QStringLiteral("&File"));
    FileNewItem = NewBoundItem(FileMenu, "FileNewItem", FileNewCmd);
    FileOpenItem = NewBoundItem(FileMenu, "FileOpenItem", FileOpenCmd);
    FileSaveItem = NewBoundItem(FileMenu, "FileSaveItem", FileSaveCmd);
    FileSaveAsItem = NewBoundItem(FileMenu, "FileSaveAsItem", FileSaveAsCmd);
    separator(FileMenu);
    FilePrintItem = NewBoundItem(FileMenu, "FilePrintItem", FilePrintCmd);
    separator(FileMenu);
    FileExitItem = NewBoundItem(FileMenu, "FileExitItem", FileExitCmd);

    EditMenu = newMenu("EditMenu", QStringLiteral("&Edit"));
    EditUndoItem = NewBoundItem(EditMenu, "EditUndoItem", EditUndoCmd);
    separator(EditMenu);
    EditCutItem = NewBoundItem(EditMenu, "EditCutItem", EditCutCmd);
    EditCopyItem = NewBoundItem(EditMenu, "EditCopyItem", EditCopyCmd);
    CopyBBC1 = NewBoundItem(EditMenu, "CopyBBC1", acCopyff);
    EditPasteItem = NewBoundItem(EditMenu, "EditPasteItem", EditPasteCmd);
    separator(EditMenu);
    miEditFont = NewMenuItem(EditMenu, "miEditFont", QStringLiteral("&Font..."), QKeySequence(), QString());
    connect(miEditFont, &QAction::triggered, this, [this] { Guard([this] { SelectFont(); }); });
    separator(EditMenu);
    miLeftToRight = NewBoundItem(EditMenu, "miLeftToRight", acLeftToRight);
    miRightToLeft = NewBoundItem(EditMenu, "miRightToLeft", acRightToLeft);

    LanguageMenu = newMenu("LanguageMenu", QStringLiteral("&Language"));
    LanguageEnglish = NewMenuItem(LanguageMenu, "LanguageEnglish", QStringLiteral("&English"),
                                  QKeySequence(Qt::CTRL | Qt::Key_1), QStringLiteral("Switch to English"));
    LanguageArabic = NewMenuItem(LanguageMenu, "LanguageArabic", QStringLiteral("&Arabic"),
                                 QKeySequence(Qt::CTRL | Qt::Key_2), QStringLiteral("Switch to Arabic"));
    LanguageCoptic = NewMenuItem(LanguageMenu, "LanguageCoptic", QStringLiteral("&Coptic"),
                                 QKeySequence(Qt::CTRL | Qt::Key_3), QStringLiteral("Switch to Coptic"));
    for (QAction *item : {LanguageEnglish, LanguageArabic, LanguageCoptic}) {
        item->setCheckable(true);
        addAction(item); // live wherever the focus is in the window
        connect(item, &QAction::triggered, this, [this, item] { Guard([this, item] { SwitchLanguage(item); }); });
    }
    LanguageEnglish->setChecked(true);
    CreateKeymapItems();

    HelpMenu = newMenu("HelpMenu", QStringLiteral("&Help"));
    HelpAboutItem = NewMenuItem(HelpMenu, "HelpAboutItem", QStringLiteral("&About..."), QKeySequence(),
                                QStringLiteral("Show program information"));
    connect(HelpAboutItem, &QAction::triggered, this, [this] { Guard([this] { HelpAbout(); }); });

    mnuEditor = new QMenu(this);
    mnuEditor->setObjectName(QStringLiteral("mnuEditor"));
    Cut1 = NewBoundItem(mnuEditor, "Cut1", EditCutCmd);
    Copy1 = NewBoundItem(mnuEditor, "Copy1", EditCopyCmd);
    Paste1 = NewBoundItem(mnuEditor, "Paste1", EditPasteCmd);
    mnuEditDelete = NewMenuItem(mnuEditor, "mnuEditDelete", QStringLiteral("Delete"), QKeySequence(Qt::Key_Delete),
                                QString());
    N3 = mnuEditor->addSeparator();
    N3->setObjectName(QStringLiteral("N3"));
    SelectAll1 = NewMenuItem(mnuEditor, "SelectAll1", QStringLiteral("Select All"),
                             QKeySequence(Qt::CTRL | Qt::Key_A), QString());
    N7 = mnuEditor->addSeparator();
    N7->setObjectName(QStringLiteral("N7"));
    LefttoRight1 = NewBoundItem(mnuEditor, "LefttoRight1", acLeftToRight);
    RighttoLeft1 = NewBoundItem(mnuEditor, "RighttoLeft1", acRightToLeft);
    N6 = mnuEditor->addSeparator();
    N6->setObjectName(QStringLiteral("N6"));
    CopyforForum1 = NewBoundItem(mnuEditor, "CopyforForum1", acCopyff);
    mnuUpperCase = NewMenuItem(mnuEditor, "mnuUpperCase", QStringLiteral("Upper Case"), QKeySequence(), QString());
    mnuLowerCase = NewMenuItem(mnuEditor, "mnuLowerCase", QStringLiteral("Lower Case"), QKeySequence(), QString());
    // Del and Ctrl+A are live whenever the editor has the focus (the editor is added as
    // their second home in FormCreate).
    mnuEditDelete->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    SelectAll1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(mnuEditDelete, &QAction::triggered, this, [this] { Guard([this] { mnuEditDeleteClick(); }); });
    connect(SelectAll1, &QAction::triggered, this, [this] { Guard([this] { SelectAll1Click(); }); });
    connect(mnuUpperCase, &QAction::triggered, this, [this] { Guard([this] { mnuUpperCaseClick(); }); });
    connect(mnuLowerCase, &QAction::triggered, this, [this] { Guard([this] { mnuLowerCaseClick(); }); });

    // The pop-up menu has no menu bar above it to carry its status texts to the window.
    connect(mnuEditor, &QMenu::hovered, this, [this](QAction *item) {
        if (m_hintHandlerInstalled)
            Guard([this, item] { ShowHint(item->statusTip()); });
    });
    connect(mnuEditor, &QMenu::aboutToHide, this, [this] {
        if (m_hintHandlerInstalled)
            Guard([this] { ShowHint(QString()); });
    });

    for (QMenu *menu : {EditMenu, mnuEditor})
        connect(menu, &QMenu::aboutToShow, this, [this] { Guard([this] { ActionList2Update(); }); });
}

void TMainForm::CreateToolBar()
{
    StandardToolBar = new QToolBar(this);
    StandardToolBar->setObjectName(QStringLiteral("StandardToolBar"));
    StandardToolBar->setMovable(false);
    StandardToolBar->setFloatable(false);
    StandardToolBar->setIconSize(QSize(16, 16));
    StandardToolBar->setFixedHeight(30);
    StandardToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    // Buttons of 23 x 22 side by side, as the bar's design lays them out within 739 pixels.
    StandardToolBar->setStyleSheet(QStringLiteral("QToolBar#StandardToolBar { spacing: 0px; padding: 0px 0px 0px 4px; border: none; }"));
    addToolBar(Qt::TopToolBarArea, StandardToolBar);

    auto actionButton = [this](const char *name, QAction *action) {
        auto *button = new QToolButton(StandardToolBar);
        button->setObjectName(QString::fromLatin1(name));
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        return button;
    };
    auto gap = [this](const char *name, int width, bool divider) {
        return new TToolSeparator(name, width, divider, StandardToolBar);
    };

    btnLang = new QToolButton(StandardToolBar);
    btnLang->setObjectName(QStringLiteral("btnLang"));
    btnLang->setAutoRaise(true);
    SetImageIndex(btnLang, imgLanguageEnglish);
    btnLang->installEventFilter(this); // its image follows its "ImageIndex" property
    connect(btnLang, &QToolButton::clicked, this, [this] { Guard([this] { btnLangClick(); }); });

    ToolButton1 = actionButton("ToolButton1", FileNewCmd);
    OpenButton = actionButton("OpenButton", FileOpenCmd);
    SaveButton = actionButton("SaveButton", FileSaveCmd);
    PrintButton = actionButton("PrintButton", FilePrintCmd);
    CutButton = actionButton("CutButton", EditCutCmd);
    CopyButton = actionButton("CopyButton", EditCopyCmd);
    PasteButton = actionButton("PasteButton", EditPasteCmd);
    UndoButton = actionButton("UndoButton", EditUndoCmd);

    CreateFormatControls();
    btnLeftToRight = actionButton("btnLeftToRight", acLeftToRight);
    btnRightToLeft = actionButton("btnRightToLeft", acRightToLeft);
    FontName->setFixedWidth(173);
    FontName->setMaxVisibleItems(10);
    ApplyHint(FontName, QStringLiteral("Font Name|Select font name"));
    txtFontSize->setFixedWidth(26);
    ApplyHint(txtFontSize, QStringLiteral("Font Size|Select font size"));
    ApplyHint(BulletsButton, QStringLiteral("Bullets|Enter bullet mode"));
    FontColor->setFixedWidth(73);
    SetImageIndex(BoldButton, 8);
    SetImageIndex(ItalicButton, 9);
    SetImageIndex(UnderlineButton, 10);
    SetImageIndex(LeftAlign, 11);
    SetImageIndex(CenterAlign, 12);
    SetImageIndex(RightAlign, 13);
    SetImageIndex(BulletsButton, 14);

    const std::initializer_list<QWidget *> order = {
        btnLang, gap("ToolButton4", 14, false),
        ToolButton1, OpenButton, SaveButton, PrintButton, gap("ToolButton5", 8, true),
        CutButton, CopyButton, PasteButton, UndoButton, gap("ToolButton10", 8, false),
        FontName, gap("ToolButton11", 8, false),
        txtFontSize, UpDown1, gap("ToolButton2", 8, false),
        BoldButton, ItalicButton, UnderlineButton, gap("ToolButton16", 8, true),
        LeftAlign, CenterAlign, RightAlign, gap("ToolButton20", 8, true),
        BulletsButton, gap("ToolButton3", 8, false),
        FontColor, gap("ToolButton21", 8, true),
        btnLeftToRight, btnRightToLeft,
    };
    for (QWidget *widget : order) {
        if (auto *button = qobject_cast<QToolButton *>(widget)) {
            button->setAutoRaise(true);
            button->setFixedSize(23, 22);
        }
        StandardToolBar->addWidget(widget);
    }
    WireFormatControls();

    // The client area: the ruler strip on top, the editor (made in FormCreate) below it.
    CreateRuler();
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    m_clientLayout = new QVBoxLayout(client);
    m_clientLayout->setContentsMargins(0, 0, 0, 0);
    m_clientLayout->setSpacing(0);
    m_clientLayout->addWidget(Ruler);
    setCentralWidget(client);
    WireRuler();
}

void TMainForm::CreateStatusBar()
{
    StatusBar = new TStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(StatusBar);
}

// ---- Start-up and shut-down ------------------------------------------------------------------

void TMainForm::FormCreate()
{
    // 1. The editor fills the client area below the ruler.
    Editor = new TTntRichEdit(centralWidget());
    Editor->setObjectName(QStringLiteral("Editor"));
    m_clientLayout->addWidget(Editor, 1);

    // 2. Its events.
    Editor->OnChange = [this] { Guard([this] { RichEditChange(); }); };
    Editor->OnKeyPress = [this](unsigned char &key) { Guard([this, &key] { EditorKeyPress(key); }); };
    Editor->OnKeyUp = [this](int &key, Qt::KeyboardModifiers shift) {
        Guard([this, &key, shift] { EditorOnKeyUp(key, shift); });
    };
    Editor->OnSelectionChange = [this] { Guard([this] { SelectionChange(); }); };
    Editor->OnLinkClick = [this](const QString &target) { Guard([this, &target] { OpenLink(target); }); };
    Editor->OnLayoutProgress = [this] {
        if (m_caretLinePending)
            Guard([this] { ShowCaretPosition(); });
    };

    // 3. Tabs go into the text, text is black, the pop-up menu is ours.
    Editor->setTabChangesFocus(false);
    Editor->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = Editor->palette();
    palette.setColor(QPalette::Text, Qt::black);
    Editor->setPalette(palette);
    Editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Editor, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { mnuEditor->popup(Editor->viewport()->mapToGlobal(pos)); });
    // Del and Ctrl+A reach the pop-up items before the editor sees them: the editor leaves
    // the keys of the window's actions (these items among them) to the window.
    Editor->addAction(mnuEditDelete);
    Editor->addAction(SelectAll1);
    Editor->viewport()->installEventFilter(this);
    auto updateEditActions = [this] { Guard([this] { ActionList2Update(); }); };
    connect(Editor, &QTextEdit::selectionChanged, this, updateEditActions);
    connect(Editor, &QTextEdit::textChanged, this, updateEditActions);
    connect(Editor, &QTextEdit::undoAvailable, this, updateEditActions);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, updateEditActions);
    ActionList2Update();

    // 4. Status texts of the controls under the mouse and of highlighted menu items.
    m_hintHandlerInstalled = true;

    // 5. The dialogs' folders (remain_folders.cpp).
    ReadLastFolder();
    UpdateDialogFolders();

    // 6.-8.
    ApplyDocumentName(QStringLiteral("Untitled"));
    StartRecovery();
    FillFontNameList();
    BuildRulerTicks();

    // 9. The character map, from the working folder.
    if (!LoadCharacterMap())
        prompts().Message(QStringLiteral("Couldn't find \"map.txt\" program can not work without it"));
}

void TMainForm::FormShow()
{
    ShowCaretPosition();
    setAcceptDrops(true);
    RichEditChange();
    Editor->setFocus();
    if (!m_arguments.isEmpty()) {
        const QFileInfo first(m_arguments.first());
        if (first.exists() && !first.isDir())
            LoadDocument(m_arguments.first());
    }
    OfferRecovery();
}

void TMainForm::FormActivate()
{
    if (FirstActivation) {
        FirstActivation = false;
        LoadFontSettings();
    }
}

void TMainForm::FormDestroy()
{
    m_destroyed = true;
    StopRecovery();
    CharacterMap.clear();
    SaveFontSettings();
}

void TMainForm::FormResize()
{
    ApplyEditorMargins();
    SelectionChange();
}

void TMainForm::FormPaint()
{
    ApplyEditorMargins();
}

QString TMainForm::SettingsPath()
{
    // Beside the executable, unless an installed program's folder may not be written.
    return TAppPlaces::Current().SettingsFile();
}

void TMainForm::LoadFontSettings()
{
    const TIniFile settings(SettingsPath());
    ActiveTextAttributes().SetName(settings.ReadString(kFontSection, QStringLiteral("Name"), kDefaultFontName));
    // A text different from the box's own fires the box's change handler, which applies it.
    txtFontSize->setText(settings.ReadString(kFontSection, QStringLiteral("Size"), kDefaultFontSize));
}

void TMainForm::SaveFontSettings()
{
    const QString path = SettingsPath();
    QDir().mkpath(QFileInfo(path).absolutePath()); // the user's folder may not exist yet
    TIniFile settings(path);
    // The size is converted first: a box that holds no number writes nothing.
    const qint32 size = StrToInt(txtFontSize->text());
    settings.WriteString(kFontSection, QStringLiteral("Size"), QString::number(size));
    settings.WriteString(kFontSection, QStringLiteral("Name"), FontName->currentText());
    WriteLastFolder(settings);
    settings.UpdateFile();
}

QString TMainForm::ExecutableFolder()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

// ---- Status bar ------------------------------------------------------------------------------

void TMainForm::ShowHint(const QString &hint)
{
    if (hint.isEmpty()) {
        StatusBar->SetSimplePanel(false);
    } else {
        StatusBar->SetSimpleText(hint);
        StatusBar->SetSimplePanel(true);
    }
}

void TMainForm::ApplyDocumentName(const QString &name)
{
    DocumentName = name;
    RememberDocumentFolder(name);
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(name).fileName(), QCoreApplication::applicationName()));
}

void TMainForm::ShowCaretPosition()
{
    const int pos = Editor->CaretPos();
    // Far ahead of the layout (a caret put at the end of a document just opened) the line
    // would cost the layout of everything before it: it is shown when the layout gets there.
    m_caretLinePending = !Editor->LineAtHand(pos);
    if (m_caretLinePending) {
        StatusBar->SetPanelText(0, QString());
        return;
    }
    const int line = Editor->LineFromChar(pos);
    const int column = pos - Editor->LineIndex(line);
    StatusBar->SetPanelText(0, QString::asprintf("Line: %3d   Col: %3d", line + 1, column + 1));
}

void TMainForm::ShowModifiedState(bool modified)
{
    StatusBar->SetPanelText(1, modified ? QStringLiteral("Modified") : QString());
    // Every change and every clearing of the flag passes here.
    NoteRecoveryState(modified);
}

void TMainForm::RichEditChange()
{
    ShowModifiedState(Editor->Modified());
}

// ---- Edit commands ---------------------------------------------------------------------------

void TMainForm::ActionList2Update()
{
    EditCutCmd->setEnabled(Editor && Editor->SelLength() > 0);
    EditCopyCmd->setEnabled(EditCutCmd->isEnabled());
    if (Editor) {
        EditUndoCmd->setEnabled(Editor->CanUndo());
        EditPasteCmd->setEnabled(Editor->CanPaste());
    }
}

void TMainForm::EditUndo()
{
    if (Editor)
        Editor->undo();
}

void TMainForm::EditCut()
{
    Editor->cut();
}

void TMainForm::EditCopy()
{
    Editor->copy();
}

void TMainForm::EditPaste()
{
    Editor->paste();
}

void TMainForm::mnuEditDeleteClick()
{
    // With nothing selected, Del deletes forward like in any editor.
    if (Editor->SelLength() == 0)
        Editor->DeleteNextCharacter();
    else
        Editor->ReplaceSelection(QString());
}

void TMainForm::SelectAll1Click()
{
    Editor->selectAll();
}

void TMainForm::HelpAbout()
{
    // A new box for every showing, so its figures are fresh; freed however the showing ends.
    const std::unique_ptr<TAboutBox> box = std::make_unique<TAboutBox>(this);
    prompts().ShowModal(box.get());
}

// ---- Plumbing --------------------------------------------------------------------------------

void TMainForm::Guard(const std::function<void()> &body)
{
    try {
        body();
    } catch (const OperationAborted &) {
        // silent by design
    } catch (const EKalveroError &e) {
        ShowError(e.message());
    } catch (const std::exception &e) {
        ShowError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("Unexpected error"));
    }
}

void TMainForm::ShowError(const QString &message)
{
    // The error box itself must not throw out of a handler.
    try {
        prompts().Error(ErrorBoxText(message));
    } catch (...) {
    }
}

// ---- Qt events -------------------------------------------------------------------------------

void TMainForm::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        Guard([this] { FormShow(); });
    }
}

void TMainForm::closeEvent(QCloseEvent *e)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        e->ignore();
        return;
    }
    e->accept();
    if (!m_destroyed)
        Guard([this] { FormDestroy(); });
}

void TMainForm::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    if (Editor)
        Guard([this] { FormResize(); });
}

void TMainForm::paintEvent(QPaintEvent *e)
{
    QMainWindow::paintEvent(e);
    if (Editor)
        Guard([this] { FormPaint(); });
}

void TMainForm::changeEvent(QEvent *e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange) {
        // The session-wide layout follows the window, as a per-window layout would.
        if (isActiveWindow()) {
            // Arabic is typed on whatever layout the user has.
            if (ActiveLanguage != 1)
                m_layoutMemory->windowActivated();
            Guard([this] { FormActivate(); });
        } else {
            m_layoutMemory->windowDeactivated();
        }
    }
}

bool TMainForm::event(QEvent *e)
{
    if (e->type() == QEvent::StatusTip) {
        if (m_hintHandlerInstalled) {
            const QString tip = static_cast<QStatusTipEvent *>(e)->tip();
            Guard([this, &tip] { ShowHint(tip); });
        }
        return true;
    }
    return QMainWindow::event(e);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == btnLang && e->type() == QEvent::DynamicPropertyChange
        && static_cast<QDynamicPropertyChangeEvent *>(e)->propertyName() == "ImageIndex")
        ShowImage(btnLang);
    if (Editor && watched == Editor->viewport() && acceptDrops()) {
        // Files dragged from the desktop are the window's, wherever they are dropped.
        switch (e->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(e);
            if (!LocalFiles(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(e);
            const QStringList files = LocalFiles(drop->mimeData());
            if (!files.isEmpty()) {
                drop->acceptProposedAction();
                Guard([this, &files] { DropFiles(files); });
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

QStringList TMainForm::LocalFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

void TMainForm::dragEnterEvent(QDragEnterEvent *e)
{
    if (!LocalFiles(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *e)
{
    const QStringList files = LocalFiles(e->mimeData());
    if (files.isEmpty())
        return;
    e->acceptProposedAction();
    Guard([this, &files] { DropFiles(files); });
}
