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

#include <zlib.h>

namespace {

using media::OpenStream;

QByteArray PngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    EXPECT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));
    return bytes;
}

QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int i = 0; i < width * height; ++i) {
        const int x = i % width, y = i / width;
        image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x * y) % 256, 40 + (x + y) % 200));
    }
    return image;
}

QByteArray Le32(uint32_t v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// A ZLA file built by hand, exactly as docs/zla.md lays it out; a chunk's size
// field lies when `claimedSize` is set.
struct RawChunk {
    QByteArray id, payload;
    qint64 claimedSize = -1;
};

QByteArray ZlaFile(const std::vector<RawChunk>& chunks, uint16_t major = 1, uint16_t minor = 0, uint32_t flags = 0,
                   qint64 claimedCount = -1)
{
    QByteArray file = "ZLA\x1a" + Le32(major | minor << 16) + Le32(flags) +
        Le32(uint32_t(claimedCount >= 0 ? claimedCount : qint64(chunks.size())));
    for (const RawChunk& c : chunks)
        file += c.id + Le32(uint32_t(c.claimedSize >= 0 ? c.claimedSize : c.payload.size())) + c.payload;
    return file;
}

// A one-pixel PNG whose header claims the given size, with a valid checksum.
QByteArray PngClaiming(uint32_t width, uint32_t height)
{
    QByteArray png = PngOf(QImage(1, 1, QImage::Format_ARGB32));
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    qToBigEndian(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17)), png.data() + 29);
    return png;
}

class ZlaFiles : public ::testing::Test {
protected:
    // The title (or description), checking the text and its end stay inside the buffer.
    QString Text(ZLDEC_HANDLE handle, bool topic, uint32_t size)
    {
        std::vector<char> buffer(size + 1, '\x7f');
        EXPECT_EQ((topic ? ZLDec_GetTopic : ZLDec_GetDescription)(handle, buffer.data(), size), ZLDEC_OK);
        EXPECT_TRUE(buffer[size] == '\x7f' && std::find(buffer.begin(), buffer.end(), '\0') < buffer.begin() + size);
        return QString::fromUtf8(buffer.data());
    }

    QTemporaryDir scratch;
    QString wave = media::MakeWave(scratch.filePath("audio.wav"), 22050, 2, 16, 33333);
    QString mp3 = media::MakeMp3(wave, scratch.filePath("audio.mp3"), {"-b", "96"});
};

TEST_F(ZlaFiles, PackedFilesCarryTextsPicturesAndAudioTextsAreCutBetweenCharactersAndNotLoadableOnlyInspected)
{
    const QImage pictures[] = {Gradient(30, 30), Gradient(17, 5).convertToFormat(QImage::Format_Indexed8),
                               Gradient(8, 12).convertToFormat(QImage::Format_Grayscale8)};
    QStringList pictureArgs;
    for (int i = 0; i < 3; ++i) {
        pictureArgs << "--picture" << scratch.filePath(QString("p%1.png").arg(i));
        ASSERT_TRUE(testsupport::WriteFile(pictureArgs.last(), PngOf(pictures[i])));
    }
    const QString title = QString::fromUtf8("录音 – a title"), description = QString::fromUtf8("第一行\nsecond line");
    for (const QString& audio : {wave, mp3}) {
        SCOPED_TRACE(audio.toStdString());
        const QString zla = scratch.filePath("packed.zla");
        media::Run(media::ZlaTool(),
                   QStringList{"pack", "-o", zla, "--title", title, "--description", description} + pictureArgs +
                       QStringList{audio});
        OpenStream packed(zla), bare(audio);
        ASSERT_EQ(packed.Code(), ZLDEC_OK);
        EXPECT_EQ(Text(packed.Handle(), false, 2049), description);
        for (uint32_t size = 1; size <= 256; ++size) {  // a short buffer cuts between characters
            QString cut = title;
            while (cut.toUtf8().size() > qsizetype(size) - 1)
                cut.chop(1);
            EXPECT_EQ(Text(packed.Handle(), true, size), cut) << size;
        }
        const ZLImage* images = nullptr;
        uint16_t count = 0;
        ASSERT_TRUE(ZLDec_GetImageArray(packed.Handle(), &images, &count) == ZLDEC_OK && count == 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(QSize(images[i].width, images[i].height), pictures[i].size());
            // BGRA bytes, rows top-down: what ARGB32 holds in memory on this little-endian machine.
            const QImage argb = pictures[i].convertToFormat(QImage::Format_ARGB32);
            EXPECT_EQ(std::memcmp(images[i].pixels, argb.constBits(), argb.sizeInBytes()), 0) << i;
        }
        const ZLWaveFormat packedFormat = packed.Format(), bareFormat = bare.Format();
        EXPECT_EQ(std::memcmp(&packedFormat, &bareFormat, sizeof(ZLWaveFormat)), 0);
        EXPECT_TRUE(packed.Length() == bare.Length() && packed.DecodeAll() == bare.DecodeAll());
        EXPECT_TRUE(packed.Decode(20000, 1000) == bare.Decode(20000, 1000));
    }
    // Plain audio files have empty texts and no pictures.
    const ZLImage* images = reinterpret_cast<const ZLImage*>(0x1);
    uint16_t count = 7;
    OpenStream plain(mp3);
    EXPECT_EQ(Text(plain.Handle(), true, 256) + Text(plain.Handle(), false, 2049), QString());
    EXPECT_EQ(ZLDec_GetImageArray(plain.Handle(), &images, &count), ZLDEC_OK);
    EXPECT_TRUE(count == 0 && images == nullptr);
    char none[1];
    EXPECT_EQ(ZLDec_GetTopic(plain.Handle(), none, 0), ZLDEC_ERR_ARGUMENT);
    EXPECT_EQ(ZLDec_GetTopic(plain.Handle(), nullptr, 10), ZLDEC_ERR_ARGUMENT);

    // The not-loadable flag refuses playing but not inspecting.
    const QString zla = scratch.filePath("locked.zla");
    media::Run(media::ZlaTool(), {"pack", "-o", zla, "--title", "kept", "--not-loadable", mp3});
    EXPECT_EQ(OpenStream(zla).Code(), ZLDEC_ERR_NOT_HERE);
    OpenStream inspected(zla, ZLDEC_OPEN_INSPECT);
    ASSERT_EQ(inspected.Code(), ZLDEC_OK);
    EXPECT_EQ(Text(inspected.Handle(), true, 256), "kept");
    EXPECT_EQ(inspected.Length(), plain.Length());
    EXPECT_EQ(ZLDec_DecodeAudioBegin(inspected.Handle()), ZLDEC_ERR_NOT_HERE);
    const QByteArray info = media::Run(media::ZlaTool(), {"info", zla});
    for (const char* line :
         {"container: ZLA 1.0", "flags: not loadable here", "title: kept", "chunk TITL at 24, 4 bytes",
          "audio: 22050 Hz, 2 channels, 16 bits, 12000 bytes/s", "length: 33333 frames"})
        EXPECT_TRUE(info.contains(line)) << line << " in\n" << info.toStdString();
}

// Broken layouts are damaged and later versions readable. Pictures that fit
// the budget are kept in their order, the others left out; the audio plays as ever.
TEST_F(ZlaFiles, BrokenLayoutsAreDamagedPicturesOverTheBudgetLeftOutAndThePackerRefusesWhatAReaderWould)
{
    const RawChunk sound{"AWAV", testsupport::ReadFile(wave)};
    const uint32_t ok = ZLDEC_OK, bad = ZLDEC_ERR_DAMAGED;
    const std::tuple<const char*, QByteArray, uint32_t> cases[] = {
        {"title and audio", ZlaFile({{"TITL", "t"}, sound}), ok},
        {"a later minor version", ZlaFile({{"XTRA", "new"}, {"TITL", "t"}, sound}, 1, 7), ok},
        {"flags of later versions", ZlaFile({sound}, 1, 0, 0xfffe), ok},
        {"a later major version", ZlaFile({sound}, 2, 0), ZLDEC_ERR_UNRECOGNISED},
        {"no picture", ZlaFile({{"PICT", "not a png"}, sound}), bad},
        {"chunk past the end", ZlaFile({{"TITL", "t", 1u << 30}, sound}), bad},
        {"cut short", ZlaFile({{"TITL", "t"}, sound}).left(5000), bad},
        {"trailing bytes", ZlaFile({{"TITL", "t"}, sound}) + "xx", bad},
        {"count too large", ZlaFile({sound}, 1, 0, 0, 1000000), bad},
        {"count one more", ZlaFile({sound}, 1, 0, 0, 2), bad},
        {"no audio", ZlaFile({{"TITL", "t"}}), bad},
        {"two audio chunks", ZlaFile({sound, sound}), bad},
        {"two titles", ZlaFile({{"TITL", "a"}, {"TITL", "b"}, sound}), bad},
        {"title too long", ZlaFile({{"TITL", QByteArray(64 * 1024 + 1, 'x')}, sound}), bad},
        {"MPEG audio as WAVE", ZlaFile({{"AWAV", testsupport::ReadFile(mp3)}}), bad},
        {"garbage as MPEG", ZlaFile({{"AMPG", QByteArray(20000, 'z')}}), bad},
        {"header cut", QByteArray("ZLA\x1a\x01\x00", 6), bad}};
    for (const auto& [name, bytes, code] : cases)
        EXPECT_EQ(media::OpenCodeOf(scratch.filePath("raw.zla"), bytes), code) << name;

    auto picture = [](int width, int height) { return RawChunk{"PICT", PngOf(Gradient(width, height))}; };
    std::vector<RawChunk> many;  // 70 pictures 1 pixel high, each as wide as its number
    QList<QSize> first64;
    for (int i = 1; i <= 70; ++i) {
        many.push_back(picture(i, 1));
        if (i <= 64)
            first64 << QSize(i, 1);
    }
    many.push_back(sound);
    const RawChunk big = picture(255, 255), tooWide = picture(256, 4);  // four big ones fill nearly all pixels
    const RawChunk huge{"PICT", PngClaiming(100000, 100000)}, oversized{"PICT", QByteArray(1024 * 1024 + 1, 'x')};
    const std::tuple<const char*, QByteArray, QList<QSize>> budgets[] = {
        {"70 pictures", ZlaFile(many), first64},
        {"too many pixels together",
         ZlaFile({picture(3, 2), big, big, big, big, big, picture(50, 50), picture(5, 7), sound}),
         {QSize(3, 2), QSize(255, 255), QSize(255, 255), QSize(255, 255), QSize(255, 255), QSize(5, 7)}},
        {"too large alone",
         ZlaFile({tooWide, picture(2, 2), huge, oversized, picture(4, 4), sound}),
         {QSize(2, 2), QSize(4, 4)}}};
    OpenStream bare(wave);
    const QByteArray pcm = bare.DecodeAll();
    for (const auto& [name, bytes, kept] : budgets) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(testsupport::WriteFile(scratch.filePath("budget.zla"), bytes));
        OpenStream stream(scratch.filePath("budget.zla"));
        ASSERT_EQ(stream.Code(), ZLDEC_OK);
        const ZLImage* images = nullptr;
        uint16_t count = 0;
        ASSERT_EQ(ZLDec_GetImageArray(stream.Handle(), &images, &count), ZLDEC_OK);
        QList<QSize> sizes;
        for (uint16_t i = 0; i < count; ++i)
            sizes << QSize(images[i].width, images[i].height);
        EXPECT_EQ(sizes, kept);
        EXPECT_TRUE(stream.Length() == bare.Length() && stream.DecodeAll() == pcm);
    }

    // What a reader would refuse, the packer refuses with a word to the user: 2 for the
    // files, 1 for the command line. The messages name the user's files and
    // explain codes; the usage comes on request.
    const QString out = scratch.filePath("out.zla"), wide = scratch.filePath("wide.png"),
                  bogus = scratch.filePath("bogus.png"), zla = scratch.filePath("already.zla"),
                  empty = scratch.filePath("empty.wav"), cut = scratch.filePath("cut.zla"),
                  noFolder = scratch.filePath("no-such-folder/out.zla");
    ASSERT_TRUE(testsupport::WriteFile(wide, PngOf(Gradient(256, 2))));
    ASSERT_TRUE(testsupport::WriteFile(bogus, "no picture"));
    ASSERT_TRUE(testsupport::WriteFile(empty, {}));
    ASSERT_TRUE(testsupport::WriteFile(cut, ZlaFile({{"TITL", "t", 99}})));
    media::Run(media::ZlaTool(), {"pack", "-o", zla, wave});
    const std::tuple<QStringList, int, QString> refusals[] = {
        {{"pack", "-o", out, "--picture", wide, wave}, 2, ""},
        {{"pack", "-o", out, "--picture", bogus, wave}, 2, ""},
        {{"pack", "-o", out, "--title", QString(64 * 1024 + 1, 'x'), wave}, 2, ""},
        {{"pack", "-o", out, zla}, 2, ""},
        {{"pack", "-o", out, scratch.filePath("missing.wav")}, 2, ""},
        {{"pack", "-o", out, empty}, 2, empty + ": not usable audio: 13 (empty file)"},
        {{"pack", "-o", noFolder, wave}, 2, noFolder + ": "},
        {{"sh", "-c", "\"$0\" pack -o \"$1\" --title \"$(printf '\\377\\376')\" \"$2\"", media::ZlaTool(), out, wave},
         2,
         ""},
        {{"pack", wave}, 1, ""},
        {{"pack", "-o", out, "--loud", wave}, 1, ""},
        {{"unpack", out}, 1, ""},
        {{"pack", "-o", out, "--title", "a", "--title", "b", wave}, 1, ""},
        {{"pack", "-o", out, "--description", "a", "--description", "b", wave}, 1, ""},
        {{"pack", "-o", out, "-o", out + "2", wave}, 1, ""},
        {{"info", scratch.filePath("missing.wav")}, 2, "error: 1 (no such file)"},
        {{"info", cut}, 2, "chunk table: 4 (damaged)"}};
    for (const auto& [args, status, said] : refusals) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const auto result = args[0] == "sh" ? testsupport::RunTool("sh", args.mid(1))  // a title that is not UTF-8
                                            : testsupport::RunTool(media::ZlaTool(), args);
        EXPECT_EQ(result.exitCode, status);
        EXPECT_TRUE(args[0] == "info" || !result.err.isEmpty());
        EXPECT_TRUE(QString::fromUtf8(result.err + result.out).contains(said)) << result.err.toStdString();
        EXPECT_FALSE(QFile::exists(out) || QFile::exists(out + ".partial"));
    }
    for (const QStringList& args :
         {QStringList{"--help"}, {"pack", "--help"}, {"info", "--help"}, {"pack", "-o", "x.zla", "-h"}}) {
        const auto result = testsupport::RunTool(media::ZlaTool(), args);
        EXPECT_EQ(result.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(result.out.startsWith("usage: zla pack") && result.err.isEmpty()) << args.join(' ').toStdString();
    }
}

}  // namespace
