// libFuzzer target for what the data-control clipboard takes from other
// programs, as far as Pictarro itself parses it: the MIME types an offer
// lists (one a line, up to an empty line), the choice of the picture type
// among them, the bytes the owner writes into the pipe (in pieces whose
// size the input sets), and the picture read from them.
//
// Built and run by run-fuzz.sh with clang (-fsanitize=fuzzer,address,undefined).

#include "FuzzSupport.h"
#include "OfferPipe.h"
#include "OfferedPicture.h"

#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>

using namespace platform;

namespace {

constexpr const char *Name = "fuzz_offer_pipe";
constexpr qsizetype MaxBytes = 32 * 1024; // the limit, lowered to meet it within max_len

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    const qsizetype end = input.indexOf(QByteArrayView("\n\n"));
    if (end < 0 || end + 3 > input.size())
        return 0;
    QStringList offered;
    for (const QByteArray &line : input.first(end).toByteArray().split('\n'))
        offered.append(QString::fromUtf8(line));
    const qsizetype pieceByte = static_cast<unsigned char>(input[end + 2]);
    const qsizetype piece = 1 + pieceByte * pieceByte;
    const QByteArrayView sent = input.sliced(end + 3);

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        fuzz::fail(Name, "no pipe");
    // The pipe holds all of it (64 kB at least, and max_len is 64 kB):
    // the owner writes it in its pieces and closes its end before Pictarro
    // reads, each piece a read of its own where the reader keeps up.
    ::fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
    for (qsizetype at = 0; at < sent.size();) {
        const ssize_t wrote = ::write(ends[1], sent.data() + at,
                                      static_cast<size_t>(std::min(piece, sent.size() - at)));
        if (wrote <= 0)
            fuzz::fail(Name, "the pipe did not take the offer");
        at += wrote;
    }
    ::close(ends[1]);
    const std::optional<QByteArray> bytes = readOffer(ends[0], MaxBytes, 10000);
    ::close(ends[0]);
    if (!bytes)
        fuzz::fail(Name, "an owner that closed its end read as silent");
    if (sent.size() <= MaxBytes ? *bytes != sent : !bytes->isEmpty())
        fuzz::fail(Name, "the bytes read are not the bytes sent");

    const QStringList chosen = OfferedPicture::chosenTypes(offered, false);
    for (const QString &type : chosen) {
        if (!offered.contains(type) || type == QLatin1String("application/x-qt-image"))
            fuzz::fail(Name, "a type chosen that was not offered, or Qt's own");
    }
    // The best type is read; a type that is not read gives no picture.
    for (const QString &type : offered) {
        const bool isRead = OfferedPicture::types().contains(type);
        if (isRead && !chosen.isEmpty() && type != chosen.first())
            continue;
        const OfferedPicture::Read read = OfferedPicture::read(*bytes, type);
        if (!isRead && read.outcome != OfferedPicture::Outcome::Unreadable)
            fuzz::fail(Name, "a picture read from a type that is not read");
    }
    return 0;
}
