#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

class QAction;
class QObject;
class QWidget;

// The shared 16 x 16 image list of the tool bar, the menus and the actions.
// 0 New, 1 Open, 2 Save, 3 Print, 4 Undo, 5 Cut, 6 Copy, 7 Paste, 8 Bold, 9 Italic,
// 10 Underline, 11 Align Left, 12 Center, 13 Align Right, 14 Bullets,
// 15 English, 16 Arabic, 17 Coptic (the language indicator of btnLang),
// 18 Left to Right, 19 Right to Left (paragraph direction).
constexpr int ToolbarImageCount = 20;
constexpr int imgLanguageEnglish = 15;
constexpr int imgLanguageArabic = 16;
constexpr int imgLanguageCoptic = 17;
constexpr int imgLeftToRight = 18;
constexpr int imgRightToLeft = 19;

// The image at index: the desktop theme's icon when the theme has one, else our own drawing.
// An index outside the list gives a null icon.
QIcon ToolbarImage(int index);
// Our own drawing of the image at index (16 x 16), whatever the theme offers.
QPixmap DrawnToolbarImage(int index);
// The icon theme name tried for index, or an empty text when the image is always ours.
QString ToolbarImageThemeName(int index);

// The image index a button or action shows: its dynamic property "ImageIndex" (-1 when
// none). Setting it here also sets the icon; ShowImage() brings the icon in line with a
// property set directly.
void SetImageIndex(QObject *target, int index);
int ImageIndex(const QObject *target);
void ShowImage(QObject *target);

// A hint "Short|Long": the short part becomes the tool tip, the long part the status bar
// text. A hint without a bar gives the whole text to both.
QString ShortHint(const QString &hint);
QString LongHint(const QString &hint);
void ApplyHint(QWidget *widget, const QString &hint);
void ApplyHint(QAction *action, const QString &hint);
