// Start-up clean-up: leftovers of crashed runs are salvaged, files of a
// running instance are left alone, everything else in the folder is untouched;
// and the first start is told from the others.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include "app/first_run.h"
#include "app/temp_file_cleaner.h"
#include "engine/recording_file.h"
#include "engine/wave_header.h"
#include "platform/locked_file.h"
#include "platform/replacing_file.h"
#include "support/test_support.h"

namespace {

// A header as the recorder writes it at record start (sizes 36 and 0),
// followed by `frames` frames of 16-bit stereo at 8000 Hz, plus `extraBytes`.
QByteArray CrashedRecording(int frames, int extraBytes = 0)
{
    const auto header = WaveHeader::ForEmptyFile({8000, 16, 2}).Image();
    QByteArray data(frames * 4 + extraBytes, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    return QByteArray(reinterpret_cast<const char*>(header.data()), int(header.size())) + data;
}

class TempFileCleanerTest : public ::testing::Test {
protected:
    QTemporaryDir temp, records, fallback;
    QString TempFile(const QString& name) const { return temp.filePath(name); }
    // One start-up's clean-up of `folder`; what it salvaged.
    QStringList Clean(const QString& folder)
    {
        TempFileCleaner cleaner(folder, records.path(), fallback.path());
        cleaner.CleanTempFiles();
        return cleaner.SalvagedFiles();
    }
};

TEST_F(TempFileCleanerTest, CrashedRecordingIsRepairedAndMovedAndSoxReadsItAlsoFromAnotherFileSystem)
{
    ASSERT_TRUE(testsupport::WriteFile(TempFile("quillon_temp_4242.wav"), CrashedRecording(16000, 3)));
    QFile::setPermissions(TempFile("quillon_temp_4242.wav"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(testsupport::WriteFile(TempFile("quillon_temp_4242.mp3"), "mp3 bytes"));
    ASSERT_TRUE(testsupport::WriteFile(TempFile("quillon_temp_7.wav"), CrashedRecording(0)));
    ASSERT_TRUE(testsupport::WriteFile(TempFile("other.wav"), CrashedRecording(10)));
    ASSERT_TRUE(testsupport::WriteFile(TempFile("quillon_temp_notes.txt"), "keep"));

    QStringList salvaged = Clean(temp.path());
    ASSERT_EQ(salvaged.size(), 1);
    const QString saved = salvaged.first();
    EXPECT_EQ(QFileInfo(saved).absolutePath(), QFileInfo(records.path()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(saved).fileName().endsWith(" recovered.wav")) << saved.toStdString();
    EXPECT_EQ(QFileInfo(saved).size(), 44 + 16000 * 4);  // the partial frame is dropped
    // A private temporary file becomes an ordinary file of the user's.
    EXPECT_TRUE(QFileInfo(saved).permissions() & QFileDevice::ReadOther);

    const auto soxi = testsupport::RunTool("soxi", {"-s", saved});
    ASSERT_EQ(soxi.exitCode, 0) << soxi.err.toStdString();
    EXPECT_EQ(soxi.out.trimmed(), "16000");

    // _7 is empty: nothing to keep.
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{"other.wav", "quillon_temp_notes.txt"}));

    // On another file system a leftover is copied whole, then removed.
    QTemporaryDir shm("/dev/shm/quillon-cleaner-XXXXXX");
    ASSERT_TRUE(shm.isValid());
    ASSERT_NE(QStorageInfo(shm.path()).rootPath(), QStorageInfo(records.path()).rootPath()) << "needs two file systems";
    QByteArray damaged = CrashedRecording(30000);
    damaged.replace(36, 4, "junk");
    ASSERT_TRUE(testsupport::WriteFile(shm.filePath("quillon_temp_8.wav"), damaged));
    ASSERT_TRUE(testsupport::WriteFile(shm.filePath("quillon_temp_9.wav"), CrashedRecording(30000)));

    salvaged = Clean(shm.path());
    ASSERT_EQ(salvaged.size(), 2);
    EXPECT_EQ(testsupport::ReadFile(salvaged[0]), damaged);
    EXPECT_EQ(testsupport::ReadFile(salvaged[1]).mid(44), CrashedRecording(30000).mid(44));
    EXPECT_TRUE(QDir(shm.path()).isEmpty());
}

TEST_F(TempFileCleanerTest, LeftoversItCannotRepairAreMovedUntouchedAndOnlyEmptyOnesDeleted)
{
    QByteArray badHeader = CrashedRecording(40000);  // 160,000 data bytes
    badHeader.replace(8, 4, "WAVX");
    QByteArray notPcm = CrashedRecording(100);
    notPcm[20] = 3;
    const QByteArray oneByte = CrashedRecording(0, 1);  // less than a frame, but not nothing
    const QByteArray shortHeader = CrashedRecording(0).left(30);
    const QList<QPair<QString, QByteArray>> damaged = {
        {"quillon_temp_11.wav", badHeader}, {"quillon_temp_12.wav", notPcm}, {"quillon_temp_13.wav", oneByte}};
    for (const auto& [name, bytes] : damaged)
        ASSERT_TRUE(testsupport::WriteFile(TempFile(name), bytes));
    ASSERT_TRUE(testsupport::WriteFile(TempFile("quillon_temp_14.wav"), shortHeader));
    ASSERT_TRUE(testsupport::WriteFile(TempFile("quillon_temp_15.wav"), CrashedRecording(0)));
    // Ours only in exactly this case.
    const QStringList foreign = {"QUILLON_TEMP_song.MP3", "quillon_temp_3.WAV", "Quillon_temp_4.wav",
                                 "quillon_temp_5.Mp3"};
    for (const QString& name : foreign)
        ASSERT_TRUE(testsupport::WriteFile(TempFile(name), CrashedRecording(20)));

    QList<QByteArray> kept;
    for (const QString& f : Clean(temp.path())) {
        EXPECT_TRUE(f.endsWith(" damaged.wav") || f.endsWith(" damaged 2.wav") || f.endsWith(" damaged 3.wav"))
            << f.toStdString();
        kept.append(testsupport::ReadFile(f));
    }
    ASSERT_EQ(kept.size(), damaged.size());
    for (const auto& [name, bytes] : damaged)
        EXPECT_TRUE(kept.contains(bytes)) << name.toStdString() << " not kept byte for byte";
    // The damaged ones moved, the short and the empty one gone: only the foreign files are left, untouched.
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files).size(), foreign.size());
    for (const QString& name : foreign)
        EXPECT_EQ(testsupport::ReadFile(TempFile(name)), CrashedRecording(20)) << name.toStdString();
}

TEST_F(TempFileCleanerTest, WithoutARecordFolderSalvageGoesToTheFallbackAndNeverOverwrites)
{
    const QByteArray rec = CrashedRecording(50);
    // Same modification time: both want the same clock name.
    const QDateTime when = QDateTime::currentDateTime();
    for (const char* n : {"quillon_temp_1.wav", "quillon_temp_2.wav"}) {
        ASSERT_TRUE(testsupport::WriteFile(TempFile(n), rec));
        QFile f(TempFile(n));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(when, QFileDevice::FileModificationTime);
    }
    const QString fallbackFolder = fallback.filePath("deep/recovered");
    TempFileCleaner cleaner(temp.path(), records.filePath("missing"), fallbackFolder);
    cleaner.CleanTempFiles();
    ASSERT_EQ(cleaner.SalvagedFiles().size(), 2);
    EXPECT_NE(cleaner.SalvagedFiles()[0], cleaner.SalvagedFiles()[1]);
    for (const QString& f : cleaner.SalvagedFiles()) {
        EXPECT_TRUE(f.startsWith(fallbackFolder));
        EXPECT_EQ(testsupport::ReadFile(f).mid(44), rec.mid(44));
    }
}

// A save killed outright leaves its unfinished file in the record folder;
// the next start removes it. What a running instance holds stays: its takes
// and the file a running save still writes; so do links at their names,
// never followed, and anything that only looks like one.
TEST_F(TempFileCleanerTest, UnfinishedSavesOfKilledProcessesGoAndLiveFilesLinksAndLookAlikesStay)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::ReplacingFile killed(records.filePath("take.mp3"));
        if (killed.Open())
            killed.File().write(QByteArray(205000, 'm')), killed.File().flush();
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const QStringList left = QDir(records.path()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(left.size(), 1);
    ASSERT_TRUE(left.front().startsWith(".quillon-save-"));

    QFile held;
    ASSERT_FALSE(platform::CreateLockedFile(TempFile("quillon_temp_99.wav"), held).isEmpty());
    held.write(CrashedRecording(100));
    held.flush();
    QFile heldMp3;
    ASSERT_FALSE(platform::CreateLockedFile(TempFile("quillon_temp_99.mp3"), heldMp3).isEmpty());
    platform::ReplacingFile live(records.filePath("live.wav"));
    ASSERT_TRUE(live.Open());
    live.File().write("still being written");
    const QStringList lookAlikes = {".quillon-save-abc",    ".quillon-save-abc1234", ".quillon-save-ab-123",
                                    ".Quillon-save-abc123", "quillon-save-abc123",   ".quillon-save-abc123.wav"};
    for (const QString& name : lookAlikes)
        ASSERT_TRUE(testsupport::WriteFile(records.filePath(name), "the user's"));
    const QString victim = records.filePath("precious.wav");
    ASSERT_TRUE(testsupport::WriteFile(victim, CrashedRecording(10)));
    ASSERT_TRUE(QFile::link(victim, records.filePath(".quillon-save-link12")));
    ASSERT_TRUE(QFile::link(victim, TempFile("quillon_temp_5.wav")));

    EXPECT_TRUE(Clean(temp.path()).isEmpty());
    EXPECT_TRUE(QFile::exists(TempFile("quillon_temp_99.wav")));
    EXPECT_TRUE(QFile::exists(TempFile("quillon_temp_99.mp3")));
    EXPECT_TRUE(QFileInfo(TempFile("quillon_temp_5.wav")).isSymLink());
    QStringList expected = lookAlikes;
    expected << ".quillon-save-link12" << QFileInfo(live.WritingPath()).fileName() << "precious.wav";
    expected.sort();
    EXPECT_EQ(QDir(records.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name), expected);
    EXPECT_EQ(testsupport::ReadFile(victim), CrashedRecording(10));
    ASSERT_TRUE(live.Commit()) << "the clean-up took the file of a running save";
    EXPECT_EQ(testsupport::ReadFile(records.filePath("live.wav")), "still being written");
    // Let go, the takes are leftovers.
    held.close();
    heldMp3.close();
    EXPECT_EQ(Clean(temp.path()).size(), 1);
    EXPECT_FALSE(QFile::exists(TempFile("quillon_temp_99.mp3")));
}

// Creating past what is at the name is the engine's test.
TEST(LockedFileTest, ALeftoverIsLockedOnceAndRemovedOnlyWhileTheNameIsStillItsOwn)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("quillon_temp_1.wav");
    QFile first;
    ASSERT_EQ(platform::CreateLockedFile(path, first), path);
    EXPECT_TRUE(platform::IsLockedElsewhere(path));
    first.close();
    EXPECT_FALSE(platform::IsLockedElsewhere(path));
    ASSERT_TRUE(QFile::link(path, dir.filePath("link.wav")));

    QFile leftover;
    ASSERT_TRUE(platform::LockExistingFile(path, leftover));
    QFile again;
    EXPECT_FALSE(platform::LockExistingFile(path, again)) << "one lock at a time";
    EXPECT_FALSE(platform::LockExistingFile(dir.filePath("link.wav"), again)) << "a link";
    ASSERT_TRUE(testsupport::WriteFile(dir.filePath("other.wav"), "other"));
    ASSERT_EQ(::rename(QFile::encodeName(dir.filePath("other.wav")).constData(), QFile::encodeName(path).constData()),
              0);
    EXPECT_FALSE(platform::RemoveLockedFile(path, leftover)) << "the name now belongs to another file";
    EXPECT_EQ(testsupport::ReadFile(path), "other");
}

// Two instances starting at the same moment: one creates, fills and removes
// its temporary files in a loop while the other cleans the folder in a loop.
// Not one of the creator's files may be salvaged, deleted or renamed under it.
TEST_F(TempFileCleanerTest, ACreatorAndACleanerRacingNeverTakeEachOthersFiles)
{
    std::atomic<bool> done{false};
    std::atomic<int> lost{0};
    const QByteArray audio = CrashedRecording(200);
    std::thread creator([&] {
        for (int i = 0; i < 3000; ++i) {
            RecordingFile f;
            if (!f.Create(TempFile(QString("quillon_temp_%1.wav").arg(i % 7)), {8000, 16, 2})) {
                ++lost;
                continue;
            }
            f.Write(reinterpret_cast<const uint8_t*>(audio.constData()), uint64_t(audio.size()));
            if (!platform::IsLockedElsewhere(f.Path()))
                ++lost;  // no longer at its name
            f.CloseAndRemove();
        }
        done = true;
    });
    int passes = 0;
    QStringList taken;
    for (; !done; ++passes)
        taken += Clean(temp.path());
    creator.join();
    EXPECT_EQ(lost.load(), 0);
    EXPECT_TRUE(taken.isEmpty()) << taken.size() << " files salvaged from under the creator, e.g. "
                                 << taken.value(0).toStdString();
    EXPECT_GT(passes, 10);
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
}

// The welcome page's once-per-user mark.
TEST(FirstRunMarkerTest, WelcomesOncePerUserAndRespectsOtherValues)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("tessaly/system.ini");
    FirstRunMarker marker(ini);
    EXPECT_TRUE(marker.TakeFirstRun());
    EXPECT_FALSE(marker.TakeFirstRun());
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value("Quillon/INST").toString(), "Installed");

    const QString other = dir.filePath("other.ini");
    QSettings(other, QSettings::IniFormat).setValue("Quillon/INST", "not_installed");
    EXPECT_TRUE(FirstRunMarker(other).TakeFirstRun());
    QSettings(other, QSettings::IniFormat).setValue("Quillon/INST", "something else");
    EXPECT_FALSE(FirstRunMarker(other).TakeFirstRun());
}

}  // namespace
