#include "Dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace platform {

namespace {
Dialogs *installedDialogs = nullptr;
}

Dialogs::Answer Dialogs::message(QWidget *parent, Icon icon, const QString &title,
                                 const QString &text)
{
    // Message texts carry Windows-style line breaks; show them as lines.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    switch (icon) {
    case Icon::Question:
        // Enter answers Yes; Escape answers No.
        return QMessageBox::question(parent, title, shown, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes
                   ? Answer::Yes
                   : Answer::No;
    case Icon::Critical:
        QMessageBox::critical(parent, title, shown);
        return Answer::Ok;
    case Icon::Information:
        QMessageBox::information(parent, title, shown);
        return Answer::Ok;
    }
    return Answer::Ok;
}

QString Dialogs::inputBox(QWidget *parent, const QString &prompt, const QString &title,
                          const QString &defaultText)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

QString Dialogs::openFile(QWidget *parent, const QString &title, const QString &filter,
                          const QString &startPath)
{
    return QFileDialog::getOpenFileName(parent, title, startPath, filter);
}

QString Dialogs::saveFile(QWidget *parent, const QString &title, const QString &filter,
                          const QString &startPath)
{
    return QFileDialog::getSaveFileName(parent, title, startPath, filter);
}

Dialogs &Dialogs::instance()
{
    static Dialogs boxes;
    return installedDialogs ? *installedDialogs : boxes;
}

void Dialogs::setInstance(Dialogs *dialogs)
{
    installedDialogs = dialogs;
}

} // namespace platform
