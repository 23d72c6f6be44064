// DecoderStream: ownership of the handle, the accessors the playlist uses,
// and decoding, on files made by sox, lame and zla pack.

#include "decoder/decoder_stream.h"

#include "../zldecoder/media.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

using decoder::DecoderStream;

bool HandleIsLive(ZLDEC_HANDLE handle)
{
    uint32_t frames = 0;
    return ZLDec_GetStreamLength(handle, &frames) == ZLDEC_OK;
}

// The library's codes come through; a handle is closed exactly once, by
// whoever owns it last: moved, replaced, or released by the loader and
// adopted on the window thread. Decoding needs a begin and an open stream.
TEST(DecoderStreams, OpenReportsTheCodesTheLastOwnerClosesOnceDecodingNeedsBeginAndZlaTextsAndPicturesComeThrough)
{
    QTemporaryDir scratch;
    const QString wave = media::MakeWave(scratch.filePath("a.wav"), 22050, 2, 16, 30000);
    const QString mp3 = media::MakeMp3(wave, scratch.filePath("a.mp3"), {"-b", "128"});
    DecoderStream stream;
    EXPECT_EQ(stream.Open(scratch.filePath("missing.mp3")), ZLDEC_ERR_NO_FILE);
    EXPECT_FALSE(stream.IsOpen());
    const QString locked = scratch.filePath("locked.zla");
    media::Run(media::ZlaTool(), {"pack", "-o", locked, "--not-loadable", wave});
    EXPECT_EQ(stream.Open(locked), ZLDEC_ERR_NOT_HERE);
    ASSERT_EQ(stream.Open(wave), ZLDEC_OK);
    ZLDEC_HANDLE handle = stream.Handle();
    ASSERT_TRUE(stream.BeginDecoding());
    DecoderStream moved(std::move(stream));
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(moved.Handle(), handle);
    DecoderStream assigned;
    ASSERT_EQ(assigned.Open(mp3), ZLDEC_OK);
    EXPECT_EQ(assigned.Length(), 30000u);
    const ZLDEC_HANDLE replaced = assigned.Handle();
    assigned = std::move(moved);
    EXPECT_FALSE(HandleIsLive(replaced));
    EXPECT_TRUE(HandleIsLive(handle));

    const ZLDEC_HANDLE parked = assigned.Release();
    EXPECT_FALSE(assigned.IsOpen());
    EXPECT_TRUE(HandleIsLive(parked));
    {
        DecoderStream adopted(parked);
        EXPECT_EQ(adopted.Length(), 30000u);
    }
    EXPECT_FALSE(HandleIsLive(parked));

    // The format and the frames to the end, the last piece short, are checked
    // where the playlist's player plays them (player_fake_test.cpp).
    ASSERT_EQ(stream.Open(wave), ZLDEC_OK);
    std::vector<char> pcm(1536 * 4);
    EXPECT_EQ(stream.Decode(0, 1536, pcm.data()), 0u) << "no decoding before BeginDecoding";
    ASSERT_TRUE(stream.BeginDecoding());
    EXPECT_TRUE(stream.IsDecoding());
    EXPECT_EQ(stream.Decode(29000, 1536, pcm.data()), 1000u);
    stream.EndDecoding();
    EXPECT_FALSE(stream.IsDecoding());
    EXPECT_EQ(stream.Decode(0, 16, pcm.data()), 0u);

    EXPECT_EQ(assigned.Format(), nullptr);  // released: no stream any more
    EXPECT_EQ(assigned.Length(), 0u);
    EXPECT_FALSE(assigned.BeginDecoding());

    // The texts and pictures of a ZLA file.
    QImage picture(12, 7, QImage::Format_ARGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 12; ++x)
            picture.setPixel(x, y, qRgba(20 * x, 30 * y, 200, 100 + x));
    const QString png = scratch.filePath("p.png");
    ASSERT_TRUE(picture.save(png));
    const QString zla = scratch.filePath("a.zla");
    const QString longDescription = QString::fromUtf8("描述").repeated(600);  // 3600 bytes of UTF-8
    media::Run(media::ZlaTool(),
               {"pack", "-o", zla, "--title", QString::fromUtf8("晨间录音"), "--description", longDescription,
                "--picture", png, "--picture", png, mp3});
    ASSERT_EQ(stream.Open(zla), ZLDEC_OK);
    EXPECT_EQ(stream.Topic(), QString::fromUtf8("晨间录音"));
    // Read with the playlist's 2049-byte buffer: whole characters up to 2048 bytes.
    EXPECT_EQ(stream.Description(), longDescription.left(2048 / 3));
    ASSERT_EQ(stream.Images().size(), 2u);
    EXPECT_EQ(stream.Image(1).convertToFormat(QImage::Format_ARGB32), picture);
    EXPECT_TRUE(stream.Image(2).isNull());
}

}  // namespace
