#include "OfferPipe.h"

#include "OfferStream.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace platform {

std::optional<QByteArray> readOffer(int fd, qsizetype maxBytes, int answerMs, OfferStream *stream,
                                    int cancel)
{
    constexpr qsizetype Chunk = 256 * 1024;
    QByteArray bytes;
    QDeadlineTimer deadline(answerMs);
    for (;;) {
        pollfd in[2] = {{fd, POLLIN, 0}, {cancel, POLLIN, 0}};
        const int ready =
            ::poll(in, cancel >= 0 ? 2 : 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0 && in[1].revents != 0)
            return QByteArray(); // no longer wanted
        if (ready <= 0) {
            qWarning("Pictarro: the clipboard's owner did not deliver its data in time");
            return std::nullopt;
        }
        const qsizetype had = bytes.size();
        if (bytes.capacity() < had + Chunk)
            bytes.reserve(std::max(had + Chunk, 2 * bytes.capacity()));
        bytes.resize(had + Chunk);
        const ssize_t got = ::read(fd, bytes.data() + had, static_cast<size_t>(Chunk));
        bytes.resize(had + std::max<qsizetype>(got, 0));
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0) {
            qWarning("Pictarro cannot read the clipboard: %s", std::strerror(errno));
            return std::nullopt;
        }
        if (got == 0)
            return bytes;
        if (stream) {
            stream->feed(QByteArrayView(bytes).sliced(had));
            bytes.truncate(static_cast<qsizetype>(std::min<qint64>(bytes.size(), stream->taken())));
            if (stream->state() == OfferStream::State::Refused)
                return QByteArray();
            if (stream->state() != OfferStream::State::More)
                return bytes;
        }
        if (bytes.size() > maxBytes)
            return QByteArray();
        deadline = QDeadlineTimer(answerMs);
    }
}

} // namespace platform
