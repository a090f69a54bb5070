#pragma once

#include "ShellOpen.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// Stands in for the desktop while it lives: remembers what would have been
// started or opened instead of starting or opening it.
class RecordingLauncher : public platform::ShellLauncher
{
public:
    RecordingLauncher() { platform::ShellLauncher::setInstance(this); }
    ~RecordingLauncher() override { platform::ShellLauncher::setInstance(nullptr); }
    RecordingLauncher(const RecordingLauncher &) = delete;
    RecordingLauncher &operator=(const RecordingLauncher &) = delete;

    bool startDetached(const QString &program, const QString &) override
    {
        started << program;
        return true;
    }
    bool openUrl(const QUrl &url) override
    {
        opened << url;
        return opens;
    }

    // Everything handed over, in order: programs and local files as paths,
    // addresses as text.
    QStringList targets() const
    {
        QStringList all = started;
        for (const QUrl &url : opened)
            all << (url.isLocalFile() ? url.toLocalFile() : url.toString());
        return all;
    }

    QStringList started;
    QList<QUrl> opened;
    bool opens = true; // false: as when no desktop program answers
};
