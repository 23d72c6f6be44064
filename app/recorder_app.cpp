#include "app/recorder_app.h"

#include "playlist/playlist_box.h"

#include "app/abrupt_exit.h"
#include "app/first_run.h"
#include "app/session_end.h"
#include "app/temp_file_cleaner.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "recorder/recorder_dialog.h"
#include "resources/addresses.h"

#include <QTimer>

#include <cstdlib>

RecorderApp::RecorderApp() = default;

int RecorderApp::InitInstance()
{
    // From the first moment: a session that ends during start-up still gets
    // the window's settings written once the window stands.
    RecorderDialog* window = nullptr;
    bool endRequested = false;
    SessionEndWatcher sessionEnd([&] {
        if (!window) {
            endRequested = true;
            return;
        }
        if (window->OnSessionEnd())
            return;
        // An unsaved recording stays in its temporary file for the next
        // start's salvage: the window's clean-up must not run.
        ExitInstance();
        m_store.sync();
        std::_Exit(0);
    });

    AbruptExitHook abruptExit([&] {
        if (!window)
            return;
        window->OnAbruptExit();
        ExitInstance();
        m_store.sync();
    });

    m_folderHistory = m_store.readFolderHistory(platform::homeFolder());

    if (FirstRunMarker().takeFirstRun())
        platform::shell().openUrl(QString::fromLatin1(resources::kWelcomePage));

    CleanTempFiles(m_store.readSettings().recordFolder);

    {
        RecorderDialog dialog(m_store);
        dialog.playlistBox().SetFolderHistory(&m_folderHistory);
        for (const QString& path : m_salvaged)
            dialog.addRecording(path);
        window = &dialog;
        if (endRequested)
            QTimer::singleShot(0, &dialog, [&dialog] { dialog.OnSessionEnd(); });
        dialog.exec();
        window = nullptr;
    }
    return ExitInstance();
}

void RecorderApp::CleanTempFiles(const QString& recordFolder)
{
    // Takes in progress live in the state folder; earlier versions (and this
    // one, when that folder cannot be used) left them in the temporary folder.
    QStringList folders{platform::takesFolder()};
    if (!platform::isSameFile(folders.front(), platform::tempFolder()))
        folders.append(platform::tempFolder());
    m_salvaged.clear();
    for (const QString& folder : folders) {
        TempFileCleaner cleaner(folder, recordFolder, TempFileCleaner::defaultRecoveryFolder());
        cleaner.CleanTempFiles();
        m_salvaged += cleaner.salvagedFiles();
    }
}

int RecorderApp::ExitInstance()
{
    m_store.writeFolderHistory(m_folderHistory);
    return 0;
}
