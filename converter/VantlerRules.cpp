#include "VantlerRules.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace VantlerRules {

namespace {

const QString LineBreak = QStringLiteral("\r\n");

// The largest picture the preview decodes: the encoder's own limit of 2^28
// pixels at four bytes each.
constexpr int PreviewAllocationLimitMb = 1024;

} // namespace

bool convertEnabled(const QString &source, const QString &target)
{
    return !source.isEmpty() && !target.isEmpty();
}

bool qualityEnabled(const QString &target)
{
    return !target.isEmpty();
}

SourceImage readSource(const QString &path, const QSize &previewSize)
{
    SourceImage result;
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        result.reason = QStringLiteral("it is a folder, not a file");
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.reason = QStringLiteral("the file cannot be read: ") + file.errorString();
        return result;
    }
    if (file.peek(2) != QByteArrayLiteral("BM")) {
        result.reason = QStringLiteral("the file is not a bitmap (BMP) image");
        return result;
    }
    QImageReader reader(&file, QByteArrayLiteral("bmp"));
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(PreviewAllocationLimitMb);
    const QImage image = reader.read();
    if (image.isNull()) {
        result.reason = QStringLiteral("the bitmap is damaged or of a kind that cannot be read");
        return result;
    }
    result.preview = previewSize.isValid() ? image.scaled(previewSize, Qt::IgnoreAspectRatio,
                                                          Qt::SmoothTransformation)
                                           : image;
    return result;
}

bool sameFile(const QString &source, const QString &target)
{
    const QFileInfo from(source);
    const QFileInfo to(target);
    if (!to.exists())
        return false;
    return from.canonicalFilePath() == to.canonicalFilePath();
}

QString sentence(const QString &reason)
{
    QString text = reason.trimmed();
    if (text.isEmpty())
        return QStringLiteral("The reason is not known.");
    text[0] = text[0].toUpper();
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

QString successText(const QString &target)
{
    return QStringLiteral("Your selected image has been successfully converted!") + LineBreak +
           target;
}

QString conversionFailedText(const QString &source, const QString &target, const QString &reason)
{
    return QStringLiteral("Your selected image could not be converted!") + LineBreak +
           QStringLiteral("BMP image: ") + source + LineBreak + QStringLiteral("JPG image: ") +
           target + LineBreak + LineBreak + sentence(reason);
}

QString sourceRefusedText(const QString &source, const QString &reason)
{
    return QStringLiteral("This file cannot be converted:") + LineBreak + source + LineBreak +
           LineBreak + sentence(reason);
}

QString sameFileText(const QString &source)
{
    return QStringLiteral("The JPG image would replace your BMP image:") + LineBreak + source +
           LineBreak + LineBreak + QStringLiteral("Please choose another name for the JPG image.");
}

} // namespace VantlerRules
