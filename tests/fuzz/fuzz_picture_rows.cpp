// libFuzzer target for PictureRows::scan of a PNG file, as the refill guard
// scans a PNG file another program offered: rows come in order, one per
// row of the picture the header gives, and a scan that stops early stops.
//
// Built and run by run-fuzz.sh with clang (-fsanitize=fuzzer,address,undefined).

#include "FuzzSupport.h"
#include "PictureRows.h"

#include <cstdint>

using namespace platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView png(data, static_cast<qsizetype>(size));
    const QSize header = PictureRows::pngSize(png);
    int rows = 0;
    const PictureRows::Scan whole = PictureRows::scan(png, [&](int row, PictureRows::RowHash) {
        if (row != rows)
            fuzz::fail("fuzz_picture_rows", "a row out of order");
        ++rows;
        return true;
    });
    if (whole == PictureRows::Scan::Done && rows != header.height())
        fuzz::fail("fuzz_picture_rows", "a scan done with a row count not the header's");
    if (whole == PictureRows::Scan::Stopped)
        fuzz::fail("fuzz_picture_rows", "stopped without being asked");
    if (whole == PictureRows::Scan::Done && rows > 1) {
        int seen = 0;
        const PictureRows::Scan first =
            PictureRows::scan(png, [&](int, PictureRows::RowHash) { return ++seen < 1; });
        if (first != PictureRows::Scan::Stopped || seen != 1)
            fuzz::fail("fuzz_picture_rows", "a scan asked to stop went on");
    }
    return 0;
}
