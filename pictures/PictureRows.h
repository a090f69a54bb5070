#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// Pictures compared by their pixels, row by row, whatever file format they
// came in: each row is reduced to a hash of its pixels as 32-bit ARGB
// (non-premultiplied), so that a PNG file and a bitmap of the same picture
// give the same hashes, and two pictures that differ early are told apart
// without reading the rest.
namespace platform::PictureRows {

using RowHash = std::size_t;

enum class Scan
{
    Done,    // every row was passed on
    Stopped, // the visitor asked to stop
    Failed,  // the picture could not be decoded
};

// Called for each row, top to bottom; returns whether to go on.
using Visitor = std::function<bool(int row, RowHash hash)>;

Scan scan(const QImage &picture, const Visitor &visit);

// A PNG file, decoded one row at a time where that is possible (8 bits or
// fewer per channel, not interlaced), so that only a row is held at once
// and a scan that stops early decodes no further. Other PNG files are
// decoded whole, by OfferedPicture::read(). Only a file PngFile::check()
// finds sound is decoded, and none larger than OfferedPicture reads.
Scan scan(QByteArrayView png, const Visitor &visit);

// The size a PNG file's header gives, or an empty size.
QSize pngSize(QByteArrayView png);

// A print made row by row on one thread and read on others: a reader waits
// only for the rows it asks for, so that a picture is told apart from one
// whose print is still being made as soon as their rows differ.
class GrowingPrint
{
public:
    explicit GrowingPrint(QSize size) : m_size(size) {}

    QSize size() const { return m_size; }

    // Makes the print of this picture or PNG file, then ends it; on the
    // maker's thread. A picture that does not decode ends it early.
    void make(const QImage &picture);
    void make(QByteArrayView png);

    // The hash of row y once it is made, or none when the print ended
    // before it (the picture did not decode).
    std::optional<RowHash> row(int y) const;

private:
    void add(RowHash hash);
    void end();

    const QSize m_size;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_grown;
    std::vector<RowHash> m_rows;
    bool m_ended = false;
};

} // namespace platform::PictureRows
