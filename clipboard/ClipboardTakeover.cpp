#include "ClipboardTakeover.h"

#include "CaptureOffer.h"
#include "Xcb.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace platform {

namespace {

template <typename Reply> using ReplyPtr = XcbPtr<Reply>;

// How long a program reading a capture in pieces may pause between two.
constexpr int TransferIdleMs = 5000;
// How long a clipboard manager may take to keep a capture as Pictarro ends.
constexpr int HandOverMs = 3000;

} // namespace

std::unique_ptr<ClipboardTakeover> ClipboardTakeover::create()
{
    int screen = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<ClipboardTakeover> takeover(new ClipboardTakeover(connection));
    const xcb_screen_t *root = screenOf(connection, screen);
    if (!root)
        return nullptr;
    takeover->m_root = root->root;
    takeover->m_window = xcb_generate_id(connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, takeover->m_window, root->root, -1, -1, 1,
                      1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    takeover->m_clipboard = internAtom(connection, "CLIPBOARD");
    takeover->m_targets = internAtom(connection, "TARGETS");
    takeover->m_timestamp = internAtom(connection, "TIMESTAMP");
    takeover->m_text = internAtom(connection, "text/plain");
    takeover->m_atom = XCB_ATOM_ATOM;
    // What fits in one request goes in one property; more goes in pieces.
    const qint64 requestBytes = qint64{xcb_get_maximum_request_length(connection)} * 4;
    takeover->m_pieceBytes = std::min<qint64>(requestBytes - 1024, 4 * 1024 * 1024);
    takeover->m_integer = XCB_ATOM_INTEGER;
    // Every change of owner, so that a newer offer from the same window (mutter
    // owns the X clipboard for every Wayland-side offer) is told apart.
    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        const ReplyPtr<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, 1, 0), nullptr));
        if (version) {
            takeover->m_xfixesEvent = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
            xcb_xfixes_select_selection_input(
                connection, takeover->m_window, takeover->m_clipboard,
                XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                    XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                    XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        }
    }
    takeover->m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection),
                                                             QSocketNotifier::Read);
    connect(takeover->m_notifier.get(), &QSocketNotifier::activated, takeover.get(),
            &ClipboardTakeover::handleEvents);
    xcb_flush(connection);
    return takeover;
}

ClipboardTakeover::ClipboardTakeover(xcb_connection_t *connection) : m_connection(connection)
{
    m_release.setSingleShot(true);
    connect(&m_release, &QTimer::timeout, this, &ClipboardTakeover::release);
}

ClipboardTakeover::~ClipboardTakeover()
{
    handOverAtExit();
    m_waits.clear(); // each ends once its PNG file is made
    m_notifier.reset();
    // The window goes with the connection, and the clipboard with it.
    xcb_disconnect(m_connection);
}

bool ClipboardTakeover::windowManagerKeepsCopies()
{
    const xcb_atom_t check = internAtom(m_connection, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t name = internAtom(m_connection, "_NET_WM_NAME");
    if (check == XCB_ATOM_NONE || name == XCB_ATOM_NONE)
        return false;
    const ReplyPtr<xcb_get_property_reply_t> manager(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, m_root, check, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!manager || xcb_get_property_value_length(manager.get()) != 4)
        return false;
    xcb_window_t window = XCB_WINDOW_NONE;
    std::memcpy(&window, xcb_get_property_value(manager.get()), sizeof window);
    const ReplyPtr<xcb_get_property_reply_t> title(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
        nullptr));
    if (!title)
        return false;
    const QString text =
        QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(title.get())),
                          xcb_get_property_value_length(title.get()));
    handleEvents(); // whatever arrived meanwhile
    return text.contains(QLatin1String("GNOME Shell")) ||
           text.contains(QLatin1String("mutter"), Qt::CaseInsensitive);
}

quint32 ClipboardTakeover::serverTime()
{
    // A zero-length append to a property of our own window changes nothing
    // but is answered by a PropertyNotify stamped with the server's time.
    xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, m_window, m_timestamp, XCB_ATOM_INTEGER,
                        32, 0, nullptr);
    xcb_flush(m_connection);
    while (xcb_generic_event_t *event = xcb_wait_for_event(m_connection)) {
        const XcbPtr<xcb_generic_event_t> owned(event);
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            if (change->window == m_window && change->atom == m_timestamp)
                return change->time;
        }
        dispatch(event);
    }
    return XCB_CURRENT_TIME; // the connection broke
}

quint64 ClipboardTakeover::changesSeen()
{
    // A round trip brings every change announced until now.
    const ReplyPtr<xcb_get_input_focus_reply_t> synced(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    handleEvents();
    return m_changes;
}

bool ClipboardTakeover::takeFrom(quint32 owner, quint64 changes)
{
    return replaceOwner(owner, changes, true);
}

bool ClipboardTakeover::dropFrom(quint32 owner, quint64 changes)
{
    return replaceOwner(owner, changes, false);
}

bool ClipboardTakeover::offerFrom(quint32 owner, quint64 changes,
                                  std::shared_ptr<const CaptureOffer> offer)
{
    if (!offer || xcb_connection_has_error(m_connection))
        return false;
    for (const QString &type : offer->types())
        atom(type); // asked before the server is held
    return replaceOwner(owner, changes, true, std::move(offer));
}

quint32 ClipboardTakeover::atom(const QString &name)
{
    const auto found = m_atoms.constFind(name);
    if (found != m_atoms.cend())
        return *found;
    const xcb_atom_t made = internAtom(m_connection, name.toLatin1().constData());
    if (made != XCB_ATOM_NONE)
        m_atoms.insert(name, made);
    return made;
}

bool ClipboardTakeover::replaceOwner(quint32 owner, quint64 changes, bool take,
                                     std::shared_ptr<const CaptureOffer> offer)
{
    if (xcb_connection_has_error(m_connection))
        return false;
    const xcb_timestamp_t now = take ? serverTime() : xcb_timestamp_t{XCB_CURRENT_TIME};
    xcb_grab_server(m_connection);
    const ReplyPtr<xcb_get_selection_owner_reply_t> current(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
    const xcb_window_t was = current ? current->owner : xcb_window_t{XCB_WINDOW_NONE};
    handleEvents(); // the changes announced before the server was held
    // A capture goes over an earlier one of ours, and with no owner named
    // on an empty clipboard too.
    const bool unchanged = (owner == 0 || was == owner) && (changes == 0 || changes == m_changes);
    const bool replace =
        offer ? was == m_window || (unchanged && (was != XCB_WINDOW_NONE || owner == 0))
              : unchanged && was != XCB_WINDOW_NONE && was != m_window;
    if (replace && take)
        m_offer = offer;
    if (replace)
        xcb_set_selection_owner(m_connection, take ? m_window : xcb_window_t{XCB_WINDOW_NONE},
                                m_clipboard, now);
    xcb_ungrab_server(m_connection);
    xcb_flush(m_connection);
    if (!replace || !take) {
        handleEvents(); // what the flush read meanwhile
        return replace;
    }
    m_takenAt = now;
    m_holding = true;
    if (m_offer)
        m_release.stop(); // offered until another owner takes over
    else
        m_release.start(KeeperWaitMs);
    handleEvents();
    return true;
}

void ClipboardTakeover::handleEvents()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        const XcbPtr<xcb_generic_event_t> owned(event);
        dispatch(event);
    }
    if (xcb_connection_has_error(m_connection))
        m_notifier->setEnabled(false);
}

void ClipboardTakeover::dispatch(const void *received)
{
    const auto *event = static_cast<const xcb_generic_event_t *>(received);
    if (m_xfixesEvent != 0 && (event->response_type & 0x7f) == m_xfixesEvent) {
        ++m_changes;
        return;
    }
    switch (event->response_type & 0x7f) {
    case XCB_SELECTION_REQUEST:
        answer(event);
        break;
    case XCB_SELECTION_CLEAR: {
        const auto *clear = reinterpret_cast<const xcb_selection_clear_event_t *>(event);
        if (clear->owner == m_window && clear->selection == m_clipboard && m_holding) {
            // Someone copied something: the empty offer has done its job.
            m_holding = false;
            m_offer.reset();
            m_release.stop();
            Q_EMIT released();
        }
        break;
    }
    case XCB_PROPERTY_NOTIFY:
        sendPiece(event);
        break;
    default:
        break; // errors for requestors that went away
    }
}

void ClipboardTakeover::answer(const void *request)
{
    const auto *asked = static_cast<const xcb_selection_request_event_t *>(request);
    // Old clients name no property: the target stands for it.
    const xcb_atom_t property = asked->property != XCB_ATOM_NONE ? asked->property : asked->target;
    xcb_atom_t answered = XCB_ATOM_NONE; // refused unless answered below
    if (m_holding && m_offer && asked->selection == m_clipboard) {
        if (answerOffer(request, property))
            return;
    } else if (m_holding && asked->selection == m_clipboard) {
        if (asked->target == m_targets) {
            const xcb_atom_t offered[] = {m_targets, m_timestamp, m_text};
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, asked->requestor, property,
                                m_atom, 32, 3, offered);
            answered = property;
        } else if (asked->target == m_text) {
            // Empty text. mutter's keeper asks for it only once the bridge
            // has put this offer in place of the picture: its work is done.
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, asked->requestor, property,
                                m_text, 8, 0, nullptr);
            answered = property;
            m_release.start(0);
        } else if (asked->target == m_timestamp) {
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, asked->requestor, property,
                                m_integer, 32, 1, &m_takenAt);
            answered = property;
        }
    }
    notifySelection(m_connection, *asked, answered);
}

bool ClipboardTakeover::answerOffer(const void *request, quint32 property)
{
    const auto *asked = static_cast<const xcb_selection_request_event_t *>(request);
    if (asked->target == m_targets) {
        std::vector<xcb_atom_t> offered{m_targets, m_timestamp};
        for (const QString &type : m_offer->types()) {
            if (const xcb_atom_t typeAtom = atom(type))
                offered.push_back(typeAtom);
        }
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, asked->requestor, property, m_atom,
                            32, static_cast<uint32_t>(offered.size()), offered.data());
        notifySelection(m_connection, *asked, property);
        return true;
    }
    if (asked->target == m_timestamp) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, asked->requestor, property,
                            m_integer, 32, 1, &m_takenAt);
        notifySelection(m_connection, *asked, property);
        return true;
    }
    const QString type = m_atoms.key(asked->target);
    if (type.isEmpty())
        return false;
    // The PNG file may still be on its way, encoded on another thread since
    // the capture was saved: it is sent once it is there, and the window
    // goes on meanwhile.
    if (!m_exiting && !m_offer->ready(type)) {
        sendWhenReady(request, property, type);
        return true;
    }
    send(request, property, asked->target, m_offer->bytes(type));
    return true;
}

void ClipboardTakeover::sendWhenReady(const void *asked, quint32 property, const QString &type)
{
    const auto request = *static_cast<const xcb_selection_request_event_t *>(asked);
    m_waits.remove_if([](const std::future<void> &wait) {
        return wait.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    auto waitThenSend = [this, offer = m_offer, request, property, type] {
        offer->bytes(type); // waits for the encode
        QMetaObject::invokeMethod(
            this,
            [this, offer, request, property, type] {
                send(&request, property, request.target, offer->bytes(type));
            },
            Qt::QueuedConnection);
    };
    try {
        m_waits.push_back(std::async(std::launch::async, std::move(waitThenSend)));
    } catch (const std::system_error &) {
        send(&request, property, request.target, m_offer->bytes(type)); // no thread: waits here
    }
}

void ClipboardTakeover::send(const void *request, quint32 property, quint32 type,
                             const QByteArray &bytes)
{
    const auto *asked = static_cast<const xcb_selection_request_event_t *>(request);
    // A reader that stopped half-way is forgotten by the next one's request.
    for (auto it = m_transfers.begin(); it != m_transfers.end();) {
        if (it->second.lastMove.hasExpired(TransferIdleMs))
            it = m_transfers.erase(it);
        else
            ++it;
    }
    if (bytes.isEmpty()) {
        notifySelection(m_connection, *asked, XCB_ATOM_NONE);
        return;
    }
    if (bytes.size() <= m_pieceBytes) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, asked->requestor, property, type,
                            8, static_cast<uint32_t>(bytes.size()), bytes.constData());
        notifySelection(m_connection, *asked, property);
        return;
    }
    // In pieces: each one once the reader has deleted the one before.
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, asked->requestor, XCB_CW_EVENT_MASK, &events);
    const auto total = static_cast<uint32_t>(std::min<qint64>(bytes.size(), 0xffffffffLL));
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, asked->requestor, property,
                        atom(QStringLiteral("INCR")), 32, 1, &total);
    Transfer &transfer = m_transfers[{asked->requestor, property}];
    transfer.type = type;
    transfer.bytes = bytes;
    transfer.sent = 0;
    transfer.lastMove.start();
    notifySelection(m_connection, *asked, property);
}

void ClipboardTakeover::sendPiece(const void *propertyChange)
{
    const auto *change = static_cast<const xcb_property_notify_event_t *>(propertyChange);
    if (change->state != XCB_PROPERTY_DELETE)
        return;
    const auto found = m_transfers.find({change->window, change->atom});
    if (found == m_transfers.end())
        return;
    Transfer &transfer = found->second;
    transfer.lastMove.start();
    const qsizetype piece =
        std::min<qsizetype>(transfer.bytes.size() - transfer.sent, m_pieceBytes);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, change->window, change->atom,
                        transfer.type, 8, static_cast<uint32_t>(piece),
                        transfer.bytes.constData() + transfer.sent);
    transfer.sent += piece;
    if (piece == 0) {
        // The empty piece ends it.
        const xcb_window_t reader = change->window;
        m_transfers.erase(found);
        const bool more = std::any_of(m_transfers.cbegin(), m_transfers.cend(),
                                      [reader](const auto &t) { return t.first.first == reader; });
        if (!more) {
            const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(m_connection, reader, XCB_CW_EVENT_MASK, &none);
        }
    }
    xcb_flush(m_connection);
}

void ClipboardTakeover::handOverAtExit()
{
    if (!m_holding || !m_offer || xcb_connection_has_error(m_connection))
        return;
    const xcb_atom_t managerSelection = atom(QStringLiteral("CLIPBOARD_MANAGER"));
    const ReplyPtr<xcb_get_selection_owner_reply_t> manager(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, managerSelection), nullptr));
    if (!manager || manager->owner == XCB_WINDOW_NONE || manager->owner == m_ownManager)
        return;
    // As a quitting program does: the manager reads what it keeps from us,
    // then says it is done. What it asks meanwhile is answered here, the
    // PNG file waited for.
    m_exiting = true;
    xcb_convert_selection(m_connection, m_window, managerSelection,
                          atom(QStringLiteral("SAVE_TARGETS")), XCB_ATOM_NONE, m_takenAt);
    xcb_flush(m_connection);
    const QDeadlineTimer deadline(HandOverMs);
    while (!deadline.hasExpired()) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const XcbPtr<xcb_generic_event_t> owned(event);
            if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
                reinterpret_cast<const xcb_selection_notify_event_t *>(event)->selection ==
                    managerSelection)
                return;
            dispatch(event);
            if (!m_holding)
                return; // the manager took the clipboard over
        }
        if (xcb_connection_has_error(m_connection))
            return;
        pollfd in{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        ::poll(&in, 1, static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)));
    }
}

void ClipboardTakeover::release()
{
    if (!m_holding || m_offer)
        return;
    m_holding = false;
    xcb_grab_server(m_connection);
    const ReplyPtr<xcb_get_selection_owner_reply_t> current(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
    if (current && current->owner == m_window)
        xcb_set_selection_owner(m_connection, XCB_WINDOW_NONE, m_clipboard, XCB_CURRENT_TIME);
    xcb_ungrab_server(m_connection);
    xcb_flush(m_connection);
    handleEvents();
    Q_EMIT released();
}

} // namespace platform
