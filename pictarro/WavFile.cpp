#include "WavFile.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>

namespace WavFile {

namespace {

constexpr quint16 FormatPcm = 1;
constexpr quint16 FormatExtensible = 0xfffe;
// The sub-format GUID of extensible PCM, after its leading format code.
constexpr char PcmGuidTail[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71";

quint16 word(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 dword(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

bool readFormat(const QByteArray &fmt, Format &format)
{
    if (fmt.size() < 16)
        return false;
    quint16 code = word(fmt, 0);
    if (code == FormatExtensible) {
        if (fmt.size() < 40 || word(fmt, 16) < 22 || fmt.mid(26, 14) != QByteArray(PcmGuidTail, 14))
            return false;
        code = word(fmt, 24);
    }
    if (code != FormatPcm)
        return false;
    format.channels = word(fmt, 2);
    const quint32 rate = dword(fmt, 4);
    const int blockAlign = word(fmt, 12);
    format.bitsPerSample = word(fmt, 14);
    const int bits = format.bitsPerSample;
    if (format.channels < 1 || rate < 1000 || rate > 768000 ||
        (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return false;
    format.sampleRate = static_cast<int>(rate);
    return blockAlign == format.channels * bits / 8;
}

} // namespace

std::optional<Format> read(QIODevice &device)
{
    const QByteArray riff = device.read(12);
    if (riff.size() != 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return std::nullopt;

    Format format;
    bool haveFormat = false;
    while (true) {
        const QByteArray header = device.read(8);
        if (header.size() != 8)
            return std::nullopt; // ended before the samples
        const QByteArray id = header.left(4);
        const qint64 size = dword(header, 4);
        if (id == "fmt ") {
            if (size > 1024)
                return std::nullopt;
            const QByteArray fmt = device.read(size);
            if (fmt.size() != size || !readFormat(fmt, format))
                return std::nullopt;
            haveFormat = true;
            if (size % 2 != 0)
                device.read(1);
        } else if (id == "data") {
            if (!haveFormat)
                return std::nullopt;
            format.dataOffset = device.pos();
            const qint64 frame = format.channels * format.bitsPerSample / 8;
            const qint64 present =
                device.isSequential() ? size : qMin(size, device.size() - format.dataOffset);
            format.dataBytes = present - present % frame;
            if (format.dataBytes < frame)
                return std::nullopt;
            return format;
        } else {
            // Any other chunk (a list of tags, a fact, padding) is passed over.
            const qint64 skip = size + size % 2;
            const bool skipped = device.isSequential() ? device.skip(skip) == skip
                                                       : device.pos() + skip <= device.size() &&
                                                             device.seek(device.pos() + skip);
            if (!skipped)
                return std::nullopt;
        }
    }
}

std::optional<Format> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return read(file);
}

} // namespace WavFile
