// Language input: switching among English, Arabic and Coptic, the translation of typed keys
// and the keyboard-layout check (the map file and its window: remain_keymap.cpp).
#include "remain.h"

#include <QAction>
#include <QMenu>
#include <QTextBlock>
#include <QToolButton>

#include "KeyboardLayout.h"
#include "ToolbarImages.h"

namespace {
// Images of the language button: EN, the Arabic letter, C. The button's image index is the
// language state that btnLangClick reads.
constexpr int EnglishImage = imgLanguageEnglish;
constexpr int ArabicImage = imgLanguageArabic;
constexpr int CopticImage = imgLanguageCoptic;
} // namespace

void TMainForm::SwitchLanguage(QAction *sender)
{
    Editor->setFocus();
    const QList<QAction *> items = LanguageMenu->actions();
    for (int i = 0; i < 3 && i < items.size(); ++i)
        items[i]->setChecked(false);
    sender->setChecked(true);
    if (sender == LanguageEnglish) {
        ActiveLanguage = 0;
        SetImageIndex(btnLang, EnglishImage);
        CheckKeyboardLayout();
    } else if (sender == LanguageArabic) {
        // The user's layout is left alone: Arabic may be typed on an Arabic layout.
        ActiveLanguage = 1;
        SetImageIndex(btnLang, ArabicImage);
    } else {
        ActiveLanguage = 2;
        SetImageIndex(btnLang, CopticImage);
        CheckKeyboardLayout();
    }
}

void TMainForm::btnLangClick()
{
    switch (ImageIndex(btnLang)) {
    case EnglishImage:
        SwitchLanguage(LanguageArabic);
        break;
    case ArabicImage:
        SwitchLanguage(LanguageCoptic);
        break;
    case CopticImage:
        SwitchLanguage(LanguageEnglish);
        break;
    default:
        break;
    }
}

void TMainForm::EditorKeyPress(unsigned char &key)
{
    if (key >= 32)
        ApplyTypingDirection();
    if (LanguageEnglish->isChecked())
        return;
    // First match from the top of the map; keys are compared as exact one-byte strings.
    const int entry = CharacterMap.find(key);
    if (entry < 0)
        return;
    key = 0;
    const QByteArray &text =
        LanguageArabic->isChecked() ? CharacterMap.ArabicColumn[entry] : CharacterMap.CopticColumn[entry];
    Editor->ReplaceSelection(DecodeMapText(text));
}

void TMainForm::EditorOnKeyUp(int &, Qt::KeyboardModifiers) {}

// A character typed into an empty paragraph gives the paragraph the direction of the input
// language: right to left in Arabic, left to right in English and Coptic. A paragraph with
// text keeps the direction it has.
void TMainForm::ApplyTypingDirection()
{
    const QTextCursor caret = Editor->textCursor();
    if (caret.hasSelection() || caret.block().length() > 1)
        return;
    const TParaDirection direction = ActiveLanguage == 1 ? TParaDirection::RightToLeft : TParaDirection::LeftToRight;
    if (Editor->Paragraph().Direction() != direction)
        Editor->Paragraph().SetDirection(direction);
}

void TMainForm::CheckKeyboardLayout()
{
    // Without a US English layout there is nothing to step to.
    KeyboardLayouts &layouts = keyboardLayouts();
    if (layouts.hasUsEnglish() && !layouts.activeIsUsEnglish())
        m_layoutMemory->activateNext();
}
