// libFuzzer target for PngFile::check and PngFile::pixelChunks: any bytes,
// as another program may offer them for a PNG file. A file found sound
// must lie within the bytes and keep its size and soundness with only the
// chunks a decoder needs.
//
// Built and run by run-fuzz.sh with clang (-fsanitize=fuzzer,address,undefined).

#include "FuzzSupport.h"
#include "PngStructure.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const PngFile::Check check = PngFile::check(bytes);
    if (!check.sound()) {
        if (!check.size.isEmpty())
            fuzz::fail("fuzz_png_check", "a size for an unsound file");
        return 0;
    }
    if (check.length > bytes.size() || check.size.isEmpty())
        fuzz::fail("fuzz_png_check", "a sound file past its bytes or without a size");
    const QByteArray pixels = PngFile::pixelChunks(bytes.first(check.length));
    const PngFile::Check again = PngFile::check(pixels);
    if (again.length != pixels.size() || again.size != check.size || again.depth != check.depth)
        fuzz::fail("fuzz_png_check", "the pixel chunks of a sound file are not sound");
    return 0;
}
