// Character formatting: the font-name, size and colour boxes, the style buttons, the font
// dialog, and SelectionChange, the one routine that brings every formatting control, the ruler
// markers and the caret position in line with the text at the caret.
#include "remain.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>

#include "FontColors.h"
#include "FontEnumeration.h"
#include "FontNameCompletion.h"
#include "IntConv.h"
#include "RulerMath.h"
#include "TRulerMarker.h"
#include "TColorBox.h"
#include "TUpDown.h"
#include "ToolbarImages.h"

namespace {

QToolButton *makeCheckButton(QWidget *parent, const char *name, const QString &hint, int imageIndex)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setCheckable(true);
    button->setAutoRaise(true);
    ApplyHint(button, hint);
    SetImageIndex(button, imageIndex);
    return button;
}

FontNameCompletion *fontNameCompletion(QComboBox *box) { return box->findChild<FontNameCompletion *>(); }

} // namespace

void TMainForm::CreateFormatControls()
{
    FontName = new QComboBox(this);
    FontName->setObjectName(QStringLiteral("FontName"));
    FontName->setFixedWidth(173);
    FontName->setMaxVisibleItems(10);
    ApplyHint(FontName, QStringLiteral("Font Name|Select font name"));
    new FontNameCompletion(FontName);

    txtFontSize = new QLineEdit(QStringLiteral("20"), this);
    txtFontSize->setObjectName(QStringLiteral("txtFontSize"));
    txtFontSize->setFixedWidth(26);
    ApplyHint(txtFontSize, QStringLiteral("Font Size|Select font size"));

    UpDown1 = new TUpDown(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setFixedSize(15, 22);
    UpDown1->setRange(0, 100);
    UpDown1->setAssociate(txtFontSize);
    UpDown1->setPosition(20);

    BoldButton = makeCheckButton(this, "BoldButton", QStringLiteral("Bold"), 8);
    ItalicButton = makeCheckButton(this, "ItalicButton", QStringLiteral("Italic"), 9);
    UnderlineButton = makeCheckButton(this, "UnderlineButton", QStringLiteral("Underline"), 10);

    // The alignment buttons carry the alignment they stand for: 0 left, 1 right, 2 centre.
    LeftAlign = makeCheckButton(this, "LeftAlign", QStringLiteral("Align Left"), 11);
    LeftAlign->setProperty("Tag", 0);
    CenterAlign = makeCheckButton(this, "CenterAlign", QStringLiteral("Center"), 12);
    CenterAlign->setProperty("Tag", 2);
    RightAlign = makeCheckButton(this, "RightAlign", QStringLiteral("Align Right"), 13);
    RightAlign->setProperty("Tag", 1);
    BulletsButton = makeCheckButton(this, "BulletsButton", QStringLiteral("Bullets|Enter bullet mode"), 14);

    FontColor = new TColorBox(this);
    FontColor->setObjectName(QStringLiteral("FontColor"));
    for (const TFontColorEntry &entry : FontColorEntries)
        FontColor->addItem(FontColorSwatch(entry.color), QString::fromLatin1(entry.name), QVariant(entry.color));
    FontColor->setCurrentIndex(-1);
    FontColor->setFixedWidth(73);
}

void TMainForm::WireFormatControls()
{
    fontNameCompletion(FontName)->OnChange = [this] { Guard([this] { FontNameChange(); }); };
    connect(txtFontSize, &QLineEdit::textChanged, this, [this] { Guard([this] { txtFontSizeChange(); }); });
    connect(BoldButton, &QToolButton::clicked, this, [this] { Guard([this] { BoldButtonClick(); }); });
    connect(ItalicButton, &QToolButton::clicked, this, [this] { Guard([this] { ItalicButtonClick(); }); });
    connect(UnderlineButton, &QToolButton::clicked, this, [this] { Guard([this] { UnderlineButtonClick(); }); });
    connect(FontColor, &QComboBox::activated, this, [this] { Guard([this] { FontColorSelect(); }); });

    // The word processors' keys for the style and alignment buttons: a key clicks its button,
    // which runs the button's own handler. Live wherever the focus is in the window.
    const struct
    {
        const char *name;
        QKeyCombination key;
        QToolButton *button;
    } keys[] = {
        {"BoldKey", Qt::CTRL | Qt::Key_B, BoldButton},
        {"ItalicKey", Qt::CTRL | Qt::Key_I, ItalicButton},
        {"UnderlineKey", Qt::CTRL | Qt::Key_U, UnderlineButton},
        {"LeftAlignKey", Qt::CTRL | Qt::Key_L, LeftAlign},
        {"CenterAlignKey", Qt::CTRL | Qt::Key_E, CenterAlign},
        {"RightAlignKey", Qt::CTRL | Qt::Key_R, RightAlign},
    };
    for (const auto &entry : keys) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(entry.name));
        action->setShortcut(QKeySequence(entry.key));
        addAction(action);
        QToolButton *button = entry.button;
        connect(action, &QAction::triggered, button, [button] { button->click(); });
    }
}

TTextAttributes &TMainForm::ActiveTextAttributes()
{
    return Editor->SelLength() > 0 ? Editor->SelAttributes() : Editor->DefAttributes();
}

void TMainForm::SelectionChange()
{
    if (!Editor)
        return;
    // 1. The layout check; Arabic is typed on whatever layout the user has.
    if (ActiveLanguage != 1)
        CheckKeyboardLayout();
    // 2.
    TParaAttributes &paragraph = Editor->Paragraph();
    // 3. Raise the guard; it comes down however the steps below end (14).
    ControlsRefreshing = true;
    struct GuardReset
    {
        bool &flag;
        ~GuardReset() { flag = false; }
    } reset{ControlsRefreshing};

    // 4.-6. The ruler markers.
    PlaceRulerMarkers();
    // 7. Style, read afresh for each button.
    TTextAttributes &selection = Editor->SelAttributes();
    BoldButton->setChecked(selection.Style() & fsBold);
    ItalicButton->setChecked(selection.Style() & fsItalic);
    UnderlineButton->setChecked(selection.Style() & fsUnderline);
    // 8. Any kind of numbering counts.
    BulletsButton->setChecked(paragraph.Numbering() != 0);
    // 9.-11. Size, face name and colour.
    txtFontSize->setText(QString::number(selection.Size()));
    fontNameCompletion(FontName)->setTextQuietly(selection.Name());
    FontColor->setCurrentIndex(FontColorIndex(selection.Color()));
    // 12. Other alignments (justified) leave the buttons as they were.
    switch (paragraph.Alignment()) {
    case 0:
        LeftAlign->setChecked(true);
        break;
    case 1:
        RightAlign->setChecked(true);
        break;
    case 2:
        CenterAlign->setChecked(true);
        break;
    default:
        break;
    }
    // The paragraph's direction.
    const bool rightToLeft = paragraph.Direction() == TParaDirection::RightToLeft;
    acRightToLeft->setChecked(rightToLeft);
    acLeftToRight->setChecked(!rightToLeft);
    // 13.
    ShowCaretPosition();
}

void TMainForm::FillFontNameList()
{
    QStringList names = EnumerateFontFaceNames();
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    const QSignalBlocker blocker(FontName);
    FontName->addItems(names);
    FontName->setCurrentIndex(-1);
    FontName->setEditText(QString());
}

namespace {
// Adds or removes one effect and writes the whole style back.
void applyStyleBit(TTextAttributes &attributes, int bit, bool on)
{
    const TFontStyles style = attributes.Style();
    attributes.SetStyle(on ? (style | bit) : (style & ~bit));
}
} // namespace

void TMainForm::BoldButtonClick()
{
    if (ControlsRefreshing)
        return;
    applyStyleBit(ActiveTextAttributes(), fsBold, BoldButton->isChecked());
}

void TMainForm::ItalicButtonClick()
{
    if (ControlsRefreshing)
        return;
    applyStyleBit(ActiveTextAttributes(), fsItalic, ItalicButton->isChecked());
}

void TMainForm::UnderlineButtonClick()
{
    if (ControlsRefreshing)
        return;
    applyStyleBit(ActiveTextAttributes(), fsUnderline, UnderlineButton->isChecked());
}

void TMainForm::txtFontSizeChange()
{
    if (ControlsRefreshing)
        return;
    ActiveTextAttributes().SetSize(StrToInt(txtFontSize->text()));
}

void TMainForm::FontNameChange()
{
    if (ControlsRefreshing)
        return;
    // The current entry, not the typed text: a name that no entry begins with sets the empty name.
    const int index = FontName->currentIndex();
    ActiveTextAttributes().SetName(index >= 0 ? FontName->itemText(index) : QString());
}

void TMainForm::FontColorSelect()
{
    if (ControlsRefreshing)
        return;
    const int index = FontColor->currentIndex();
    if (index < 0)
        return;
    // The colour goes to the selection set even with only a caret: the insertion point's colour.
    Editor->SelAttributes().SetColor(TColor(FontColor->itemData(index).toInt()));
}

void TMainForm::SelectFont()
{
    TTextAttributes &selection = Editor->SelAttributes();
    FontDialog1.color = selection.Color();
    FontDialog1.name = selection.Name();
    FontDialog1.charset = selection.Charset();
    FontDialog1.style = selection.Style();
    FontDialog1.size = selection.Size();
    FontDialog1.pitch = selection.Pitch();
    if (prompts().ChooseFont(FontDialog1)) {
        ActiveTextAttributes().SetColor(FontDialog1.color);
        ActiveTextAttributes().SetName(FontDialog1.name);
        ActiveTextAttributes().SetCharset(FontDialog1.charset);
        ActiveTextAttributes().SetStyle(FontDialog1.style);
        ActiveTextAttributes().SetSize(FontDialog1.size);
        ActiveTextAttributes().SetPitch(FontDialog1.pitch);
    }
    SelectionChange();
    Editor->setFocus();
}
