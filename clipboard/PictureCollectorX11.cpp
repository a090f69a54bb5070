#include "PictureCollectorX11.h"

#include "Xcb.h"

#include <algorithm>

namespace platform {

namespace {

// The most of a property asked for at once: a mebibyte (in 32-bit words).
constexpr uint32_t SliceWords = 1 << 18;

} // namespace

PictureCollectorX11::PictureCollectorX11(const QString &mimeType, xcb_connection_t *connection,
                                         xcb_window_t window, xcb_atom_t property, xcb_atom_t incr)
    : m_connection(connection), m_window(window), m_property(property), m_incr(incr),
      m_stream(mimeType)
{
}

// Room for what is kept, made once for all that the owner claims it will
// send, but never for more than the picture the header gives can need:
// growing by doubling would copy a large picture again and again and, at
// its peak, hold it nearly twice.
void PictureCollectorX11::append(const char *value, qint64 kept)
{
    if (m_bytes.size() + kept > m_bytes.capacity())
        m_bytes.reserve(static_cast<qsizetype>(
            std::max(m_bytes.size() + kept, std::min(m_claimed, m_stream.limit()))));
    m_bytes.append(value, static_cast<qsizetype>(kept));
}

PictureCollectorX11::Step PictureCollectorX11::read()
{
    const bool piece = m_incremental;
    const qint64 had = m_received;
    for (uint32_t offset = 0;;) {
        const XcbPtr<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, 0, m_window, m_property,
                                                    XCB_GET_PROPERTY_TYPE_ANY, offset, SliceWords),
                                   nullptr));
        if (!reply) {
            m_failed = true;
            return Step::Stop;
        }
        if (!piece && offset == 0 && reply->type == m_incr) {
            m_incremental = true;
            if (xcb_get_property_value_length(reply.get()) >= 4)
                m_claimed = *static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
            xcb_delete_property(m_connection, m_window, m_property);
            xcb_flush(m_connection);
            return Step::Go;
        }
        const int length = xcb_get_property_value_length(reply.get());
        const auto *value = static_cast<const char *>(xcb_get_property_value(reply.get()));
        m_received += length;
        if (!m_incremental && offset == 0)
            m_claimed = length + qint64{reply->bytes_after};
        if (m_stream.state() == OfferStream::State::More) {
            const qint64 before = m_stream.taken();
            m_stream.feed(QByteArrayView(value, length));
            append(value, std::min<qint64>(length, m_stream.taken() - before));
        }
        const OfferStream::State state = m_stream.state();
        if (state == OfferStream::State::Refused || state == OfferStream::State::TooLarge ||
            (state == OfferStream::State::Whole &&
             (!m_incremental || m_received - m_stream.taken() > OfferStream::ExtraBytes)))
            return Step::Stop;
        offset += static_cast<uint32_t>(length) / 4;
        if (reply->bytes_after == 0 || length == 0)
            break;
    }
    xcb_delete_property(m_connection, m_window, m_property);
    xcb_flush(m_connection);
    // A piece of no bytes ends a transfer in pieces.
    return !piece || m_received == had ? Step::Done : Step::Go;
}

QByteArray PictureCollectorX11::result() const
{
    return m_stream.state() == OfferStream::State::Refused ? QByteArray() : m_bytes;
}

} // namespace platform
