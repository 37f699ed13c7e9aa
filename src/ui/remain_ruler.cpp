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

// Every paragraph command ends with a refresh, so the ruler markers show the new indents at once.
void TMainForm::AlignButtonClick(QToolButton *sender)
{
    if (ControlsRefreshing)
        return;
    Editor->Paragraph().SetAlignment(sender->property("Tag").toInt());
    SelectionChange();
}

void TMainForm::BulletsButtonClick()
{
    if (ControlsRefreshing)
        return;
    // The control adjusts the left indent first: none sets it to 0, bullets raise it to 10.
    Editor->Paragraph().SetNumbering(BulletsButton->isChecked() ? 1 : 0);
    SelectionChange();
}

void TMainForm::ParaDirectionClick(TParaDirection direction)
{
    if (ControlsRefreshing)
        return;
    Editor->Paragraph().SetDirection(direction);
    SelectionChange();
    Editor->setFocus();
}

int TMainForm::MarkerLeftFromStart(const TRulerMarker *marker) const
{
    if (Editor->Paragraph().Direction() != TParaDirection::RightToLeft)
        return marker->x();
    return RulerMath::MirroredLeft(Ruler->width(), marker->x(), marker->width());
}

// Steps 4 to 6 of SelectionChange. A right-to-left paragraph's markers stand mirrored: the
// first-line and left markers at the right, the right marker at the left.
void TMainForm::PlaceRulerMarkers()
{
    TParaAttributes &paragraph = Editor->Paragraph();
    const bool mirrored = paragraph.Direction() == TParaDirection::RightToLeft;
    const auto place = [&](TRulerMarker *marker, int left) {
        if (mirrored)
            left = RulerMath::MirroredLeft(Ruler->width(), left, marker->width());
        marker->move(left, marker->y());
        return left;
    };
    m_placed.first = paragraph.FirstIndent();
    m_placed.firstLeft = place(FirstInd, RulerMath::FirstIndLeft(m_placed.first));
    const int left = paragraph.LeftIndent();
    m_placed.following = m_placed.first + left;
    m_placed.leftLeft = place(LeftInd, RulerMath::LeftIndLeft(m_placed.first, left));
    m_placed.right = paragraph.RightIndent();
    m_placed.rightLeft = place(RightInd, RulerMath::RightIndLeft(Ruler->width(), m_placed.right));
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

// A marker dropped where it was placed gives back the indent it showed, whatever the pixel
// arithmetic would make of it (negative and fractional indents included); an indent that
// does not change is not written.
void TMainForm::FirstIndMouseUp(TRulerMarker *sender, int x)
{
    MarkerDragActive = false;
    TParaAttributes &paragraph = Editor->Paragraph();
    const int first = FirstInd->x() == m_placed.firstLeft
        ? m_placed.first
        : RulerMath::FirstIndentAtDrop(MarkerLeftFromStart(FirstInd), MarkerGrabOffset);
    if (first != paragraph.FirstIndent())
        paragraph.SetFirstIndent(first);
    // The following lines keep their place under LeftInd.
    LeftIndMouseUp(sender, x);
}

void TMainForm::LeftIndMouseUp(TRulerMarker *, int)
{
    MarkerDragActive = false;
    TParaAttributes &paragraph = Editor->Paragraph();
    const int firstIndent = paragraph.FirstIndent();
    const int left = LeftInd->x() == m_placed.leftLeft
        ? m_placed.following - firstIndent
        : RulerMath::LeftIndentAtDrop(MarkerLeftFromStart(LeftInd), MarkerGrabOffset, firstIndent);
    if (left != paragraph.LeftIndent())
        paragraph.SetLeftIndent(left);
    SelectionChange();
}

void TMainForm::RightIndMouseUp(TRulerMarker *, int)
{
    MarkerDragActive = false;
    TParaAttributes &paragraph = Editor->Paragraph();
    const int right = RightInd->x() == m_placed.rightLeft
        ? m_placed.right
        : RulerMath::RightIndentAtDrop(Ruler->width(), MarkerLeftFromStart(RightInd), MarkerGrabOffset);
    if (right != paragraph.RightIndent())
        paragraph.SetRightIndent(right);
    SelectionChange();
}
