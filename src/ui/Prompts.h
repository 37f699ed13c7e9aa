#pragma once

#include <QString>
#include <optional>

#include "TTntRichEdit.h"

class QDialog;
class QPrinter;
class QWidget;

// Settings of the open and save dialogs.
struct TFileDialogSettings
{
    QString filter;        // "Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT"
    QString initialDir;    // with its trailing separator
    QString title;
};

// What the font dialog shows and returns.
struct TFontChoice
{
    TColor color = clWindowText;
    QString name;
    int charset = 1;
    TFontStyles style = 0;
    int size = 8;
    TFontPitch pitch = TFontPitch::Default;
};

enum class TConfirmAnswer { Yes, No, Cancel };

// The only way the window asks the user anything. The Qt implementation shows real dialogs;
// tests answer from a script and record what was asked.
class Prompts
{
public:
    virtual ~Prompts() = default;
    // Plain message box: the application title as caption, an OK button.
    virtual void Message(const QString &text) = 0;
    // The application's error box; the text is shown as given (see ErrorBoxText).
    virtual void Error(const QString &text) = 0;
    // Confirmation box: caption "Confirm", question icon, "&Yes" (default), "&No", "Cancel" (Esc).
    virtual TConfirmAnswer Confirm(const QString &text) = 0;
    // File dialogs: the chosen full path, or nothing when cancelled.
    virtual std::optional<QString> OpenFileName(const TFileDialogSettings &settings) = 0;
    virtual std::optional<QString> SaveFileName(const TFileDialogSettings &settings) = 0;
    // Print dialog on the printer; false when cancelled.
    virtual bool PrintSetup(QPrinter *printer) = 0;
    // Font dialog; false when cancelled, else font holds the choice.
    virtual bool ChooseFont(TFontChoice &font) = 0;
    // Shows a modal box (the About box) until it closes.
    virtual void ShowModal(QDialog *dialog) = 0;
};

// The error box's text: a full stop is appended when the last character sorts after ".".
QString ErrorBoxText(const QString &message);

// Real dialogs, parented to the window.
class QtPrompts : public Prompts
{
public:
    explicit QtPrompts(QWidget *parent) : m_parent(parent) {}
    void Message(const QString &text) override;
    void Error(const QString &text) override;
    TConfirmAnswer Confirm(const QString &text) override;
    std::optional<QString> OpenFileName(const TFileDialogSettings &settings) override;
    std::optional<QString> SaveFileName(const TFileDialogSettings &settings) override;
    bool PrintSetup(QPrinter *printer) override;
    bool ChooseFont(TFontChoice &font) override;
    void ShowModal(QDialog *dialog) override;
    void setParent(QWidget *parent) { m_parent = parent; }

private:
    QWidget *m_parent;
};
