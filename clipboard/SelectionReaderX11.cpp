#include "SelectionReaderX11.h"

#include "PictureCollectorX11.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <cerrno>
#include <poll.h>
#include <xcb/xfixes.h>

namespace platform {

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

    PictureCollectorX11 collector(mimeType, connection, window, m_property, m_incr);
    using Step = PictureCollectorX11::Step;

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
            if (notify->requestor != window || collector.incremental())
                continue;
            if (notify->property == XCB_ATOM_NONE)
                return QByteArray(); // refused
            step = collector.read();
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event.get());
            if (!collector.incremental() || notify->window != window ||
                notify->atom != m_property || notify->state != XCB_PROPERTY_NEW_VALUE)
                continue;
            step = collector.read();
            break;
        }
        default:
            // The clipboard changed hands: what the owner still sends is no
            // longer on the clipboard, and the new offer is read in its turn.
            if (handedOn(*event, window))
                return QByteArray();
            continue;
        }
        if (collector.failed())
            return std::nullopt;
        if (step != Step::Go)
            return collector.result();
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
