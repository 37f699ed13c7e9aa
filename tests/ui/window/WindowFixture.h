#pragma once

// Builds a main window with scripted prompts, in a scratch working folder, and removes the
// settings file the window writes beside the test executable.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "FakePrompts.h"
#include "KeyboardLayout.h"
#include "remain.h"

// Layouts that report a US English layout and record nothing.
class UsOnlyLayouts : public KeyboardLayouts
{
public:
    bool activeIsUsEnglish() override { return true; }
    bool hasUsEnglish() override { return true; }
    void activateNext() override {}
};

struct FormUnderTest
{
    FakePrompts *prompts = nullptr;
    std::unique_ptr<TMainForm> form;
    TMainForm *operator->() const { return form.get(); }
};

inline QString settingsPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/settings.opt");
}

inline void removeSettings()
{
    QFileInfo info(settingsPath());
    if (info.isDir())
        QDir(settingsPath()).removeRecursively();
    else
        QFile::remove(settingsPath());
}

// A new window as the program makes it; script queues prompt answers that FormCreate needs.
inline FormUnderTest makeForm(const QStringList &arguments = {},
                              const std::function<void(FakePrompts &)> &script = {})
{
    auto prompts = std::make_unique<FakePrompts>();
    FakePrompts *raw = prompts.get();
    if (script)
        script(*raw);
    FirstActivation = true;
    FormUnderTest result;
    result.prompts = raw;
    result.form = std::make_unique<TMainForm>(std::move(prompts), std::make_unique<UsOnlyLayouts>(), arguments);
    return result;
}

// Shows the window and waits until it is the active one (shortcuts need that).
inline bool showActive(TMainForm *form)
{
    form->show();
    form->activateWindow();
    return QTest::qWaitForWindowActive(form);
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(bytes);
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The line of the map file that every window test works with: the working folder has none.
constexpr const char *MissingMapMessage = "Message: Couldn't find \"map.txt\" program can not work without it";
