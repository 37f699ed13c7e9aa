#pragma once

// A scripted stand-in for the window's prompts: tests queue the answers, the fake records
// every question in Log as "Kind: text" lines, in order.
//   Message: <text>      Error: <text>       Confirm: <text>
//   Open: <filter>       Save: <filter>      Print       Font: <name>      Modal: <objectName>
// A question asked with no answer queued gets the cancelling answer and is logged with a
// trailing " [unscripted]", so a test can tell.

#include <QDialog>
#include <QPrinter>
#include <QQueue>
#include <QStringList>
#include <functional>
#include <optional>

#include "Prompts.h"

class FakePrompts : public Prompts
{
public:
    QStringList Log;
    QQueue<TConfirmAnswer> ConfirmAnswers;
    QQueue<std::optional<QString>> OpenAnswers;
    QQueue<std::optional<QString>> SaveAnswers;
    // Each print answer prepares the printer (for example PDF output to a file) and accepts,
    // or is empty to cancel.
    QQueue<std::function<void(QPrinter *)>> PrintAnswers;
    QQueue<std::optional<TFontChoice>> FontAnswers;
    // Runs while the modal box is "shown"; the box is destroyed by the caller afterwards.
    std::function<void(QDialog *)> OnShowModal;
    // The settings the last file dialog was given, and the font the font dialog was given.
    TFileDialogSettings LastDialog;
    TFontChoice LastFont;

    void Message(const QString &text) override { Log << QStringLiteral("Message: ") + text; }
    void Error(const QString &text) override { Log << QStringLiteral("Error: ") + text; }

    TConfirmAnswer Confirm(const QString &text) override
    {
        if (ConfirmAnswers.isEmpty()) {
            Log << QStringLiteral("Confirm: ") + text + QStringLiteral(" [unscripted]");
            return TConfirmAnswer::Cancel;
        }
        Log << QStringLiteral("Confirm: ") + text;
        return ConfirmAnswers.dequeue();
    }

    std::optional<QString> OpenFileName(const TFileDialogSettings &settings) override
    {
        return fileAnswer(QStringLiteral("Open: "), OpenAnswers, settings);
    }

    std::optional<QString> SaveFileName(const TFileDialogSettings &settings) override
    {
        return fileAnswer(QStringLiteral("Save: "), SaveAnswers, settings);
    }

    bool PrintSetup(QPrinter *printer) override
    {
        if (PrintAnswers.isEmpty()) {
            Log << QStringLiteral("Print [unscripted]");
            return false;
        }
        Log << QStringLiteral("Print");
        const std::function<void(QPrinter *)> answer = PrintAnswers.dequeue();
        if (!answer)
            return false;
        answer(printer);
        return true;
    }

    bool ChooseFont(TFontChoice &font) override
    {
        LastFont = font;
        if (FontAnswers.isEmpty()) {
            Log << QStringLiteral("Font: ") + font.name + QStringLiteral(" [unscripted]");
            return false;
        }
        Log << QStringLiteral("Font: ") + font.name;
        const std::optional<TFontChoice> answer = FontAnswers.dequeue();
        if (!answer)
            return false;
        font = *answer;
        return true;
    }

    void ShowModal(QDialog *dialog) override
    {
        Log << QStringLiteral("Modal: ") + dialog->objectName();
        if (OnShowModal)
            OnShowModal(dialog);
    }

    // Lines of the log that start with kind (for example "Error: ").
    QStringList entries(const QString &kind) const
    {
        QStringList result;
        for (const QString &line : Log)
            if (line.startsWith(kind))
                result << line;
        return result;
    }

private:
    std::optional<QString> fileAnswer(const QString &kind, QQueue<std::optional<QString>> &answers,
                                      const TFileDialogSettings &settings)
    {
        LastDialog = settings;
        if (answers.isEmpty()) {
            Log << kind + settings.filter + QStringLiteral(" [unscripted]");
            return std::nullopt;
        }
        Log << kind + settings.filter;
        return answers.dequeue();
    }
};
