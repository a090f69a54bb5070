#pragma once

#include <QByteArray>
#include <optional>

namespace platform {

class OfferStream;

// What the owner of an offer writes into a pipe until it closes its end:
// the bytes, or nothing when it stays silent for `answerMs` between two
// pieces or fails. An offer of more than `maxBytes` reads as empty (not as
// nothing): the owner did answer. Memory grows with what arrives, never
// with what anyone claims.
//
// With a `stream`, every piece is checked as it arrives (OfferStream.h):
// the read ends at the picture's own end (the bytes up to it), at a header
// that gives a size past the ceiling (the bytes so far), or at the first
// piece that cannot belong to a picture (empty).
//
// Once `cancel` (a file descriptor, or -1) becomes readable, the read ends
// with empty bytes.
std::optional<QByteArray> readOffer(int fd, qsizetype maxBytes, int answerMs,
                                    OfferStream *stream = nullptr, int cancel = -1);

} // namespace platform
