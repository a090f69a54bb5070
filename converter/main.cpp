#include "ProgramInfo.h"
#include "SingleInstance.h"
#include "VantlerCommandLine.h"
#include "VantlerForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Files on the command line are converted without a window.
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
