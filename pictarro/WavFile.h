#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

class QIODevice;

// Reading the head of a RIFF/WAVE file, to tell whether it is a sound the
// capture player can play: uncompressed PCM with at least one whole frame
// of samples.
namespace WavFile {

struct Format
{
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    qint64 dataOffset = 0; // where the samples start
    qint64 dataBytes = 0;  // sample bytes present in the file, whole frames only
};

// The format of the sound the device holds, read from its current position;
// nothing when it is not a playable PCM WAVE sound. Samples that stop short
// of the length the data chunk claims still count: they play as far as they
// go.
std::optional<Format> read(QIODevice &device);

// The same for a file; nothing when it cannot be read.
std::optional<Format> readFile(const QString &path);

} // namespace WavFile
