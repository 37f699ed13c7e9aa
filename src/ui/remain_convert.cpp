// Placeholder: forum export and case conversion land here.
#include "remain.h"
void TMainForm::acCopyffExecute() {}
void TMainForm::mnuUpperCaseClick() {}
void TMainForm::mnuLowerCaseClick() {}
