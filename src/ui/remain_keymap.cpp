// The character map: finding, loading, checking and reloading map.txt, and the Keyboard Map
// window that shows what each key types.
#include "remain.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>

#include "AppPlaces.h"
#include "MapCheck.h"
#include "TKeyboardMapWindow.h"

namespace {
const QString kMissingMapMessage = QStringLiteral("Couldn't find \"map.txt\" program can not work without it");
} // namespace

bool TMainForm::LoadCharacterMap()
{
    // The working folder first, then the user's own map, then the shipped one.
    const QString path = FirstRegularFile(TAppPlaces::Current().MapCandidates());
    m_mapPath = path;
    if (path.isEmpty()) {
        CharacterMap.clear();
        return false;
    }
    const bool found = LoadCharacterMapFile(path, CharacterMap);
    // Entries that cannot work are named once, the rest of the map works.
    const QString problems = MapProblemsMessage(QDir::toNativeSeparators(path), CheckCharacterMap(CharacterMap));
    if (!problems.isEmpty())
        prompts().Message(problems);
    return found;
}

void TMainForm::CreateKeymapItems()
{
    LanguageMenu->addSeparator();
    miKeyboardMap = NewMenuItem(LanguageMenu, "miKeyboardMap", QStringLiteral("&Keyboard Map..."),
                                QKeySequence(Qt::CTRL | Qt::Key_K), QStringLiteral("Show what each key types"));
    addAction(miKeyboardMap); // live wherever the focus is in the window
    connect(miKeyboardMap, &QAction::triggered, this, [this] { Guard([this] { KeyboardMapClick(); }); });
    // The open keyboard map follows every change of language at once.
    for (QAction *item : {LanguageEnglish, LanguageArabic, LanguageCoptic})
        connect(item, &QAction::toggled, this, [this] { Guard([this] { RefreshKeyboardMap(); }); });
    miReloadMap = NewMenuItem(LanguageMenu, "miReloadMap", QStringLiteral("&Reload Map"), QKeySequence(),
                              QStringLiteral("Read map.txt again"));
    connect(miReloadMap, &QAction::triggered, this, [this] { Guard([this] { ReloadMapClick(); }); });
}

void TMainForm::ReloadMapClick()
{
    const bool found = LoadCharacterMap();
    RefreshKeyboardMap();
    if (!found)
        prompts().Message(kMissingMapMessage);
}

void TMainForm::KeyboardMapClick()
{
    if (!KeyboardMap) {
        KeyboardMap = new TKeyboardMapWindow(this);
        KeyboardMap->OnKeyClick = [this](unsigned char key) { Guard([this, key] { KeyboardMapKeyClick(key); }); };
        // Below the main window, where it covers none of the text, as far as the screen allows.
        QPoint place = frameGeometry().bottomLeft() + QPoint(0, 1);
        if (const QScreen *screen = this->screen()) {
            const QRect free = screen->availableGeometry();
            place.setX(qBound(free.left(), place.x(), qMax(free.left(), free.right() - KeyboardMap->width())));
            place.setY(qBound(free.top(), place.y(), qMax(free.top(), free.bottom() - KeyboardMap->height() - 30)));
        }
        KeyboardMap->move(place);
    }
    RefreshKeyboardMap();
    KeyboardMap->show();
    KeyboardMap->raise();
}

void TMainForm::RefreshKeyboardMap()
{
    if (!KeyboardMap)
        return;
    // The language as typing reads it: the check marks of the Language menu.
    const int language = LanguageEnglish->isChecked() ? 0 : LanguageArabic->isChecked() ? 1 : 2;
    // The face typed text takes, with the Coptic and Arabic faces for the letters it lacks.
    const QString face = Editor->DefAttributes().Name();
    TTntRichEdit::RegisterFaceFallback(face);
    QFont font(face);
    font.setPointSize(14);
    KeyboardMap->SetContent(CharacterMap, language, font);
}

void TMainForm::KeyboardMapKeyClick(unsigned char key)
{
    // The click types as the key would: the editor raises its key press, EditorKeyPress
    // translates it in Arabic and Coptic.
    const QString text{QChar(char16_t(key))};
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(Editor, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(Editor, &release);
    if (!isActiveWindow())
        activateWindow();
    Editor->setFocus();
}
