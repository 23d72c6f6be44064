#pragma once
// What a save asks and shows, over the recorder window: its storage
// controls, the save-file dialog, message boxes and the progress dialog.

#include "recorder/save_prompts.h"
#include "settings/settings_store.h"
#include "resources/strings.h"

class QWidget;
struct WindowControls;

class WindowPrompts final : public SavePrompts {
public:
    WindowPrompts(QWidget& window, const WindowControls& controls, RecorderSettings& values);

    void TakeControlValues() override;
    QString RecordFolder() const override { return m_values.recordFolder; }
    int EncodeMethod() const override { return m_values.encodeMethod; }
    bool AskForRenaming() const override { return m_values.askForRenaming; }
    int RecordQuality() const override { return m_values.recordQuality; }
    std::optional<QString> ChooseSavePath(const QString& defaultExtension, const QString& filter,
                                          const QString& initialName) override;
    bool ConfirmReplace(const QString& path) override;
    Answer Ask(resources::StringId stringId) override;
    void ShowSavingLabel(bool shown) override;
    void SetWaitCursor(bool wait) override;
    void ShowError(resources::StringId stringId) override;
    std::unique_ptr<ProgressReporter> CreateProgress(resources::StringId titleId) override;

private:
    QWidget& m_window;
    const WindowControls& m_c;
    RecorderSettings& m_values;
};
