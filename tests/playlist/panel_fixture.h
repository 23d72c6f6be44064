#pragma once
// A playlist panel for tests: the real list view and panel with their own
// list file, settings and folders in a scratch folder.

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "controls/widget_test_helpers.h"
#include "playlist/playlist_actions.h"
#include "playlist/playlist_box.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_panel.h"
#include "playlist/remove_items_dialog.h"
#include "playlist/row_tip.h"
#include "zldecoder/media.h"

namespace playlisttest {

using namespace playlist;

// Waits until no row of the model waits or loads.
inline bool WaitSettled(const PlaylistModel& model)
{
    return widgettest::WaitUntil(
        [&] {
            for (int i = 0; i < model.Count(); ++i)
                if (model.Item(i)->IsWaiting() || model.Item(i)->IsLoading())
                    return false;
            return true;
        },
        20000);
}

// Runs `poll` every 10 ms while it lives, also inside the loops of modal
// dialogs and menus, so that a test can answer them.
struct Poll {
    explicit Poll(const std::function<void()>& poll)
    {
        QObject::connect(&m_timer, &QTimer::timeout, poll);
        m_timer.start(10);
    }
    void Stop() { m_timer.stop(); }

    QTimer m_timer;
};

// A playlist panel with its own list file, settings and folders.
struct Panel {
    QTemporaryDir dir;
    QSettings settingsFile{dir.filePath("Quillon.conf"), QSettings::IniFormat};
    SettingsStore settings{&settingsFile};
    FolderHistory folders;
    int foldersRemembered = 0;  // times the application was told to write them
    QLabel status;
    QLabel position;
    // The view outlives the panel, as the window's control does.
    std::unique_ptr<PlaylistBox> box = std::make_unique<PlaylistBox>();
    std::unique_ptr<PlaylistPanel> list = std::make_unique<PlaylistPanel>(*box);

    Panel()
    {
        folders.fill(dir.path());
        list->SetSettings(&settings);
        list->SetFolderHistory(&folders, [this] { ++foldersRemembered; });
        list->Initialize(nullptr, dir.filePath("Quillon.lst"));
        list->SetStatusWindow(&status);
        list->SetPositionWindow(&position);
        box->resize(300, 240);
        box->show();
    }
    ~Panel()
    {
        PlaylistActions::SetFileChooserForTesting({});
        list.reset();
    }

    PlaylistModel& Model() { return list->Model(); }
    QString File(const QString& name) const { return dir.filePath(name); }
    // A short WAVE file made by sox.
    QString Wave(const QString& name, int frames = 4410) { return media::MakeWave(File(name), 44100, 2, 16, frames); }
    void ChooseFiles(const QStringList& paths)
    {
        PlaylistActions::SetFileChooserForTesting(
            [paths](QWidget*, const QString&, const QStringList&) { return paths; });
    }
    bool WaitLoaded() { return WaitSettled(Model()); }
    // Files added as the add-files command adds them, then loaded.
    bool Add(const QStringList& paths)
    {
        ChooseFiles(paths);
        list->AddFiles();
        return WaitLoaded();
    }
    // Rows up to `count` for files that do not exist.
    void Fill(int count)
    {
        while (Model().Count() < count)
            Model().AddItem(QString("/nonexistent/%1.wav").arg(Model().Count()));
    }
    // Exactly these rows selected.
    void Select(std::initializer_list<int> rows)
    {
        box->selectionModel()->clearSelection();
        for (int row : rows)
            box->selectionModel()->select(Model().index(row), QItemSelectionModel::Select);
    }
    // Drags the places onto the list and, when it takes them, drops them
    // there: whether it took the drag, and the drop.
    std::pair<bool, bool> Drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(box->viewport(), &enter);
        if (!enter.isAccepted())
            return {false, false};
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(box->viewport(), &drop);
        return {true, drop.isAccepted()};
    }
    QStringList Names() const
    {
        QStringList out;
        for (int i = 0; i < list->Model().Count(); ++i)
            out << QFileInfo(list->Model().Item(i)->FilePath()).fileName();
        return out;
    }
    QPoint RowCentre(int row) const { return box->visualRect(list->Model().index(row)).center(); }
    // Runs `act` and answers the one error message it brings up: its text.
    static QString Error(const std::function<void()>& act)
    {
        widgettest::MessageBoxCatcher catcher;
        act();
        EXPECT_TRUE(widgettest::WaitUntil([&] { return catcher.count == 1; }));
        EXPECT_EQ(catcher.icon, QMessageBox::Critical);
        return catcher.text;
    }
    // The tip the list shows for a point of its viewport once the pointer
    // has rested there; empty when none.
    QString TipAt(QPoint at)
    {
        box->GetRowTip().ShowAt(at);
        return box->GetRowTip().ShownText();
    }
};

// Answers the remove dialog when it comes up: ticks the box as asked, then Yes or Cancel.
struct RemoveDialogAnswer : widgettest::ModalAnswer<RemoveItemsDialog> {
    RemoveDialogAnswer(bool deleteFiles, bool yes)
        : ModalAnswer([=, this](RemoveItemsDialog& dialog) {
            question = qobject_cast<QLabel*>(dialog.Control(RemoveItemsDialog::IdQuestion))->text();
            auto* box = qobject_cast<QCheckBox*>(dialog.Control(RemoveItemsDialog::IdDeleteFiles));
            initiallyChecked = box->isChecked();
            box->setChecked(deleteFiles);
            QTest::mouseClick(qobject_cast<QPushButton*>(dialog.Control(yes ? 1 : 2)), Qt::LeftButton);
        })
    {
    }
    QString question;
    bool initiallyChecked = false;
};

}  // namespace playlisttest
