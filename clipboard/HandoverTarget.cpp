#include "HandoverTarget.h"

#include <QImageReader>

namespace platform {

const QStringList &handoverTextTargets()
{
    static const QStringList targets{QStringLiteral("UTF8_STRING"),
                                     QStringLiteral("text/plain;charset=utf-8"),
                                     QStringLiteral("STRING")};
    return targets;
}

QString handoverTarget(const QStringList &targets)
{
    for (const QString &text : handoverTextTargets()) {
        if (targets.contains(text))
            return text;
    }
    // Text in a form not kept here still makes the offer text: a picture
    // beside text is left alone, as everywhere.
    if (targets.contains(QStringLiteral("TEXT")) || targets.contains(QStringLiteral("text/plain")))
        return {};
    if (targets.contains(QStringLiteral("image/png")))
        return QStringLiteral("image/png");
    const QList<QByteArray> decoded = QImageReader::supportedMimeTypes();
    for (const QByteArray &type : decoded) {
        const QString name = QString::fromLatin1(type);
        if (targets.contains(name))
            return name;
    }
    return {};
}

} // namespace platform
