#include <QApplication>
#include <QSessionManager>

#include "KeyboardLayout.h"
#include "LargePages.h"
#include "Prompts.h"
#include "remain.h"
#include "strFuncs.h"

int main(int argc, char *argv[])
{
    RequestLargePages(argv);

    // The case tables exist before any window does.
    InitCopticCaseTables();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalvero"));

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();

    auto *prompts = new QtPrompts(nullptr);
    TMainForm form(std::unique_ptr<Prompts>(prompts), CreateSystemKeyboardLayouts(), arguments);
    prompts->setParent(&form);

    // The session manager asking to end runs the same close query; a refusal refuses it too.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, [&form](QSessionManager &manager) {
        // Questions may be asked only once the session manager allows it; without that
        // permission the session goes on ending and nothing is asked.
        if (!manager.allowsInteraction())
            return;
        bool canClose = true;
        form.FormCloseQuery(canClose);
        if (!canClose)
            manager.cancel();
        manager.release();
    });

    form.show();
    return QApplication::exec();
}
