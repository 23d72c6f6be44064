// The plug-in on the system's library path (LD_LIBRARY_PATH names the folder
// of the real one for this process only).

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <QFile>

#include "saving_harness.h"

using namespace savingtest;

TEST(EncoderPluginSearch, TheLibraryPathIsTheFallbackAfterTheProgramsFolder)
{
    ASSERT_FALSE(EncoderLibraryLoaded());
    {
        SavingSession s{QString()};  // nothing beside the program
        ASSERT_TRUE(s.plugin->IsAvailable());
        EXPECT_TRUE(s.plugin->LoadedHere());
        s.Record(kStereo44k16Bit, 1000, 8000);
        ExpectMp3Holds(s.Mp3TempPath(), 8000, 44100, 2, 128, 1000);
    }
    EXPECT_FALSE(EncoderLibraryLoaded());

    EncoderPlugin plugin;
    plugin.LoadEncoder(ShimFolder("counting"));
    void* shim =
        dlopen(QFile::encodeName(ShimFolder("counting") + "/libmpeg_encoder.so").constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(shim, nullptr) << "the copy on the library path was taken";
    EXPECT_EQ(reinterpret_cast<void*>(plugin.beInitStream), dlsym(shim, "beInitStream"));
    dlclose(shim);
}
