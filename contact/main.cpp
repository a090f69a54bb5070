#include "CommandLine.h"
#include "Form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (const auto exitCode = platform::CommandLine::handle(
            argc, argv, QStringLiteral("Contact Tarnwell Software"),
            QStringLiteral("Shows Tarnwell Software's support address.")))
        return *exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Contact Tarnwell Software"));

    // Any number of copies may run; each ends only through its close mark.
    Form1 form;
    QObject::connect(&form, &Form1::endRequested, &app, &QApplication::quit);
    form.show();
    return QApplication::exec();
}
