#pragma once

#include <QComboBox>

// The colour drop-down of the tool bar. Closed, it shows the current colour as one swatch
// across its face (the design width leaves no room for the longer names); the list it drops
// shows each colour's swatch with its name, wide enough for every name. Entries carry their
// colour as 0x00BBGGRR in their data; no current entry shows an empty face.
class TColorBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TColorBox(QWidget *parent = nullptr);
    // The rectangle the swatch fills, in the box's coordinates.
    QRect swatchRect() const;
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent *e) override;
};
