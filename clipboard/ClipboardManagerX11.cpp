#include "ClipboardManagerX11.h"

#include "HandoverTarget.h"
#include "PictureCollectorX11.h"
#include "SelectionServerX11.h"
#include "Xcb.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xfixes.h>

namespace platform {

Q_LOGGING_CATEGORY(lcManager, "pictarro.clipboard.manager", QtWarningMsg)

namespace {

template <typename T> using Reply = XcbPtr<T>;

// How often a program that has not answered a request yet is nudged.
constexpr int NudgeMs = 50;

} // namespace

// The handover in progress: a program's request to save its offer.
struct ClipboardManagerX11::Handover
{
    xcb_selection_request_event_t request{};
    xcb_window_t owner = XCB_WINDOW_NONE; // the clipboard's owner, the program itself
    // The window the offer is read into, made for this handover and
    // destroyed after it: pieces the program still sends once the read has
    // ended reach nobody.
    xcb_window_t window = XCB_WINDOW_NONE;
    bool readingTargets = true; // else reading `target`
    xcb_atom_t target = XCB_ATOM_NONE;
    QString targetName;
    bool incremental = false;
    QByteArray bytes;
    // A picture is collected as it is checked, slice by slice.
    std::unique_ptr<PictureCollectorX11> picture;
};

ClipboardManagerX11::ClipboardManagerX11()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    const xcb_screen_t *screen = screenOf(m_connection, screenNumber);
    if (!screen) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    m_root = screen->root;

    const xcb_window_t window = xcb_generate_id(m_connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    // Told when the selection is given up, or its owner ends: a desktop's
    // manager that runs now may exit later, and Pictarro then takes over.
    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER");
    const xcb_query_extension_reply_t *xfixes =
        xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        const Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
            m_connection, xcb_xfixes_query_version(m_connection, 1, 0), nullptr));
        if (version) {
            m_xfixesEvent = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
            xcb_xfixes_select_selection_input(
                m_connection, window, manager,
                XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                    XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                    XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        }
    }
    // A selection is taken as of a real server time: an empty append to a
    // property of our own tells it.
    const xcb_atom_t clock = atom("_PICTARRO_MANAGER_TIME");
    xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, window, clock, XCB_ATOM_STRING, 8, 0,
                        nullptr);
    xcb_flush(m_connection);
    xcb_timestamp_t now = XCB_CURRENT_TIME;
    while (xcb_generic_event_t *raw = xcb_wait_for_event(m_connection)) {
        const Reply<xcb_generic_event_t> event(raw);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(raw);
        if (change->window == window && change->atom == clock) {
            now = change->time;
            break;
        }
    }
    m_window = window;
    // Another manager (a desktop's own) keeps its selection: nothing changes
    // while it runs.
    if (!takeManagerSelection(now) && m_xfixesEvent == 0) {
        m_window = XCB_WINDOW_NONE;
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }

    // What fits in one request goes in one property; more goes in pieces.
    const qint64 requestBytes = qint64(xcb_get_maximum_request_length(m_connection)) * 4;
    m_pieceBytes = std::min<qint64>(requestBytes - 1024, 4 * 1024 * 1024);
    for (const char *name :
         {"CLIPBOARD", "SAVE_TARGETS", "TARGETS", "TIMESTAMP", "INCR", "UTF8_STRING", "TEXT",
          "text/plain;charset=utf-8", "NULL", "_PICTARRO_HANDOVER"})
        atom(name);
    m_clipboard = atom("CLIPBOARD");

    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("ClipboardManager"));
    moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::started, this, &ClipboardManagerX11::run);
    m_thread->start();
}

ClipboardManagerX11::~ClipboardManagerX11()
{
    if (m_thread) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                delete m_notifier;
                delete m_idle;
                delete m_overall;
                m_server.reset();
                delete m_nudge;
                moveToThread(nullptr);
            },
            Qt::BlockingQueuedConnection);
        m_thread->quit();
        m_thread->wait();
    }
    // Closing the connection gives the selections back.
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool ClipboardManagerX11::takeManagerSelection(xcb_timestamp_t time)
{
    // Only a free selection is taken: never from another manager.
    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER");
    const auto owner = [this, manager] {
        const Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, manager), nullptr));
        return reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
    };
    xcb_grab_server(m_connection);
    const bool free = owner() == XCB_WINDOW_NONE;
    if (free)
        xcb_set_selection_owner(m_connection, m_window, manager, time);
    xcb_ungrab_server(m_connection);
    if (!free || owner() != m_window)
        return false;
    m_managerSince = time;
    qCDebug(lcManager, "took CLIPBOARD_MANAGER");
    // Programs waiting for a manager to appear are told (the MANAGER
    // convention for selections held by a manager).
    xcb_client_message_event_t announce{};
    announce.response_type = XCB_CLIENT_MESSAGE;
    announce.format = 32;
    announce.window = m_root;
    announce.type = atom("MANAGER");
    announce.data.data32[0] = time;
    announce.data.data32[1] = manager;
    announce.data.data32[2] = m_window;
    xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&announce));
    xcb_flush(m_connection);
    return true;
}

std::shared_ptr<const HandedOver> ClipboardManagerX11::kept() const
{
    const std::lock_guard<std::mutex> lock(m_keptLock);
    return m_kept;
}

void ClipboardManagerX11::run()
{
    m_server = std::make_unique<SelectionServerX11>(m_connection, m_pieceBytes);
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &ClipboardManagerX11::processEvents);
    const auto timer = [](int ms, bool once) {
        auto *made = new QTimer;
        made->setInterval(ms);
        made->setSingleShot(once);
        return made;
    };
    m_idle = timer(HandoverIdleMs, true);
    m_overall = timer(HandoverMaxMs, true);
    // Qt programs quitting answer one queued request per event that
    // reaches them, so one asked by Pictarro's capture and by the manager
    // at once would leave the second unanswered: each nudge lets one through.
    m_nudge = timer(NudgeMs, false);
    connect(m_nudge, &QTimer::timeout, this, [this] {
        if (!m_handover) {
            m_nudge->stop();
            return;
        }
        xcb_client_message_event_t nudge{};
        nudge.response_type = XCB_CLIENT_MESSAGE;
        nudge.format = 32;
        nudge.window = m_handover->owner;
        nudge.type = atom("_PICTARRO_NUDGE");
        xcb_send_event(m_connection, 0, m_handover->owner, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&nudge));
        xcb_flush(m_connection);
        // Writing reads too: the answer may be in XCB's queue now, where
        // the socket notifier would never see it.
        processEvents();
    });
    for (QTimer *deadline : {m_idle, m_overall}) {
        connect(deadline, &QTimer::timeout, this, [this] {
            finishHandover(false);
            processEvents();
        });
    }
    processEvents();
}

void ClipboardManagerX11::processEvents()
{
    while (xcb_generic_event_t *raw = xcb_poll_for_event(m_connection)) {
        const Reply<xcb_generic_event_t> event(raw);
        handleEvent(*event);
    }
    if (xcb_connection_has_error(m_connection)) {
        m_notifier->setEnabled(false);
        finishHandover(false);
        drop();
    }
}

void ClipboardManagerX11::handleEvent(const xcb_generic_event_t &event)
{
    switch (event.response_type & 0x7f) {
    case XCB_SELECTION_CLEAR: {
        // Another manager took over: no fight. Another owner of the
        // clipboard: what was kept is gone.
        const auto &clear = reinterpret_cast<const xcb_selection_clear_event_t &>(event);
        // Clears of our own release come late: a newer offer taken since
        // stays.
        if (clear.selection != atom("CLIPBOARD"))
            break;
        const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, clear.selection), nullptr));
        if (!owner || owner->owner != m_window)
            drop();
        break;
    }
    case XCB_SELECTION_REQUEST:
        selectionRequest(reinterpret_cast<const xcb_selection_request_event_t &>(event));
        break;
    case XCB_SELECTION_NOTIFY:
        selectionNotify(reinterpret_cast<const xcb_selection_notify_event_t &>(event));
        break;
    case XCB_PROPERTY_NOTIFY:
        propertyNotify(reinterpret_cast<const xcb_property_notify_event_t &>(event));
        break;
    default: {
        // The manager's selection free again (its owner gave it up or
        // ended): taken. Else errors: a program gone while we answered it.
        const auto &change = reinterpret_cast<const xcb_xfixes_selection_notify_event_t &>(event);
        if (m_xfixesEvent != 0 && (event.response_type & 0x7f) == m_xfixesEvent &&
            change.selection == atom("CLIPBOARD_MANAGER") && change.owner == XCB_WINDOW_NONE)
            takeManagerSelection(change.timestamp);
        break;
    }
    }
}

void ClipboardManagerX11::selectionRequest(const xcb_selection_request_event_t &request)
{
    if (request.selection == atom("CLIPBOARD_MANAGER"))
        managerRequest(request);
    else if (request.selection == atom("CLIPBOARD"))
        m_server->serveKept(request, kept().get(), m_keptSince);
    else
        notify(request, XCB_ATOM_NONE);
}

void ClipboardManagerX11::managerRequest(const xcb_selection_request_event_t &request)
{
    if (request.target == atom("TARGETS")) {
        const xcb_atom_t targets[] = {atom("TARGETS"), atom("SAVE_TARGETS"), atom("TIMESTAMP")};
        m_server->send(request, XCB_ATOM_ATOM, 32,
                       QByteArray(reinterpret_cast<const char *>(targets), sizeof targets));
        return;
    }
    if (request.target == atom("TIMESTAMP")) {
        m_server->send(request, XCB_ATOM_INTEGER, 32,
                       QByteArray(reinterpret_cast<const char *>(&m_managerSince), 4));
        return;
    }
    if (request.target != atom("SAVE_TARGETS") || m_handover) {
        notify(request, XCB_ATOM_NONE);
        return;
    }
    // Only the clipboard's owner hands its offer over (a program owning
    // only the primary selection asks too).
    const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, atom("CLIPBOARD")), nullptr));
    if (!owner || owner->owner == XCB_WINDOW_NONE || owner->owner != request.requestor) {
        notify(request, XCB_ATOM_NONE);
        return;
    }
    qCDebug(lcManager, "save request from %#x, time %u", request.requestor, request.time);
    m_handover = std::make_unique<Handover>();
    m_handover->request = request;
    m_handover->owner = owner->owner;
    m_handover->window = xcb_generate_id(m_connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_handover->window, m_root, -1, -1, 1, 1,
                      0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    m_savingFrom = owner->owner;
    m_idle->start();
    m_overall->start();

    // The program may list the targets to save; else all of its TARGETS.
    if (request.property != XCB_ATOM_NONE) {
        const Reply<xcb_get_property_reply_t> listed(
            xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, 0, request.requestor,
                                                    request.property, XCB_ATOM_ATOM, 0, 4096),
                                   nullptr));
        if (listed && listed->format == 32 && listed->type == XCB_ATOM_ATOM &&
            xcb_get_property_value_length(listed.get()) > 0) {
            const auto *atoms =
                static_cast<const xcb_atom_t *>(xcb_get_property_value(listed.get()));
            readTargets({atoms, atoms + xcb_get_property_value_length(listed.get()) / 4});
            return;
        }
    }
    xcb_convert_selection(m_connection, m_handover->window, atom("CLIPBOARD"), atom("TARGETS"),
                          atom("_PICTARRO_HANDOVER"), request.time);
    xcb_flush(m_connection);
    m_nudge->start();
}

void ClipboardManagerX11::readTargets(const std::vector<xcb_atom_t> &targets)
{
    std::vector<xcb_get_atom_name_cookie_t> cookies;
    cookies.reserve(targets.size());
    for (const xcb_atom_t target : targets)
        cookies.push_back(xcb_get_atom_name(m_connection, target));
    QStringList names;
    for (const xcb_get_atom_name_cookie_t &cookie : cookies) {
        const Reply<xcb_get_atom_name_reply_t> name(
            xcb_get_atom_name_reply(m_connection, cookie, nullptr));
        names << (name ? QString::fromLatin1(xcb_get_atom_name_name(name.get()),
                                             xcb_get_atom_name_name_length(name.get()))
                       : QString());
    }
    const QString chosen = handoverTarget(names);
    if (chosen.isEmpty()) {
        finishHandover(false); // nothing Pictarro keeps
        return;
    }
    qCDebug(lcManager, "targets: %s; asking for %s", qPrintable(names.join(u' ')),
            qPrintable(chosen));
    m_handover->readingTargets = false;
    m_handover->targetName = chosen;
    m_handover->target = targets[static_cast<std::size_t>(names.indexOf(chosen))];
    if (!handoverTextTargets().contains(chosen))
        m_handover->picture = std::make_unique<PictureCollectorX11>(
            chosen, m_connection, m_handover->window, atom("_PICTARRO_HANDOVER"), atom("INCR"));
    xcb_delete_property(m_connection, m_handover->window, atom("_PICTARRO_HANDOVER"));
    xcb_convert_selection(m_connection, m_handover->window, atom("CLIPBOARD"), m_handover->target,
                          atom("_PICTARRO_HANDOVER"), m_handover->request.time);
    xcb_flush(m_connection);
    m_nudge->start();
}

bool ClipboardManagerX11::readProperty(QByteArray &into, xcb_atom_t *type, qint64 limit)
{
    const auto words = static_cast<uint32_t>(std::min<qint64>(limit / 4 + 1, 0x3fffffff));
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 1, m_handover->window, atom("_PICTARRO_HANDOVER"),
                         XCB_GET_PROPERTY_TYPE_ANY, 0, words),
        nullptr));
    if (!reply)
        return false;
    if (reply->bytes_after > 0) {
        xcb_delete_property(m_connection, m_handover->window, atom("_PICTARRO_HANDOVER"));
        return false; // more than the offer may hold
    }
    *type = reply->type;
    const int length = xcb_get_property_value_length(reply.get());
    if (into.size() + length > limit)
        return false;
    into.append(static_cast<const char *>(xcb_get_property_value(reply.get())), length);
    return true;
}

void ClipboardManagerX11::selectionNotify(const xcb_selection_notify_event_t &event)
{
    const xcb_atom_t awaited = m_handover && m_handover->readingTargets ? atom("TARGETS")
                               : m_handover                             ? m_handover->target
                                                                        : xcb_atom_t{XCB_ATOM_NONE};
    if (!m_handover || event.requestor != m_handover->window ||
        event.selection != atom("CLIPBOARD") || event.target != awaited || m_handover->incremental)
        return;
    qCDebug(lcManager, "answer for %s: property %u",
            m_handover->readingTargets ? "TARGETS" : qPrintable(m_handover->targetName),
            event.property);
    m_nudge->stop();
    if (event.property == XCB_ATOM_NONE) {
        finishHandover(false);
        return;
    }
    if (m_handover->picture) {
        readPicture();
        return;
    }
    const qint64 limit = m_handover->readingTargets ? 65536 : TextLimitBytes;
    QByteArray bytes;
    xcb_atom_t type = XCB_ATOM_NONE;
    // Read and deleted: a program sending in pieces starts on the deletion.
    if (!readProperty(bytes, &type, limit)) {
        finishHandover(false);
        return;
    }
    m_idle->start();
    if (type == atom("INCR")) {
        m_handover->incremental = true;
        return;
    }
    if (!m_handover->readingTargets) {
        m_handover->bytes = bytes;
        complete();
        return;
    }
    std::vector<xcb_atom_t> targets(static_cast<std::size_t>(bytes.size()) / 4);
    std::memcpy(targets.data(), bytes.constData(), targets.size() * 4);
    readTargets(targets);
}

void ClipboardManagerX11::propertyNotify(const xcb_property_notify_event_t &event)
{
    if (m_handover && m_handover->incremental && event.window == m_handover->window &&
        event.atom == atom("_PICTARRO_HANDOVER") && event.state == XCB_PROPERTY_NEW_VALUE) {
        if (m_handover->picture) {
            readPicture();
            return;
        }
        const qsizetype before = m_handover->bytes.size();
        xcb_atom_t type = XCB_ATOM_NONE;
        if (!readProperty(m_handover->bytes, &type, TextLimitBytes)) {
            finishHandover(false);
            return;
        }
        m_idle->start();
        if (m_handover->bytes.size() == before)
            complete(); // the empty piece: all there
        return;
    }
    if (event.state != XCB_PROPERTY_DELETE)
        return;
    m_server->propertyDeleted(event.window, event.atom);
}

void ClipboardManagerX11::readPicture()
{
    PictureCollectorX11 &picture = *m_handover->picture;
    const PictureCollectorX11::Step step = picture.read();
    if (picture.failed()) {
        finishHandover(false);
        return;
    }
    m_idle->start();
    m_handover->incremental = picture.incremental();
    if (step == PictureCollectorX11::Step::Go)
        return;
    qCDebug(lcManager, "picture read ends: %lld bytes taken, check state %d",
            qlonglong(picture.stream().taken()), int(picture.stream().state()));
    // Bytes that are no picture keep nothing; a picture past the ceiling
    // keeps its header only, which tells Pictarro's capture its size.
    m_handover->bytes = picture.result();
    complete();
}

void ClipboardManagerX11::complete()
{
    auto handedOver = std::make_shared<HandedOver>();
    const QByteArray &bytes = m_handover->bytes;
    if (m_handover->targetName == QLatin1String("STRING"))
        handedOver->text = QString::fromLatin1(bytes);
    else if (handoverTextTargets().contains(m_handover->targetName))
        handedOver->text = QString::fromUtf8(bytes);
    else {
        handedOver->pictureType = m_handover->targetName;
        handedOver->picture = bytes;
    }
    if (handedOver->text.isEmpty() && handedOver->picture.isEmpty()) {
        finishHandover(false);
        return;
    }
    // The clipboard is taken from the program only while it still owns it:
    // Pictarro's capture may have taken its offer meanwhile, or another
    // program copied something. The server is held while we look. The
    // program is answered first, so that it learns it is saved before it
    // loses the clipboard.
    const xcb_atom_t clipboard = atom("CLIPBOARD");
    xcb_grab_server(m_connection);
    const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, clipboard), nullptr));
    // A picture Pictarro's capture read from the program itself (it
    // announced its offer before it asked) is not taken twice: the program
    // is released, nothing is kept.
    const bool captured = !handedOver->picture.isEmpty() && m_captureHolds == m_handover->owner;
    const bool stillOwned = owner && owner->owner == m_handover->owner && !captured;
    const xcb_timestamp_t since = m_handover->request.time;
    qCDebug(lcManager, "read %lld bytes of %s from %#x; owner now %#x, capture holds %#x: %s",
            qlonglong(m_handover->bytes.size()), qPrintable(m_handover->targetName),
            m_handover->owner, owner ? owner->owner : 0u, m_captureHolds.load(),
            stillOwned ? "kept" : "not kept");
    finishHandover(true, false);
    if (stillOwned) {
        // Under the lock: release() of the offer kept before sees either
        // the old offer and drops it first, or the new one and leaves it.
        const std::lock_guard<std::mutex> lock(m_keptLock);
        m_kept = std::move(handedOver);
        m_keptSince = since;
        xcb_set_selection_owner(m_connection, m_window, clipboard, XCB_CURRENT_TIME);
    }
    xcb_ungrab_server(m_connection);
    xcb_flush(m_connection);
    Q_EMIT changed();
}

void ClipboardManagerX11::finishHandover(bool saved, bool announce)
{
    if (!m_handover)
        return;
    const std::unique_ptr<Handover> handover = std::move(m_handover);
    qCDebug(lcManager, "handover from %#x ends, %s", handover->owner, saved ? "saved" : "failed");
    m_savingFrom = XCB_WINDOW_NONE;
    m_idle->stop();
    m_overall->stop();
    m_nudge->stop();
    xcb_destroy_window(m_connection, handover->window);
    const xcb_selection_request_event_t &request = handover->request;
    const xcb_atom_t property =
        request.property != XCB_ATOM_NONE ? request.property : request.target;
    if (saved)
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            atom("NULL"), 32, 0, nullptr);
    notify(request, saved ? property : xcb_atom_t{XCB_ATOM_NONE});
    if (announce)
        Q_EMIT changed();
}

void ClipboardManagerX11::release(const std::shared_ptr<const HandedOver> &which)
{
    {
        const std::lock_guard<std::mutex> lock(m_keptLock);
        if (!which || m_kept != which)
            return;
        m_kept.reset();
        qCDebug(lcManager, "kept copy released");
        xcb_set_selection_owner(m_connection, XCB_WINDOW_NONE, m_clipboard, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
    }
    // The flush may have read events into XCB's queue on this thread; the
    // manager's thread handles them.
    QMetaObject::invokeMethod(this, &ClipboardManagerX11::processEvents, Qt::QueuedConnection);
    Q_EMIT changed();
}

void ClipboardManagerX11::drop()
{
    {
        const std::lock_guard<std::mutex> lock(m_keptLock);
        if (!m_kept)
            return;
        m_kept.reset();
    }
    Q_EMIT changed();
}

void ClipboardManagerX11::notify(const xcb_selection_request_event_t &request, xcb_atom_t property)
{
    m_server->notify(request, property);
}

xcb_atom_t ClipboardManagerX11::atom(const char *name)
{
    return m_atoms.of(m_connection, name);
}

} // namespace platform
