#include "WallpaperFiles.h"

#include "Wallpaper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace WallpaperFiles {

namespace {

// Removes the temporary bitmap however the change ends.
class JunkFile
{
public:
    explicit JunkFile(QString path) : m_path(std::move(path)) {}
    ~JunkFile()
    {
        if (QFileInfo(m_path).isFile())
            QFile::remove(m_path);
    }
    JunkFile(const JunkFile &) = delete;
    JunkFile &operator=(const JunkFile &) = delete;
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

Result failed(const QString &error)
{
    return {false, error, false};
}

} // namespace

QString junkPath(const QString &folder)
{
    return QDir(folder).filePath(JunkName);
}

QString wallpaperPath(const QString &folder)
{
    return QDir(folder).filePath(WallpaperName);
}

Result change(const QImage &picture, const QString &folder, const SetWallpaper &setWallpaper)
{
    if (picture.isNull())
        return failed(QStringLiteral("There is no picture to make the desktop wallpaper."));

    const QString wallpaper = wallpaperPath(folder);
    const JunkFile junk(junkPath(folder));
    {
        QImageWriter writer(junk.path(), "bmp");
        if (!writer.write(picture))
            return failed(QStringLiteral("The wallpaper bitmap could not be written to "
                                         "\"%1\": %2.\n\nThe desktop wallpaper is unchanged.")
                              .arg(QDir::toNativeSeparators(junk.path()), writer.errorString()));
    }

    // The bitmap takes the wallpaper's name in one step, replacing the old
    // one: there is never a moment without a whole wallpaper bitmap.
    if (std::rename(QFile::encodeName(junk.path()).constData(),
                    QFile::encodeName(wallpaper).constData()) != 0)
        return failed(QStringLiteral("The old wallpaper bitmap \"%1\" could not be replaced: %2."
                                     "\n\nThe desktop wallpaper is unchanged.")
                          .arg(QDir::toNativeSeparators(wallpaper),
                               QString::fromLocal8Bit(std::strerror(errno))));

    return {true, {}, setWallpaper && setWallpaper(wallpaper)};
}

Result change(const QImage &picture, const QString &folder)
{
    return change(picture, folder,
                  [](const QString &path) { return platform::setWallpaper(path); });
}

Result changeFromFile(const QString &pictureFile, const QString &folder,
                      const SetWallpaper &setWallpaper)
{
    QImageReader reader(pictureFile);
    reader.setAutoTransform(true);
    const QImage picture = reader.read();
    if (picture.isNull())
        return failed(QStringLiteral("The picture \"%1\" could not be loaded: %2.\n\n"
                                     "The desktop wallpaper is unchanged.")
                          .arg(QDir::toNativeSeparators(pictureFile), reader.errorString()));
    return change(picture, folder, setWallpaper);
}

Result changeFromFile(const QString &pictureFile, const QString &folder)
{
    return changeFromFile(pictureFile, folder,
                          [](const QString &path) { return platform::setWallpaper(path); });
}

} // namespace WallpaperFiles
