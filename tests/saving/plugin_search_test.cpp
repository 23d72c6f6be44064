// The plug-in on the system's library path (LD_LIBRARY_PATH names the
// folder of the real one for this process only).

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "saving_harness.h"

using namespace savingtest;

namespace {

TEST(EncoderPluginSearch, FindsThePluginOnTheLibraryPathWhenItIsNotBesideTheProgram)
{
    ASSERT_FALSE(encoderLibraryLoaded());
    QTemporaryDir emptyFolder;
    EncoderPlugin plugin;
    plugin.LoadEncoder(emptyFolder.path());
    ASSERT_TRUE(plugin.isAvailable());
    EXPECT_TRUE(plugin.loadedHere());
    plugin.Release();
    EXPECT_FALSE(encoderLibraryLoaded());
}

TEST(EncoderPluginSearch, ThePluginBesideTheProgramComesFirst)
{
    ASSERT_FALSE(encoderLibraryLoaded());
    EncoderPlugin plugin;
    plugin.LoadEncoder(shimFolder("counting"));
    ASSERT_TRUE(plugin.isAvailable());
    ASSERT_NE(loadedShim("counting"), nullptr) << "the copy on the library path was taken";
    // The shim's function, not the real plug-in's, is bound.
    const QByteArray shimPath = QFile::encodeName(shimFolder("counting") + "/libmpeg_encoder.so");
    void* shim = dlopen(shimPath.constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(shim, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(plugin.beInitStream), dlsym(shim, "beInitStream"));
    dlclose(shim);
}

}  // namespace
