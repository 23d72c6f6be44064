#pragma once
// Test media made on the spot by the reference tools (sox, lame, mpg123) and
// by our zla packer, and helpers that drive the library's C interface.

#include <zldecoder.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace media {

// A scratch folder for one test.
class Scratch {
public:
    Scratch();
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// Runs a tool and fails the current test when it does not exit with 0.
QByteArray run(const QString& program, const QStringList& args);

// A WAVE file of exactly `frames` frames of noise, made by sox; `encoding`
// is sox's -e value ("signed-integer", "unsigned-integer", "floating-point",
// "ima-adpcm", "u-law" ...).
QString makeWave(const QString& path, int rate, int channels, int bits, int frames,
                 const QString& encoding = "signed-integer");
// Encodes a WAVE file with lame and the given options.
QString makeMp3(const QString& wave, const QString& path, const QStringList& lameOptions);
// A layer II file made by sox from a WAVE file.
QString makeMp2(const QString& wave, const QString& path);
// An MPEG-1 layer I file of `frames` frames of random but valid content.
QString makeLayer1(const QString& path, int frames, int channels, uint32_t seed);

// Signed 16-bit little-endian samples as the reference decoder gives them.
QByteArray mpg123Samples(const QString& path);
// A WAVE file's samples as sox delivers them with the given sample type.
QByteArray soxSamples(const QString& path, const QString& encoding, int bits);

QString zlaTool();

// An open stream of the library, closed at the end of the scope.
class OpenStream {
public:
    explicit OpenStream(const QString& path, uint32_t mode = ZLDEC_OPEN_PLAY);
    ~OpenStream();
    OpenStream(const OpenStream&) = delete;
    OpenStream& operator=(const OpenStream&) = delete;

    uint32_t code() const { return m_code; }
    ZLDEC_HANDLE handle() const { return m_handle; }
    uint32_t length() const;
    ZLWaveFormat format() const;
    // Decodes [first, first + count) in pieces of `piece` frames.
    QByteArray decode(uint32_t first, uint32_t count, uint32_t piece = 1536);
    QByteArray decodeAll(uint32_t piece = 1536) { return decode(0, length() + 10, piece); }

private:
    ZLDEC_HANDLE m_handle = 0;
    uint32_t m_code = 0;
};

// Number of samples (16-bit) that differ, and the largest difference.
struct SampleDifference {
    int64_t differing = 0;
    int largest = 0;
};
SampleDifference compareSamples(const QByteArray& a, const QByteArray& b);

// Open file descriptors of this process.
int openDescriptors();

}  // namespace media
