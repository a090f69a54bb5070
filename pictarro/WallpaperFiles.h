#pragma once

#include <QImage>
#include <QString>
#include <functional>

// The desktop wallpaper as Pictarro keeps it: a bitmap "Pictarro
// Wallpaper.bmp" in its per-user data folder, replaced on every change by way
// of a temporary bitmap "JunkPic.bmp". Used by the main window's "Change.."
// and by the folder manager's "Set as Desktop Background".
namespace WallpaperFiles {

inline const QString JunkName = QStringLiteral("JunkPic.bmp");
inline const QString WallpaperName = QStringLiteral("Pictarro Wallpaper.bmp");

QString junkPath(const QString &folder);
QString wallpaperPath(const QString &folder);

struct Result
{
    bool ok = false;
    QString error;                // when not ok: what went wrong, for the user
    bool desktopAccepted = false; // the desktop took the new wallpaper
};

// Sets the desktop wallpaper; replaceable so tests see what would be set.
using SetWallpaper = std::function<bool(const QString &path)>;

// Makes the picture the desktop wallpaper: writes it as a bitmap to
// "JunkPic.bmp", renames that over "Pictarro Wallpaper.bmp" in one step and
// hands it to the desktop. A missing picture or a bitmap that cannot be
// written stops the change before the old wallpaper bitmap is touched, and
// the desktop is left as it was. "JunkPic.bmp" never stays behind.
Result change(const QImage &picture, const QString &folder, const SetWallpaper &setWallpaper);
Result change(const QImage &picture, const QString &folder);

// The same for a picture file (Windows bitmap, JPEG, GIF or another kind Qt
// reads): a file that cannot be read as a picture changes nothing.
Result changeFromFile(const QString &pictureFile, const QString &folder,
                      const SetWallpaper &setWallpaper);
Result changeFromFile(const QString &pictureFile, const QString &folder);

} // namespace WallpaperFiles
