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

    void takeControlValues() override;
    QString recordFolder() const override { return m_values.recordFolder; }
    int encodeMethod() const override { return m_values.encodeMethod; }
    bool askForRenaming() const override { return m_values.askForRenaming; }
    int recordQuality() const override { return m_values.recordQuality; }
    std::optional<QString> chooseSavePath(const QString& defaultExtension, const QString& filter,
                                          const QString& initialName) override;
    bool confirmReplace(const QString& path) override;
    Answer ask(resources::StringId stringId) override;
    void showSavingLabel(bool shown) override;
    void setWaitCursor(bool wait) override;
    void showError(resources::StringId stringId) override;
    std::unique_ptr<ProgressReporter> createProgress(resources::StringId titleId) override;

private:
    QWidget& m_window;
    const WindowControls& m_c;
    RecorderSettings& m_values;
};
