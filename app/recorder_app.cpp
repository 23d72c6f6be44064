#include "app/recorder_app.h"

#include "app/first_run.h"
#include "app/temp_file_cleaner.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "recorder/recorder_dialog.h"
#include "resources/addresses.h"

RecorderApp::RecorderApp() = default;

int RecorderApp::InitInstance()
{
    m_folderHistory = m_store.readFolderHistory(platform::homeFolder());

    if (FirstRunMarker().takeFirstRun())
        platform::shell().openUrl(QString::fromLatin1(resources::kWelcomePage));

    CleanTempFiles(m_store.readSettings().recordFolder);

    {
        RecorderDialog window(m_store);
        for (const QString& path : m_salvaged)
            window.addRecording(path);
        window.exec();
    }
    return ExitInstance();
}

void RecorderApp::CleanTempFiles(const QString& recordFolder)
{
    TempFileCleaner cleaner(platform::tempFolder(), recordFolder, TempFileCleaner::defaultRecoveryFolder());
    cleaner.CleanTempFiles();
    m_salvaged = cleaner.salvagedFiles();
}

int RecorderApp::ExitInstance()
{
    m_store.writeFolderHistory(m_folderHistory);
    return 0;
}
