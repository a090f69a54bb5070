#pragma once

#include <QString>
#include <QUrl>

namespace platform {

// What handing a path to the desktop comes to. Only an executable program
// file that lies in the program's own folder is started; everything else
// (folders, documents, pictures, sounds, scripts, any file with its execute
// bit set elsewhere, web and mail addresses) is opened by the desktop's
// opener, which never runs it.
struct ShellAction
{
    enum Kind
    {
        Start,
        Open,
        Nothing
    };
    Kind kind = Nothing;
    QString program; // Start: the program file
    QUrl url;        // Open: what the desktop opens
};

ShellAction shellActionFor(const QString &file, const QString &programFolder);

// Carries out a ShellAction. Replaceable so tests can watch what would be
// started or opened without a desktop.
class ShellLauncher
{
public:
    virtual ~ShellLauncher() = default;
    virtual bool startDetached(const QString &program, const QString &workingFolder);
    virtual bool openUrl(const QUrl &url);

    // The launcher in use; tests install their own and restore nullptr.
    static ShellLauncher &instance();
    static void setInstance(ShellLauncher *launcher);
};

// Opens a file, folder or address with the desktop, fire and forget. Reports
// nothing: a missing file or a refused start does nothing visible.
void shellOpen(const QString &file, const QString &programFolder);

} // namespace platform
