#include "CaptureNaming.h"

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

QString defaultFolder(const QString &programFolder)
{
    return programFolder + QLatin1String("/Captured Screens");
}

QString openCaption(const QString &folder)
{
    return QLatin1String("Open: [ ") + folder + QLatin1String(" ]");
}

} // namespace CaptureNaming
