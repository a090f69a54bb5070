// libFuzzer target for the whole way from bytes another program offers, and
// the MIME type it names, to a picture or a refusal (OfferedPicture::read,
// and keepPng for PNG captures). The first byte picks the type; the rest
// are the bytes. A picture read is whole and within the ceiling; a refusal
// for size names a size past it.
//
// Built and run by run-fuzz.sh with clang (-fsanitize=fuzzer,address,undefined)
// and a lowered ceiling; -malloc_limit_mb makes any larger allocation a
// finding.

#include "FuzzSupport.h"
#include "OfferedPicture.h"

#include <cstdint>

using namespace platform;

namespace {

constexpr const char *Name = "fuzz_offered_picture";

bool within(QSize size)
{
    return size.width() <= OfferedPicture::MaxSide && size.height() <= OfferedPicture::MaxSide;
}

void verify(const OfferedPicture::Read &read, bool decodes)
{
    switch (read.outcome) {
    case OfferedPicture::Outcome::Picture:
        if (read.size.isEmpty() || !within(read.size))
            fuzz::fail(Name, "a picture read past the ceiling");
        if (decodes && (read.picture.isNull() || read.picture.size() != read.size))
            fuzz::fail(Name, "a picture read is not whole");
        break;
    case OfferedPicture::Outcome::TooLarge:
        if (!read.picture.isNull() || read.size.isEmpty())
            fuzz::fail(Name, "a refusal with a picture or without a size");
        if (within(read.size) && qint64{read.size.width()} * read.size.height() * 4 <=
                                     OfferedPicture::MaxDecodedBytes / 2)
            fuzz::fail(Name, "a picture refused well within the ceiling");
        break;
    case OfferedPicture::Outcome::Unreadable:
        if (!read.picture.isNull())
            fuzz::fail(Name, "an unreadable file with a picture");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QStringList &types = OfferedPicture::types();
    const int pick = data[0] % (types.size() + 1);
    const QString type = pick < types.size() ? types[pick] : QStringLiteral("image/gif");
    const QByteArrayView bytes(data + 1, static_cast<qsizetype>(size - 1));
    verify(OfferedPicture::read(bytes, type), true);
    if (type == QLatin1String("image/png")) {
        const OfferedPicture::Read kept = OfferedPicture::keepPng(bytes);
        verify(kept, false);
        if (kept.outcome == OfferedPicture::Outcome::Picture && kept.length > bytes.size())
            fuzz::fail(Name, "a PNG file kept past its bytes");
    }
    return 0;
}
