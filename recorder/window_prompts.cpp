#include "recorder/window_prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QStandardPaths>

#include "controls/progress_dialog.h"
#include "recorder/window_controls.h"
#include "recorder/window_settings.h"
#include "resources/strings.h"

namespace {

// The progress dialog behind the saver's progress interface; closing it
// enables the window again.
class ProgressDialogReporter final : public ProgressReporter {
public:
    explicit ProgressDialogReporter(std::unique_ptr<controls::ProgressDialog> dialog)
        : m_dialog(std::move(dialog))
    {
    }
    ~ProgressDialogReporter() override { m_dialog->DestroyWindow(); }
    void SetRange(int low, int high) override { m_dialog->SetRange(low, high); }
    int SetPos(int pos) override { return m_dialog->SetPos(pos); }
    int GetPos() const override { return m_dialog->GetPos(); }
    bool CheckCancel() override { return m_dialog->CheckCancel(); }

private:
    std::unique_ptr<controls::ProgressDialog> m_dialog;
};

// Where the dialog opens for a bare name: the folder of the last save made
// through it in this run, else the user's music folder, else home; never
// the folder the program happened to be started from.
QString& LastDialogFolder()
{
    static QString folder;
    return folder;
}

QString StartFolderForBareName()
{
    if (QFileInfo(LastDialogFolder()).isDir())
        return LastDialogFolder();
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return QFileInfo(music).isDir() ? music : QDir::homePath();
}

}  // namespace

WindowPrompts::WindowPrompts(QWidget& window, const WindowControls& controls, RecorderSettings& values)
    : m_window(window)
    , m_c(controls)
    , m_values(values)
{
}

void WindowPrompts::TakeControlValues() { TakeSettings(m_values, m_c); }

std::optional<QString> WindowPrompts::ChooseSavePath(const QString& defaultExtension, const QString& filter,
                                                     const QString& initialName)
{
    const bool bareName = QFileInfo(initialName).fileName() == initialName;
    QFileDialog dialog(nullptr, QString(), bareName ? StartFolderForBareName() : QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultExtension);
    dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    LastDialogFolder() = QFileInfo(chosen).absolutePath();
    return chosen;
}

bool WindowPrompts::ConfirmReplace(const QString& path)
{
    // In the words of the save dialog's own question.
    const QString question =
        QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
            .arg(QFileInfo(path).fileName());
    return QMessageBox::warning(&m_window, m_window.windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

Answer WindowPrompts::Ask(resources::StringId stringId)
{
    const auto b = QMessageBox::question(&m_window, m_window.windowTitle(), resources::Text(stringId),
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    return b == QMessageBox::Yes ? Answer::Yes : b == QMessageBox::No ? Answer::No : Answer::Cancel;
}

void WindowPrompts::ShowSavingLabel(bool shown)
{
    m_c.savingLabel->setVisible(shown);
    m_c.savingLabel->repaint();
}

void WindowPrompts::SetWaitCursor(bool wait)
{
    if (wait) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_window.setEnabled(false);
        return;
    }
    // What the user did while the file was written reaches a disabled window
    // and a refused close now, instead of acting once the save is over.
    QCoreApplication::processEvents();
    m_window.setEnabled(true);
    QApplication::restoreOverrideCursor();
}

void WindowPrompts::ShowError(resources::StringId stringId)
{
    QMessageBox::critical(&m_window, m_window.windowTitle(), resources::Text(stringId));
}

std::unique_ptr<ProgressReporter> WindowPrompts::CreateProgress(resources::StringId titleId)
{
    auto dialog = std::make_unique<controls::ProgressDialog>(resources::Text(titleId));
    if (!dialog->Create(&m_window))
        return nullptr;
    return std::make_unique<ProgressDialogReporter>(std::move(dialog));
}
