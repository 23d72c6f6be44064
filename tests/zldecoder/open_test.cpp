// Opening: the codes for every kind of failure, the argument and handle
// rules of the C interface, and what the library exports. A missing, foreign,
// FIFO and flock-locked file meet the playlist's loader
// (playlist/loader_test.cpp).

#include "media.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using media::OpenStream;

class OpenCodes : public ::testing::Test {
protected:
    QTemporaryDir scratch;
    QString wave = media::MakeWave(scratch.filePath("tone.wav"), 8000, 1, 16, 4000);
};

// A PCM WAVE file of 2000 silent frames with the given encoding tag and channels.
QByteArray WaveWith(uint16_t tag, uint16_t channels)
{
    QByteArray fmt(16, '\0');
    qToLittleEndian<uint16_t>(tag, fmt.data());
    qToLittleEndian<uint16_t>(channels, fmt.data() + 2);
    qToLittleEndian<uint32_t>(8000, fmt.data() + 4);
    qToLittleEndian<uint32_t>(16000, fmt.data() + 8);
    qToLittleEndian<uint32_t>(2 | 16 << 16, fmt.data() + 12);
    return "RIFF" + QByteArray("\xc4\x0f\0\0WAVEfmt \x10\0\0\0", 16) + fmt + QByteArray("data\xa0\x0f\0\0", 8) +
        QByteArray(4000, '\0');
}

TEST_F(OpenCodes, EveryKindOfFailureHasItsCode)
{
    OpenStream early(wave);
    EXPECT_EQ(early.Code(), ZLDEC_OK);
    EXPECT_EQ(media::OpenCodeOf(scratch.filePath("pcm.wav"), WaveWith(1, 1)), ZLDEC_OK);  // the hand-made file is right
    // 1: nothing there.
    for (const QString& path : {scratch.filePath("absent.wav"), scratch.filePath("absent/x.wav"), wave + "/x.wav",
                                QString(), "/" + QString(5000, 'a')})
        EXPECT_EQ(OpenStream(path).Code(), ZLDEC_ERR_NO_FILE) << path.left(80).toStdString();
    // 3: no regular file, a symlink loop.
    const QByteArray loop = QFile::encodeName(scratch.filePath("loop.wav"));
    ASSERT_EQ(::symlink(loop.constData(), loop.constData()), 0);
    for (const QString& path : {scratch.path(), QFile::decodeName(loop)})
        EXPECT_EQ(OpenStream(path).Code(), ZLDEC_ERR_CANNOT_OPEN) << path.toStdString();
    // 4: cut, an ID3v2 tag with no audio behind it, no channels; 5: foreign content, an unknown encoding;
    // 13, outside the playlist's 1 to 6: a file of no bytes at all, whatever its name.
    const std::tuple<const char*, QByteArray, uint32_t> files[] = {
        {"empty.wav", {}, ZLDEC_ERR_EMPTY},
        {"empty.mp3", {}, ZLDEC_ERR_EMPTY},
        {"empty.zla", {}, ZLDEC_ERR_EMPTY},
        {"cut.wav", testsupport::ReadFile(wave).left(20), ZLDEC_ERR_DAMAGED},
        {"tag.mp3", QByteArray("ID3\x03\0\0\0\0\0\x10", 10) + QByteArray(16, '\0') + QByteArray(3000, 'x'),
         ZLDEC_ERR_DAMAGED},
        {"nochannels.wav", WaveWith(1, 0), ZLDEC_ERR_DAMAGED},
        {"video.wav", QByteArray("RIFF\x10\0\0\0AVI LIST", 16) + QByteArray(4000, '\0'), ZLDEC_ERR_UNRECOGNISED},
        {"odd.wav", WaveWith(0x7777, 1), ZLDEC_ERR_UNRECOGNISED}};
    for (const auto& [name, bytes, code] : files)
        EXPECT_EQ(media::OpenCodeOf(scratch.filePath(name), bytes), code) << name;
    // 5 too: a rate the library does not deliver.
    media::Run("sox", {wave, "-r", "500", scratch.filePath("slow.wav")});
    EXPECT_EQ(OpenStream(scratch.filePath("slow.wav")).Code(), ZLDEC_ERR_UNRECOGNISED);
    // 2: a lock taken elsewhere, flock or OFD, at open and at begin.
    const int holder = ::open(QFile::encodeName(wave).constData(), O_RDWR);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_EQ(ZLDec_DecodeAudioBegin(early.Handle()), ZLDEC_ERR_LOCKED);
    ::flock(holder, LOCK_UN);
    EXPECT_EQ(OpenStream(wave).Code(), ZLDEC_OK);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &lock), 0);
    EXPECT_EQ(OpenStream(wave).Code(), ZLDEC_ERR_LOCKED);
    ::close(holder);
    EXPECT_EQ(OpenStream(wave).Code(), ZLDEC_OK);
    EXPECT_TRUE(ZLDec_DecodeAudioBegin(early.Handle()) == ZLDEC_OK && ZLDec_DecodeAudioEnd(early.Handle()) == ZLDEC_OK);
    // 6 (a ZLA file not loadable here) is proven with the ZLA files.
    // 10: decoding needs a begin; 11: the file changed under the stream; 1: it went.
    char pcm[64];
    uint32_t written = 9;
    EXPECT_EQ(ZLDec_DecodeAudio(early.Handle(), 0, 8, pcm, &written), ZLDEC_ERR_NOT_DECODING);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(ZLDec_DecodeAudioEnd(early.Handle()), ZLDEC_ERR_NOT_DECODING);
    media::MakeWave(wave, 8000, 1, 16, 5000);  // another recording under the same name
    EXPECT_EQ(ZLDec_DecodeAudioBegin(early.Handle()), ZLDEC_ERR_CHANGED);
    QFile::remove(wave);
    EXPECT_EQ(ZLDec_DecodeAudioBegin(early.Handle()), ZLDEC_ERR_NO_FILE);
    EXPECT_EQ(early.Length(), 4000u);  // the stream itself stays usable
}

// Arguments are checked before anything is written; every function refuses
// handle 0, one never given out and one closed (code 8), and leaves its
// outputs alone; live handles are distinct and never 0.
TEST_F(OpenCodes, BadArgumentsAndDeadHandlesWriteNothingAndOnlyTheCFunctionsLeaveTheLibrary)
{
    const QByteArray path = QFile::encodeName(wave);
    ZLDEC_HANDLE handle = 77;
    EXPECT_EQ(ZLDec_OpenStream(nullptr, path.constData(), 1, 1), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(ZLDec_OpenStream(&handle, nullptr, 1, 1), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(ZLDec_OpenStream(&handle, path.constData(), 2, 1), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(ZLDec_OpenStream(&handle, path.constData(), 1, 2), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(handle, 77u);
    OpenStream a(wave), b(wave);
    EXPECT_TRUE(a.Handle() != 0 && a.Handle() != b.Handle());
    ZLDEC_HANDLE closed = 0;
    ASSERT_EQ(ZLDec_OpenStream(&closed, path.constData(), 1, 1), ZLDEC_OK);
    ASSERT_EQ(ZLDec_CloseStream(closed), ZLDEC_OK);
    for (const ZLDEC_HANDLE dead : {ZLDEC_HANDLE(0), ZLDEC_HANDLE(0xfffffff0u), closed}) {
        SCOPED_TRACE(dead);
        uint32_t frames = 123, written = 55;
        const auto* format = reinterpret_cast<const ZLWaveFormat*>(0x1);
        const auto* images = reinterpret_cast<const ZLImage*>(0x1);
        uint16_t count = 9;
        char text[8] = "keep", pcm[64] = {0x5a};
        EXPECT_EQ(ZLDec_GetStreamLength(dead, &frames), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_GetStreamFormat(dead, &format), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_GetImageArray(dead, &images, &count), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_GetTopic(dead, text, sizeof text), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_GetDescription(dead, text, sizeof text), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_DecodeAudioBegin(dead), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_DecodeAudio(dead, 0, 8, pcm, &written), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_DecodeAudioEnd(dead), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_CloseStream(dead), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(frames + written + count, 123u + 55u + 9u);
        EXPECT_TRUE(format == reinterpret_cast<const ZLWaveFormat*>(0x1) &&
                    images == reinterpret_cast<const ZLImage*>(0x1));
        EXPECT_TRUE(QByteArray(text) == "keep" && pcm[0] == 0x5a);
    }

    EXPECT_EQ(testsupport::ExportedSymbols(QDir(testsupport::BinDir()).filePath("libZLDecoder.so")).join(' '),
              "ZLDec_CloseStream ZLDec_DecodeAudio ZLDec_DecodeAudioBegin ZLDec_DecodeAudioEnd "
              "ZLDec_GetDescription ZLDec_GetImageArray ZLDec_GetStreamFormat ZLDec_GetStreamLength "
              "ZLDec_GetTopic ZLDec_OpenStream");
}

}  // namespace
