// libFuzzer target for OfferStream, the check of offered bytes as they
// arrive. The first byte picks the MIME type (as for fuzz_offered_picture),
// the second how the bytes arrive (in pieces of 1 to 255 bytes, or all at
// once); the rest are the bytes. However they arrive, the check ends the
// same way at the same byte; it never takes more than its limit; a size
// refused is past the ceiling; and a PNG file PngFile::check() finds sound
// within the ceiling is never refused, and ends where that check ends it.
//
// Built and run by run-fuzz.sh with clang (-fsanitize=fuzzer,address,undefined)
// and a lowered ceiling.

#include "FuzzSupport.h"
#include "OfferStream.h"
#include "OfferedPicture.h"
#include "PngStructure.h"

#include <cstdint>

using namespace platform;

namespace {

constexpr const char *Name = "fuzz_offer_stream";

OfferStream checked(QByteArrayView bytes, const QString &type, qsizetype piece)
{
    OfferStream stream(type);
    for (qsizetype at = 0; at < bytes.size() && stream.state() == OfferStream::State::More;
         at += piece)
        stream.feed(bytes.sliced(at, qMin(piece, bytes.size() - at)));
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const QStringList &types = OfferedPicture::types();
    const int pick = data[0] % (types.size() + 1);
    const QString type = pick < types.size() ? types[pick] : QStringLiteral("image/gif");
    const QByteArrayView bytes(data + 2, static_cast<qsizetype>(size - 2));
    const qsizetype piece = data[1] == 0 ? qMax<qsizetype>(1, bytes.size()) : data[1];

    const OfferStream whole = checked(bytes, type, qMax<qsizetype>(1, bytes.size()));
    const OfferStream pieces = checked(bytes, type, piece);
    if (whole.state() != pieces.state() || whole.size() != pieces.size())
        fuzz::fail(Name, "the check ends otherwise when the bytes come in pieces");
    if (whole.state() != OfferStream::State::Refused && whole.taken() != pieces.taken())
        fuzz::fail(Name, "the picture ends elsewhere when the bytes come in pieces");
    if (whole.taken() > bytes.size())
        fuzz::fail(Name, "more taken than came");
    if (whole.state() != OfferStream::State::Refused && whole.taken() > whole.limit())
        fuzz::fail(Name, "more taken than the limit");
    if (whole.state() == OfferStream::State::TooLarge) {
        const QSize refused = whole.size();
        if (refused.width() <= OfferedPicture::MaxSide &&
            refused.height() <= OfferedPicture::MaxSide &&
            qint64{refused.width()} * refused.height() * 4 <= OfferedPicture::MaxDecodedBytes)
            fuzz::fail(Name, "a picture refused within the ceiling");
    }
    if (type == QLatin1String("image/png")) {
        const PngFile::Check sound = PngFile::check(bytes);
        if (sound.sound() && sound.size.width() <= OfferedPicture::MaxSide &&
            sound.size.height() <= OfferedPicture::MaxSide &&
            qint64{sound.size.width()} * sound.size.height() * 4 <=
                OfferedPicture::MaxDecodedBytes) {
            if (whole.state() != OfferStream::State::Whole || whole.taken() != sound.length ||
                whole.size() != sound.size)
                fuzz::fail(Name, "a sound PNG file within the ceiling is not taken whole");
        }
    }
    return 0;
}
