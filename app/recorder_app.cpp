#include "app/recorder_app.h"

#include "playlist/playlist_panel.h"

#include "app/abrupt_exit.h"
#include "app/desktop_integration.h"
#include "app/first_run.h"
#include "app/session_end.h"
#include "app/session_end_policy.h"
#include "app/temp_file_cleaner.h"
#include "desktop/single_instance.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "recorder/recorder_dialog.h"
#include "resources/addresses.h"

#include <QTimer>

#include <cstdlib>

RecorderApp::RecorderApp(QStringList paths)
    : m_paths(std::move(paths))
{
}

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
        if (EndSession(*window))
            return;
        // An unsaved recording stays in its temporary file for the next
        // start's salvage: the window's clean-up must not run.
        ExitInstance();
        m_store.Sync();
        std::_Exit(0);
    });

    AbruptExitHook abruptExit([&] {
        if (!window)
            return;
        EndAbruptly(*window);
        ExitInstance();
        m_store.Sync();
    });

    // A window of this user runs already: it takes the files and comes to
    // the front; this start ends before touching anything.
    desktop::SingleInstance instance;
    if (instance.Start(m_paths) == desktop::SingleInstance::Role::HandedOver)
        return 0;

    m_folderHistory = m_store.ReadFolderHistory(platform::HomeFolder());

    if (FirstRunMarker().TakeFirstRun())
        platform::CurrentShell().OpenUrl(QString::fromLatin1(resources::kWelcomePage));

    const RecorderSettings settings = m_store.ReadSettings();
    CleanTempFiles(settings.recordFolderIntact ? settings.recordFolder : QString());

    {
        RecorderDialog dialog(m_store);
        DesktopIntegration desktopServices(dialog);
        // Written as they change: a killed program keeps them too.
        dialog.PlaylistPanel().SetFolderHistory(&m_folderHistory,
                                                [this] { m_store.WriteFolderHistory(m_folderHistory); });
        for (const QString& path : m_salvaged)
            dialog.AddRecording(path);
        window = &dialog;
        QObject::connect(&instance, &desktop::SingleInstance::FilesReceived, &dialog,
                         [&dialog](const QStringList& paths) {
                             dialog.setWindowState(dialog.windowState() & ~Qt::WindowMinimized);
                             dialog.raise();
                             dialog.activateWindow();
                             dialog.PlaylistPanel().OpenFiles(paths);
                         });
        // Once the window shows: its messages about the files have a parent.
        if (!m_paths.isEmpty())
            QTimer::singleShot(0, &dialog, [&dialog, this] { dialog.PlaylistPanel().OpenFiles(m_paths); });
        if (endRequested)
            QTimer::singleShot(0, &dialog, [&dialog] { EndSession(dialog); });
        dialog.exec();
        window = nullptr;
    }
    return ExitInstance();
}

void RecorderApp::CleanTempFiles(const QString& recordFolder)
{
    // Takes in progress live in the state folder; earlier versions (and this
    // one, when that folder cannot be used) left them in the temporary folder.
    QStringList folders{platform::TakesFolder()};
    if (!platform::IsSameFile(folders.front(), platform::TempFolder()))
        folders.append(platform::TempFolder());
    m_salvaged.clear();
    for (const QString& folder : folders) {
        TempFileCleaner cleaner(folder, recordFolder, TempFileCleaner::DefaultRecoveryFolder());
        cleaner.CleanTempFiles();
        m_salvaged += cleaner.SalvagedFiles();
    }
}

int RecorderApp::ExitInstance()
{
    m_store.WriteFolderHistory(m_folderHistory);
    return 0;
}
