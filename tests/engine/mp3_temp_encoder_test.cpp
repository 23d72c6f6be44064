// Binding the encoder plug-in, and the MP3 temporary file made with it while
// recording: judged by mpg123, with a stand-in plug-in watching the calls.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>

#include "platform/locked_file.h"
#include "platform/paths.h"
#include "saving_harness.h"

using namespace savingtest;

namespace {

TEST(EncoderPluginBinding, TakesAllFunctionsOrNoneAndUnloadsOnlyWhatItLoaded)
{
    ASSERT_FALSE(EncoderLibraryLoaded());
    // A plug-in missing a required function is not used and not kept loaded;
    // beWriteInfoTag alone is optional.
    for (const char* variant : {"", "without_version", "without_info_tag"}) {
        SCOPED_TRACE(variant);
        const bool real = !*variant, usable = QByteArray(variant) != "without_version";
        EncoderPlugin plugin;
        plugin.LoadEncoder(real ? RealPluginFolder() : ShimFolder(variant));
        EXPECT_EQ(plugin.IsAvailable() && plugin.beInitStream != nullptr, usable);
        EXPECT_EQ(plugin.HasWriteInfoTag(), real);
        EXPECT_EQ(plugin.LoadedHere(), usable);
        if (real) {
            BeVersion version{};
            plugin.beVersion(&version);  // the plug-in's own function: its record names LAME
            EXPECT_NE(QByteArray(version.homepage).indexOf("lame"), -1) << version.homepage;
        } else {
            EXPECT_EQ(LoadedShim(variant) != nullptr, usable);
        }
        plugin.Release();
        EXPECT_EQ(plugin.beInitStream, nullptr);
        EXPECT_FALSE(EncoderLibraryLoaded());
    }
    // A copy some other code loaded is used and left to its owner.
    void* owner = dlopen(QFile::encodeName(RealPluginFolder() + "/libmpeg_encoder.so").constData(), RTLD_NOW);
    ASSERT_NE(owner, nullptr) << dlerror();
    {
        SavingSession s{QString()};  // nothing beside the program
        ASSERT_TRUE(s.plugin->IsAvailable());
        EXPECT_FALSE(s.plugin->LoadedHere());
        EXPECT_EQ(reinterpret_cast<void*>(s.plugin->beInitStream), dlsym(owner, "beInitStream"));
    }
    EXPECT_TRUE(EncoderLibraryLoaded()) << "unloaded under its owner";
    dlclose(owner);
    EXPECT_FALSE(EncoderLibraryLoaded()) << "a reference of ours kept it loaded";
}

// One file per recording: resuming a recording gives it up, and a new
// recording or the release of the engine deletes it.
TEST(Mp3TempFile, IsEncodedWhileRecordingAtTheQualityOfTheStartHoldsTheRecordingAndGoesWithIt)
{
    {
        SavingSession s(RealPluginFolder());
        s.saveView.quality = 3;  // 40 kbit/s
        s.StartRecording(kStereo44k16Bit);
        s.saveView.quality = 12;  // moving the slider now changes nothing for this file
        const QString path = s.Mp3TempPath();
        EXPECT_EQ(path,
                  platform::JoinPath(s.TempFolder(), QString("quillon_temp_%1.mp3").arg(platform::CurrentThreadId())));
        s.Capture(1000, 44100);
        EXPECT_GT(QFileInfo(path).size(), 3000) << "not encoded as the blocks arrive";
        s.Capture(1000, 44100 / 2 + 77);
        s.StopRecording();
        ASSERT_EQ(s.Mp3TempPath(), path) << "the finished file stays for saving";
        EXPECT_TRUE(platform::IsLockedElsewhere(path)) << "another instance's start-up would delete it";
        EXPECT_EQ(QFileInfo(path).permissions() & 0x7777,
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        EXPECT_EQ(s.engine->GetMp3Side().Mp3TempBitrate(), 40u);
        EXPECT_EQ(s.Frames(), 44100u + 44100 / 2 + 77);
        ExpectMp3Holds(path, s.Frames(), 44100, 2, 40, 1000);
        EXPECT_TRUE(s.engineView.errors.empty());

        s.Record(kStereo44k16Bit, 1000, 22050);  // resumes at the end
        EXPECT_EQ(s.Frames(), 44100u + 44100 / 2 + 77 + 22050);
        EXPECT_TRUE(s.Mp3TempPath().isEmpty() && s.Mp3TempFiles().isEmpty());

        s.saveView.answers = {Answer::No, Answer::No};
        s.NewRecording();
        s.Record(kMono48k16Bit, 700, 4800);
        const QString fresh = s.Mp3TempPath();
        ASSERT_TRUE(QFile::exists(fresh)) << "a new recording makes a fresh one";
        s.NewRecording();
        EXPECT_TRUE(s.Mp3TempPath().isEmpty() && !QFile::exists(fresh));
        s.Record(kMono48k16Bit, 700, 4800);
        ASSERT_EQ(s.Mp3TempFiles().size(), 1);
        s.saver.reset();  // it holds the engine
        s.engine.reset();
        EXPECT_TRUE(s.Mp3TempFiles().isEmpty());
    }
    EXPECT_FALSE(EncoderLibraryLoaded()) << "the engine and saver share one plug-in, released with the last";
}

TEST(Mp3TempFile, AStereoBlockIsCutIntoCallsTheBufferTakesTheTagFollowsTheCloseAndAFailureGivesTheFileUp)
{
    // A plug-in without beWriteInfoTag gets beWriteVBRHeader with the path.
    for (const char* variant : {"counting", "without_info_tag"}) {
        SCOPED_TRACE(variant);
        SavingSession s(ShimFolder(variant));
        ShimState* shim = LoadedShim(variant);
        ASSERT_NE(shim, nullptr);
        shim->reportedOutputBufferSize = 4096;      // room for 2048 samples per call
        s.Record(kStereo44k16Bit, 1000, 3 * 4410);  // three full blocks of a tenth of a second
        // 4410 frames = 8820 samples of both channels: four calls of 2048, then 628.
        ASSERT_EQ(shim->encodeCalls, 15u);
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(shim->encodeSamples[i], i % 5 == 4 ? 628u : 2048u) << "call " << i;
        EXPECT_EQ(shim->infoTagCalls + shim->vbrHeaderCalls, 1u);
        EXPECT_EQ(shim->vbrHeaderCalls, QByteArray(variant) == "without_info_tag" ? 1u : 0u);
        EXPECT_EQ(shim->tagCallsBeforeClose, 0u);
        EXPECT_EQ(QFile::decodeName(shim->lastTagPath), s.Mp3TempPath());
        // Nothing lost between the calls, and the decoder cuts the encoder delay by the frame.
        ExpectMp3Holds(s.Mp3TempPath(), 3 * 4410, 44100, 2, 128, 1000);
    }

    // An encoder failure gives the file up silently while recording goes on.
    SavingSession s(ShimFolder("counting"));
    ShimState* shim = LoadedShim("counting");
    ASSERT_NE(shim, nullptr);
    shim->failEncodeAtCall = 5;
    s.StartRecording(kStereo44k16Bit);
    const QString path = s.Mp3TempPath();
    s.Capture(1000, 6 * 4410);  // six blocks
    EXPECT_TRUE(s.Mp3TempPath().isEmpty() && !QFile::exists(path));
    EXPECT_EQ(shim->encodeCalls, 5u) << "encoding went on after the failure";
    EXPECT_EQ(shim->closeCalls, 1u);
    s.Capture(1000, 4410);
    s.StopRecording();
    EXPECT_EQ(s.Frames(), 7u * 4410);
    EXPECT_TRUE(s.engineView.errors.empty());
}

}  // namespace
