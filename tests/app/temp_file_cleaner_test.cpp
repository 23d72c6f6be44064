// Start-up clean-up: leftovers of crashed runs are salvaged, files of a
// running instance are left alone, everything else in the folder is untouched.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <sys/stat.h>
#include <unistd.h>

#include "app/temp_file_cleaner.h"
#include "platform/locked_file.h"
#include "support/test_support.h"

namespace {

// A header as the recorder writes it at record start (sizes 36 and 0),
// followed by `frames` frames of 16-bit stereo at 8000 Hz, plus `extraBytes`.
QByteArray crashedRecording(int frames, int extraBytes = 0)
{
    QByteArray h(44, '\0');
    auto* p = reinterpret_cast<uchar*>(h.data());
    memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(36, p + 4);
    memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(2, p + 22);
    qToLittleEndian<quint32>(8000, p + 24);
    qToLittleEndian<quint32>(32000, p + 28);
    qToLittleEndian<quint16>(4, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    memcpy(p + 36, "data", 4);
    QByteArray data(frames * 4 + extraBytes, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    return h + data;
}

class TempFileCleanerTest : public ::testing::Test {
protected:
    QTemporaryDir temp, records, fallback;
    QString tempFile(const QString& name) const { return temp.filePath(name); }
};

TEST_F(TempFileCleanerTest, CrashedRecordingIsRepairedAndMovedAndSoxReadsIt)
{
    ASSERT_TRUE(testsupport::writeFile(tempFile("quillon_temp_4242.wav"), crashedRecording(16000, 3)));
    QFile::setPermissions(tempFile("quillon_temp_4242.wav"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(testsupport::writeFile(tempFile("quillon_temp_4242.mp3"), "mp3 bytes"));
    ASSERT_TRUE(testsupport::writeFile(tempFile("quillon_temp_7.wav"), crashedRecording(0)));
    ASSERT_TRUE(testsupport::writeFile(tempFile("other.wav"), crashedRecording(10)));
    ASSERT_TRUE(testsupport::writeFile(tempFile("quillon_temp_notes.txt"), "keep"));

    TempFileCleaner cleaner(temp.path(), records.path(), fallback.path());
    cleaner.CleanTempFiles();

    ASSERT_EQ(cleaner.salvagedFiles().size(), 1);
    const QString saved = cleaner.salvagedFiles().first();
    EXPECT_EQ(QFileInfo(saved).absolutePath(), QFileInfo(records.path()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(saved).fileName().endsWith(" recovered.wav")) << saved.toStdString();
    EXPECT_EQ(QFileInfo(saved).size(), 44 + 16000 * 4);  // the partial frame is dropped
    // A private temporary file becomes an ordinary file of the user's.
    EXPECT_TRUE(QFileInfo(saved).permissions() & QFileDevice::ReadOther);

    const auto soxi = testsupport::runTool("soxi", {"-s", saved});
    ASSERT_EQ(soxi.exitCode, 0) << soxi.err.toStdString();
    EXPECT_EQ(soxi.out.trimmed(), "16000");

    EXPECT_FALSE(QFile::exists(tempFile("quillon_temp_4242.wav")));
    EXPECT_FALSE(QFile::exists(tempFile("quillon_temp_4242.mp3")));
    EXPECT_FALSE(QFile::exists(tempFile("quillon_temp_7.wav")));  // empty: nothing to keep
    EXPECT_TRUE(QFile::exists(tempFile("other.wav")));
    EXPECT_TRUE(QFile::exists(tempFile("quillon_temp_notes.txt")));
}

TEST_F(TempFileCleanerTest, FilesHeldByARunningInstanceSurvive)
{
    QFile held;
    ASSERT_TRUE(platform::createLockedFile(tempFile("quillon_temp_99.wav"), held));
    held.write(crashedRecording(100));
    held.flush();
    QFile heldMp3;
    ASSERT_TRUE(platform::createLockedFile(tempFile("quillon_temp_99.mp3"), heldMp3));

    TempFileCleaner cleaner(temp.path(), records.path(), fallback.path());
    cleaner.CleanTempFiles();

    EXPECT_TRUE(cleaner.salvagedFiles().isEmpty());
    EXPECT_TRUE(QFile::exists(tempFile("quillon_temp_99.wav")));
    EXPECT_TRUE(QFile::exists(tempFile("quillon_temp_99.mp3")));
    held.close();
    heldMp3.close();
    cleaner.CleanTempFiles();
    EXPECT_EQ(cleaner.salvagedFiles().size(), 1);
    EXPECT_FALSE(QFile::exists(tempFile("quillon_temp_99.mp3")));
}

TEST_F(TempFileCleanerTest, WithoutARecordFolderSalvageGoesToTheFallbackAndNeverOverwrites)
{
    const QByteArray rec = crashedRecording(50);
    ASSERT_TRUE(testsupport::writeFile(tempFile("quillon_temp_1.wav"), rec));
    ASSERT_TRUE(testsupport::writeFile(tempFile("quillon_temp_2.wav"), rec));
    // Same modification time: both want the same clock name.
    const QDateTime when = QDateTime::currentDateTime();
    for (const char* n : {"quillon_temp_1.wav", "quillon_temp_2.wav"}) {
        QFile f(tempFile(n));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(when, QFileDevice::FileModificationTime);
    }
    const QString fallbackFolder = fallback.filePath("deep/recovered");
    TempFileCleaner cleaner(temp.path(), records.filePath("missing"), fallbackFolder);
    cleaner.CleanTempFiles();
    ASSERT_EQ(cleaner.salvagedFiles().size(), 2);
    EXPECT_NE(cleaner.salvagedFiles()[0], cleaner.salvagedFiles()[1]);
    for (const QString& f : cleaner.salvagedFiles()) {
        EXPECT_TRUE(f.startsWith(fallbackFolder));
        EXPECT_EQ(testsupport::readFile(f).mid(44), rec.mid(44));
    }
}

TEST_F(TempFileCleanerTest, SymbolicLinksAtTheNamesAreNeitherFollowedNorRemoved)
{
    const QString victim = records.filePath("precious.wav");
    ASSERT_TRUE(testsupport::writeFile(victim, crashedRecording(10)));
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(),
                        QFile::encodeName(tempFile("quillon_temp_5.wav")).constData()), 0);
    TempFileCleaner cleaner(temp.path(), records.path(), fallback.path());
    cleaner.CleanTempFiles();
    EXPECT_TRUE(cleaner.salvagedFiles().isEmpty());
    EXPECT_TRUE(QFileInfo(tempFile("quillon_temp_5.wav")).isSymLink());
    EXPECT_EQ(testsupport::readFile(victim), crashedRecording(10));
}

TEST(LockedFileTest, CreationRefusesLinksAndLockedFilesAndUsesMode0600)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("quillon_temp_1.wav");
    QFile first;
    ASSERT_TRUE(platform::createLockedFile(path, first));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(platform::isLockedElsewhere(path));
    QFile second;
    EXPECT_FALSE(platform::createLockedFile(path, second));
    first.close();
    EXPECT_FALSE(platform::isLockedElsewhere(path));
    // An unheld leftover is replaced.
    EXPECT_TRUE(platform::createLockedFile(path, second));
    second.close();

    const QString target = dir.filePath("target");
    ASSERT_TRUE(testsupport::writeFile(target, "keep"));
    const QString link = dir.filePath("quillon_temp_2.wav");
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    QFile third;
    EXPECT_FALSE(platform::createLockedFile(link, third));
    EXPECT_EQ(testsupport::readFile(target), "keep");
}

}  // namespace
