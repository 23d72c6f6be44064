#include "recorder/window_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "controls/bitmap_button.h"
#include "controls/trackbar.h"
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

SettingsAutosave::SettingsAutosave(const WindowControls& c, std::function<void()> store, QObject* parent)
    : QObject(parent)
{
    m_pending.setSingleShot(true);
    m_pending.setInterval(1000);
    connect(&m_pending, &QTimer::timeout, this, std::move(store));
    const auto changed = [this] { m_pending.start(); };
    for (QComboBox* list : {c.deviceList, c.formatList, c.encoding})
        connect(list, &QComboBox::currentIndexChanged, this, changed);
    connect(c.folderEdit, &QLineEdit::textChanged, this, changed);
    for (QCheckBox* box : {c.askForRenaming, c.loopPlaying})
        connect(box, &QCheckBox::toggled, this, changed);
    connect(c.quality, &QAbstractSlider::valueChanged, this, changed);
    connect(c.panelToggle, &QAbstractButton::clicked, this, changed);
}
