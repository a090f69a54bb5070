#include "ClipboardDataControl.h"
#include "CommandLine.h"
#include "MainForm.h"
#include "Memory.h"
#include "ProgramInfo.h"
#include "SingleInstance.h"
#include "WindowSystem.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (const auto exitCode = platform::CommandLine::handle(
            argc, argv, QStringLiteral("Pictarro"),
            QStringLiteral("Saves every picture copied to the clipboard as a numbered file.")))
        return *exitCode;

    const auto offersDataControl = [] {
        return platform::waylandDataControl() != platform::DataControl::None;
    };
    if (const QString unwatchable = platform::chooseWindowSystem(offersDataControl);
        !unwatchable.isEmpty())
        return platform::explainClipboardUnavailable(unwatchable, argc, argv);

    // Captures in a burst reuse the memory of the one before.
    platform::Memory::keepFreedBlocks();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictarro"));
    QApplication::setApplicationVersion(platform::ProgramInfo::version());
    // Pictarro lives on behind its notification-area icon when its window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    const platform::SingleInstance instance(QStringLiteral("Pictarro"));
    if (instance.previousInstance())
        return 0;

    MainForm form(MainForm::Environment::current());
    QObject::connect(&form, &MainForm::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    form.Form_Load();
    return QApplication::exec();
}
