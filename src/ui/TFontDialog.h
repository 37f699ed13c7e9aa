#pragma once

#include <QDialog>
#include <QStringList>

#include "Prompts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

// The font dialog: face, style, size, the effects (strike-out, underline, colour from the
// colour box's 20 colours) and a sample of the choice. Character set and pitch pass through
// unchanged, as does a colour that the list does not hold while no colour is picked.
class TFontDialog : public QDialog
{
    Q_OBJECT
public:
    // faces: the face names to offer, in the order shown.
    explicit TFontDialog(const QStringList &faces, QWidget *parent = nullptr);

    void setChoice(const TFontChoice &font);
    // What the controls show: the listed face for a typed beginning of its name, else the typed
    // name; a size box without a positive whole number keeps the size given.
    TFontChoice choice() const;

    // The sizes offered in the size list, in points.
    static const QList<int> &StandardSizes();

    QLineEdit *FaceName = nullptr;
    QListWidget *FaceList = nullptr;
    QListWidget *StyleList = nullptr; // Regular, Italic, Bold, Bold Italic: style bits 0, 2, 1, 3
    QLineEdit *SizeText = nullptr;
    QListWidget *SizeList = nullptr;
    QCheckBox *StrikeOut = nullptr;
    QCheckBox *Underline = nullptr;
    QComboBox *ColorBox = nullptr;
    QLabel *Sample = nullptr;

private:
    void faceTyped(const QString &text);
    void sizeTyped(const QString &text);
    void updateSample();

    TFontChoice m_given;
};
