#include "Form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Contact Tarnwell Software"));

    // Any number of copies may run; each ends only through its close mark.
    Form1 form;
    QObject::connect(&form, &Form1::endRequested, &app, &QApplication::quit);
    form.show();
    return QApplication::exec();
}
