#pragma once
// The once-per-user welcome: the marker "INST" in section [Quillon] of the
// user's system initialisation file.

#include <QString>

class FirstRunMarker {
public:
    // ~/.config/tessaly/system.ini (beside the settings).
    FirstRunMarker();
    explicit FirstRunMarker(QString iniPath);

    // True exactly once per user: when the marker is missing or reads
    // "not_installed"; it then writes "Installed".
    bool TakeFirstRun();

    const QString& Path() const { return m_path; }

private:
    QString m_path;
};
