#pragma once

#include <QByteArray>
#include <optional>

namespace platform {

// What the owner of an offer writes into a pipe until it closes its end:
// the bytes, or nothing when it stays silent for `answerMs` between two
// pieces or fails. An offer of more than `maxBytes` reads as empty (not as
// nothing): the owner did answer. Memory grows with what arrives, never
// with what anyone claims.
std::optional<QByteArray> readOffer(int fd, qsizetype maxBytes, int answerMs);

} // namespace platform
