#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// The folder manager's list of captures: the picture files of one folder,
// filtered by format, in natural order.
namespace CaptureList {

enum class Filter
{
    All,    // bitmaps, JPEGs and PNGs
    Bitmap, // ".bmp"
    Jpeg,   // ".jpg" (never ".jpeg")
    Png     // ".png"
};

// The format list's entries, in order.
inline const QString AllFormats = QStringLiteral("All supported file formats");
inline const QString BitmapFormat = QStringLiteral("Windows Bitmap (*.bmp)");
inline const QString JpegFormat = QStringLiteral("JPEG (*.jpg)");
inline const QString PngFormat = QStringLiteral("PNG (*.png)");

// The filter for a format list text; any other text lists every format.
Filter filterFor(const QString &formatText);

// Whether a file name passes the filter; the extension matches in any case.
bool matches(const QString &fileName, Filter filter);

// Orders names as a person reads them: letters without regard to case, runs
// of digits by their value. Negative, zero or positive as a comes first, is
// the same, or comes after b.
int compareNaturally(QStringView a, QStringView b);

// Sorts names as a person reads them: letters without regard to case, runs
// of digits by their value ("Pictarro 2" before "Pictarro 10").
void sortNaturally(QStringList &names);

// The names (not paths) of the visible files in the folder that pass the
// filter, naturally sorted; subfolders and hidden files are left out. No
// value when the folder cannot be opened.
std::optional<QStringList> list(const QString &folder, Filter filter);

// The path of a listed file.
QString filePath(const QString &folder, const QString &fileName);

// A file of a folder as the list of recent captures sees it.
struct FileEntry
{
    QString name;
    qint64 modified = 0; // milliseconds since the epoch
};

// The names of the newest captures among the files: only the formats
// Pictarro writes, the latest modified first, files of the same moment in
// reverse natural order ("Pictarro 10" before "Pictarro 9"); at most count.
QStringList newest(QList<FileEntry> files, int count);

// The newest captures of the folder as it is now, as paths; none when the
// folder cannot be read. Subfolders and hidden files are left out.
QStringList newestIn(const QString &folder, int count);

} // namespace CaptureList
