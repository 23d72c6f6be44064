// Binding the encoder plug-in: where it is found, which functions it must
// offer, and who unloads it.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "saving_harness.h"

using namespace savingtest;

namespace {

class EncoderPluginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Every case starts from a process without the plug-in, or the
        // search below would find a leftover instead of what it looks for.
        ASSERT_FALSE(encoderLibraryLoaded()) << "an earlier case left the plug-in loaded";
    }
    void TearDown() override { EXPECT_FALSE(encoderLibraryLoaded()) << "the plug-in stayed loaded"; }

    QTemporaryDir emptyFolder;
};

QByteArray realPluginPath() { return QFile::encodeName(realPluginFolder() + "/libmpeg_encoder.so"); }

TEST_F(EncoderPluginTest, BindsAllSevenFunctionsOfThePluginBesideTheProgramAndUnloadsItOnRelease)
{
    EncoderPlugin plugin;
    plugin.LoadEncoder(realPluginFolder());
    ASSERT_TRUE(plugin.isAvailable());
    EXPECT_TRUE(plugin.loadedHere());
    EXPECT_TRUE(plugin.hasWriteInfoTag());
    EXPECT_NE(plugin.beInitStream, nullptr);
    EXPECT_NE(plugin.beEncodeChunk, nullptr);
    EXPECT_NE(plugin.beDeinitStream, nullptr);
    EXPECT_NE(plugin.beCloseStream, nullptr);
    EXPECT_NE(plugin.beWriteVBRHeader, nullptr);

    // The bound functions are the plug-in's own: its version record names LAME.
    BeVersion version{};
    plugin.beVersion(&version);
    EXPECT_NE(QByteArray(version.homepage).indexOf("lame"), -1) << version.homepage;

    EXPECT_TRUE(encoderLibraryLoaded());
    plugin.Release();
    EXPECT_FALSE(plugin.isAvailable());
    EXPECT_EQ(plugin.beInitStream, nullptr);
    EXPECT_FALSE(encoderLibraryLoaded());
}

TEST_F(EncoderPluginTest, UsesACopyThatIsAlreadyLoadedAndLeavesItToItsOwner)
{
    void* owner = dlopen(realPluginPath().constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(owner, nullptr) << dlerror();
    {
        EncoderPlugin plugin;
        plugin.LoadEncoder(emptyFolder.path());  // nothing beside the program
        ASSERT_TRUE(plugin.isAvailable());
        EXPECT_FALSE(plugin.loadedHere());
        EXPECT_EQ(reinterpret_cast<void*>(plugin.beInitStream), dlsym(owner, "beInitStream"));
    }
    EXPECT_TRUE(encoderLibraryLoaded()) << "the plug-in was unloaded under its owner";
    dlclose(owner);
    EXPECT_FALSE(encoderLibraryLoaded()) << "a reference of ours kept the plug-in loaded";
}

TEST_F(EncoderPluginTest, WithoutThePluginMp3IsUnavailable)
{
    EncoderPlugin plugin;
    plugin.LoadEncoder(emptyFolder.path());
    EXPECT_FALSE(plugin.isAvailable());
    EXPECT_FALSE(plugin.loadedHere());
    EXPECT_EQ(plugin.beInitStream, nullptr);
}

TEST_F(EncoderPluginTest, APluginLackingARequiredFunctionIsUnavailableAndUnloaded)
{
    for (const char* variant : {"without_version", "without_vbr_header"}) {
        SCOPED_TRACE(variant);
        ASSERT_TRUE(QFile::exists(shimFolder(variant) + "/libmpeg_encoder.so"));
        EncoderPlugin plugin;
        plugin.LoadEncoder(shimFolder(variant));
        EXPECT_FALSE(plugin.isAvailable());
        EXPECT_FALSE(plugin.loadedHere());
        EXPECT_EQ(plugin.beInitStream, nullptr);
        EXPECT_EQ(loadedShim(variant), nullptr) << "the incomplete plug-in stayed loaded";
        EXPECT_FALSE(encoderLibraryLoaded());
    }
}

TEST_F(EncoderPluginTest, WriteInfoTagIsOptional)
{
    EncoderPlugin plugin;
    plugin.LoadEncoder(shimFolder("without_info_tag"));
    ASSERT_TRUE(plugin.isAvailable());
    EXPECT_TRUE(plugin.loadedHere());
    EXPECT_FALSE(plugin.hasWriteInfoTag());
    EXPECT_NE(loadedShim("without_info_tag"), nullptr);
    plugin.Release();
    EXPECT_EQ(loadedShim("without_info_tag"), nullptr);
}

TEST_F(EncoderPluginTest, TheEncoderHostReleasesThePluginWithTheLastUser)
{
    // The window hands one plug-in to the MP3 side and the saver; it is
    // released when the engine and the saver are gone.
    {
        SavingSession session(realPluginFolder());
        ASSERT_TRUE(session.plugin->isAvailable());
        session.Record(kStereo44k16Bit, 1000, 4410);
        EXPECT_FALSE(session.mp3TempPath().isEmpty());
    }
    EXPECT_FALSE(encoderLibraryLoaded());
}

}  // namespace
