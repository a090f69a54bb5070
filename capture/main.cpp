#include "MainForm.h"
#include "ProgramInfo.h"
#include "SingleInstance.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // A hidden Wayland client never hears of clipboard changes; through
    // XWayland it does. The user's own choice of platform stands.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictarro"));
    QApplication::setApplicationVersion(platform::ProgramInfo::version());

    const platform::SingleInstance instance(QStringLiteral("Pictarro"));
    if (instance.previousInstance())
        return 0;

    MainForm form(MainForm::Environment::current());
    form.Form_Load();
    form.show();
    return QApplication::exec();
}
