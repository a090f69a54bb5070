#include "SelectionReaderX11.h"

#include "OfferStream.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <xcb/xfixes.h>

namespace platform {

namespace {

// The most of a property asked for at once: a mebibyte (in 32-bit words).
constexpr uint32_t SliceWords = 1 << 18;

enum class Step
{
    Go,   // more is to come
    Done, // the owner sent all it had
    Stop, // the read ends here: the check ended it, or the server failed
};

} // namespace

SelectionReaderX11::SelectionReaderX11()
{
    if (!m_x)
        return;
    m_clipboard = internAtom(m_x.get(), "CLIPBOARD");
    m_property = internAtom(m_x.get(), "_PICTARRO_OFFER");
    m_incr = internAtom(m_x.get(), "INCR");
    m_targets = internAtom(m_x.get(), "TARGETS");
    // XFixes tells when the clipboard changes hands during a read.
    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(m_x.get(), &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        const XcbPtr<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
            m_x.get(), xcb_xfixes_query_version(m_x.get(), 1, 0), nullptr));
        if (version)
            m_ownerChanged = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    }
}

SelectionReaderX11::~SelectionReaderX11() = default;

std::optional<QByteArray> SelectionReaderX11::read(const QString &mimeType, int answerMs,
                                                   int cancel)
{
    xcb_connection_t *connection = m_x.get();
    if (!connection || xcb_connection_has_error(connection) != 0)
        return QByteArray();
    // An owner that offers the type has made its atom.
    const xcb_atom_t target = internAtom(connection, mimeType.toLatin1().constData(), true);
    if (target == XCB_ATOM_NONE)
        return QByteArray();

    const xcb_window_t window = request(target);
    const auto destroy = qScopeGuard([&] {
        xcb_destroy_window(connection, window);
        xcb_flush(connection);
    });

    OfferStream stream(mimeType);
    QByteArray bytes;
    bool incremental = false;
    bool failed = false;
    // Reads what the property holds now, a slice at a time, each checked
    // before the next is asked for; deleting it asks an owner sending in
    // pieces for the next one.
    qint64 received = 0; // all the owner sent, also past the picture's end
    qint64 claimed = 0;  // what the owner says it will send
    // Room for what is kept, made once for all that the owner claims it
    // will send, but never for more than the picture the header gives can
    // need: growing by doubling would copy a large picture again and again
    // and, at its peak, hold it nearly twice.
    const auto append = [&](const char *value, qint64 kept) {
        if (bytes.size() + kept > bytes.capacity())
            bytes.reserve(static_cast<qsizetype>(
                std::max(bytes.size() + kept, std::min(claimed, stream.limit()))));
        bytes.append(value, static_cast<qsizetype>(kept));
    };
    const auto readProperty = [&](bool piece) {
        const qint64 had = received;
        for (uint32_t offset = 0;;) {
            const XcbPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
                connection,
                xcb_get_property(connection, 0, window, m_property, XCB_GET_PROPERTY_TYPE_ANY,
                                 offset, SliceWords),
                nullptr));
            if (!reply) {
                failed = true;
                return Step::Stop;
            }
            if (!piece && offset == 0 && reply->type == m_incr) {
                incremental = true;
                if (xcb_get_property_value_length(reply.get()) >= 4)
                    claimed = *static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
                xcb_delete_property(connection, window, m_property);
                xcb_flush(connection);
                return Step::Go;
            }
            const int length = xcb_get_property_value_length(reply.get());
            const auto *value = static_cast<const char *>(xcb_get_property_value(reply.get()));
            received += length;
            if (!incremental && offset == 0)
                claimed = length + qint64{reply->bytes_after};
            if (stream.state() == OfferStream::State::More) {
                const qint64 before = stream.taken();
                stream.feed(QByteArrayView(value, length));
                append(value, std::min<qint64>(length, stream.taken() - before));
            }
            // Past the picture's end, a transfer in pieces is seen to its
            // end (its empty piece), the rest of the bytes dropped as they
            // come, so that the owner is free for the next request; an
            // owner that sends on and on past it is left.
            const OfferStream::State state = stream.state();
            if (state == OfferStream::State::Refused || state == OfferStream::State::TooLarge ||
                (state == OfferStream::State::Whole &&
                 (!incremental || received - stream.taken() > OfferStream::ExtraBytes)))
                return Step::Stop;
            offset += static_cast<uint32_t>(length) / 4;
            if (reply->bytes_after == 0 || length == 0)
                break;
        }
        xcb_delete_property(connection, window, m_property);
        xcb_flush(connection);
        // A piece of no bytes ends a transfer in pieces.
        return !piece || received == had ? Step::Done : Step::Go;
    };
    const auto result = [&]() -> QByteArray {
        return stream.state() == OfferStream::State::Refused ? QByteArray() : bytes;
    };

    QDeadlineTimer deadline(answerMs);
    for (;;) {
        Waited waited = Waited::Event;
        const XcbPtr<xcb_generic_event_t> event = nextEvent(deadline, cancel, waited);
        if (waited == Waited::Unwanted)
            return QByteArray();
        if (waited != Waited::Event) {
            if (waited == Waited::TooLong)
                qWarning("Pictarro: the clipboard's owner did not deliver its picture in time");
            return std::nullopt;
        }
        Step step = Step::Go;
        switch (event->response_type & 0x7f) {
        case XCB_SELECTION_NOTIFY: {
            const auto *notify =
                reinterpret_cast<const xcb_selection_notify_event_t *>(event.get());
            if (notify->requestor != window || incremental)
                continue;
            if (notify->property == XCB_ATOM_NONE)
                return QByteArray(); // refused
            step = readProperty(false);
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event.get());
            if (!incremental || notify->window != window || notify->atom != m_property ||
                notify->state != XCB_PROPERTY_NEW_VALUE)
                continue;
            step = readProperty(true);
            break;
        }
        default:
            // The clipboard changed hands: what the owner still sends is no
            // longer on the clipboard, and the new offer is read in its turn.
            if (handedOn(*event, window))
                return QByteArray();
            continue;
        }
        if (failed)
            return std::nullopt;
        if (step != Step::Go)
            return result();
        deadline = QDeadlineTimer(answerMs);
    }
}

bool SelectionReaderX11::answers(int answerMs, int cancel)
{
    xcb_connection_t *connection = m_x.get();
    if (!connection || xcb_connection_has_error(connection) != 0)
        return true; // nothing to tell
    const xcb_window_t window = request(m_targets);
    const auto destroy = qScopeGuard([&] {
        xcb_destroy_window(connection, window);
        xcb_flush(connection);
    });
    const QDeadlineTimer deadline(answerMs);
    for (;;) {
        Waited waited = Waited::Event;
        const XcbPtr<xcb_generic_event_t> event = nextEvent(deadline, cancel, waited);
        if (waited == Waited::TooLong) {
            qWarning("Pictarro: the clipboard's owner did not say what it offers in time");
            return false;
        }
        if (waited != Waited::Event || handedOn(*event, window))
            return true; // not for this owner to tell any more
        if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
            reinterpret_cast<const xcb_selection_notify_event_t *>(event.get())->requestor ==
                window)
            return true;
    }
}

xcb_window_t SelectionReaderX11::request(xcb_atom_t target)
{
    xcb_connection_t *connection = m_x.get();
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, m_x.root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    if (m_ownerChanged != 0)
        xcb_xfixes_select_selection_input(
            connection, window, m_clipboard,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_convert_selection(connection, window, m_clipboard, target, m_property, XCB_CURRENT_TIME);
    xcb_flush(connection);
    return window;
}

XcbPtr<xcb_generic_event_t> SelectionReaderX11::nextEvent(const QDeadlineTimer &deadline,
                                                          int cancel, Waited &waited)
{
    xcb_connection_t *connection = m_x.get();
    for (;;) {
        XcbPtr<xcb_generic_event_t> event(xcb_poll_for_event(connection));
        if (event) {
            waited = Waited::Event;
            return event;
        }
        if (xcb_connection_has_error(connection) != 0) {
            waited = Waited::Failed;
            return nullptr;
        }
        pollfd in[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {cancel, POLLIN, 0}};
        const int ready =
            ::poll(in, cancel >= 0 ? 2 : 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0 && in[1].revents != 0) {
            waited = Waited::Unwanted;
            return nullptr;
        }
        if (ready <= 0) {
            waited = Waited::TooLong;
            return nullptr;
        }
    }
}

bool SelectionReaderX11::handedOn(const xcb_generic_event_t &event, xcb_window_t window) const
{
    return m_ownerChanged != 0 && (event.response_type & 0x7f) == m_ownerChanged &&
           reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(&event)->window == window;
}

} // namespace platform
