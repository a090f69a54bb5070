#include "CaptureNaming.h"

#include "FileSystem.h"
#include "ProgramInfo.h"
#include "UserDirs.h"

#include <QDir>

namespace CaptureNaming {

QString captureFile(const QString &folder, const QString &baseName, const QString &counter,
                    Format format)
{
    const QLatin1String extension(format == Format::Jpeg  ? ".jpg"
                                  : format == Format::Png ? ".png"
                                                          : ".bmp");
    return folder + u'/' + baseName + u' ' + counter + extension;
}

bool isPlainFileName(const QString &baseName, const QString &counter)
{
    const auto plain = [](const QString &part) {
        return !part.contains(u'/') && !part.contains(QChar(u'\0'));
    };
    return plain(baseName) && plain(counter);
}

bool isFolderPath(const QString &folder)
{
    return folder.startsWith(u'/') && !folder.contains(QChar(u'\0'));
}

QString defaultFolder(const QString &programFolder, bool besideProgram,
                      const QString &picturesFolder)
{
    const QLatin1String name("/Captured Screens");
    if (besideProgram)
        return programFolder + name;
    return (picturesFolder == QLatin1String("/") ? QString() : picturesFolder) + name;
}

QString defaultFolder(const QString &programFolder)
{
    // Only the user-interface thread asks.
    static QString knownProgramFolder;
    static QString known;
    if (known.isEmpty() || knownProgramFolder != programFolder) {
        const bool beside = !platform::ProgramInfo::isInstalled(programFolder) &&
                            platform::isWritableFolder(programFolder);
        const QString pictures = beside ? QString() : platform::UserDirs::picturesFolder();
        if (!beside)
            QDir().mkpath(pictures);
        knownProgramFolder = programFolder;
        known = defaultFolder(programFolder, beside, pictures);
    }
    return known;
}

QString openCaption(const QString &folder)
{
    return QLatin1String("Open: [ ") + folder + QLatin1String(" ]");
}

} // namespace CaptureNaming
