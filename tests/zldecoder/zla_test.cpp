// ZLA files: what zla pack writes and the library reads back (texts,
// pictures, the not-loadable flag), and hand-built files that break the
// layout described in docs/zla.md.

#include "media.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QtEndian>

namespace {

using media::OpenStream;

QByteArray pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    return bytes;
}

QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x * y) % 256, 40 + (x + y) % 200));
    return image;
}

// The pixels as the library must deliver them: BGRA bytes, rows top-down.
QByteArray bgraOf(const QImage& image)
{
    QByteArray bytes;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            bytes.append(char(qBlue(p))).append(char(qGreen(p))).append(char(qRed(p))).append(char(qAlpha(p)));
        }
    return bytes;
}

// A ZLA file built by hand, exactly as docs/zla.md lays it out.
struct RawChunk {
    QByteArray id;
    QByteArray payload;
    qint64 claimedSize = -1;  // the size field, when it should lie
};

QByteArray zlaFile(const std::vector<RawChunk>& chunks, uint16_t major = 1, uint16_t minor = 0, uint32_t flags = 0,
                   qint64 claimedCount = -1)
{
    auto le16 = [](uint16_t v) { return QByteArray(1, char(v & 0xff)) + QByteArray(1, char(v >> 8)); };
    auto le32 = [](uint32_t v) {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    QByteArray file("ZLA\x1a", 4);
    file += le16(major) + le16(minor) + le32(flags);
    file += le32(uint32_t(claimedCount >= 0 ? claimedCount : qint64(chunks.size())));
    for (const RawChunk& c : chunks)
        file += c.id + le32(uint32_t(c.claimedSize >= 0 ? c.claimedSize : c.payload.size())) + c.payload;
    return file;
}

uint32_t crc32(const QByteArray& bytes)
{
    uint32_t crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= uint8_t(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A PNG whose header claims the given size; its data is far too short for it.
QByteArray pngClaiming(uint32_t width, uint32_t height)
{
    auto chunk = [](const QByteArray& type, const QByteArray& data) {
        QByteArray out(4, '\0');
        qToBigEndian(uint32_t(data.size()), out.data());
        QByteArray crc(4, '\0');
        qToBigEndian(crc32(type + data), crc.data());
        return out + type + data + crc;
    };
    QByteArray ihdr(13, '\0');
    qToBigEndian(width, ihdr.data());
    qToBigEndian(height, ihdr.data() + 4);
    ihdr[8] = 8;  // bit depth
    ihdr[9] = 6;  // RGBA
    const QByteArray idat = QByteArray::fromHex("789c63000000010001");  // deflate of one zero byte
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", idat) + chunk("IEND", {});
}

class ZlaFiles : public ::testing::Test {
protected:
    uint32_t codeOf(const QByteArray& bytes)
    {
        const QString path = scratch.path("raw.zla");
        EXPECT_TRUE(testsupport::writeFile(path, bytes));
        return OpenStream(path).code();
    }

    QString text(ZLDEC_HANDLE handle, bool topic, uint32_t size)
    {
        std::vector<char> buffer(size + 1, '\x7f');
        const uint32_t code = topic ? ZLDec_GetTopic(handle, buffer.data(), size)
                                    : ZLDec_GetDescription(handle, buffer.data(), size);
        EXPECT_EQ(code, ZLDEC_OK);
        EXPECT_EQ(buffer[size], '\x7f') << "wrote past the buffer";
        EXPECT_NE(std::find(buffer.begin(), buffer.begin() + size, '\0'), buffer.begin() + size)
            << "no terminating zero inside the buffer";
        return QString::fromUtf8(buffer.data());
    }

    media::Scratch scratch;
    QString wave = media::makeWave(scratch.path("audio.wav"), 22050, 2, 16, 33333);
    QString mp3 = media::makeMp3(wave, scratch.path("audio.mp3"), {"-b", "96"});
};

TEST_F(ZlaFiles, PackedFilesCarryTitleDescriptionPicturesAndAudio)
{
    const QImage pictures[] = {gradient(30, 30), gradient(17, 5).convertToFormat(QImage::Format_Indexed8),
                               gradient(8, 12).convertToFormat(QImage::Format_Grayscale8)};
    QStringList pictureArgs;
    for (int i = 0; i < 3; ++i) {
        const QString png = scratch.path(QString("p%1.png").arg(i));
        ASSERT_TRUE(testsupport::writeFile(png, pngOf(pictures[i])));
        pictureArgs << "--picture" << png;
    }
    const QString title = QString::fromUtf8("录音 – a title");
    const QString description = QString::fromUtf8("第一行\nsecond line");
    for (const QString& audio : {wave, mp3}) {
        SCOPED_TRACE(audio.toStdString());
        const QString zla = scratch.path("packed.zla");
        media::run(media::zlaTool(), QStringList{"pack", "-o", zla, "--title", title, "--description", description}
                                         + pictureArgs + QStringList{audio});
        OpenStream packed(zla);
        OpenStream bare(audio);
        ASSERT_EQ(packed.code(), ZLDEC_OK);
        EXPECT_EQ(text(packed.handle(), true, 256), title);
        EXPECT_EQ(text(packed.handle(), false, 2049), description);

        const ZLImage* images = nullptr;
        uint16_t count = 0;
        ASSERT_EQ(ZLDec_GetImageArray(packed.handle(), &images, &count), ZLDEC_OK);
        ASSERT_EQ(count, 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(images[i].width, uint32_t(pictures[i].width()));
            EXPECT_EQ(images[i].height, uint32_t(pictures[i].height()));
            const QByteArray expected = bgraOf(pictures[i]);
            EXPECT_TRUE(QByteArray(reinterpret_cast<const char*>(images[i].pixels), expected.size()) == expected)
                << "picture " << i;
        }
        EXPECT_EQ(packed.length(), bare.length());
        const ZLWaveFormat packedFormat = packed.format();
        const ZLWaveFormat bareFormat = bare.format();
        EXPECT_EQ(std::memcmp(&packedFormat, &bareFormat, sizeof(ZLWaveFormat)), 0);
        const QByteArray samples = bare.decodeAll();
        EXPECT_TRUE(packed.decodeAll() == samples);
        const int frameBytes = bare.format().blockAlign;
        EXPECT_TRUE(packed.decode(20000, 1000) == samples.mid(20000 * frameBytes, 1000 * frameBytes));
    }
}

TEST_F(ZlaFiles, PlainAudioFilesHaveEmptyTextsAndNoPictures)
{
    OpenStream stream(mp3);
    ASSERT_EQ(stream.code(), ZLDEC_OK);
    EXPECT_EQ(text(stream.handle(), true, 256), QString());
    EXPECT_EQ(text(stream.handle(), false, 2049), QString());
    const ZLImage* images = reinterpret_cast<const ZLImage*>(0x1);
    uint16_t count = 7;
    EXPECT_EQ(ZLDec_GetImageArray(stream.handle(), &images, &count), ZLDEC_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(images, nullptr);
}

TEST_F(ZlaFiles, TextsAreCutAtCharacterBoundaries)
{
    const QString zla = scratch.path("texts.zla");
    media::run(media::zlaTool(), {"pack", "-o", zla, "--title", QString::fromUtf8("你好世界"), wave});
    OpenStream stream(zla);
    ASSERT_EQ(stream.code(), ZLDEC_OK);
    const QString full = QString::fromUtf8("你好世界");  // 4 characters of 3 bytes
    for (uint32_t size = 1; size <= 14; ++size) {
        SCOPED_TRACE(size);
        EXPECT_EQ(text(stream.handle(), true, size), full.left(int((size - 1) / 3)));
    }
    char none[1];
    EXPECT_EQ(ZLDec_GetTopic(stream.handle(), none, 0), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(ZLDec_GetTopic(stream.handle(), nullptr, 10), ZLDEC_ERR_ARGUMENT);
}

TEST_F(ZlaFiles, TheNotLoadableFlagRefusesPlayingButNotInspecting)
{
    const QString zla = scratch.path("locked.zla");
    media::run(media::zlaTool(), {"pack", "-o", zla, "--title", "kept", "--not-loadable", mp3});
    EXPECT_EQ(OpenStream(zla).code(), ZLDEC_ERR_NOT_HERE);
    OpenStream inspected(zla, ZLDEC_OPEN_INSPECT);
    ASSERT_EQ(inspected.code(), ZLDEC_OK);
    EXPECT_EQ(text(inspected.handle(), true, 256), "kept");
    EXPECT_EQ(inspected.length(), OpenStream(mp3).length());
    EXPECT_EQ(ZLDec_DecodeAudioBegin(inspected.handle()), ZLDEC_ERR_NOT_HERE);
}

TEST_F(ZlaFiles, BrokenLayoutsAreDamagedFiles)
{
    const QByteArray audio = testsupport::readFile(wave);
    const QByteArray png = pngOf(gradient(10, 10));
    const RawChunk sound{"AWAV", audio};
    EXPECT_EQ(codeOf(zlaFile({{"TITL", "t"}, sound})), ZLDEC_OK);  // the builder itself is right

    EXPECT_EQ(codeOf(zlaFile({{"PICT", pngClaiming(100000, 100000)}, sound})), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(zlaFile({{"PICT", pngOf(gradient(256, 4))}, sound})), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(zlaFile({{"PICT", "not a png"}, sound})), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(zlaFile({{"TITL", "t", 1u << 30}, sound})), ZLDEC_ERR_DAMAGED);  // past the end
    EXPECT_EQ(codeOf(zlaFile({{"TITL", "t"}, sound}).left(5000)), ZLDEC_ERR_DAMAGED);  // cut short
    EXPECT_EQ(codeOf(zlaFile({{"TITL", "t"}, sound}) + "xx"), ZLDEC_ERR_DAMAGED);      // trailing bytes
    EXPECT_EQ(codeOf(zlaFile({sound}, 1, 0, 0, 1000000)), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(zlaFile({sound}, 1, 0, 0, 2)), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(zlaFile({{"TITL", "t"}})), ZLDEC_ERR_DAMAGED);  // no audio
    EXPECT_EQ(codeOf(zlaFile({sound, sound})), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(zlaFile({{"TITL", "a"}, {"TITL", "b"}, sound})), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(zlaFile({{"TITL", QByteArray(64 * 1024 + 1, 'x')}, sound})), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(zlaFile({{"AWAV", testsupport::readFile(mp3)}})), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(zlaFile({{"AMPG", QByteArray(20000, 'z')}})), ZLDEC_ERR_DAMAGED);
    EXPECT_EQ(codeOf(QByteArray("ZLA\x1a\x01\x00", 6)), ZLDEC_ERR_DAMAGED);

    std::vector<RawChunk> many(64, RawChunk{"PICT", pngOf(gradient(1, 1))});
    many.push_back(sound);
    EXPECT_EQ(codeOf(zlaFile(many)), ZLDEC_OK);
    many.insert(many.begin(), RawChunk{"PICT", pngOf(gradient(1, 1))});
    EXPECT_EQ(codeOf(zlaFile(many)), ZLDEC_ERR_DAMAGED);  // 65 pictures
    const RawChunk big{"PICT", pngOf(gradient(255, 255))};
    EXPECT_EQ(codeOf(zlaFile({big, big, big, big, sound})), ZLDEC_OK);
    EXPECT_EQ(codeOf(zlaFile({big, big, big, big, big, sound})), ZLDEC_ERR_DAMAGED);  // too many pixels together
}

TEST_F(ZlaFiles, VersionsGrowWithoutBreakingReaders)
{
    const RawChunk sound{"AWAV", testsupport::readFile(wave)};
    EXPECT_EQ(codeOf(zlaFile({{"XTRA", "from a later minor version"}, {"TITL", "t"}, sound}, 1, 7)), ZLDEC_OK);
    EXPECT_EQ(codeOf(zlaFile({sound}, 2, 0)), ZLDEC_ERR_UNRECOGNISED);
    EXPECT_EQ(codeOf(zlaFile({sound}, 1, 0, 0x1)), ZLDEC_ERR_NOT_HERE);
    EXPECT_EQ(codeOf(zlaFile({sound}, 1, 0, 0xfffe)), ZLDEC_OK);  // flags of later versions
}

TEST_F(ZlaFiles, ThePackerRefusesWhatAReaderWouldRefuse)
{
    const QString out = scratch.path("out.zla");
    const QString wide = scratch.path("wide.png");
    ASSERT_TRUE(testsupport::writeFile(wide, pngOf(gradient(256, 2))));
    const QString bogus = scratch.path("bogus.png");
    ASSERT_TRUE(testsupport::writeFile(bogus, "no picture"));
    const QString zla = scratch.path("already.zla");
    media::run(media::zlaTool(), {"pack", "-o", zla, wave});
    struct Refusal {
        QStringList args;
        int status;
    };
    for (const Refusal& r : {Refusal{{"pack", "-o", out, "--picture", wide, wave}, 2},
                             {{"pack", "-o", out, "--picture", bogus, wave}, 2},
                             {{"pack", "-o", out, "--title", QString(64 * 1024 + 1, 'x'), wave}, 2},
                             {{"pack", "-o", out, zla}, 2},
                             {{"pack", "-o", out, scratch.path("missing.wav")}, 2},
                             {{"pack", wave}, 1},
                             {{"pack", "-o", out, "--loud", wave}, 1},
                             {{"unpack", out}, 1}}) {
        SCOPED_TRACE(r.args.join(' ').toStdString());
        const auto result = testsupport::runTool(media::zlaTool(), r.args);
        EXPECT_EQ(result.exitCode, r.status);
        EXPECT_FALSE(result.err.isEmpty());
        EXPECT_FALSE(QFile::exists(out));
        EXPECT_FALSE(QFile::exists(out + ".partial"));
    }
    // A title that is not UTF-8 (arguments are bytes; only a shell passes these).
    const auto latin = testsupport::runTool(
        "sh", {"-c", QString("\"$0\" pack -o \"$1\" --title \"$(printf '\\377\\376')\" \"$2\""), media::zlaTool(), out, wave});
    EXPECT_EQ(latin.exitCode, 2) << latin.err.toStdString();
    EXPECT_TRUE(latin.err.contains("UTF-8")) << latin.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(ZlaFiles, InfoShowsWhatAFileHolds)
{
    const QString png = scratch.path("p.png");
    ASSERT_TRUE(testsupport::writeFile(png, pngOf(gradient(30, 20))));
    const QString zla = scratch.path("info.zla");
    media::run(media::zlaTool(), {"pack", "-o", zla, "--title", "Morning", "--description", "Birds",
                                  "--picture", png, "--not-loadable", mp3});
    const QString info = QString::fromUtf8(media::run(media::zlaTool(), {"info", zla}));
    for (const QString& line : {QString("container: ZLA 1.0"), QString("flags: not loadable here"),
                                QString("title: Morning"), QString("description: Birds"),
                                QString("picture 1: 30 x 20"), QString("audio: 22050 Hz, 2 channels, 16 bits, 12000 bytes/s"),
                                QString("length: 33333 frames")})
        EXPECT_TRUE(info.contains(line)) << line.toStdString() << "\nin:\n" << info.toStdString();
    EXPECT_TRUE(info.contains("chunk TITL at 24, 7 bytes")) << info.toStdString();
    EXPECT_TRUE(info.contains("chunk AMPG at ")) << info.toStdString();
    const auto broken = testsupport::runTool(media::zlaTool(), {"info", wave + ".missing"});
    EXPECT_EQ(broken.exitCode, 2);
}

}  // namespace
