#include "mp3_probe.h"

#include "support/test_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <numbers>

namespace encodertest {

namespace {

// ISO/IEC 11172-3 and 13818-3, layer III.
const int kMpeg1Kbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
const int kLowRateKbps[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1};
const int kMpeg1Rates[3] = {44100, 48000, 32000};

uint32_t bigEndian(const QByteArray& b, qsizetype at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | uint8_t(b[at + i]);
    return v;
}

uint32_t littleEndian(const QByteArray& b, qsizetype at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | uint8_t(b[at + i]);
    return v;
}

int sideInfoBytes(int version, int mode)
{
    const bool mono = mode == 3;
    if (version == 10)
        return mono ? 17 : 32;
    return mono ? 9 : 17;
}

}  // namespace

Mp3Frames walkFrames(const QByteArray& file)
{
    Mp3Frames walk;
    qsizetype at = 0;
    while (at < file.size()) {
        if (file.size() - at < 4) {
            walk.error = "truncated header at " + std::to_string(at);
            return walk;
        }
        const uint32_t h = bigEndian(file, at, 4);
        const int versionBits = (h >> 19) & 3;
        const int layerBits = (h >> 17) & 3;
        const int bitrateIndex = (h >> 12) & 15;
        const int rateIndex = (h >> 10) & 3;
        if ((h & 0xFFE00000u) != 0xFFE00000u || versionBits == 1 || layerBits != 1 || bitrateIndex == 0
            || bitrateIndex == 15 || rateIndex == 3) {
            walk.error = "no layer III frame header at " + std::to_string(at);
            return walk;
        }
        Mp3Frame f;
        f.offset = size_t(at);
        f.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
        f.kbps = f.version == 10 ? kMpeg1Kbps[bitrateIndex] : kLowRateKbps[bitrateIndex];
        f.rate = kMpeg1Rates[rateIndex] / (f.version == 10 ? 1 : f.version == 20 ? 2 : 4);
        const int padding = (h >> 9) & 1;
        f.crcProtected = ((h >> 16) & 1) == 0;
        f.privateBit = (h >> 8) & 1;
        f.mode = (h >> 6) & 3;
        f.copyright = (h >> 3) & 1;
        f.original = (h >> 2) & 1;
        f.emphasis = h & 3;
        const int samples = f.version == 10 ? 1152 : 576;
        f.size = size_t(samples / 8 * f.kbps * 1000 / f.rate + padding);
        if (at + qsizetype(f.size) > file.size()) {
            walk.error = "frame at " + std::to_string(at) + " runs past the end";
            return walk;
        }
        const qsizetype sideInfo = at + 4 + (f.crcProtected ? 2 : 0);
        f.mainDataBegin = f.version == 10 ? int(bigEndian(file, sideInfo, 2) >> 7) : int(uint8_t(file[sideInfo]));
        walk.frames.push_back(f);
        at += qsizetype(f.size);
    }
    return walk;
}

uint16_t crc16(const char* data, size_t size)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= uint8_t(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

InfoTag readInfoTag(const QByteArray& file, const Mp3Frames& walk)
{
    InfoTag tag;
    if (walk.frames.empty())
        return tag;
    const Mp3Frame& first = walk.frames.front();
    const qsizetype at = qsizetype(first.offset) + 4 + (first.crcProtected ? 2 : 0) + sideInfoBytes(first.version, first.mode);
    if (at + 156 > qsizetype(first.offset + first.size))
        return tag;
    tag.id = file.mid(at, 4).toStdString();
    if (tag.id != "Info" && tag.id != "Xing")
        return tag;
    tag.present = true;
    tag.flags = bigEndian(file, at + 4, 4);
    qsizetype field = at + 8;
    if (tag.flags & 1) {
        tag.frames = bigEndian(file, field, 4);
        field += 4;
    }
    if (tag.flags & 2) {
        tag.bytes = bigEndian(file, field, 4);
        field += 4;
    }
    if (tag.flags & 4)
        field += 100;
    if (tag.flags & 8)
        field += 4;
    const qsizetype ext = field;
    tag.encoder = file.mid(ext, 9).toStdString();
    const uint32_t delayAndPadding = bigEndian(file, ext + 21, 3);
    tag.encoderDelay = delayAndPadding >> 12;
    tag.padding = delayAndPadding & 0xFFF;
    tag.musicLength = bigEndian(file, ext + 28, 4);
    tag.musicCrc = uint16_t(bigEndian(file, ext + 32, 2));
    tag.tagCrc = uint16_t(bigEndian(file, ext + 34, 2));
    tag.computedTagCrc = crc16(file.constData() + first.offset, size_t(ext + 34) - first.offset);
    const size_t music = first.offset + first.size;
    tag.computedMusicCrc = crc16(file.constData() + music, size_t(file.size()) - music);
    return tag;
}

Decoded decodeWithMpg123(const QString& mp3Path)
{
    Decoded d;
    QTemporaryDir dir;
    const QString wavPath = dir.filePath("decoded.wav");
    const auto run = testsupport::runTool("mpg123", {"-q", "-w", wavPath, mp3Path});
    if (run.exitCode != 0) {
        d.error = "mpg123 failed: " + run.err.toStdString();
        return d;
    }
    const QByteArray wav = testsupport::readFile(wavPath);
    if (wav.size() < 12 || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE") {
        d.error = "mpg123 wrote no WAVE file";
        return d;
    }
    qsizetype at = 12;
    bool formatSeen = false;
    while (at + 8 <= wav.size()) {
        const QByteArray id = wav.mid(at, 4);
        const uint32_t size = littleEndian(wav, at + 4, 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            d.channels = int(littleEndian(wav, body + 2, 2));
            d.rate = int(littleEndian(wav, body + 4, 4));
            formatSeen = littleEndian(wav, body + 14, 2) == 16;
        } else if (id == "data") {
            const qsizetype bytes = std::min<qsizetype>(size, wav.size() - body);
            d.samples.resize(size_t(bytes / 2));
            if (!d.samples.empty())
                std::memcpy(d.samples.data(), wav.constData() + body, d.samples.size() * 2);
            break;
        }
        at = body + size + (size & 1);
    }
    if (!formatSeen)
        d.error = "no 16-bit format in mpg123's WAVE file";
    return d;
}

double toneShare(const std::vector<int16_t>& samples, int channels, int channel, int rate, double hz)
{
    const size_t frames = samples.size() / size_t(channels);
    if (frames == 0)
        return 0;
    const double w = 2 * std::numbers::pi * hz / rate;
    const double coefficient = 2 * std::cos(w);
    double s1 = 0, s2 = 0, energy = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double x = samples[i * size_t(channels) + size_t(channel)];
        energy += x * x;
        const double s0 = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    if (energy == 0)
        return 0;
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    // A sine of amplitude A over N samples gives power (A N / 2)^2 and energy A^2 N / 2.
    return power * 2.0 / (double(frames) * energy);
}

double rms(const std::vector<int16_t>& samples, int channels, int channel)
{
    const size_t frames = samples.size() / size_t(channels);
    if (frames == 0)
        return 0;
    double energy = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double x = samples[i * size_t(channels) + size_t(channel)];
        energy += x * x;
    }
    return std::sqrt(energy / double(frames));
}

}  // namespace encodertest
