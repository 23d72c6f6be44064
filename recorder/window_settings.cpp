#include "recorder/window_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

#include "recorder/window_controls.h"

void ShowSettings(const RecorderSettings& settings, const WindowControls& c)
{
    c.folderEdit->setText(settings.recordFolder);
    c.encoding->setCurrentIndex(settings.encodeMethod);
    c.askForRenaming->setChecked(settings.askForRenaming);
    c.loopPlaying->setChecked(settings.loopPlaying);
}

void TakeSettings(RecorderSettings& settings, const WindowControls& c)
{
    settings.recordFolder = WithoutTrailingSeparators(c.folderEdit->text());
    settings.encodeMethod = std::max(0, c.encoding->currentIndex());
    settings.askForRenaming = c.askForRenaming->isChecked();
    settings.loopPlaying = c.loopPlaying->isChecked();
}

InputHistory TakeInputHistory(const WindowControls& c)
{
    InputHistory history;
    history.device = c.deviceList->currentIndex();
    history.format = c.formatList->currentIndex();
    return history;
}
