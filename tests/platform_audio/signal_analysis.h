#pragma once
// Measuring captured audio: samples as floats, the level of one frequency
// (Goertzel), and the steadiness of a tone (zero crossings).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>
#include <QByteArray>

#include "platform/audio/audio_types.h"

namespace audiotest {

// One channel of interleaved PCM as -1..1.
inline std::vector<double> channelSamples(const QByteArray& pcm, const platform::audio::PcmFormat& f, int channel = 0)
{
    std::vector<double> out;
    const int frame = f.blockAlign();
    const auto* p = reinterpret_cast<const uint8_t*>(pcm.constData());
    for (qsizetype i = 0; i + frame <= pcm.size(); i += frame) {
        if (f.bitsPerSample == 8) {
            out.push_back((int(p[i + channel]) - 128) / 128.0);
        } else {
            int16_t v;
            std::memcpy(&v, p + i + 2 * channel, 2);
            out.push_back(v / 32768.0);
        }
    }
    return out;
}

// Amplitude (0..1 of full scale) of `frequency` in samples [from, from+count).
inline double toneAmplitude(const std::vector<double>& s, size_t from, size_t count, double rate, double frequency)
{
    const double w = 2.0 * std::numbers::pi * frequency / rate;
    const double coeff = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (size_t i = from; i < from + count && i < s.size(); ++i) {
        const double s0 = s[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / double(count);
}

// The strongest level of `frequency` over windows of `window` samples.
inline double strongestToneAmplitude(const std::vector<double>& s, double rate, double frequency, size_t window)
{
    double best = 0;
    for (size_t from = 0; from + window <= s.size(); from += window / 4)
        best = std::max(best, toneAmplitude(s, from, window, rate, frequency));
    return best;
}

// Positions (fractional sample index) of rising zero crossings.
inline std::vector<double> risingZeroCrossings(const std::vector<double>& s)
{
    std::vector<double> at;
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0)
            at.push_back(double(i - 1) + (-s[i - 1]) / (s[i] - s[i - 1]));
    return at;
}

// The longest run of samples quieter than `level` in [from, to).
inline size_t longestQuietStretch(const std::vector<double>& s, size_t from, size_t to, double level)
{
    size_t best = 0, run = 0;
    for (size_t i = from; i < to && i < s.size(); ++i) {
        run = std::abs(s[i]) < level ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

}  // namespace audiotest
