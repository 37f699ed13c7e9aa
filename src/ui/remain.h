#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

#include "CharacterMap.h"
#include "FileStamp.h"
#include "Prompts.h"
#include "TTntRichEdit.h"

class QAction;
class QActionGroup;
class QKeySequence;
class QMimeData;
class QVBoxLayout;
class QComboBox;
class QFrame;
class QLineEdit;
class QMenu;
class QToolBar;
class QToolButton;
class KeyboardLayouts;
class TIniFile;
class TKeyboardMapWindow;
class WindowLayoutMemory;
class TRulerMarker;
class TStatusBar;
class LoadWatch;
class TUpDown;
class DocumentRecovery;
struct RecoveryEntry;

// Program-wide: true until the main window's first activation.
extern bool FirstActivation;

// The main window. Its methods are the event handlers of the program; each handler runs through
// Guard(), so errors reach the error box and never cross a Qt frame.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    // prompts and layouts are the seams tests replace; arguments are the command-line arguments
    // after the program name.
    TMainForm(std::unique_ptr<Prompts> prompts, std::unique_ptr<KeyboardLayouts> layouts,
              QStringList arguments = {}, QWidget *parent = nullptr);
    ~TMainForm() override;

    // ---- Fields -----------------------------------------------------------------------------
    TTntRichEdit *Editor = nullptr;
    QString DocumentName;
    quint8 ActiveLanguage = 0;          // 0 English, 1 Arabic, 2 Coptic
    bool ControlsRefreshing = false;
    int MarkerGrabOffset = 0;
    bool MarkerDragActive = false;
    TCharacterMap CharacterMap;
    // Opens a link's target (Ctrl+click in the text); the desktop's handler unless a test
    // replaces it.
    std::function<void(const QString &)> OpenLink;
    // A document load shows its progress in the status bar once it has taken this long (ms).
    int LoadProgressDelayMs = 1000;
    // The memory a load may still take, bytes (0: unknown); the system's unless a test replaces it.
    std::function<quint64()> AvailableMemory;

    // ---- Components (object names are the designer names) ------------------------------------
    QObject *ActionList1 = nullptr;     // File
    QObject *ActionList2 = nullptr;     // Edit
    QAction *FileNewCmd = nullptr, *FileOpenCmd = nullptr, *FileSaveCmd = nullptr,
            *FilePrintCmd = nullptr, *FileExitCmd = nullptr, *FileSaveAsCmd = nullptr;
    QAction *EditUndoCmd = nullptr, *EditCutCmd = nullptr, *EditCopyCmd = nullptr,
            *EditPasteCmd = nullptr, *EditFontCmd = nullptr, *acCopyff = nullptr;
    // Paragraph direction: two checkable commands, one of them checked (ActionList3 groups them).
    QActionGroup *ActionList3 = nullptr;
    QAction *acLeftToRight = nullptr, *acRightToLeft = nullptr;

    QMenu *FileMenu = nullptr, *EditMenu = nullptr, *LanguageMenu = nullptr, *HelpMenu = nullptr;
    QAction *FileNewItem = nullptr, *FileOpenItem = nullptr, *FileSaveItem = nullptr,
            *FileSaveAsItem = nullptr, *FilePrintItem = nullptr, *FileExitItem = nullptr;
    QAction *EditUndoItem = nullptr, *EditCutItem = nullptr, *EditCopyItem = nullptr,
            *CopyBBC1 = nullptr, *EditPasteItem = nullptr, *miEditFont = nullptr;
    QAction *miLeftToRight = nullptr, *miRightToLeft = nullptr;
    QAction *LanguageEnglish = nullptr, *LanguageArabic = nullptr, *LanguageCoptic = nullptr;
    QAction *HelpAboutItem = nullptr;

    QMenu *mnuEditor = nullptr;
    QAction *Cut1 = nullptr, *Copy1 = nullptr, *Paste1 = nullptr, *mnuEditDelete = nullptr,
            *N3 = nullptr, *SelectAll1 = nullptr, *N6 = nullptr, *CopyforForum1 = nullptr,
            *mnuUpperCase = nullptr, *mnuLowerCase = nullptr;
    QAction *N7 = nullptr, *LefttoRight1 = nullptr, *RighttoLeft1 = nullptr;

    QToolBar *StandardToolBar = nullptr;
    QToolButton *btnLang = nullptr, *ToolButton1 = nullptr, *OpenButton = nullptr,
                *SaveButton = nullptr, *PrintButton = nullptr, *CutButton = nullptr,
                *CopyButton = nullptr, *PasteButton = nullptr, *UndoButton = nullptr;
    QComboBox *FontName = nullptr;
    QLineEdit *txtFontSize = nullptr;
    TUpDown *UpDown1 = nullptr;
    QToolButton *BoldButton = nullptr, *ItalicButton = nullptr, *UnderlineButton = nullptr;
    QToolButton *LeftAlign = nullptr, *CenterAlign = nullptr, *RightAlign = nullptr,
                *BulletsButton = nullptr;
    QComboBox *FontColor = nullptr;
    QToolButton *btnLeftToRight = nullptr, *btnRightToLeft = nullptr;

    QWidget *Ruler = nullptr;
    TRulerMarker *FirstInd = nullptr, *LeftInd = nullptr, *RightInd = nullptr;
    QFrame *RulerLine = nullptr, *Bevel1 = nullptr;

    TStatusBar *StatusBar = nullptr;

    TFileDialogSettings OpenDialog, SaveDialog;
    TFontChoice FontDialog1;

    // ---- Start-up and shut-down, window (remain.cpp) ----------------------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormCloseQuery(bool &canClose);
    void FormDestroy();
    void FormResize();
    void FormPaint();
    void ShowHint(const QString &hint);
    void ApplyDocumentName(const QString &name);
    void ShowCaretPosition();
    void ShowModifiedState(bool modified);
    void RichEditChange();
    void ActionList2Update();
    void LoadFontSettings();
    void SaveFontSettings();
    void EditUndo();
    void EditCut();
    void EditCopy();
    void EditPaste();
    void mnuEditDeleteClick();
    void SelectAll1Click();
    void HelpAbout();

    // ---- Documents (remain_files.cpp) ----------------------------------------------------------
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void ConfirmDroppedParts();
    void FilePrint();
    void FileExit();
    void PromptSaveChanges();
    void LoadDocument(const QString &name);
    // Reads a file into the editor with the window kept alive (LoadWatch): Esc or closing the
    // window stops it (OperationAborted) and leaves the document as it was; a file too large
    // for the free memory is refused first.
    void ReadDocumentFile(const QString &name);
    bool Loading() const { return m_loadWatch != nullptr; }
    void DropFiles(const QStringList &names);

    // ---- Work kept safe (remain_safeguards.cpp) ------------------------------------------------
    void StartRecovery();             // FormCreate
    void OfferRecovery();             // FormShow: copies left by instances that ended abnormally
    static QString RecoveryFailedMessage(const QString &reason); // status bar, while copies fail
    void RecoverDocument(const RecoveryEntry &entry);
    void StopRecovery();              // FormDestroy: the program ends normally
    void NoteRecoveryState(bool modified); // ShowModifiedState: a change, or saved/discarded
    void RememberDocumentFile();      // after every load and save, and New
    bool ConfirmSaveOverChanges();    // FileSave: false when the user keeps the changed file
    DocumentRecovery *Recovery() const { return m_recovery; }

    // ---- Language input (remain_language.cpp) ---------------------------------------------------
    bool LoadCharacterMap();
    void SwitchLanguage(QAction *sender);
    void btnLangClick();
    void EditorKeyPress(unsigned char &key);
    void EditorOnKeyUp(int &key, Qt::KeyboardModifiers shift);
    void ApplyTypingDirection();
    void CheckKeyboardLayout();

    // ---- The map file and the keyboard map (remain_keymap.cpp) ----------------------------------
    QAction *miKeyboardMap = nullptr, *miReloadMap = nullptr;
    TKeyboardMapWindow *KeyboardMap = nullptr; // made at its first showing
    void KeyboardMapClick();
    void RefreshKeyboardMap();
    void KeyboardMapKeyClick(unsigned char key);
    void ReloadMapClick();

    // ---- Text conversion (remain_convert.cpp) ----------------------------------------------------
    void acCopyffExecute();
    void mnuUpperCaseClick();
    void mnuLowerCaseClick();

    // ---- Character formatting (remain_format.cpp) ----------------------------------------------
    TTextAttributes &ActiveTextAttributes();
    void SelectionChange();
    void FillFontNameList();
    void BoldButtonClick();
    void ItalicButtonClick();
    void UnderlineButtonClick();
    void txtFontSizeChange();
    void FontNameChange();
    void FontColorSelect();
    void SelectFont();

    // ---- Paragraph formatting and ruler (remain_ruler.cpp) --------------------------------------
    void BuildRulerTicks();
    void ApplyEditorMargins();
    void RulerResize();
    void AlignButtonClick(QToolButton *sender);
    void BulletsButtonClick();
    void ParaDirectionClick(TParaDirection direction);
    void PlaceRulerMarkers();
    void RulerItemMouseDown(TRulerMarker *sender, int x);
    void RulerItemMouseMove(TRulerMarker *sender, int x);
    void FirstIndMouseUp(TRulerMarker *sender, int x);
    void LeftIndMouseUp(TRulerMarker *sender, int x);
    void RightIndMouseUp(TRulerMarker *sender, int x);

    // ---- Dialog folders (remain_folders.cpp) ----------------------------------------------------
    // The folder of the current document, else the folder last used, else the program's folder
    // when it is writable, else the user's documents folder; with its trailing separator.
    QString DialogStartFolder() const;
    void UpdateDialogFolders();
    // Notes the folder of a document that got a name and moves the dialogs there.
    void RememberDocumentFolder(const QString &name);
    void ReadLastFolder();
    void WriteLastFolder(TIniFile &settings) const;

    // ---- Plumbing ------------------------------------------------------------------------------
    // Runs a handler body: OperationAborted shows nothing, any other error goes to the error box.
    void Guard(const std::function<void()> &body);
    Prompts &prompts() { return *m_prompts; }
    KeyboardLayouts &keyboardLayouts() { return *m_layouts; }
    const QStringList &arguments() const { return m_arguments; }
    // The folder of the program's executable, with its trailing separator.
    static QString ExecutableFolder();

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void changeEvent(QEvent *e) override;
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    // Component construction, one per concern.
    void CreateActions();        // remain.cpp
    void CreateMenus();          // remain.cpp
    void CreateToolBar();        // remain.cpp (places the controls below in their order)
    void CreateStatusBar();      // remain.cpp
    void CreateKeymapItems();    // remain_keymap.cpp: the map items of the Language menu
    void CreateFormatControls(); // remain_format.cpp: FontName .. FontColor, the style and paragraph buttons
    void CreateRuler();          // remain_ruler.cpp: Ruler and its markers and lines
    void WireFormatControls();   // remain_format.cpp
    void WireRuler();            // remain_ruler.cpp

    // Component helpers (remain.cpp).
    QAction *NewAction(QObject *list, const char *name, const QString &caption, const QKeySequence &shortcut,
                       int image, const QString &hint);
    QAction *NewMenuItem(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut,
                         const QString &hint);
    QAction *NewBoundItem(QMenu *menu, const char *name, QAction *action);
    static QString SettingsPath();
    void ShowError(const QString &message);
    static QStringList LocalFiles(const QMimeData *data);

    std::unique_ptr<Prompts> m_prompts;
    std::unique_ptr<KeyboardLayouts> m_layouts;
    std::unique_ptr<WindowLayoutMemory> m_layoutMemory; // over m_layouts
    QStringList m_arguments;
    bool m_shown = false;
    bool m_destroyed = false;
    bool m_hintHandlerInstalled = false;
    // The caret's display line was not known when it was last shown: shown once it is.
    bool m_caretLinePending = false;
    QVBoxLayout *m_clientLayout = nullptr;
    DocumentRecovery *m_recovery = nullptr;        // child of the window
    LoadWatch *m_loadWatch = nullptr;              // the load under way, if any
    std::optional<FileStamp> m_documentStamp;      // the document's file when last loaded or saved

    // Where PlaceRulerMarkers last put each marker (its Left) and the indent it showed there: a
    // marker dropped where it was placed gives back exactly that indent. following: the first
    // plus the left indent, where the paragraph's following lines start.
    struct MarkerPlacement
    {
        int firstLeft = 0, first = 0;
        int leftLeft = 0, following = 0;
        int rightLeft = 0, right = 0;
    } m_placed;
    // A marker's Left as on a left-to-right ruler: a right-to-left paragraph's ruler is mirrored.
    int MarkerLeftFromStart(const TRulerMarker *marker) const;
    QString m_lastFolder; // the folder of the last document opened or saved, kept in settings.opt
    QString m_mapPath; // the map.txt last loaded, empty when none was found
};
