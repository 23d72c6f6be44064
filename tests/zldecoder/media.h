#pragma once
// Test media made on the spot by the reference tools (sox, lame, mpg123) and
// by our zla packer, and helpers that drive the library's C interface.

#include <zldecoder.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>

namespace media {

// Runs a tool and fails the current test when it does not exit with 0.
QByteArray Run(const QString& program, const QStringList& args);
// Exactly `frames` frames of noise, made by sox; `encoding` is sox's -e value.
QString MakeWave(const QString& path, int rate, int channels, int bits, int frames,
                 const QString& encoding = "signed-integer");
QString MakeMp3(const QString& wave, const QString& path, const QStringList& lameOptions);
// The frames opusdec decodes from an Opus file at 48 kHz.
uint32_t OpusdecFrames(const QString& opus, const QString& scratchWave);
// MPEG-1 layer I at 48 kHz, 384 kbit/s: `frames` frames of random but valid content.
QString MakeLayer1(const QString& path, int frames, int channels, uint32_t seed);
QByteArray Mpg123Samples(const QString& path);  // signed 16-bit
QByteArray SoxSamples(const QString& path, const QString& encoding = "signed-integer", int bits = 16);
QString ZlaTool();
// Writes `bytes` to `path`; the code with which the library opens it.
uint32_t OpenCodeOf(const QString& path, const QByteArray& bytes);

// An open stream of the library, closed at the end of the scope.
class OpenStream {
public:
    explicit OpenStream(const QString& path, uint32_t mode = ZLDEC_OPEN_PLAY);
    ~OpenStream();
    OpenStream(const OpenStream&) = delete;
    OpenStream& operator=(const OpenStream&) = delete;

    uint32_t Code() const { return m_code; }
    ZLDEC_HANDLE Handle() const { return m_handle; }
    uint32_t Length() const;
    ZLWaveFormat Format() const;
    // Decodes [first, first + count) in pieces of `piece` frames. With
    // `failure` a call may fail: decoding stops after it and leaves its code there.
    QByteArray Decode(uint32_t first, uint32_t count, uint32_t piece = 1536, uint32_t* failure = nullptr);
    QByteArray DecodeAll(uint32_t piece = 1536) { return Decode(0, Length() + 10, piece); }
    // Decodes from a few positions after a decode from the start; fails where they differ.
    void ExpectRandomAccessLikeFromTheStart(const std::vector<uint32_t>& firsts);

private:
    ZLDEC_HANDLE m_handle = 0;
    uint32_t m_code = 0;
};

struct SampleDifference {
    int64_t differing = 0;
    int largest = 0;
};
SampleDifference CompareSamples(const QByteArray& a, const QByteArray& b);  // 16-bit samples

}  // namespace media
