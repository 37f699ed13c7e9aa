// Placeholder: language input lands here.
#include "remain.h"
bool TMainForm::LoadCharacterMap() { CharacterMap.clear(); return true; }
void TMainForm::SwitchLanguage(QAction *) {}
void TMainForm::btnLangClick() {}
void TMainForm::EditorKeyPress(unsigned char &) {}
void TMainForm::EditorOnKeyUp(int &, Qt::KeyboardModifiers) {}
void TMainForm::CheckKeyboardLayout() {}
