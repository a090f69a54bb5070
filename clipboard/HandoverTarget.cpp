#include "HandoverTarget.h"

#include "OfferedPicture.h"

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
    // Pictures only in the types Pictarro's capture reads, whose bytes are
    // checked as they arrive.
    const QStringList pictures = OfferedPicture::chosenTypes(targets, false);
    return pictures.isEmpty() ? QString() : pictures.first();
}

} // namespace platform
