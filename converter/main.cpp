#include "ProgramInfo.h"
#include "SingleInstance.h"
#include "VantlerForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
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
