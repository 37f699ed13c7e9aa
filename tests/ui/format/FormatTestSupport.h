#pragma once

// Shared pieces of the main-window tests of formatting and language input: prompts answered
// from a script, a scratch working directory with a map file, and a window built on them.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "Prompts.h"
#include "RecordingKeyboardLayouts.h"
#include "remain.h"

class ScriptedPrompts : public Prompts
{
public:
    QStringList messages;
    QStringList errors;
    int fontDialogs = 0;
    TFontChoice shownFont;                 // what the font dialog was loaded with
    std::optional<TFontChoice> fontAnswer; // nothing: the dialog is cancelled

    void Message(const QString &text) override { messages.append(text); }
    void Error(const QString &text) override { errors.append(text); }
    TConfirmAnswer Confirm(const QString &) override { return TConfirmAnswer::No; }
    std::optional<QString> OpenFileName(const TFileDialogSettings &) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const TFileDialogSettings &) override { return std::nullopt; }
    bool PrintSetup(QPrinter *) override { return false; }
    bool ChooseFont(TFontChoice &font) override
    {
        ++fontDialogs;
        shownFont = font;
        if (!fontAnswer)
            return false;
        font = *fontAnswer;
        return true;
    }
    void ShowModal(QDialog *) override {}
};

// A main window started in its own scratch working directory. The map text (bytes) is written
// there as map.txt before the window is created, unless it is null.
struct FormFixture
{
    QTemporaryDir folder;
    QString previousFolder = QDir::currentPath();
    ScriptedPrompts *prompts = nullptr;
    RecordingKeyboardLayouts *layouts = nullptr;
    std::unique_ptr<TMainForm> form;

    explicit FormFixture(const QByteArray &mapText = QByteArray(),
                         QStringList layoutNames = {QStringLiteral("us")}, int activeLayout = 0)
    {
        QDir::setCurrent(folder.path());
        if (!mapText.isNull()) {
            QFile map(folder.filePath(QStringLiteral("map.txt")));
            if (map.open(QIODevice::WriteOnly))
                map.write(mapText);
        }
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        auto recording = std::make_unique<RecordingKeyboardLayouts>(std::move(layoutNames), activeLayout);
        layouts = recording.get();
        form = std::make_unique<TMainForm>(std::move(scripted), std::move(recording));
    }
    ~FormFixture()
    {
        form.reset();
        QDir::setCurrent(previousFolder);
    }

    TMainForm &operator*() { return *form; }
    TMainForm *operator->() { return form.get(); }

    // Shows the window at the given client size and lets it settle.
    bool show(int width = 739, int height = 521)
    {
        form->resize(width, height);
        form->show();
        const bool exposed = QTest::qWaitForWindowExposed(form.get());
        QCoreApplication::processEvents();
        return exposed;
    }
};
