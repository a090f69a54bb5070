#include "CaptureList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace CaptureList {

Filter filterFor(const QString &formatText)
{
    if (formatText == BitmapFormat)
        return Filter::Bitmap;
    if (formatText == JpegFormat)
        return Filter::Jpeg;
    if (formatText == PngFormat)
        return Filter::Png;
    return Filter::All;
}

bool matches(const QString &fileName, Filter filter)
{
    const auto endsWith = [&fileName](const char *suffix) {
        return fileName.size() > 4 && fileName.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
    };
    switch (filter) {
    case Filter::Bitmap:
        return endsWith(".bmp");
    case Filter::Jpeg:
        return endsWith(".jpg");
    case Filter::Png:
        return endsWith(".png");
    case Filter::All:
        break;
    }
    return endsWith(".bmp") || endsWith(".jpg") || endsWith(".png");
}

namespace {

// The next run of digits or of other characters.
QStringView nextRun(QStringView text, qsizetype &at)
{
    const qsizetype start = at;
    const bool digits = text[at].isDigit();
    while (at < text.size() && text[at].isDigit() == digits)
        ++at;
    return text.mid(start, at - start);
}

// Numbers by value: without their leading zeros, a longer run is larger.
int compareNumbers(QStringView a, QStringView b)
{
    const auto significant = [](QStringView run) {
        qsizetype zeros = 0;
        while (zeros + 1 < run.size() && run[zeros] == QLatin1Char('0'))
            ++zeros;
        return run.mid(zeros);
    };
    const QStringView x = significant(a);
    const QStringView y = significant(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

} // namespace

int compareNaturally(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const QStringView x = nextRun(a, i);
        const QStringView y = nextRun(b, j);
        const bool numbers = x[0].isDigit() && y[0].isDigit();
        const int order = numbers ? compareNumbers(x, y) : x.compare(y, Qt::CaseInsensitive);
        if (order != 0)
            return order;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    // Names that differ only in case or leading zeros keep one fixed order.
    return a.compare(b);
}

void sortNaturally(QStringList &names)
{
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return compareNaturally(a, b) < 0; });
}

std::optional<QStringList> list(const QString &folder, Filter filter)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable())
        return std::nullopt;
    QStringList names;
    const QStringList entries = QDir(folder).entryList(QDir::Files, QDir::Unsorted);
    for (const QString &name : entries) {
        if (matches(name, filter))
            names << name;
    }
    sortNaturally(names);
    return names;
}

QString filePath(const QString &folder, const QString &fileName)
{
    return QDir(folder).filePath(fileName);
}

QStringList newest(QList<FileEntry> files, int count)
{
    files.erase(
        std::remove_if(files.begin(), files.end(),
                       [](const FileEntry &file) { return !matches(file.name, Filter::All); }),
        files.end());
    const auto later = [](const FileEntry &a, const FileEntry &b) {
        if (a.modified != b.modified)
            return a.modified > b.modified;
        return compareNaturally(a.name, b.name) > 0;
    };
    const auto kept = std::min<qsizetype>(std::max(count, 0), files.size());
    std::partial_sort(files.begin(), files.begin() + kept, files.end(), later);
    QStringList names;
    names.reserve(kept);
    for (qsizetype i = 0; i < kept; ++i)
        names << files.at(i).name;
    return names;
}

QStringList newestIn(const QString &folder, int count)
{
    // Read with the system's calls: Qt's file infos cost several times as
    // much, and this runs on the window thread as the menu opens, over
    // folders of ten thousand captures.
    if (folder.isEmpty())
        return {};
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(opendir(QFile::encodeName(folder).constData()),
                                                   closedir);
    if (!dir)
        return {};
    const int fd = dirfd(dir.get());
    QList<FileEntry> files;
    while (const dirent *entry = readdir(dir.get())) {
        if (entry->d_name[0] == '.')
            continue; // hidden, and the folder itself and its parent
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK)
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        if (!matches(name, Filter::All))
            continue;
        struct stat info = {};
        if (fstatat(fd, entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        files.append({name, qint64{info.st_mtim.tv_sec} * 1000 + info.st_mtim.tv_nsec / 1000000});
    }
    QStringList paths = newest(std::move(files), count);
    for (QString &name : paths)
        name = filePath(folder, name);
    return paths;
}

} // namespace CaptureList
