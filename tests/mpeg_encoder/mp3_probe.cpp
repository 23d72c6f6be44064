#include "mp3_probe.h"

#include "support/test_support.h"

#include <QRegularExpression>

#include <cmath>
#include <cstring>
#include <numbers>

namespace encodertest {

Mp3Report ProbeMp3(const QString& path)
{
    Mp3Report r;
    // -vv prints the first sound frame's header and a progress line per frame.
    const auto run = testsupport::RunTool("mpg123", {"-vv", "-s", path});
    const QString log = QString::fromLocal8Bit(run.err);
    const auto header = QRegularExpression(R"(MPEG (\S+), Layer: III, Freq: (\d+), mode: ([^,]+),)").match(log);
    const auto flags =
        QRegularExpression(R"(Channels: (\d), copyright: (\w+), original: (\w+), CRC: (\w+), emphasis: (\d))")
            .match(log);
    if (run.exitCode != 0 || !header.hasMatch() || !flags.hasMatch()) {
        r.error = "mpg123 cannot decode " + path.toStdString() + ": " + log.right(300).toStdString();
        return r;
    }
    r.version = header.captured(1).toStdString();
    r.rate = header.captured(2).toInt();
    r.mode = header.captured(3).toStdString();
    r.channels = flags.captured(1).toInt();
    r.copyright = flags.captured(2) == "Yes";
    r.original = flags.captured(3) == "Yes";
    r.crc = flags.captured(4) == "Yes";
    r.emphasis = flags.captured(5).toInt();
    // "> 07+15  00:00.13+00:00.36 --- 100=100  96 kb/s ...": the frame number and its bit rate.
    int lastFrame = 0;
    for (const auto& m : QRegularExpression(R"(> (\d+)\+\d+ .*? (\d+) kb/s)").globalMatch(log))
        if (m.captured(1).toInt() > lastFrame) {
            lastFrame = m.captured(1).toInt();
            r.frameKbps.push_back(m.captured(2).toInt());
        }
    r.samples.resize(size_t(run.out.size() / 2));
    std::memcpy(r.samples.data(), run.out.constData(), r.samples.size() * 2);
    return r;
}

double ToneShare(const std::vector<int16_t>& samples, int channels, int channel, int rate, double hz)
{
    const size_t frames = samples.size() / size_t(channels);
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / rate);
    double s1 = 0, s2 = 0, energy = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double x = samples[i * size_t(channels) + size_t(channel)];
        energy += x * x;
        const double s0 = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    // A sine of amplitude A over N samples gives power (A N / 2)^2 and energy A^2 N / 2.
    return energy == 0 ? 0 : (s1 * s1 + s2 * s2 - coefficient * s1 * s2) * 2.0 / (double(frames) * energy);
}

}  // namespace encodertest
