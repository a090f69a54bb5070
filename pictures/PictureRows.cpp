#include "PictureRows.h"

#include "OfferedPicture.h"
#include "PngStructure.h"

#include <QHashFunctions>
#include <QtEndian>
#include <climits>
#include <memory>
#include <optional>
#include <spng.h>

namespace platform::PictureRows {

namespace {

RowHash hashOf(const QRgb *pixels, int width)
{
    return qHashBits(pixels, static_cast<size_t>(width) * sizeof(QRgb), 0);
}

struct FreeSpng
{
    void operator()(spng_ctx *context) const { spng_ctx_free(context); }
};

// Row by row through libspng; nullopt when the file is one it leaves to Qt.
std::optional<Scan> scanByRow(QByteArrayView png, const Visitor &visit)
{
    const std::unique_ptr<spng_ctx, FreeSpng> context(spng_ctx_new(0));
    // What libspng keeps of a chunk is bounded too, though the file was
    // checked: its text and profile chunks are not asked for.
    constexpr size_t MaxChunkBytes = size_t{8} << 20;
    if (!context ||
        spng_set_image_limits(context.get(), OfferedPicture::MaxSide, OfferedPicture::MaxSide) !=
            0 ||
        spng_set_chunk_limits(context.get(), MaxChunkBytes, MaxChunkBytes) != 0 ||
        spng_set_png_buffer(context.get(), png.data(), png.size()) != 0)
        return std::nullopt;
    spng_ihdr header{};
    if (spng_get_ihdr(context.get(), &header) != 0)
        return Scan::Failed;
    if (header.bit_depth > 8 || header.interlace_method != SPNG_INTERLACE_NONE)
        return std::nullopt;
    if (spng_decode_image(context.get(), nullptr, 0, SPNG_FMT_RGBA8,
                          SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE) != 0)
        return Scan::Failed;

    const int width = static_cast<int>(header.width);
    const int height = static_cast<int>(header.height);
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * 4);
    std::vector<QRgb> argb(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        const int status = spng_decode_row(context.get(), rgba.data(), rgba.size());
        if (status != 0 && !(status == SPNG_EOI && y == height - 1))
            return Scan::Failed;
        for (int x = 0; x < width; ++x) {
            const unsigned char *pixel = rgba.data() + 4 * static_cast<size_t>(x);
            argb[static_cast<size_t>(x)] = qRgba(pixel[0], pixel[1], pixel[2], pixel[3]);
        }
        if (!visit(y, hashOf(argb.data(), width)))
            return Scan::Stopped;
    }
    return Scan::Done;
}

} // namespace

Scan scan(const QImage &picture, const Visitor &visit)
{
    if (picture.isNull())
        return Scan::Failed;
    if (picture.format() == QImage::Format_RGB32) {
        // Opaque: the unused byte is set, whatever the decoder left in it.
        std::vector<QRgb> row(static_cast<size_t>(picture.width()));
        for (int y = 0; y < picture.height(); ++y) {
            const auto *pixels = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                row[static_cast<size_t>(x)] = pixels[x] | 0xff000000u;
            if (!visit(y, hashOf(row.data(), picture.width())))
                return Scan::Stopped;
        }
        return Scan::Done;
    }
    const QImage argb = picture.format() == QImage::Format_ARGB32
                            ? picture
                            : picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        if (!visit(y, hashOf(reinterpret_cast<const QRgb *>(argb.constScanLine(y)), argb.width())))
            return Scan::Stopped;
    }
    return Scan::Done;
}

Scan scan(QByteArrayView png, const Visitor &visit)
{
    if (!PngFile::check(png).sound())
        return Scan::Failed;
    if (const std::optional<Scan> byRow = scanByRow(png, visit))
        return *byRow;
    return scan(OfferedPicture::read(png, QStringLiteral("image/png")).picture, visit);
}

QSize pngSize(QByteArrayView png)
{
    if (png.size() < 24 || png.sliced(12, 4) != "IHDR")
        return {};
    const auto width = qFromBigEndian<quint32>(png.data() + 16);
    const auto height = qFromBigEndian<quint32>(png.data() + 20);
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX)
        return {};
    return {static_cast<int>(width), static_cast<int>(height)};
}

void GrowingPrint::make(const QImage &picture)
{
    if (picture.size() == m_size)
        scan(picture, [this](int, RowHash hash) { return add(hash), true; });
    end();
}

void GrowingPrint::make(QByteArrayView png)
{
    if (pngSize(png) == m_size)
        scan(png, [this](int, RowHash hash) { return add(hash), true; });
    end();
}

void GrowingPrint::add(RowHash hash)
{
    {
        const std::lock_guard<std::mutex> locked(m_lock);
        m_rows.push_back(hash);
    }
    m_grown.notify_all();
}

void GrowingPrint::end()
{
    {
        const std::lock_guard<std::mutex> locked(m_lock);
        m_ended = true;
    }
    m_grown.notify_all();
}

std::optional<RowHash> GrowingPrint::row(int y) const
{
    const auto index = static_cast<size_t>(y);
    std::unique_lock<std::mutex> locked(m_lock);
    m_grown.wait(locked, [&] { return m_rows.size() > index || m_ended; });
    if (m_rows.size() > index)
        return m_rows[index];
    return std::nullopt;
}

} // namespace platform::PictureRows
