// Writes Pictarro's six sample capture sounds as 16-bit mono PCM WAV files
// at 44100 Hz into the folder named on the command line:
//
//   make_sounds OUTPUT_FOLDER
//
// Every sound is synthesised here from sines and a seeded noise source, so
// the output is the same on every build. Each gets soft fade-in and fade-out
// edges (no clicks) and is scaled to a peak of about -3 dBFS.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int SampleRate = 44100;
constexpr double Pi = 3.14159265358979323846;
constexpr double PeakLevel = 0.7071; // -3 dBFS

using Samples = std::vector<double>;

Samples silence(double seconds)
{
    return Samples(static_cast<std::size_t>(seconds * SampleRate + 0.5), 0.0);
}

double timeOf(std::size_t index)
{
    return static_cast<double>(index) / SampleRate;
}

// A seeded white-noise source in -1..1 (xorshift32).
class Noise
{
public:
    explicit Noise(std::uint32_t seed) : m_state(seed) {}
    double next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return static_cast<double>(m_state) / 2147483647.5 - 1.0;
    }

private:
    std::uint32_t m_state;
};

// Adds a decaying sine partial starting at `start` seconds.
void addPartial(Samples &out, double start, double frequency, double amplitude, double decay)
{
    const auto first = static_cast<std::size_t>(start * SampleRate);
    for (std::size_t i = first; i < out.size(); ++i) {
        const double t = timeOf(i - first);
        out[i] += amplitude * std::exp(-t / decay) * std::sin(2.0 * Pi * frequency * t);
    }
}

// Adds a burst of band-limited noise: a one-pole high-pass and two one-pole
// low-passes shape it, an exponential envelope ends it.
void addNoiseBurst(Samples &out, Noise &noise, double start, double length, double lowCut,
                   double highCut, double amplitude)
{
    const double highAlpha = 1.0 / (1.0 + 2.0 * Pi * lowCut / SampleRate);
    const double lowAlpha = 1.0 - std::exp(-2.0 * Pi * highCut / SampleRate);
    const auto first = static_cast<std::size_t>(start * SampleRate);
    const auto count = static_cast<std::size_t>(length * SampleRate);
    double previousIn = 0.0;
    double high = 0.0;
    double low1 = 0.0;
    double low2 = 0.0;
    for (std::size_t n = 0; n < count && first + n < out.size(); ++n) {
        const double in = noise.next();
        high = highAlpha * (high + in - previousIn);
        previousIn = in;
        low1 += lowAlpha * (high - low1);
        low2 += lowAlpha * (low1 - low2);
        const double t = timeOf(n);
        out[first + n] += amplitude * low2 * std::exp(-t / (length / 5.0));
    }
}

// A camera shutter: the blade opening and closing as two short, bright
// noise bursts, with a soft mechanical thump under the first.
Samples shutter()
{
    Samples out = silence(0.26);
    Noise noise(0x5eed1234u);
    addNoiseBurst(out, noise, 0.000, 0.045, 1500.0, 6500.0, 1.0);
    addPartial(out, 0.000, 140.0, 0.35, 0.018);
    addNoiseBurst(out, noise, 0.095, 0.060, 1100.0, 5200.0, 0.8);
    addPartial(out, 0.095, 110.0, 0.25, 0.022);
    return out;
}

// Two soft bell-like tones, a major third apart, the second answering the
// first.
Samples chime()
{
    Samples out = silence(0.65);
    for (const auto &[start, frequency] : {std::pair{0.0, 1318.51}, std::pair{0.14, 1046.50}}) {
        addPartial(out, start, frequency, 0.6, 0.18);
        addPartial(out, start, frequency * 2.0, 0.12, 0.08);
        addPartial(out, start, frequency * 3.0, 0.04, 0.04);
    }
    return out;
}

// A wooden bar struck once: a warm fundamental and a quickly fading fourth
// partial, as a marimba sounds.
Samples marimba()
{
    Samples out = silence(0.36);
    addPartial(out, 0.0, 523.25, 0.8, 0.09);
    addPartial(out, 0.0, 523.25 * 4.0, 0.35, 0.015);
    addPartial(out, 0.0, 523.25 * 10.0, 0.08, 0.004);
    return out;
}

// C major climbing: C5, E5, G5, C6, each note a plucked sine with a hint of
// its octave.
Samples arpeggio()
{
    Samples out = silence(0.62);
    const double notes[] = {523.25, 659.26, 783.99, 1046.50};
    double start = 0.0;
    for (const double frequency : notes) {
        addPartial(out, start, frequency, 0.5, 0.12);
        addPartial(out, start, frequency * 2.0, 0.1, 0.05);
        start += 0.085;
    }
    return out;
}

// A small bell: inharmonic partials, the low ones ringing longest.
Samples bell()
{
    Samples out = silence(0.7);
    struct Partial
    {
        double ratio;
        double amplitude;
        double decay;
    };
    const Partial partials[] = {{0.5, 0.30, 0.30},  {1.0, 0.55, 0.25}, {1.19, 0.30, 0.18},
                                {1.56, 0.22, 0.14}, {2.0, 0.25, 0.12}, {2.51, 0.12, 0.08},
                                {2.66, 0.10, 0.07}, {3.01, 0.08, 0.05}};
    for (const Partial &partial : partials)
        addPartial(out, 0.0, 880.0 * partial.ratio, partial.amplitude, partial.decay);
    return out;
}

// A short, gentle upward glide under a raised-cosine envelope.
Samples blip()
{
    Samples out = silence(0.15);
    double phase = 0.0;
    const double length = timeOf(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = timeOf(i);
        const double frequency = 600.0 + 600.0 * (t / length);
        phase += 2.0 * Pi * frequency / SampleRate;
        const double envelope = 0.5 - 0.5 * std::cos(2.0 * Pi * t / length);
        out[i] = envelope * (std::sin(phase) + 0.15 * std::sin(2.0 * phase));
    }
    return out;
}

// Soft edges: a short raised-cosine fade in, a longer one out.
void fadeEdges(Samples &samples, double fadeIn, double fadeOut)
{
    const auto in = std::min(samples.size(), static_cast<std::size_t>(fadeIn * SampleRate));
    const auto out = std::min(samples.size(), static_cast<std::size_t>(fadeOut * SampleRate));
    for (std::size_t i = 0; i < in; ++i)
        samples[i] *= 0.5 - 0.5 * std::cos(Pi * static_cast<double>(i) / static_cast<double>(in));
    for (std::size_t i = 0; i < out; ++i) {
        const double gain =
            0.5 - 0.5 * std::cos(Pi * static_cast<double>(i) / static_cast<double>(out));
        samples[samples.size() - 1 - i] *= gain;
    }
}

void normalise(Samples &samples)
{
    double peak = 0.0;
    for (const double sample : samples)
        peak = std::max(peak, std::abs(sample));
    if (peak <= 0.0)
        return;
    for (double &sample : samples)
        sample *= PeakLevel / peak;
}

void putLittleEndian(std::string &bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xffu));
}

bool writeWav(const std::string &path, const Samples &samples)
{
    constexpr std::uint32_t channels = 1;
    constexpr std::uint32_t bytesPerSample = 2;
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * bytesPerSample * channels);
    std::string bytes;
    bytes.reserve(44 + dataSize);
    bytes += "RIFF";
    putLittleEndian(bytes, 36 + dataSize, 4);
    bytes += "WAVEfmt ";
    putLittleEndian(bytes, 16, 4);                                     // fmt chunk size
    putLittleEndian(bytes, 1, 2);                                      // PCM
    putLittleEndian(bytes, channels, 2);                               // channels
    putLittleEndian(bytes, SampleRate, 4);                             // frames a second
    putLittleEndian(bytes, SampleRate * channels * bytesPerSample, 4); // bytes a second
    putLittleEndian(bytes, channels * bytesPerSample, 2);              // bytes a frame
    putLittleEndian(bytes, bytesPerSample * 8, 2);                     // bits a sample
    bytes += "data";
    putLittleEndian(bytes, dataSize, 4);
    for (const double sample : samples) {
        const long value = std::lround(std::clamp(sample, -1.0, 1.0) * 32767.0);
        putLittleEndian(bytes, static_cast<std::uint32_t>(static_cast<std::int16_t>(value)), 2);
    }

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const std::function<Samples()> sounds[] = {shutter, chime, marimba, arpeggio, bell, blip};
    int number = 1;
    for (const auto &make : sounds) {
        Samples samples = make();
        fadeEdges(samples, 0.003, 0.025);
        normalise(samples);
        const std::string path = folder + "/Sound " + std::to_string(number) + ".wav";
        if (!writeWav(path, samples)) {
            std::fprintf(stderr, "make_sounds: cannot write %s\n", path.c_str());
            return 1;
        }
        ++number;
    }
    return 0;
}
