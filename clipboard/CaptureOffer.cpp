#include "CaptureOffer.h"

#include <chrono>

namespace platform {

QString CaptureOffer::markerType()
{
    return QStringLiteral("application/x-pictarro-capture");
}

CaptureOffer::CaptureOffer(std::shared_future<QByteArray> png, Formats more)
    : m_png(std::move(png)), m_more(std::move(more))
{
}

QStringList CaptureOffer::types() const
{
    QStringList types{QStringLiteral("image/png")};
    for (const auto &format : m_more)
        types << format.first;
    types << markerType();
    return types;
}

QByteArray CaptureOffer::bytes(const QString &type) const
{
    if (type == QLatin1String("image/png")) {
        // A copy of its own: threads may wait on the same picture at once.
        const std::shared_future<QByteArray> png = m_png;
        return png.valid() ? png.get() : QByteArray();
    }
    if (type == markerType())
        return QByteArrayLiteral("capture");
    for (const auto &format : m_more) {
        if (format.first == type)
            return format.second;
    }
    return {};
}

bool CaptureOffer::ready(const QString &type) const
{
    if (type != QLatin1String("image/png") || !m_png.valid())
        return true;
    return m_png.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace platform
