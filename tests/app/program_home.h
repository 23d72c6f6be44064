#pragma once
// What the program's runs in these tests share: a home of their own, the
// leftover a crashed run leaves, and the list file read back from disk.

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <span>
#include <string>
#include <vector>

#include "playlist/list_file.h"
#include "playlist/playlist_model.h"
#include "support/recording_shell.h"
#include "support/scoped_state.h"
#include "support/test_support.h"

// A header as the recorder writes it at record start (8 kHz, 8-bit mono,
// sizes not yet filled in), then `dataBytes` of silence.
inline QByteArray LeftoverRecording(int dataBytes)
{
    return QByteArray("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0data\0\0\0\0",
                      44) +
        QByteArray(dataBytes, '\x80');
}

inline std::vector<std::string> ListedPaths(const QString& listFile)
{
    const QByteArray bytes = testsupport::ReadFile(listFile);
    std::vector<std::string> paths;
    for (const auto& entry :
         playlist::ParseListFile(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
                                 uint64_t(bytes.size())))
        paths.push_back(entry.path);
    return paths;
}

// The program in this process, with a home and a TMPDIR of the test's own
// (put back when the test ends) and a shell that only records what it opens.
class ProgramHomeTest : public ::testing::Test {
protected:
    ProgramHomeTest()
    {
        // Qt keeps the first settings folder it saw; each test has its own home.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(".config"));
        QApplication::setOrganizationName("tessaly");
        QApplication::setApplicationName("Quillon");
        playlist::PlaylistModel::SetDefaultListFileForTesting(ListFile());
    }
    void SetUp() override { ASSERT_TRUE(home.isValid() && temp.isValid()); }
    QString ListFile() const { return home.filePath("Quillon.lst"); }
    QString SettingsFile() const { return home.filePath(".config/tessaly/Quillon.conf"); }

    QTemporaryDir home, temp;
    testsupport::ScopedEnv homeVar{"HOME", home.path()}, config{"XDG_CONFIG_HOME", home.filePath(".config")},
        data{"XDG_DATA_HOME", home.filePath(".local/share")}, state{"XDG_STATE_HOME", home.filePath(".local/state")},
        tmpdir{"TMPDIR", temp.path()};
    testsupport::ScopedRecordingShell shell;
};
