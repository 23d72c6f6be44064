// Opening: the codes for every kind of failure, the argument and handle
// rules of the C interface, and what the library exports.

#include "media.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using media::OpenStream;

uint32_t openCode(const QString& path, uint32_t mode = ZLDEC_OPEN_PLAY)
{
    OpenStream stream(path, mode);
    return stream.code();
}

class OpenCodes : public ::testing::Test {
protected:
    media::Scratch scratch;
    QString wave = media::makeWave(scratch.path("tone.wav"), 8000, 1, 16, 4000);
};

TEST_F(OpenCodes, AMissingFileOrFolderIsCode1)
{
    EXPECT_EQ(openCode(scratch.path("absent.wav")), ZLDEC_ERR_NO_FILE);
    EXPECT_EQ(openCode(scratch.path("absent/x.wav")), ZLDEC_ERR_NO_FILE);
    EXPECT_EQ(openCode(wave + "/x.wav"), ZLDEC_ERR_NO_FILE);  // a file used as a folder
    EXPECT_EQ(openCode(""), ZLDEC_ERR_NO_FILE);
    EXPECT_EQ(openCode("/" + QString(5000, 'a')), ZLDEC_ERR_NO_FILE);
}

TEST_F(OpenCodes, AFileLockedElsewhereIsCode2UntilReleased)
{
    const int holder = ::open(QFile::encodeName(wave).constData(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_EQ(openCode(wave), ZLDEC_ERR_LOCKED);
    ::flock(holder, LOCK_UN);
    EXPECT_EQ(openCode(wave), ZLDEC_OK);

    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &lock), 0);
    EXPECT_EQ(openCode(wave), ZLDEC_ERR_LOCKED);
    ::close(holder);
    EXPECT_EQ(openCode(wave), ZLDEC_OK);
}

TEST_F(OpenCodes, WhatIsNoRegularFileIsCode3WithoutBlocking)
{
    EXPECT_EQ(openCode(scratch.path("")), ZLDEC_ERR_CANNOT_OPEN);  // the folder itself
    const QString fifo = scratch.path("pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(openCode(fifo), ZLDEC_ERR_CANNOT_OPEN);  // a writer never comes: must not wait
    const QString loop = scratch.path("loop.wav");
    ASSERT_EQ(::symlink(QFile::encodeName(loop).constData(), QFile::encodeName(loop).constData()), 0);
    EXPECT_EQ(openCode(loop), ZLDEC_ERR_CANNOT_OPEN);
}

TEST_F(OpenCodes, EmptyOrBrokenFilesOfAKnownKindAreCode4)
{
    ASSERT_TRUE(testsupport::writeFile(scratch.path("empty.wav"), {}));
    EXPECT_EQ(openCode(scratch.path("empty.wav")), ZLDEC_ERR_DAMAGED);

    const QByteArray bytes = testsupport::readFile(wave);
    ASSERT_TRUE(testsupport::writeFile(scratch.path("cut.wav"), bytes.left(20)));
    EXPECT_EQ(openCode(scratch.path("cut.wav")), ZLDEC_ERR_DAMAGED);

    // An ID3v2 tag with no MPEG audio behind it.
    QByteArray tagOnly("ID3\x03\x00\x00\x00\x00\x00\x10", 10);
    tagOnly.append(16, '\0');
    tagOnly.append(QByteArray(3000, 'x'));
    ASSERT_TRUE(testsupport::writeFile(scratch.path("tag.mp3"), tagOnly));
    EXPECT_EQ(openCode(scratch.path("tag.mp3")), ZLDEC_ERR_DAMAGED);
}

TEST_F(OpenCodes, ForeignContentIsCode5)
{
    ASSERT_TRUE(testsupport::writeFile(scratch.path("text.wav"), QByteArray("just some words\n").repeated(500)));
    EXPECT_EQ(openCode(scratch.path("text.wav")), ZLDEC_ERR_UNRECOGNISED);
    QByteArray avi("RIFF\x10\x00\x00\x00" "AVI LIST", 16);
    ASSERT_TRUE(testsupport::writeFile(scratch.path("video.wav"), avi + QByteArray(4000, '\0')));
    EXPECT_EQ(openCode(scratch.path("video.wav")), ZLDEC_ERR_UNRECOGNISED);
    // An encoding nobody here knows, and a known one with a broken description.
    auto waveWith = [](uint16_t tag, uint16_t channels) {
        QByteArray fmt(16, '\0');
        qToLittleEndian<uint16_t>(tag, fmt.data());
        qToLittleEndian<uint16_t>(channels, fmt.data() + 2);
        qToLittleEndian<uint32_t>(8000, fmt.data() + 4);
        qToLittleEndian<uint32_t>(16000, fmt.data() + 8);
        qToLittleEndian<uint16_t>(2, fmt.data() + 12);
        qToLittleEndian<uint16_t>(16, fmt.data() + 14);
        QByteArray body = "WAVEfmt " + QByteArray("\x10\0\0\0", 4) + fmt + "data" + QByteArray("\xa0\x0f\0\0", 4)
            + QByteArray(4000, '\0');
        QByteArray size(4, '\0');
        qToLittleEndian<uint32_t>(uint32_t(body.size()), size.data());
        return "RIFF" + size + body;
    };
    ASSERT_TRUE(testsupport::writeFile(scratch.path("odd.wav"), waveWith(0x7777, 1)));
    EXPECT_EQ(openCode(scratch.path("odd.wav")), ZLDEC_ERR_UNRECOGNISED);
    ASSERT_TRUE(testsupport::writeFile(scratch.path("pcm.wav"), waveWith(1, 1)));
    EXPECT_EQ(openCode(scratch.path("pcm.wav")), ZLDEC_OK);
    ASSERT_TRUE(testsupport::writeFile(scratch.path("nochannels.wav"), waveWith(1, 0)));
    EXPECT_EQ(openCode(scratch.path("nochannels.wav")), ZLDEC_ERR_DAMAGED);
    // A WAVE file at a rate the library does not deliver.
    media::run("sox", {wave, "-r", "500", scratch.path("slow.wav")});
    EXPECT_EQ(openCode(scratch.path("slow.wav")), ZLDEC_ERR_UNRECOGNISED);
}

TEST_F(OpenCodes, ArgumentsAreCheckedBeforeAnythingIsWritten)
{
    const QByteArray path = QFile::encodeName(wave);
    ZLDEC_HANDLE handle = 77;
    EXPECT_EQ(ZLDec_OpenStream(nullptr, path.constData(), 1, 1), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(ZLDec_OpenStream(&handle, nullptr, 1, 1), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(ZLDec_OpenStream(&handle, path.constData(), 2, 1), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(ZLDec_OpenStream(&handle, path.constData(), 1, 2), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(ZLDec_OpenStream(&handle, QFile::encodeName(scratch.path("no.wav")).constData(), 1, 1),
              ZLDEC_ERR_NO_FILE);
    EXPECT_EQ(handle, 77u);
}

TEST_F(OpenCodes, HandlesAreDistinctAndNeverZero)
{
    OpenStream a(wave), b(wave), c(wave);
    ASSERT_EQ(a.code(), ZLDEC_OK);
    EXPECT_NE(a.handle(), 0u);
    EXPECT_NE(a.handle(), b.handle());
    EXPECT_NE(b.handle(), c.handle());
    EXPECT_NE(a.handle(), c.handle());
}

// Every function refuses handle 0, one never given out and one closed, and
// leaves its outputs alone.
TEST_F(OpenCodes, DeadHandlesGiveCode8AndWriteNothing)
{
    ZLDEC_HANDLE closed = 0;
    ASSERT_EQ(ZLDec_OpenStream(&closed, QFile::encodeName(wave).constData(), 1, 1), ZLDEC_OK);
    ASSERT_EQ(ZLDec_CloseStream(closed), ZLDEC_OK);

    for (const ZLDEC_HANDLE dead : {ZLDEC_HANDLE(0), ZLDEC_HANDLE(0xfffffff0u), closed}) {
        SCOPED_TRACE(dead);
        uint32_t frames = 123;
        const ZLWaveFormat* format = reinterpret_cast<const ZLWaveFormat*>(0x1);
        const ZLImage* images = reinterpret_cast<const ZLImage*>(0x1);
        uint16_t count = 9;
        char text[8] = "keep";
        char pcm[64];
        std::memset(pcm, 0x5a, sizeof pcm);
        uint32_t written = 55;
        EXPECT_EQ(ZLDec_GetStreamLength(dead, &frames), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_GetStreamFormat(dead, &format), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_GetImageArray(dead, &images, &count), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_GetTopic(dead, text, sizeof text), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_GetDescription(dead, text, sizeof text), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_DecodeAudioBegin(dead), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_DecodeAudio(dead, 0, 8, pcm, &written), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_DecodeAudioEnd(dead), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(ZLDec_CloseStream(dead), ZLDEC_ERR_HANDLE);
        EXPECT_EQ(frames, 123u);
        EXPECT_EQ(format, reinterpret_cast<const ZLWaveFormat*>(0x1));
        EXPECT_EQ(images, reinterpret_cast<const ZLImage*>(0x1));
        EXPECT_EQ(count, 9);
        EXPECT_STREQ(text, "keep");
        EXPECT_EQ(written, 55u);
        EXPECT_EQ(pcm[0], 0x5a);
    }
}

TEST_F(OpenCodes, DecodingNeedsBeginAndAnUnchangedFile)
{
    OpenStream stream(wave);
    ASSERT_EQ(stream.code(), ZLDEC_OK);
    char pcm[64];
    uint32_t written = 9;
    EXPECT_EQ(ZLDec_DecodeAudio(stream.handle(), 0, 8, pcm, &written), ZLDEC_ERR_NOT_DECODING);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(ZLDec_DecodeAudioEnd(stream.handle()), ZLDEC_ERR_NOT_DECODING);

    // Another recording saved under the same name: the measured length no longer holds.
    media::makeWave(wave, 8000, 1, 16, 5000);
    EXPECT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_ERR_CHANGED);
    QFile::remove(wave);
    EXPECT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_ERR_NO_FILE);
    // The stream itself stays usable.
    EXPECT_EQ(stream.length(), 4000u);
}

TEST_F(OpenCodes, BeginReportsALockTakenAfterOpening)
{
    OpenStream stream(wave);
    ASSERT_EQ(stream.code(), ZLDEC_OK);
    const int holder = ::open(QFile::encodeName(wave).constData(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_ERR_LOCKED);
    ::close(holder);
    EXPECT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_OK);
    EXPECT_EQ(ZLDec_DecodeAudioEnd(stream.handle()), ZLDEC_OK);
}

TEST(Exports, OnlyTheCFunctionsLeaveTheLibrary)
{
    const QString library = QDir(testsupport::binDir()).filePath("libZLDecoder.so");
    const QByteArray symbols = media::run("nm", {"-D", "--defined-only", "--format=posix", library});
    QStringList names;
    for (const QByteArray& line : symbols.split('\n'))
        if (!line.isEmpty())
            names << QString::fromLatin1(line.split(' ').first());
    names.sort();
    EXPECT_EQ(names, QStringList({"ZLDec_CloseStream", "ZLDec_DecodeAudio", "ZLDec_DecodeAudioBegin",
                                  "ZLDec_DecodeAudioEnd", "ZLDec_GetDescription", "ZLDec_GetImageArray",
                                  "ZLDec_GetStreamFormat", "ZLDec_GetStreamLength", "ZLDec_GetTopic",
                                  "ZLDec_OpenStream"}));
}

}  // namespace
