#include "CaptureList.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace CaptureList {

Filter filterFor(const QString &formatText)
{
    if (formatText == BitmapFormat)
        return Filter::Bitmap;
    if (formatText == JpegFormat)
        return Filter::Jpeg;
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
    case Filter::All:
        break;
    }
    return endsWith(".bmp") || endsWith(".jpg");
}

void sortNaturally(QStringList &names)
{
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // One sort key per name is far cheaper than comparing names afresh.
    std::vector<std::pair<QCollatorSortKey, QString>> keyed;
    keyed.reserve(static_cast<size_t>(names.size()));
    for (const QString &name : std::as_const(names))
        keyed.emplace_back(collator.sortKey(name), name);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        const int order = a.first.compare(b.first);
        return order != 0 ? order < 0 : a.second < b.second;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        names[static_cast<qsizetype>(i)] = keyed[i].second;
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

} // namespace CaptureList
