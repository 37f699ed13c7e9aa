// Placeholder: paragraph formatting and the ruler land here.
#include "remain.h"
#include "TRulerMarker.h"
#include <QFrame>
TRulerMarker::TRulerMarker(Shape shape, QWidget *parent) : QWidget(parent), m_shape(shape) {}
void TRulerMarker::paintEvent(QPaintEvent *) {}
void TRulerMarker::mousePressEvent(QMouseEvent *) {}
void TRulerMarker::mouseMoveEvent(QMouseEvent *) {}
void TRulerMarker::mouseReleaseEvent(QMouseEvent *) {}
void TMainForm::CreateRuler()
{
    Ruler = new QWidget(this);
    Ruler->setObjectName("Ruler");
    Ruler->setFixedHeight(26);
    FirstInd = new TRulerMarker(TRulerMarker::Shape::DownArrow, Ruler);
    FirstInd->setObjectName("FirstInd");
    LeftInd = new TRulerMarker(TRulerMarker::Shape::UpArrow, Ruler);
    LeftInd->setObjectName("LeftInd");
    RightInd = new TRulerMarker(TRulerMarker::Shape::OutlinedUpArrow, Ruler);
    RightInd->setObjectName("RightInd");
    RulerLine = new QFrame(Ruler);
    RulerLine->setObjectName("RulerLine");
    Bevel1 = new QFrame(Ruler);
    Bevel1->setObjectName("Bevel1");
}
void TMainForm::WireRuler() {}
void TMainForm::BuildRulerTicks() {}
void TMainForm::ApplyEditorMargins() {}
void TMainForm::RulerResize() {}
void TMainForm::AlignButtonClick(QToolButton *) {}
void TMainForm::BulletsButtonClick() {}
void TMainForm::RulerItemMouseDown(TRulerMarker *, int) {}
void TMainForm::RulerItemMouseMove(TRulerMarker *, int) {}
void TMainForm::FirstIndMouseUp(TRulerMarker *, int) {}
void TMainForm::LeftIndMouseUp(TRulerMarker *, int) {}
void TMainForm::RightIndMouseUp(TRulerMarker *, int) {}
