// Paragraph formatting and the ruler: alignment and bullets, the tick scale, the editor's side
// margins and the three indent markers with their drag and drop.
#include "remain.h"

#include <QButtonGroup>
#include <QFrame>
#include <QToolButton>

#include "RulerMath.h"
#include "TRulerMarker.h"
#include "TRulerPanel.h"

namespace {
QFrame *makeEtchedLine(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(geometry);
    return line;
}
} // namespace

void TMainForm::CreateRuler()
{
    auto *ruler = new TRulerPanel(this);
    ruler->setObjectName(QStringLiteral("Ruler"));
    ruler->setFixedHeight(26);
    ruler->resize(739, 26);
    Ruler = ruler;
    // Stacking order, back to front: FirstInd, LeftInd, RulerLine, RightInd, Bevel1.
    FirstInd = new TRulerMarker(TRulerMarker::Shape::DownArrow, Ruler);
    FirstInd->setObjectName(QStringLiteral("FirstInd"));
    FirstInd->move(2, 2);
    LeftInd = new TRulerMarker(TRulerMarker::Shape::UpArrow, Ruler);
    LeftInd->setObjectName(QStringLiteral("LeftInd"));
    LeftInd->move(2, 12);
    RulerLine = makeEtchedLine(Ruler, "RulerLine", QRect(4, 12, 579, 2));
    RightInd = new TRulerMarker(TRulerMarker::Shape::OutlinedUpArrow, Ruler);
    RightInd->setObjectName(QStringLiteral("RightInd"));
    RightInd->move(575, 14);
    Bevel1 = makeEtchedLine(Ruler, "Bevel1", QRect(0, 0, 739, 2));
}

void TMainForm::WireRuler()
{
    static_cast<TRulerPanel *>(Ruler)->OnResize = [this] { Guard([this] { RulerResize(); }); };

    const auto down = [this](TRulerMarker *marker, int x) { Guard([=] { RulerItemMouseDown(marker, x); }); };
    const auto move = [this](TRulerMarker *marker, int x) { Guard([=] { RulerItemMouseMove(marker, x); }); };
    for (TRulerMarker *marker : {FirstInd, LeftInd, RightInd}) {
        marker->OnMouseDown = down;
        marker->OnMouseMove = move;
    }
    FirstInd->OnMouseUp = [this](TRulerMarker *marker, int x) { Guard([=] { FirstIndMouseUp(marker, x); }); };
    LeftInd->OnMouseUp = [this](TRulerMarker *marker, int x) { Guard([=] { LeftIndMouseUp(marker, x); }); };
    RightInd->OnMouseUp = [this](TRulerMarker *marker, int x) { Guard([=] { RightIndMouseUp(marker, x); }); };

    // One exclusive group: at most one button down, and the one down stays down when clicked.
    auto *alignGroup = new QButtonGroup(this);
    alignGroup->setExclusive(true);
    for (QToolButton *button : {LeftAlign, CenterAlign, RightAlign}) {
        alignGroup->addButton(button, button->property("Tag").toInt());
        connect(button, &QToolButton::clicked, this, [this, button] { Guard([=] { AlignButtonClick(button); }); });
    }
    connect(BulletsButton, &QToolButton::clicked, this, [this] { Guard([this] { BulletsButtonClick(); }); });
}

void TMainForm::BuildRulerTicks()
{
    static_cast<TRulerPanel *>(Ruler)->setCaption(QStringLiteral("\t|").repeated(100));
}

void TMainForm::ApplyEditorMargins()
{
    if (!Editor)
        return;
    const int margin = RulerMath::TextMargin;
    Editor->SetFormattingRect(
        QRect(QPoint(margin, 0), QPoint(Editor->ClientWidth() - margin - 1, Editor->ClientHeight() - 1)));
}

void TMainForm::RulerResize()
{
    RulerLine->resize(Ruler->width() - 2 * RulerLine->x(), RulerLine->height());
    Bevel1->resize(Ruler->width(), Bevel1->height());
}

void TMainForm::AlignButtonClick(QToolButton *sender)
{
    if (ControlsRefreshing)
        return;
    Editor->Paragraph().SetAlignment(sender->property("Tag").toInt());
}

void TMainForm::BulletsButtonClick()
{
    if (ControlsRefreshing)
        return;
    // The control adjusts the left indent first: none sets it to 0, bullets raise it to 10.
    Editor->Paragraph().SetNumbering(BulletsButton->isChecked() ? 1 : 0);
}

void TMainForm::RulerItemMouseDown(TRulerMarker *sender, int x)
{
    MarkerGrabOffset = RulerMath::GrabOffset(sender->width());
    sender->move(RulerMath::DraggedLeft(sender->x(), x, MarkerGrabOffset), sender->y());
    MarkerDragActive = true;
}

void TMainForm::RulerItemMouseMove(TRulerMarker *sender, int x)
{
    if (!MarkerDragActive)
        return;
    sender->move(RulerMath::DraggedLeft(sender->x(), x, MarkerGrabOffset), sender->y());
}

void TMainForm::FirstIndMouseUp(TRulerMarker *sender, int x)
{
    MarkerDragActive = false;
    Editor->Paragraph().SetFirstIndent(RulerMath::FirstIndentAtDrop(FirstInd->x(), MarkerGrabOffset));
    // The following lines keep their place under LeftInd.
    LeftIndMouseUp(sender, x);
}

void TMainForm::LeftIndMouseUp(TRulerMarker *, int)
{
    MarkerDragActive = false;
    const int firstIndent = Editor->Paragraph().FirstIndent();
    Editor->Paragraph().SetLeftIndent(RulerMath::LeftIndentAtDrop(LeftInd->x(), MarkerGrabOffset, firstIndent));
    SelectionChange();
}

void TMainForm::RightIndMouseUp(TRulerMarker *, int)
{
    MarkerDragActive = false;
    Editor->Paragraph().SetRightIndent(
        RulerMath::RightIndentAtDrop(Ruler->width(), RightInd->x(), MarkerGrabOffset));
    SelectionChange();
}
