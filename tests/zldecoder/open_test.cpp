// Opening: the codes for every kind of failure, the argument and handle
// rules of the C interface, and what the library exports. A missing, foreign,
// FIFO and flock-locked file meet the playlist's loader
// (playlist/loader_test.cpp). Bounded resources: an idle stream holds no
// file descriptor, 5000 streams stay open under a limit of 256 descriptors,
// and streams are opened and closed on one thread while others decode on
// another.

#include "media.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <atomic>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using media::OpenStream;

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

// Arguments are checked before anything is written; every function refuses
// handle 0, one never given out and one closed (code 8), and leaves its
// outputs alone; live handles are distinct and never 0.
TEST(OpenCodes, BadArgumentsDeadHandlesAndEveryKindOfFailureHaveTheirCodesAndOnlyTheCFunctionsAreExported)
{
    QTemporaryDir scratch;
    const QString wave = media::MakeWave(scratch.filePath("tone.wav"), 8000, 1, 16, 4000);
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

    // Every kind of failure has its code.
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

int OpenDescriptors() { return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size()); }

TEST(Resources, FiveThousandStreamsStayOpenUnderALimitOf256DescriptorsAndOpenWhileOthersDecode)
{
    QTemporaryDir scratch;
    const QString wave = media::MakeWave(scratch.filePath("a.wav"), 44100, 2, 16, 100000);
    const QString paths[4] = {wave, media::MakeMp3(wave, scratch.filePath("a.mp3"), {"-V", "5"}),
                              scratch.filePath("a.mp2"), scratch.filePath("a.zla")};
    media::Run("sox", {wave, paths[2]});
    media::Run(media::ZlaTool(), {"pack", "-o", paths[3], "--title", "t", paths[1]});
    uint32_t lengths[4] = {};
    for (int i = 0; i < 4; ++i)
        lengths[i] = OpenStream(paths[i]).Length();
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
