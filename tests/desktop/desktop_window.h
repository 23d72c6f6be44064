#pragma once
// The recorder window with its desktop services, on the real sound server
// and the test bus; its own settings file and list file.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/desktop_integration.h"
#include "playlist/playlist_box.h"
#include "playlist/playlist_panel.h"
#include "playlist/playlist_model.h"
#include "recorder/recorder_dialog.h"
#include "settings/settings_store.h"

namespace desktoptest {

class DesktopWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty()) << "the harness starts the sound server";
        ASSERT_FALSE(qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty()) << "the harness starts the bus";
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        qputenv("XDG_CACHE_HOME", dir.filePath("cache").toLocal8Bit());
        playlist::PlaylistModel::SetDefaultListFileForTesting(dir.filePath("Quillon.lst"));
        settings.emplace(dir.filePath("Quillon.conf"), QSettings::IniFormat);
        store.emplace(&*settings);
        window = std::make_unique<RecorderDialog>(*store);
        window->show();
        // Message boxes are counted and closed, as a person reading them would.
        QObject::connect(&boxCloser, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
                messages.append(box->text());
                box->close();
            }
        });
        boxCloser.start(50);
    }
    void StartDesktopServices() { desktop = std::make_unique<DesktopIntegration>(*window); }
    playlist::PlaylistPanel& List() { return window->PlaylistPanel(); }
    void Click(int id) { window->ControlAs<QAbstractButton>(id)->click(); }

    // Torn down in reverse: the services, the window, then its settings.
    QTemporaryDir dir, temp;
    std::optional<QSettings> settings;
    std::optional<SettingsStore> store;
    std::unique_ptr<RecorderDialog> window;
    std::unique_ptr<DesktopIntegration> desktop;
    QTimer boxCloser;
    QStringList messages;
};

}  // namespace desktoptest
