// DecoderStream: ownership of the handle, the accessors the playlist uses,
// and decoding, on files made by sox, lame and zla pack.

#include "decoder/decoder_stream.h"

#include "../zldecoder/media.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <QImage>

namespace {

using decoder::DecoderStream;

bool handleIsLive(ZLDEC_HANDLE handle)
{
    uint32_t frames = 0;
    return ZLDec_GetStreamLength(handle, &frames) == ZLDEC_OK;
}

class DecoderStreams : public ::testing::Test {
protected:
    QTemporaryDir scratch;
    QString wave = media::makeWave(scratch.filePath("a.wav"), 22050, 2, 16, 30000);
    QString mp3 = media::makeMp3(wave, scratch.filePath("a.mp3"), {"-b", "128"});
};

// The library's codes come through; a handle is closed exactly once, by
// whoever owns it last: moved, replaced, or released by the loader and
// adopted on the window thread.
TEST_F(DecoderStreams, OpenReportsTheCodesAndTheLastOwnerClosesOnce)
{
    DecoderStream stream;
    EXPECT_EQ(stream.open(scratch.filePath("missing.mp3")), ZLDEC_ERR_NO_FILE);
    EXPECT_FALSE(stream.isOpen());
    const QString locked = scratch.filePath("locked.zla");
    media::run(media::zlaTool(), {"pack", "-o", locked, "--not-loadable", wave});
    EXPECT_EQ(stream.open(locked), ZLDEC_ERR_NOT_HERE);
    ASSERT_EQ(stream.open(wave), ZLDEC_OK);
    ZLDEC_HANDLE handle = stream.handle();
    ASSERT_TRUE(stream.beginDecoding());
    DecoderStream moved(std::move(stream));
    EXPECT_FALSE(stream.isOpen());
    EXPECT_EQ(moved.handle(), handle);
    DecoderStream assigned;
    ASSERT_EQ(assigned.open(mp3), ZLDEC_OK);
    EXPECT_EQ(assigned.length(), 30000u);
    const ZLDEC_HANDLE replaced = assigned.handle();
    assigned = std::move(moved);
    EXPECT_FALSE(handleIsLive(replaced));
    EXPECT_TRUE(handleIsLive(handle));

    const ZLDEC_HANDLE parked = assigned.release();
    EXPECT_FALSE(assigned.isOpen());
    EXPECT_TRUE(handleIsLive(parked));
    {
        DecoderStream adopted(parked);
        EXPECT_EQ(adopted.length(), 30000u);
    }
    EXPECT_FALSE(handleIsLive(parked));
}

TEST_F(DecoderStreams, TextsAndPicturesOfAZlaFile)
{
    QImage picture(12, 7, QImage::Format_ARGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 12; ++x)
            picture.setPixel(x, y, qRgba(20 * x, 30 * y, 200, 100 + x));
    const QString png = scratch.filePath("p.png");
    ASSERT_TRUE(picture.save(png));
    const QString zla = scratch.filePath("a.zla");
    const QString longDescription = QString::fromUtf8("描述").repeated(600);  // 3600 bytes of UTF-8
    media::run(media::zlaTool(),
               {"pack", "-o", zla, "--title", QString::fromUtf8("晨间录音"), "--description", longDescription,
                "--picture", png, "--picture", png, mp3});
    DecoderStream stream;
    ASSERT_EQ(stream.open(zla), ZLDEC_OK);
    EXPECT_EQ(stream.topic(), QString::fromUtf8("晨间录音"));
    // Read with the playlist's 2049-byte buffer: whole characters up to 2048 bytes.
    EXPECT_EQ(stream.description(), longDescription.left(2048 / 3));
    ASSERT_EQ(stream.images().size(), 2u);
    EXPECT_EQ(stream.image(1).convertToFormat(QImage::Format_ARGB32), picture);
    EXPECT_TRUE(stream.image(2).isNull());

    DecoderStream plain;
    ASSERT_EQ(plain.open(mp3), ZLDEC_OK);
    EXPECT_TRUE(plain.topic().isEmpty());
    EXPECT_TRUE(plain.images().empty());
}

TEST_F(DecoderStreams, DecodingNeedsBeginAndStopsAtTheEnd)
{
    DecoderStream stream;
    ASSERT_EQ(stream.open(wave), ZLDEC_OK);
    const ZLWaveFormat* format = stream.format();
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->samplesPerSec, 22050u);
    EXPECT_EQ(format->blockAlign, 4);

    std::vector<char> pcm(1536 * 4);
    EXPECT_EQ(stream.decode(0, 1536, pcm.data()), 0u) << "no decoding before beginDecoding";
    ASSERT_TRUE(stream.beginDecoding());
    EXPECT_TRUE(stream.isDecoding());
    // What the frames hold is checked where the player plays them.
    EXPECT_EQ(stream.decode(0, 1536, pcm.data()), 1536u);
    EXPECT_EQ(stream.decode(30000, 1536, pcm.data()), 0u);
    EXPECT_EQ(stream.decode(29000, 1536, pcm.data()), 1000u);
    stream.endDecoding();
    EXPECT_FALSE(stream.isDecoding());
    EXPECT_EQ(stream.decode(0, 16, pcm.data()), 0u);

    DecoderStream closed;
    EXPECT_EQ(closed.format(), nullptr);
    EXPECT_EQ(closed.length(), 0u);
    EXPECT_FALSE(closed.beginDecoding());
}

}  // namespace
