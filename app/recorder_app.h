#pragma once
// The program's entry object: prepares the settings, salvages what earlier
// runs left behind, runs the recorder window until it closes, and writes the
// folder history back.

#include <QStringList>

#include "settings/settings_store.h"

class RecorderApp {
public:
    // `paths`: the files and folders the program was started with.
    explicit RecorderApp(QStringList paths = {});

    // Start-up and the modal run of the recorder window; returns the exit code.
    int InitInstance();
    int ExitInstance();

    const FolderHistory& GetFolderHistory() const { return m_folderHistory; }
    const QStringList& SalvagedRecordings() const { return m_salvaged; }

private:
    void CleanTempFiles(const QString& recordFolder);

    QStringList m_paths;
    SettingsStore m_store;
    FolderHistory m_folderHistory;
    QStringList m_salvaged;
};
