// Placeholder: character formatting lands here.
#include "remain.h"
#include "TUpDown.h"
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
TUpDown::TUpDown(QWidget *parent) : QWidget(parent) {}
void TUpDown::setAssociate(QLineEdit *edit) { m_associate = edit; }
void TUpDown::setPosition(int p) { m_position = p; }
void TUpDown::setRange(int mn, int mx) { m_min = mn; m_max = mx; }
void TUpDown::stepBy(int) {}
void TMainForm::CreateFormatControls()
{
    FontName = new QComboBox(this);
    FontName->setObjectName("FontName");
    txtFontSize = new QLineEdit(QStringLiteral("20"), this);
    txtFontSize->setObjectName("txtFontSize");
    UpDown1 = new TUpDown(this);
    UpDown1->setObjectName("UpDown1");
    auto button = [this](const char *name) { auto *b = new QToolButton(this); b->setObjectName(name); return b; };
    BoldButton = button("BoldButton");
    ItalicButton = button("ItalicButton");
    UnderlineButton = button("UnderlineButton");
    LeftAlign = button("LeftAlign");
    CenterAlign = button("CenterAlign");
    RightAlign = button("RightAlign");
    BulletsButton = button("BulletsButton");
    FontColor = new QComboBox(this);
    FontColor->setObjectName("FontColor");
}
void TMainForm::WireFormatControls() {}
TTextAttributes &TMainForm::ActiveTextAttributes() { return Editor->SelLength() > 0 ? Editor->SelAttributes() : Editor->DefAttributes(); }
void TMainForm::SelectionChange() { ShowCaretPosition(); }
void TMainForm::FillFontNameList() {}
void TMainForm::BoldButtonClick() {}
void TMainForm::ItalicButtonClick() {}
void TMainForm::UnderlineButtonClick() {}
void TMainForm::txtFontSizeChange() {}
void TMainForm::FontNameChange() {}
void TMainForm::FontColorSelect() {}
void TMainForm::SelectFont() {}
