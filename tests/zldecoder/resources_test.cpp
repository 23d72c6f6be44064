// Bounded resources: an idle stream holds no file descriptor, 5000 streams
// stay open under a limit of 256 descriptors, and streams are opened and
// closed on one thread while others decode on another.

#include "media.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <set>
#include <sys/resource.h>
#include <thread>

namespace {

using media::OpenStream;

int OpenDescriptors() { return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size()); }

class Resources : public ::testing::Test {
protected:
    void SetUp() override
    {
        media::Run("sox", {wave, paths[2] = scratch.filePath("a.mp2")});
        media::Run(media::ZlaTool(), {"pack", "-o", paths[3] = scratch.filePath("a.zla"), "--title", "t", paths[1]});
        for (int i = 0; i < 4; ++i)
            lengths[i] = OpenStream(paths[i]).Length();
    }
    QTemporaryDir scratch;
    QString wave = media::MakeWave(scratch.filePath("a.wav"), 44100, 2, 16, 100000);
    QString paths[4] = {wave, media::MakeMp3(wave, scratch.filePath("a.mp3"), {"-V", "5"})};
    uint32_t lengths[4] = {};
};

TEST_F(Resources, FiveThousandStreamsStayOpenUnderALimitOf256DescriptorsAndOpenWhileOthersDecode)
{
    const int before = OpenDescriptors();
    for (const QString& file : paths) {  // only decoding holds a descriptor, once
        OpenStream stream(file);
        EXPECT_EQ(OpenDescriptors(), before) << file.toStdString();
        ASSERT_EQ(ZLDec_DecodeAudioBegin(stream.Handle()), ZLDEC_OK);
        ASSERT_EQ(ZLDec_DecodeAudioBegin(stream.Handle()), ZLDEC_OK);
        EXPECT_EQ(OpenDescriptors(), before + 1) << file.toStdString();
        ASSERT_EQ(ZLDec_DecodeAudioEnd(stream.Handle()), ZLDEC_OK);
        EXPECT_EQ(OpenDescriptors(), before);
        ASSERT_EQ(ZLDec_DecodeAudioBegin(stream.Handle()), ZLDEC_OK);
    }  // closing a decoding stream releases its descriptor too
    EXPECT_EQ(OpenDescriptors(), before);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const struct rlimit low {
        256, saved.rlim_max
    };
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<QByteArray> names;
    for (const QString& path : paths)
        names.push_back(QFile::encodeName(path));
    std::vector<ZLDEC_HANDLE> handles(5000);
    for (size_t i = 0; i < handles.size(); ++i)
        ASSERT_EQ(ZLDec_OpenStream(&handles[i], names[i % 4].constData(), 1, 1), ZLDEC_OK) << "stream " << i;
    std::vector<char> pcm(1024 * 4);
    for (size_t i = 0; i < handles.size(); ++i) {
        uint32_t frames = 0, written = 0;
        ASSERT_TRUE(ZLDec_GetStreamLength(handles[i], &frames) == ZLDEC_OK && frames == lengths[i % 4]) << i;
        if (i % 97)
            continue;  // a sample of them is played, one after another
        ASSERT_EQ(ZLDec_DecodeAudioBegin(handles[i]), ZLDEC_OK) << "stream " << i;
        ASSERT_TRUE(ZLDec_DecodeAudio(handles[i], 5000, 1024, pcm.data(), &written) == ZLDEC_OK && written == 1024u);
        ASSERT_EQ(ZLDec_DecodeAudioEnd(handles[i]), ZLDEC_OK);
    }
    for (const ZLDEC_HANDLE handle : handles)
        ASSERT_EQ(ZLDec_CloseStream(handle), ZLDEC_OK);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);

    // The loader's pattern: open, measure and close on one thread while the
    // window thread decodes other streams; and handles stay unique across threads.
    const QByteArray expected = OpenStream(paths[1]).DecodeAll();
    std::atomic<bool> decoding{true};
    std::atomic<int> loaderFailures{0}, loads{0};
    std::thread loader([&] {
        for (int i = 0; decoding || i < 200; ++i, ++loads) {
            ZLDEC_HANDLE handle = 0;
            uint32_t frames = 0;
            if (ZLDec_OpenStream(&handle, QFile::encodeName(paths[i % 4]).constData(), 1, 1) != ZLDEC_OK ||
                ZLDec_GetStreamLength(handle, &frames) != ZLDEC_OK || frames != lengths[i % 4] ||
                ZLDec_CloseStream(handle) != ZLDEC_OK)
                ++loaderFailures;
        }
    });
    for (int round = 0; round < 3; ++round) {
        OpenStream stream(paths[1]);
        EXPECT_TRUE(stream.DecodeAll(round == 0 ? 1536 : 777) == expected) << "round " << round;
        EXPECT_TRUE(stream.Decode(54321, 4000) == expected.mid(54321 * 4, 4000 * 4));
    }
    decoding = false;
    loader.join();
    EXPECT_TRUE(loaderFailures == 0 && loads >= 200) << loaderFailures << " failures in " << loads;

    std::vector<ZLDEC_HANDLE> a(2000), b(2000);
    auto open = [&](std::vector<ZLDEC_HANDLE>& into) {
        for (ZLDEC_HANDLE& h : into)
            EXPECT_EQ(ZLDec_OpenStream(&h, QFile::encodeName(wave).constData(), 1, 1), ZLDEC_OK);
    };
    std::thread first(open, std::ref(a)), second(open, std::ref(b));
    first.join();
    second.join();
    std::set<ZLDEC_HANDLE> all(a.begin(), a.end());
    all.insert(b.begin(), b.end());
    EXPECT_EQ(all.size(), a.size() + b.size());
    std::thread closer([&] {
        for (const ZLDEC_HANDLE h : a)
            EXPECT_EQ(ZLDec_CloseStream(h), ZLDEC_OK);
    });
    for (const ZLDEC_HANDLE h : b)
        EXPECT_EQ(ZLDec_CloseStream(h), ZLDEC_OK);
    closer.join();
}

}  // namespace
