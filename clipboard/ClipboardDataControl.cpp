#include "ClipboardDataControl.h"

#include "CaptureOffer.h"
#include "OfferPipe.h"
#include "OfferStream.h"
#include "OfferedPicture.h"
#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>
#include <vector>
#include <wayland-client.h>

namespace platform {

namespace {

// How long an owner may stay silent while it sends its data: as long as Qt
// waits for an X owner, so both kinds of owners are treated alike.
constexpr int AnswerMs = 5000;

// Offers larger than this are not read (a picture of that size would not be
// decoded anyway).
constexpr qsizetype MaxBytes = qsizetype{1} << 30;

// The Wayland connection and what its registry announced.
struct Connection
{
    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    wl_seat *seat = nullptr;
    uint32_t seatName = 0;
    uint32_t extName = 0;
    uint32_t wlrName = 0;
    uint32_t wlrVersion = 0;

    Connection() = default;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection()
    {
        if (seat)
            wl_seat_destroy(seat);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }

    DataControl offered() const
    {
        if (extName != 0)
            return DataControl::Ext;
        return wlrName != 0 ? DataControl::Wlr : DataControl::None;
    }

    static void global(void *data, wl_registry *, uint32_t name, const char *interface,
                       uint32_t version)
    {
        auto *self = static_cast<Connection *>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seatName == 0)
            self->seatName = name;
        else if (std::strcmp(interface, ext_data_control_manager_v1_interface.name) == 0)
            self->extName = name;
        else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
            self->wlrName = name;
            self->wlrVersion = version;
        }
    }
    static void globalRemoved(void *, wl_registry *, uint32_t) {}

    // Connects to WAYLAND_DISPLAY and learns its globals; null without one.
    static std::unique_ptr<Connection> open()
    {
        static const wl_registry_listener listener{&Connection::global, &Connection::globalRemoved};
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return nullptr;
        auto connection = std::make_unique<Connection>();
        connection->display = wl_display_connect(nullptr);
        if (!connection->display)
            return nullptr;
        connection->registry = wl_display_get_registry(connection->display);
        wl_registry_add_listener(connection->registry, &listener, connection.get());
        if (wl_display_roundtrip(connection->display) < 0)
            return nullptr;
        return connection;
    }
};

// The two protocols are alike request for request and event for event; only
// their names differ.
struct ExtProtocol
{
    using Manager = ext_data_control_manager_v1;
    using Device = ext_data_control_device_v1;
    using Offer = ext_data_control_offer_v1;
    using DeviceListener = ext_data_control_device_v1_listener;
    using OfferListener = ext_data_control_offer_v1_listener;
    using Source = ext_data_control_source_v1;
    using SourceListener = ext_data_control_source_v1_listener;
    static constexpr const char *Name = "ext-data-control-v1";

    static Source *source(Manager *m) { return ext_data_control_manager_v1_create_data_source(m); }
    static void listen(Source *s, const SourceListener *l, void *data)
    {
        ext_data_control_source_v1_add_listener(s, l, data);
    }
    static void offer(Source *s, const char *type) { ext_data_control_source_v1_offer(s, type); }
    static void setSelection(Device *d, Source *s)
    {
        ext_data_control_device_v1_set_selection(d, s);
    }
    static void destroy(Source *s) { ext_data_control_source_v1_destroy(s); }

    static Manager *bind(Connection &c)
    {
        return static_cast<Manager *>(
            wl_registry_bind(c.registry, c.extName, &ext_data_control_manager_v1_interface, 1));
    }
    static Device *device(Manager *m, wl_seat *seat)
    {
        return ext_data_control_manager_v1_get_data_device(m, seat);
    }
    static void listen(Device *d, const DeviceListener *l, void *data)
    {
        ext_data_control_device_v1_add_listener(d, l, data);
    }
    static void listen(Offer *o, const OfferListener *l, void *data)
    {
        ext_data_control_offer_v1_add_listener(o, l, data);
    }
    static void receive(Offer *o, const char *type, int fd)
    {
        ext_data_control_offer_v1_receive(o, type, fd);
    }
    static void unsetSelection(Device *d) { ext_data_control_device_v1_set_selection(d, nullptr); }
    static void destroy(Manager *m) { ext_data_control_manager_v1_destroy(m); }
    static void destroy(Device *d) { ext_data_control_device_v1_destroy(d); }
    static void destroy(Offer *o) { ext_data_control_offer_v1_destroy(o); }
};

struct WlrProtocol
{
    using Manager = zwlr_data_control_manager_v1;
    using Device = zwlr_data_control_device_v1;
    using Offer = zwlr_data_control_offer_v1;
    using DeviceListener = zwlr_data_control_device_v1_listener;
    using OfferListener = zwlr_data_control_offer_v1_listener;
    using Source = zwlr_data_control_source_v1;
    using SourceListener = zwlr_data_control_source_v1_listener;
    static constexpr const char *Name = "zwlr-data-control-unstable-v1";

    static Source *source(Manager *m) { return zwlr_data_control_manager_v1_create_data_source(m); }
    static void listen(Source *s, const SourceListener *l, void *data)
    {
        zwlr_data_control_source_v1_add_listener(s, l, data);
    }
    static void offer(Source *s, const char *type) { zwlr_data_control_source_v1_offer(s, type); }
    static void setSelection(Device *d, Source *s)
    {
        zwlr_data_control_device_v1_set_selection(d, s);
    }
    static void destroy(Source *s) { zwlr_data_control_source_v1_destroy(s); }

    // Version 1: the primary selection (version 2) is of no interest here.
    static Manager *bind(Connection &c)
    {
        return static_cast<Manager *>(
            wl_registry_bind(c.registry, c.wlrName, &zwlr_data_control_manager_v1_interface, 1));
    }
    static Device *device(Manager *m, wl_seat *seat)
    {
        return zwlr_data_control_manager_v1_get_data_device(m, seat);
    }
    static void listen(Device *d, const DeviceListener *l, void *data)
    {
        zwlr_data_control_device_v1_add_listener(d, l, data);
    }
    static void listen(Offer *o, const OfferListener *l, void *data)
    {
        zwlr_data_control_offer_v1_add_listener(o, l, data);
    }
    static void receive(Offer *o, const char *type, int fd)
    {
        zwlr_data_control_offer_v1_receive(o, type, fd);
    }
    static void unsetSelection(Device *d) { zwlr_data_control_device_v1_set_selection(d, nullptr); }
    static void destroy(Manager *m) { zwlr_data_control_manager_v1_destroy(m); }
    static void destroy(Device *d) { zwlr_data_control_device_v1_destroy(d); }
    static void destroy(Offer *o) { zwlr_data_control_offer_v1_destroy(o); }
};

// A file descriptor closed when it goes out of scope.
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() { reset(); }
    int get() const { return m_fd; }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

// Sends one type of a capture to a program pasting it, on a thread of its
// own: the PNG file may still be on its way, and the program may read
// slowly or not at all. A program that stops reading for AnswerMs, or goes
// away, ends the transfer; it never ends Pictarro (SIGPIPE is held back on
// this thread, so the write fails instead).
void sendCapture(const std::shared_ptr<const CaptureOffer> &offer, const QString &type, int fd)
{
    const Fd out(fd);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const QByteArray bytes = offer->bytes(type);
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (wrote > 0) {
            sent += wrote;
            continue;
        }
        if (wrote < 0 && errno == EINTR)
            continue;
        pollfd ready{fd, POLLOUT, 0};
        if (wrote == 0 || errno != EAGAIN || ::poll(&ready, 1, AnswerMs) <= 0 ||
            (ready.revents & (POLLERR | POLLHUP)) != 0)
            return;
    }
}

template <typename P> class DataControlClipboard final : public ClipboardBackend
{
public:
    DataControlClipboard(std::unique_ptr<Connection> connection,
                         std::unique_ptr<ClipboardBackend> xSide)
        : m_connection(std::move(connection)), m_xSide(std::move(xSide)),
          m_manager(P::bind(*m_connection)), m_device(P::device(m_manager, m_connection->seat))
    {
        static const typename P::DeviceListener listener{
            &DataControlClipboard::dataOffer, &DataControlClipboard::selection,
            &DataControlClipboard::finished, &DataControlClipboard::primarySelection};
        P::listen(m_device, &listener, this);
        // The current selection arrives at once; what was offered before
        // Pictarro started is not announced as a change.
        if (wl_display_roundtrip(display()) < 0)
            lost();
        m_changedPending = false;
        m_notifier =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(display()), QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this,
                &DataControlClipboard::readEvents);
    }

    ~DataControlClipboard() override
    {
        m_notifier.reset();
        if (m_source)
            P::destroy(m_source);
        m_sending.clear(); // each ends within AnswerMs
        m_pending.clear();
        m_current.reset();
        if (m_device)
            P::destroy(m_device);
        P::destroy(m_manager);
        wl_display_flush(display());
    }

    QString name() const override { return QStringLiteral("data-control"); }

    QStringList formats() const override
    {
        return m_current && !m_silent ? m_current->types : QStringList();
    }

    QByteArray data(const QString &mimeType) const override
    {
        const std::shared_ptr<Fd> from = ask(mimeType);
        if (!from)
            return {};
        std::optional<QByteArray> bytes = collect(from->get(), mimeType, -1);
        if (!bytes) {
            // Asked once: until the clipboard changes hands it reads as empty.
            m_silent = true;
            return {};
        }
        return *bytes;
    }

    Transfer beginRead(const QString &mimeType) override
    {
        m_readSerial = m_serial;
        std::shared_ptr<Fd> from = ask(mimeType);
        if (!from)
            return delivered({});
        return [from = std::move(from), mimeType](int cancel) {
            return collect(from->get(), mimeType, cancel);
        };
    }

    QByteArray endRead(std::optional<QByteArray> bytes) override
    {
        // Only the owner that was asked is taken for silent.
        if (!bytes && m_readSerial == m_serial)
            m_silent = true;
        return bytes ? std::move(*bytes) : QByteArray();
    }

    void holdOffer() override
    {
        m_held = m_serial;
        if (m_xSide)
            m_xSide->holdOffer();
    }

    void clear() override
    {
        if (!m_device || m_lost)
            return;
        // Learn of a newer offer first: the one held may be gone already,
        // and its successor is not Pictarro's to drop.
        if (!m_dispatching && wl_display_roundtrip(display()) < 0) {
            lost();
            return;
        }
        const bool drop = !m_held || *m_held == m_serial;
        m_held.reset();
        if (drop && m_xSide)
            m_xSide->clear(); // drops the X owner, if it is still the one held
        if (drop && m_current) {
            P::unsetSelection(m_device);
            flush();
            // Empty from now on, not only once the compositor confirms: the
            // picture just taken is not read again meanwhile.
            m_current.reset();
            ++m_serial;
            m_changedPending = true;
        }
        announce();
    }

    void offerCapture(std::shared_ptr<const CaptureOffer> offer, bool inPlaceOfHeld) override
    {
        if (!inPlaceOfHeld)
            m_held.reset();
        if (!m_device || m_lost)
            return;
        // As clear(): only in place of the offer the picture came from.
        if (!m_dispatching && wl_display_roundtrip(display()) < 0) {
            lost();
            return;
        }
        const bool replace = !m_held || *m_held == m_serial;
        m_held.reset();
        if (!replace) {
            announce();
            return;
        }
        static const typename P::SourceListener listener{&DataControlClipboard::send,
                                                         &DataControlClipboard::cancelled};
        typename P::Source *source = P::source(m_manager);
        P::listen(source, &listener, this);
        for (const QString &type : offer->types())
            P::offer(source, type.toUtf8().constData());
        P::setSelection(m_device, source);
        if (m_source)
            P::destroy(m_source);
        m_source = source;
        m_offered = std::move(offer);
        flush();
        announce();
    }

private:
    struct Offer
    {
        typename P::Offer *proxy = nullptr;
        QStringList types;
        Offer(const Offer &) = delete;
        Offer &operator=(const Offer &) = delete;
        explicit Offer(typename P::Offer *offer) : proxy(offer) {}
        ~Offer() { P::destroy(proxy); }
    };

    wl_display *display() const { return m_connection->display; }

    // Sends what is queued; waits (briefly) while the socket is full.
    bool flush() const
    {
        const QDeadlineTimer deadline(AnswerMs);
        while (wl_display_flush(display()) < 0) {
            if (errno != EAGAIN || deadline.hasExpired()) {
                qWarning("Pictarro cannot reach the Wayland compositor: %s", std::strerror(errno));
                return false;
            }
            pollfd out{wl_display_get_fd(display()), POLLOUT, 0};
            ::poll(&out, 1, static_cast<int>(deadline.remainingTime()));
        }
        return true;
    }

    void readEvents()
    {
        wl_display *d = display();
        m_dispatching = true;
        bool ok = true;
        while (ok && wl_display_prepare_read(d) != 0)
            ok = wl_display_dispatch_pending(d) >= 0;
        if (ok) {
            wl_display_flush(d);
            ok = wl_display_read_events(d) >= 0 && wl_display_dispatch_pending(d) >= 0;
        }
        m_dispatching = false;
        if (!ok)
            lost();
        announce();
    }

    void announce()
    {
        if (m_changedPending) {
            m_changedPending = false;
            Q_EMIT changed();
        }
    }

    void lost()
    {
        if (m_lost)
            return;
        m_lost = true;
        if (m_notifier)
            m_notifier->setEnabled(false);
        m_current.reset();
        m_changedPending = true;
        qWarning("Pictarro lost its connection to the Wayland compositor (%s) and no longer "
                 "watches the clipboard",
                 std::strerror(wl_display_get_error(display())));
    }

    std::unique_ptr<Offer> takePending(typename P::Offer *proxy)
    {
        const auto found = std::find_if(m_pending.begin(), m_pending.end(),
                                        [proxy](const auto &o) { return o->proxy == proxy; });
        if (found == m_pending.end())
            return nullptr;
        std::unique_ptr<Offer> offer = std::move(*found);
        m_pending.erase(found);
        return offer;
    }

    static void offered(void *data, typename P::Offer *, const char *mimeType)
    {
        static_cast<Offer *>(data)->types.append(QString::fromUtf8(mimeType));
    }

    static void dataOffer(void *data, typename P::Device *, typename P::Offer *proxy)
    {
        static const typename P::OfferListener listener{&DataControlClipboard::offered};
        auto *self = static_cast<DataControlClipboard *>(data);
        self->m_pending.push_back(std::make_unique<Offer>(proxy));
        P::listen(proxy, &listener, self->m_pending.back().get());
    }

    static void selection(void *data, typename P::Device *, typename P::Offer *proxy)
    {
        auto *self = static_cast<DataControlClipboard *>(data);
        self->m_current = proxy ? self->takePending(proxy) : nullptr;
        self->m_silent = false;
        ++self->m_serial;
        self->m_changedPending = true;
    }

    static void send(void *data, typename P::Source *source, const char *mimeType, int32_t fd)
    {
        auto *self = static_cast<DataControlClipboard *>(data);
        if (source != self->m_source || !self->m_offered) {
            ::close(fd);
            return;
        }
        // The transfers that ended are let go; the others go on.
        self->m_sending.erase(std::remove_if(self->m_sending.begin(), self->m_sending.end(),
                                             [](const std::future<void> &sending) {
                                                 return sending.wait_for(std::chrono::seconds(0)) ==
                                                        std::future_status::ready;
                                             }),
                              self->m_sending.end());
        try {
            self->m_sending.push_back(std::async(std::launch::async, sendCapture, self->m_offered,
                                                 QString::fromUtf8(mimeType), fd));
        } catch (const std::system_error &) {
            ::close(fd); // no thread to be had: this paste gets nothing
        }
    }

    static void cancelled(void *data, typename P::Source *source)
    {
        // Another program copied: the capture is no longer offered.
        auto *self = static_cast<DataControlClipboard *>(data);
        P::destroy(source);
        if (source == self->m_source) {
            self->m_source = nullptr;
            self->m_offered.reset();
        }
    }

    static void primarySelection(void *data, typename P::Device *, typename P::Offer *proxy)
    {
        // Not watched: its offer is dropped at once.
        if (proxy)
            static_cast<DataControlClipboard *>(data)->takePending(proxy);
    }

    static void finished(void *data, typename P::Device *)
    {
        auto *self = static_cast<DataControlClipboard *>(data);
        P::destroy(self->m_device);
        self->m_device = nullptr;
        self->m_current.reset();
        self->m_changedPending = true;
        qWarning("Pictarro: the compositor ended its clipboard watch");
    }

    // Asks the current owner for one type: the read end of the pipe it
    // writes into, or null when it is not offered or cannot be asked.
    std::shared_ptr<Fd> ask(const QString &mimeType) const
    {
        if (!m_current || m_silent || !m_current->types.contains(mimeType))
            return nullptr;
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            qWarning("Pictarro cannot read the clipboard: %s", std::strerror(errno));
            return nullptr;
        }
        auto readEnd = std::make_shared<Fd>(ends[0]);
        const Fd writeEnd(ends[1]);
        P::receive(m_current->proxy, mimeType.toUtf8().constData(), writeEnd.get());
        return flush() ? readEnd : nullptr;
    }

    // What the owner writes into `fd`; a picture is checked as it arrives.
    static std::optional<QByteArray> collect(int fd, const QString &mimeType, int cancel)
    {
        std::optional<OfferStream> stream;
        if (OfferedPicture::types().contains(mimeType) &&
            mimeType != QLatin1String("application/x-qt-image"))
            stream.emplace(mimeType);
        return readOffer(fd, MaxBytes, AnswerMs, stream ? &*stream : nullptr, cancel);
    }

    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<ClipboardBackend> m_xSide;
    typename P::Manager *m_manager = nullptr;
    typename P::Device *m_device = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<std::unique_ptr<Offer>> m_pending; // announced, not yet the selection
    std::unique_ptr<Offer> m_current;              // the selection, null when empty
    typename P::Source *m_source = nullptr;        // a capture offered, while it is
    std::shared_ptr<const CaptureOffer> m_offered; // what it offers
    std::vector<std::future<void>> m_sending;      // pastes being answered
    quint64 m_serial = 0;                          // counts changes of the selection
    std::optional<quint64> m_held;                 // the selection a picture was read from
    quint64 m_readSerial = 0;                      // the selection being read
    mutable bool m_silent = false;                 // the current owner did not deliver
    bool m_changedPending = false;
    bool m_dispatching = false;
    bool m_lost = false;
};

std::unique_ptr<Connection> connectWithSeat()
{
    std::unique_ptr<Connection> connection = Connection::open();
    if (!connection || connection->seatName == 0 || connection->offered() == DataControl::None)
        return nullptr;
    connection->seat = static_cast<wl_seat *>(
        wl_registry_bind(connection->registry, connection->seatName, &wl_seat_interface, 1));
    return connection;
}

} // namespace

DataControl waylandDataControl()
{
    const std::unique_ptr<Connection> connection = Connection::open();
    return connection && connection->seatName != 0 ? connection->offered() : DataControl::None;
}

std::unique_ptr<ClipboardBackend> createDataControlClipboard(const BackendMaker &makeXSide)
{
    std::unique_ptr<Connection> connection = connectWithSeat();
    if (!connection)
        return nullptr;
    std::unique_ptr<ClipboardBackend> xSide = makeXSide ? makeXSide() : nullptr;
    if (connection->offered() == DataControl::Ext)
        return std::make_unique<DataControlClipboard<ExtProtocol>>(std::move(connection),
                                                                   std::move(xSide));
    return std::make_unique<DataControlClipboard<WlrProtocol>>(std::move(connection),
                                                               std::move(xSide));
}

} // namespace platform
