#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Vantler's rules, apart from its window so they can be tested without one.
namespace VantlerRules {

// "Convert Now!" is enabled exactly when both a source and a target are chosen.
bool convertEnabled(const QString &source, const QString &target);

// The quality slider is enabled once a target has been chosen.
bool qualityEnabled(const QString &target);

// The texts of the file dialogs (Qt name filters).
inline const QString SourceTitle = QStringLiteral("Select your BMP image..");
inline const QString SourceFilter = QStringLiteral("BMP Image (*.bmp)");
inline const QString TargetTitle = QStringLiteral("Save your JPG Image as..");
inline const QString TargetFilter = QStringLiteral("JPG Image (*.jpg)");

// The title of every message box the program shows.
inline const QString MessageTitle = QStringLiteral("Vantler");

// A bitmap file as read for the preview: the picture scaled to the preview,
// or why the file cannot be used as a source.
struct SourceImage
{
    QImage preview; // null when the file was refused
    QString reason; // in words, empty when the file was read
    bool readable() const { return !preview.isNull(); }
};

// Reads `path` as a Windows bitmap file and scales it to `previewSize`
// (stretched, as the preview shows it). Files that are not bitmaps, whatever
// their name, are refused.
SourceImage readSource(const QString &path, const QSize &previewSize);

// True when `target` names the same file as `source`, so that converting
// would replace the bitmap with its JPEG.
bool sameFile(const QString &source, const QString &target);

// Message texts. Lines are separated by CR LF, as every message box text is.
QString successText(const QString &target);
QString conversionFailedText(const QString &source, const QString &target, const QString &reason);
QString sourceRefusedText(const QString &source, const QString &reason);
QString sameFileText(const QString &source);

// A reason as a sentence: capital first letter and a full stop.
QString sentence(const QString &reason);

} // namespace VantlerRules
