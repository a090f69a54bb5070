#include "ProgramInfo.h"
#include "SingleInstance.h"
#include "VantlerCommandLine.h"
#include "VantlerForm.h"

#include <QApplication>

// The Qt side of Vantler, loaded by the program file for everything but a
// plain conversion: the whole command line (help, version, mistakes,
// conversions in other spellings) and the window.
extern "C" __attribute__((visibility("default"))) int VantlerWindowMain(int argc, char *argv[])
{
    if (const auto exitCode = VantlerCommandLine::run(argc, argv))
        return *exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantler"));
    QApplication::setApplicationVersion(platform::ProgramInfo::version());

    // One copy at a time: a second one ends at once, without a word.
    const platform::SingleInstance instance(QStringLiteral("Vantler"));
    if (instance.previousInstance())
        return 0;

    VantlerForm form(platform::ProgramInfo::programFolder());
    QObject::connect(&form, &VantlerForm::endRequested, &app, &QApplication::quit);
    form.Form_Load();
    form.show();
    return QApplication::exec();
}
