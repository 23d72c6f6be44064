#pragma once
// A playlist panel for tests: the real list view and panel with their own
// list file, settings and folders in a scratch folder.

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
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
inline bool waitSettled(const PlaylistModel& model)
{
    return widgettest::waitUntil(
        [&] {
            for (int i = 0; i < model.count(); ++i)
                if (model.item(i)->isWaiting() || model.item(i)->isLoading())
                    return false;
            return true;
        },
        20000);
}

// Runs `poll` every 10 ms while it lives, also inside the loops of modal
// dialogs and menus, so that a test can answer them.
class Poll {
public:
    explicit Poll(const std::function<void()>& poll)
    {
        QObject::connect(&m_timer, &QTimer::timeout, poll);
        m_timer.start(10);
    }
    void stop() { m_timer.stop(); }

private:
    QTimer m_timer;
};

inline void closePopupMenu()
{
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
        menu->close();
}

// A playlist panel with its own list file, settings and folders.
struct Panel {
    QTemporaryDir dir;
    QSettings settingsFile{dir.filePath("Quillon.conf"), QSettings::IniFormat};
    SettingsStore settings{&settingsFile};
    FolderHistory folders;
    QLabel status;
    QLabel position;
    // The view outlives the panel, as the window's control does.
    std::unique_ptr<PlaylistBox> box = std::make_unique<PlaylistBox>();
    std::unique_ptr<PlaylistPanel> list = std::make_unique<PlaylistPanel>(*box);

    Panel()
    {
        folders.fill(dir.path());
        list->SetSettings(&settings);
        list->SetFolderHistory(&folders);
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

    PlaylistModel& model() { return list->model(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    // A short WAVE file made by sox.
    QString wave(const QString& name, int frames = 4410) { return media::makeWave(file(name), 44100, 2, 16, frames); }
    void chooseFiles(const QStringList& paths)
    {
        PlaylistActions::SetFileChooserForTesting(
            [paths](QWidget*, const QString&, const QStringList&) { return paths; });
    }
    bool waitLoaded() { return waitSettled(model()); }
    // Files added as the add-files command adds them, then loaded.
    bool add(const QStringList& paths)
    {
        chooseFiles(paths);
        list->AddFiles();
        return waitLoaded();
    }
    // Rows up to `count` for files that do not exist.
    void fill(int count)
    {
        while (model().count() < count)
            model().AddItem(QString("/nonexistent/%1.wav").arg(model().count()));
    }
    // Exactly these rows selected.
    void select(std::initializer_list<int> rows)
    {
        box->selectionModel()->clearSelection();
        for (int row : rows)
            box->selectionModel()->select(model().index(row), QItemSelectionModel::Select);
    }
    // Drags the places onto the list and, when it takes them, drops them
    // there: whether it took the drag, and the drop.
    std::pair<bool, bool> drop(const QList<QUrl>& urls)
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
    QStringList names() const
    {
        QStringList out;
        for (int i = 0; i < list->model().count(); ++i)
            out << QFileInfo(list->model().item(i)->filePath()).fileName();
        return out;
    }
    QPoint rowCentre(int row) const { return box->visualRect(list->model().index(row)).center(); }
    // The tip the list shows for a point of its viewport once the pointer
    // has rested there; empty when none.
    QString tipAt(QPoint at)
    {
        box->rowTip().ShowAt(at);
        return box->rowTip().shownText();
    }
};

// Answers the remove dialog when it comes up: ticks the box as asked, then Yes or Cancel.
struct RemoveDialogAnswer {
    RemoveDialogAnswer(bool deleteFiles, bool yes)
        : poll([=, this] {
            auto* dialog = qobject_cast<RemoveItemsDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            question = qobject_cast<QLabel*>(dialog->control(RemoveItemsDialog::IdQuestion))->text();
            auto* box = qobject_cast<QCheckBox*>(dialog->control(RemoveItemsDialog::IdDeleteFiles));
            initiallyChecked = box->isChecked();
            box->setChecked(deleteFiles);
            QTest::mouseClick(qobject_cast<QPushButton*>(dialog->control(yes ? 1 : 2)), Qt::LeftButton);
        })
    {
    }
    QString question;
    bool initiallyChecked = false;
    Poll poll;  // last: answers only once the fields above exist
};

}  // namespace playlisttest
