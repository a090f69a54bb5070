#include "ClipboardBackend.h"

#include "ClipboardDataControl.h"
#include "ClipboardX11.h"

#include <QGuiApplication>

namespace platform {

const QStringList &plainTextTypes()
{
    static const QStringList types{QStringLiteral("text/plain;charset=utf-8"),
                                   QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain"),
                                   QStringLiteral("STRING"), QStringLiteral("TEXT")};
    return types;
}

QString ClipboardBackend::text() const
{
    const QStringList offered = formats();
    for (const QString &type : plainTextTypes()) {
        if (!offered.contains(type))
            continue;
        const QByteArray bytes = data(type);
        // STRING is Latin-1 by definition; the others are UTF-8 in practice.
        return type == QLatin1String("STRING") ? QString::fromLatin1(bytes)
                                               : QString::fromUtf8(bytes);
    }
    return {};
}

std::unique_ptr<ClipboardBackend> createClipboardBackend()
{
    const QString asked = qEnvironmentVariable("PICTARRO_CLIPBOARD");
    // Qt's platforms without a desktop (offscreen, minimal) keep their own
    // clipboard inside the process: the window tests drive that one.
    const QString platform = QGuiApplication::platformName();
    const bool desktop = platform == QLatin1String("xcb") || platform.startsWith(u"wayland");
    if (asked != QLatin1String("x11") && desktop) {
        // The X side (with its clipboard manager) is made only when
        // data-control is there to use it.
        BackendMaker xSide;
        if (platform == QLatin1String("xcb"))
            xSide = [] {
                return std::make_unique<ClipboardX11>();
            };
        if (std::unique_ptr<ClipboardBackend> native = createDataControlClipboard(xSide))
            return native;
    }
    return std::make_unique<ClipboardX11>(ClipboardX11::Emptying::TakeOverUnderMutter);
}

} // namespace platform
