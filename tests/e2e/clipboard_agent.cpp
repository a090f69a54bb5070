// The outside world of the end-to-end tests: programs that own or watch the
// X clipboard the way real desktop programs do, good and bad. Every mode
// reports what it does on standard output, one line per event, so a test
// can follow it.
//
//   clipboard_agent feed FIRST COUNT WIDTH HEIGHT
//       Offers the numbered pictures FIRST .. FIRST+COUNT-1 one after
//       another, each as soon as the previous one was taken off the
//       clipboard ("offered N"); exits once the last one was taken.
//   clipboard_agent feed-eagerly FIRST COUNT WIDTH HEIGHT
//       The same from one window that never waits: each picture is offered
//       the moment the one before was read ("offered N"), as a screenshot
//       tool in a hurry would. Exits once the last one was taken off the
//       clipboard.
//   clipboard_agent keep
//       A clipboard manager that never lets the clipboard stay empty: it
//       remembers the last picture it saw and offers it again as soon as
//       the clipboard is emptied ("refill N"). A line "offer FILE" on its
//       standard input offers that picture from the manager's history, as
//       a user picking it there would ("offered").
//   clipboard_agent hang
//       Owns the clipboard and never answers a request ("request N").
//   clipboard_agent die-mid-transfer FILE
//       Owns the clipboard with FILE as image/png, starts sending it in
//       pieces and exits after the first piece ("dying").
//   clipboard_agent stream TYPE BYTES [HEAD [stall]]
//       Owns the clipboard with BYTES bytes of TYPE, sent in pieces of
//       256 KiB made as they go: the bytes of the file HEAD, then zeros
//       ("sending" at the first piece, "sent N" at the end). With "stall"
//       it sends HEAD and then nothing more ("stalling"). Exits once it
//       loses the clipboard ("lost").
//   clipboard_agent stream-and-quit TYPE BYTES [HEAD [stall]]
//       The same from a program that quits at once: it asks the clipboard
//       manager to save its offer and serves whoever asks for it, exiting
//       once the manager answers ("released after MS"), or after 30 s
//       ("not released"); "no manager" when there is none.
//   clipboard_agent hold-print
//       A desktop's screenshot tool: grabs PrintScreen (without Alt, with
//       NumLock and CapsLock in every state) on the root window ("holding",
//       or "refused" when another client holds it) and reports every press
//       ("pressed").
//   clipboard_agent copy-and-quit picture N WIDTH HEIGHT | text TEXT
//       Copies numbered picture N, or the text, and returns from main at
//       once, as screenshot tools do: Qt hands the clipboard over to the
//       clipboard manager on the way out. Says "quit after MS" at the end.
//       "picture-after-noise" in place of "picture" first offers bytes
//       that are no picture from the same window, until they were read.
//   clipboard_agent copy-and-quit-in-pieces N WIDTH HEIGHT
//       The same with numbered picture N as PNG on the bare protocol, as a
//       GTK program hands it over: the targets to save listed beside the
//       request, the picture sent in 64 KiB pieces (INCR). Exits once the
//       manager answers ("released after MS").
//   clipboard_agent save-never-delivers
//       Owns the clipboard with a PNG picture, asks the clipboard manager
//       to save it and never delivers it ("released after MS" once the
//       manager answers, "not released" after 30 s, "no manager").
//   clipboard_agent window-manager-gone WINDOW
//       A window manager that ended without cleaning up: its check window
//       named on the root window (_NET_SUPPORTING_WM_CHECK) is gone, its
//       word that WINDOW is active (_NET_ACTIVE_WINDOW) stays ("gone").
//   clipboard_agent owner SELECTION
//       Says the window that owns the selection ("0x…"), or "none".
//   clipboard_agent manager
//       A clipboard manager of the desktop's: owns CLIPBOARD_MANAGER
//       ("managing"), answers each request to save ("save request N") and
//       reports losing the selection ("lost").

#include "AgentXcb.h"
#include "E2eSupport.h"

#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

using namespace agent;

// Offers a picture; `offer` identifies the offer from then on, also for
// the change that the offer itself announces.
void offerPicture(QClipboard *clipboard, const QImage &picture, const QMimeData *&offer)
{
    auto *data = new QMimeData;
    data->setImageData(picture);
    offer = data;
    clipboard->setMimeData(data);
}

// Whether an offer of ours still holds the clipboard. QClipboard's own
// ownsClipboard() is no help: a Qt owner whose ownership another client
// gives up (owner None, as Pictarro does) still believes it owns.
bool stillOffered(QClipboard *clipboard, const QMimeData *offer)
{
    return offer && clipboard->mimeData() == offer;
}

int feed(int argc, char **argv)
{
    if (argc != 6)
        return 2;
    const int first = std::atoi(argv[2]);
    const int count = std::atoi(argv[3]);
    const QSize size(std::atoi(argv[4]), std::atoi(argv[5]));
    QGuiApplication app(argc, argv);
    QClipboard *clipboard = QGuiApplication::clipboard();
    int next = first;
    const QMimeData *offer = nullptr;
    const auto offerNext = [&] {
        if (next == first + count) {
            QGuiApplication::exit(0);
            return;
        }
        offerPicture(clipboard, e2e::numberedPicture(next, size), offer);
        say("offered " + QByteArray::number(next));
        ++next;
    };
    // Losing the clipboard means the picture was taken: offer the next.
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [&] {
        if (!stillOffered(clipboard, offer))
            offerNext();
    });
    offerNext();
    return QGuiApplication::exec();
}

// A picture offer that tells when its bytes are read.
class WatchedOffer final : public QMimeData
{
public:
    explicit WatchedOffer(std::function<void()> read) : m_read(std::move(read)) {}

protected:
    QVariant retrieveData(const QString &type, QMetaType wanted) const override
    {
        if (m_read)
            QTimer::singleShot(0, qApp, m_read); // once this answer is on its way
        return QMimeData::retrieveData(type, wanted);
    }

private:
    std::function<void()> m_read;
};

int feedEagerly(int argc, char **argv)
{
    if (argc != 6)
        return 2;
    const int first = std::atoi(argv[2]);
    const int last = first + std::atoi(argv[3]) - 1;
    const QSize size(std::atoi(argv[4]), std::atoi(argv[5]));
    QGuiApplication app(argc, argv);
    QClipboard *clipboard = QGuiApplication::clipboard();
    int offered = first - 1;
    const QMimeData *offer = nullptr;
    std::function<void()> offerNext = [&] {
        ++offered;
        const int current = offered;
        auto *data = new WatchedOffer([&, current] {
            if (offered == current && current < last)
                offerNext(); // the first read of this one, not a later read
        });
        data->setImageData(e2e::numberedPicture(offered, size));
        offer = data;
        clipboard->setMimeData(data);
        say("offered " + QByteArray::number(offered));
    };
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [&] {
        if (offered == last && !stillOffered(clipboard, offer))
            QGuiApplication::exit(0);
    });
    offerNext();
    return QGuiApplication::exec();
}

int keep(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QClipboard *clipboard = QGuiApplication::clipboard();
    QImage last;
    const QMimeData *offer = nullptr;
    int refills = 0;
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [&] {
        if (stillOffered(clipboard, offer))
            return;
        const QMimeData *data = clipboard->mimeData();
        if (data && !data->formats().isEmpty()) {
            // Like a clipboard history: remember every picture offered.
            if (data->hasImage() && !data->hasText()) {
                const QImage picture = clipboard->image();
                if (!picture.isNull())
                    last = picture;
            }
            return;
        }
        if (last.isNull())
            return;
        offerPicture(clipboard, last, offer);
        say("refill " + QByteArray::number(++refills));
    });
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray input;
    QObject::connect(&commands, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            commands.setEnabled(false);
            return;
        }
        input.append(buffer, got);
        for (qsizetype end = input.indexOf('\n'); end >= 0; end = input.indexOf('\n')) {
            const QByteArray line = input.left(end);
            input.remove(0, end + 1);
            if (!line.startsWith("offer "))
                continue;
            last = QImage(QString::fromLocal8Bit(line.mid(6)));
            offerPicture(clipboard, last, offer);
            say("offered");
        }
    });
    say("keeping");
    return QGuiApplication::exec();
}

// An owner written against the bare protocol, so it can misbehave in ways
// a toolkit never would.
int rawOwner(bool answer, const QByteArray &png)
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 3;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboardAtom = internAtom(connection, "CLIPBOARD");
    const xcb_atom_t targets = internAtom(connection, "TARGETS");
    const xcb_atom_t pngAtom = internAtom(connection, "image/png");
    const xcb_atom_t incr = internAtom(connection, "INCR");
    xcb_set_selection_owner(connection, window, clipboardAtom, XCB_CURRENT_TIME);
    xcb_flush(connection);
    say("owning");

    int requests = 0;
    while (xcb_generic_event_t *raw = xcb_wait_for_event(connection)) {
        const Reply<xcb_generic_event_t> event(raw);
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) {
            say("lost");
            return 0;
        }
        if (type != XCB_SELECTION_REQUEST)
            continue;
        const auto &request = *reinterpret_cast<xcb_selection_request_event_t *>(raw);
        say("request " + QByteArray::number(++requests));
        if (!answer)
            continue;
        if (request.target == targets) {
            const xcb_atom_t offered[] = {targets, pngAtom};
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, XCB_ATOM_ATOM, 32, 2, offered);
            notify(connection, request, request.property);
        } else if (request.target == pngAtom) {
            // Announce an incremental transfer, hand over the first piece
            // once the requestor asks for it, and die.
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &mask);
            const auto total = static_cast<uint32_t>(png.size());
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, incr, 32, 1, &total);
            notify(connection, request, request.property);
            while (xcb_generic_event_t *nextRaw = xcb_wait_for_event(connection)) {
                const Reply<xcb_generic_event_t> next(nextRaw);
                if ((next->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                    continue;
                const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(nextRaw);
                if (change->window != request.requestor || change->atom != request.property ||
                    change->state != XCB_PROPERTY_DELETE)
                    continue;
                const auto piece = static_cast<uint32_t>(qMin<qsizetype>(png.size() / 4, 65536));
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                    request.property, pngAtom, 8, piece, png.constData());
                xcb_flush(connection);
                say("dying");
                _exit(0);
            }
        } else {
            notify(connection, request, XCB_ATOM_NONE);
        }
    }
    return 0;
}

int holdPrint()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0)
        return 3;
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const Reply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<uint8_t>(count)),
        nullptr));
    if (!mapping)
        return 3;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;
    xcb_keycode_t print = 0;
    for (int k = 0; k < count && print == 0; ++k) {
        if (syms[k * perKey] == 0xff61) // Print
            print = static_cast<xcb_keycode_t>(setup->min_keycode + k);
    }
    bool held = print != 0;
    for (const int locks :
         {0, int{XCB_MOD_MASK_LOCK}, int{XCB_MOD_MASK_2}, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2}) {
        const Reply<xcb_generic_error_t> error(xcb_request_check(
            connection, xcb_grab_key_checked(connection, 0, root, static_cast<uint16_t>(locks),
                                             print, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        held = held && !error;
    }
    say(held ? "holding" : "refused");
    while (xcb_generic_event_t *raw = xcb_wait_for_event(connection)) {
        const Reply<xcb_generic_event_t> event(raw);
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS)
            say("pressed");
    }
    return 0;
}

int copyAndQuit(int argc, char **argv)
{
    const QByteArray what = argc > 2 ? QByteArray(argv[2]) : QByteArray();
    QElapsedTimer quitting;
    {
        QGuiApplication app(argc, argv);
        if (what == "picture-after-noise" && argc == 6) {
            // First bytes that decode to nothing, copied from the same
            // window, until they were read.
            auto *noise = new WatchedOffer([] { QGuiApplication::exit(0); });
            noise->setData(QStringLiteral("image/png"),
                           QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(4096, '\x5a'));
            QGuiApplication::clipboard()->setMimeData(noise);
            say("noise copied");
            QGuiApplication::exec();
            say("noise read");
        }
        auto *data = new QMimeData;
        if ((what == "picture" || what == "picture-after-noise") && argc == 6)
            data->setImageData(e2e::numberedPicture(std::atoi(argv[3]),
                                                    QSize(std::atoi(argv[4]), std::atoi(argv[5]))));
        else if (what == "text" && argc == 4)
            data->setText(QString::fromUtf8(argv[3]));
        else
            return 2;
        QGuiApplication::clipboard()->setMimeData(data);
        say("copied");
        quitting.start();
    }
    say("quit after " + QByteArray::number(quitting.elapsed()));
    return 0;
}

// A bare X client for the modes that speak the protocol themselves.
struct Client
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t window = XCB_WINDOW_NONE;
    xcb_window_t root = XCB_WINDOW_NONE;

    bool open()
    {
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection))
            return false;
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        root = screen->root;
        window = xcb_generate_id(connection);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
        return true;
    }
    xcb_window_t owner(xcb_atom_t selection) const
    {
        const Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr));
        return reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
    }
    // The next event, or null after `ms`.
    Reply<xcb_generic_event_t> next(int ms) const
    {
        if (xcb_generic_event_t *queued = xcb_poll_for_event(connection))
            return Reply<xcb_generic_event_t>(queued);
        pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
        if (::poll(&fd, 1, ms) <= 0)
            return nullptr;
        return Reply<xcb_generic_event_t>(xcb_poll_for_event(connection));
    }
};

// Serves `png` to a request, whole or, past 64 KiB, in pieces; returns
// whether a transfer in pieces was started (then `sent` counts).
bool servePng(xcb_connection_t *connection, const xcb_selection_request_event_t &request,
              const QByteArray &png, xcb_atom_t pngAtom, xcb_atom_t incr)
{
    constexpr qsizetype Piece = 65536;
    if (png.size() <= Piece) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                            pngAtom, 8, static_cast<uint32_t>(png.size()), png.constData());
        notify(connection, request, request.property);
        return false;
    }
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &mask);
    const auto total = static_cast<uint32_t>(png.size());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                        incr, 32, 1, &total);
    notify(connection, request, request.property);
    return true;
}

int saveNeverDelivers(const QByteArray &png = {})
{
    Client client;
    if (!client.open())
        return 3;
    xcb_connection_t *connection = client.connection;
    const xcb_atom_t clipboardAtom = internAtom(connection, "CLIPBOARD");
    const xcb_atom_t managerAtom = internAtom(connection, "CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = internAtom(connection, "SAVE_TARGETS");
    const xcb_atom_t targets = internAtom(connection, "TARGETS");
    const xcb_atom_t pngAtom = internAtom(connection, "image/png");
    const xcb_atom_t listed = internAtom(connection, "_AGENT_SAVE");
    const xcb_atom_t incr = internAtom(connection, "INCR");
    xcb_selection_request_event_t transfer{}; // a transfer in pieces, while sent >= 0
    qsizetype sent = -1;
    xcb_set_selection_owner(connection, client.window, clipboardAtom, XCB_CURRENT_TIME);
    if (client.owner(managerAtom) == XCB_WINDOW_NONE) {
        say("no manager");
        return 1;
    }
    // As GTK does: the targets to save are listed on a property.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, client.window, listed, XCB_ATOM_ATOM, 32,
                        1, &pngAtom);
    xcb_convert_selection(connection, client.window, managerAtom, saveTargets, listed,
                          XCB_CURRENT_TIME);
    xcb_flush(connection);
    QElapsedTimer waiting;
    waiting.start();
    while (!waiting.hasExpired(30000)) {
        const Reply<xcb_generic_event_t> event = client.next(100);
        if (!event)
            continue;
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_NOTIFY) {
            say("released after " + QByteArray::number(waiting.elapsed()));
            return 0;
        }
        if (type == XCB_PROPERTY_NOTIFY && sent >= 0) {
            const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(event.get());
            if (change->window != transfer.requestor || change->atom != transfer.property ||
                change->state != XCB_PROPERTY_DELETE)
                continue;
            const qsizetype piece = std::min<qsizetype>(65536, png.size() - sent);
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, transfer.requestor,
                                transfer.property, pngAtom, 8, static_cast<uint32_t>(piece),
                                png.constData() + sent);
            xcb_flush(connection);
            sent = piece == 0 ? -1 : sent + piece;
            continue;
        }
        if (type != XCB_SELECTION_REQUEST)
            continue;
        const auto &request = *reinterpret_cast<xcb_selection_request_event_t *>(event.get());
        if (request.target == targets) {
            const xcb_atom_t offered[] = {targets, pngAtom};
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, XCB_ATOM_ATOM, 32, 2, offered);
            notify(connection, request, request.property);
        } else if (request.target == pngAtom && !png.isEmpty()) {
            if (servePng(connection, request, png, pngAtom, incr)) {
                transfer = request;
                sent = 0;
            }
        } else if (request.target != pngAtom) {
            notify(connection, request, XCB_ATOM_NONE);
        }
    }
    say("not released");
    return 1;
}

int manager()
{
    Client client;
    if (!client.open())
        return 3;
    xcb_connection_t *connection = client.connection;
    const xcb_atom_t managerAtom = internAtom(connection, "CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = internAtom(connection, "SAVE_TARGETS");
    xcb_set_selection_owner(connection, client.window, managerAtom, XCB_CURRENT_TIME);
    if (client.owner(managerAtom) != client.window)
        return 1;
    say("managing");
    int requests = 0;
    while (xcb_generic_event_t *raw = xcb_wait_for_event(connection)) {
        const Reply<xcb_generic_event_t> event(raw);
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR)
            say("lost");
        if (type != XCB_SELECTION_REQUEST)
            continue;
        const auto &request = *reinterpret_cast<xcb_selection_request_event_t *>(raw);
        if (request.target != saveTargets) {
            notify(connection, request, XCB_ATOM_NONE);
            continue;
        }
        say("save request " + QByteArray::number(++requests));
        notify(connection, request, request.property);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "feed")
        return feed(argc, argv);
    if (mode == "keep")
        return keep(argc, argv);
    if (mode == "feed-eagerly")
        return feedEagerly(argc, argv);
    if (mode == "copy-and-quit")
        return copyAndQuit(argc, argv);
    if (mode == "save-never-delivers")
        return saveNeverDelivers();
    if (mode == "copy-and-quit-in-pieces" && argc == 5) {
        QGuiApplication app(argc, argv); // for the PNG encoder's plugins
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        e2e::numberedPicture(std::atoi(argv[2]), QSize(std::atoi(argv[3]), std::atoi(argv[4])))
            .save(&buffer, "PNG");
        return saveNeverDelivers(png);
    }
    if (mode == "manager")
        return manager();
    if (mode == "window-manager-gone" && argc == 3) {
        Client client;
        if (!client.open())
            return 3;
        xcb_connection_t *c = client.connection;
        const auto setWindow = [&](xcb_window_t on, const char *name, xcb_window_t value) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, on, internAtom(c, name), XCB_ATOM_WINDOW,
                                32, 1, &value);
        };
        setWindow(client.window, "_NET_SUPPORTING_WM_CHECK", client.window);
        setWindow(client.root, "_NET_SUPPORTING_WM_CHECK", client.window);
        setWindow(client.root, "_NET_ACTIVE_WINDOW",
                  static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0)));
        // Once the server has them all, the check window goes with the
        // connection.
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        xcb_disconnect(c);
        say("gone");
        return 0;
    }
    if (mode == "owner" && argc == 3) {
        Client client;
        if (!client.open())
            return 3;
        const xcb_window_t owner = client.owner(internAtom(client.connection, argv[2]));
        say(owner == XCB_WINDOW_NONE ? QByteArray("none") : "0x" + QByteArray::number(owner, 16));
        return 0;
    }
    if (mode == "hang")
        return rawOwner(false, {});
    if (mode == "die-mid-transfer" && argc == 3) {
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (!file.open(QIODevice::ReadOnly))
            return 3;
        return rawOwner(true, file.readAll());
    }
    if (mode == "hold-print")
        return holdPrint();
    if ((mode == "stream" || mode == "stream-and-quit") && argc >= 4) {
        QByteArray head;
        QFile file(argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString());
        if (argc > 4 && file.open(QIODevice::ReadOnly))
            head = file.readAll();
        return agent::stream(argv[2], std::atoll(argv[3]), head, argc > 5,
                             mode == "stream-and-quit");
    }
    std::fputs("usage: clipboard_agent feed FIRST COUNT WIDTH HEIGHT | "
               "feed-eagerly FIRST COUNT WIDTH HEIGHT | keep | hang | "
               "die-mid-transfer FILE | copy-and-quit picture N W H | copy-and-quit text TEXT | "
               "copy-and-quit-in-pieces N W H | "
               "save-never-delivers | manager | owner SELECTION | window-manager-gone WINDOW | "
               "hold-print | stream TYPE BYTES [HEAD [stall]] | "
               "stream-and-quit TYPE BYTES [HEAD [stall]]\n",
               stderr);
    return 2;
}
