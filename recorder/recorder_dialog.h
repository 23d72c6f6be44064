#pragma once
// The program's main window: the recorder on the left, the playlist panel on
// the right. It owns the controls and routes their commands; the recording
// engine, the input lists and the playlist do the work.

#include <QDialog>
#include <QHash>
#include <QRect>
#include <QStringList>
#include <memory>

#include "app/settings_store.h"
#include "controls/dialog_units.h"

class QComboBox;
class QLabel;
class QSlider;

class RecorderDialog : public QDialog {
    Q_OBJECT
public:
    // Reads section "Settings" from `store` (not owned; must outlive the window).
    explicit RecorderDialog(SettingsStore& store, QWidget* parent = nullptr);
    ~RecorderDialog() override;

    // The control of the template with this id, or nullptr.
    QWidget* control(int id) const { return m_controls.value(id); }
    template <typename T>
    T* controlAs(int id) const { return qobject_cast<T*>(control(id)); }

    // The playlist asks whether it repeats (check box 1025).
    bool IsLoopPlaying() const;

    // Data exchange between the members and controls 1001, 1003, 1009, 1024, 1025.
    void UpdateData(bool fromControls);

    const RecorderSettings& settings() const { return m_settingsSnapshot; }

    // Show/hide of the playlist panel (button 1007).
    void TogglePlaylistPanel();
    bool playlistPanelShown() const { return m_showRightPanel; }

public slots:
    // Escape, the close box and Alt+F4 come here.
    void OnCancel();

protected:
    void reject() override;
    void accept() override;
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void OnInitDialog();
    void OnDestroy();
    void ApplyPlaylistPanel();
    void ShowNextTip();
    void OnQualityScroll();
    void LoadTips();
    void connectCommands();

    SettingsStore& m_store;
    controls::DialogUnits m_units;
    QHash<int, QWidget*> m_controls;
    bool m_destroyed = false;

    // Members exchanged with the controls and stored in "Settings".
    int m_encodeMethod = 0;
    QString m_recordFolder;
    bool m_showRightPanel = true;
    int m_recordQuality = 9;
    bool m_askForRenaming = false;
    bool m_loopPlaying = false;
    bool m_forceSelection = false;  // never stored
    RecorderSettings m_settingsSnapshot;

    QStringList m_tipTexts;
    QStringList m_tipLinks;
    int m_tipIndex = -1;
    int m_tipTimer = 0;
    QSize m_fullClientSize;
};
