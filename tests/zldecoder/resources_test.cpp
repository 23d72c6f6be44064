// Bounded resources: an idle stream holds no file descriptor, 5000 streams
// stay open under a limit of 256 descriptors, and streams are opened and
// closed on one thread while others decode on another.

#include "media.h"

#include <gtest/gtest.h>

#include <QFile>

#include <atomic>
#include <sys/resource.h>
#include <thread>

namespace {

using media::OpenStream;

class Resources : public ::testing::Test {
protected:
    media::Scratch scratch;
    QString wave = media::makeWave(scratch.path("a.wav"), 44100, 2, 16, 100000);
    QString mp3 = media::makeMp3(wave, scratch.path("a.mp3"), {"-V", "5"});
    QString mp2 = media::makeMp2(wave, scratch.path("a.mp2"));
    QString zla = [this] {
        const QString path = scratch.path("a.zla");
        media::run(media::zlaTool(), {"pack", "-o", path, "--title", "t", mp3});
        return path;
    }();
};

TEST_F(Resources, OnlyDecodingHoldsADescriptor)
{
    const int before = media::openDescriptors();
    for (const QString& file : {wave, mp3, mp2, zla}) {
        SCOPED_TRACE(file.toStdString());
        OpenStream stream(file);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        EXPECT_EQ(media::openDescriptors(), before);
        ASSERT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_OK);
        EXPECT_EQ(media::openDescriptors(), before + 1);
        ASSERT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_OK);  // again: still one
        EXPECT_EQ(media::openDescriptors(), before + 1);
        ASSERT_EQ(ZLDec_DecodeAudioEnd(stream.handle()), ZLDEC_OK);
        EXPECT_EQ(media::openDescriptors(), before);
        ASSERT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_OK);
    }  // closing a decoding stream releases its descriptor too
    EXPECT_EQ(media::openDescriptors(), before);
}

TEST_F(Resources, FiveThousandStreamsStayOpenUnderALimitOf256Descriptors)
{
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    struct rlimit low = saved;
    low.rlim_cur = 256;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);

    const QByteArray paths[] = {QFile::encodeName(wave), QFile::encodeName(mp3), QFile::encodeName(mp2),
                                QFile::encodeName(zla)};
    uint32_t lengths[4] = {};
    for (int i = 0; i < 4; ++i)
        lengths[i] = OpenStream(QFile::decodeName(paths[i])).length();
    std::vector<ZLDEC_HANDLE> handles(5000);
    for (size_t i = 0; i < handles.size(); ++i)
        ASSERT_EQ(ZLDec_OpenStream(&handles[i], paths[i % 4].constData(), 1, 1), ZLDEC_OK) << "stream " << i;
    for (size_t i = 0; i < handles.size(); ++i) {
        uint32_t frames = 0;
        ASSERT_EQ(ZLDec_GetStreamLength(handles[i], &frames), ZLDEC_OK);
        ASSERT_EQ(frames, lengths[i % 4]);
    }
    // Every one of them can still be played, one after another.
    std::vector<char> pcm(1024 * 4);
    for (size_t i = 0; i < handles.size(); i += 97) {
        uint32_t written = 0;
        ASSERT_EQ(ZLDec_DecodeAudioBegin(handles[i]), ZLDEC_OK) << "stream " << i;
        ASSERT_EQ(ZLDec_DecodeAudio(handles[i], 5000, 1024, pcm.data(), &written), ZLDEC_OK);
        EXPECT_EQ(written, 1024u);
        ASSERT_EQ(ZLDec_DecodeAudioEnd(handles[i]), ZLDEC_OK);
    }
    for (const ZLDEC_HANDLE handle : handles)
        ASSERT_EQ(ZLDec_CloseStream(handle), ZLDEC_OK);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
}

// The loader's pattern: open, measure and close on one thread while the
// window thread decodes other streams. Both must see what they see alone.
TEST_F(Resources, OpeningOnOneThreadWhileDecodingOnAnother)
{
    OpenStream reference(mp3);
    ASSERT_EQ(reference.code(), ZLDEC_OK);
    const QByteArray expected = reference.decodeAll();
    const uint32_t expectedLengths[] = {OpenStream(wave).length(), reference.length(), OpenStream(mp2).length(),
                                        OpenStream(zla).length()};

    std::atomic<bool> decoding{true};
    std::atomic<int> loaderFailures{0};
    std::atomic<int> loads{0};
    std::thread loader([&] {
        const QByteArray paths[] = {QFile::encodeName(wave), QFile::encodeName(mp3), QFile::encodeName(mp2),
                                    QFile::encodeName(zla)};
        for (int i = 0; decoding || i < 200; ++i) {
            ZLDEC_HANDLE handle = 0;
            uint32_t frames = 0;
            if (ZLDec_OpenStream(&handle, paths[i % 4].constData(), 1, 1) != ZLDEC_OK
                || ZLDec_GetStreamLength(handle, &frames) != ZLDEC_OK || frames != expectedLengths[i % 4]
                || ZLDec_CloseStream(handle) != ZLDEC_OK)
                ++loaderFailures;
            ++loads;
        }
    });
    for (int round = 0; round < 3; ++round) {
        OpenStream stream(mp3);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        EXPECT_TRUE(stream.decodeAll(round == 0 ? 1536 : 777) == expected) << "round " << round;
        const int frameBytes = stream.format().blockAlign;
        EXPECT_TRUE(stream.decode(54321, 4000) == expected.mid(54321 * frameBytes, 4000 * frameBytes));
    }
    decoding = false;
    loader.join();
    EXPECT_EQ(loaderFailures, 0);
    EXPECT_GE(loads, 200);
}

// Handles given out on one thread are closed on another while a third opens:
// the table never hands out a live handle twice.
TEST_F(Resources, HandlesStayUniqueAcrossThreads)
{
    const QByteArray path = QFile::encodeName(wave);
    std::vector<ZLDEC_HANDLE> a(2000), b(2000);
    auto open = [&](std::vector<ZLDEC_HANDLE>& into) {
        for (ZLDEC_HANDLE& h : into)
            EXPECT_EQ(ZLDec_OpenStream(&h, path.constData(), 1, 1), ZLDEC_OK);
    };
    std::thread first(open, std::ref(a));
    std::thread second(open, std::ref(b));
    first.join();
    second.join();
    std::vector<ZLDEC_HANDLE> all(a);
    all.insert(all.end(), b.begin(), b.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    std::thread closer([&] {
        for (const ZLDEC_HANDLE h : a)
            EXPECT_EQ(ZLDec_CloseStream(h), ZLDEC_OK);
    });
    for (const ZLDEC_HANDLE h : b)
        EXPECT_EQ(ZLDec_CloseStream(h), ZLDEC_OK);
    closer.join();
}

}  // namespace
