#pragma once
// The playlist's commands as actions: play, add files, add a folder, remove
// and mail, greyed from the selection, with what each one does. The pop-up
// menu is made of them.

#include <functional>
#include <memory>

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QWidget;

namespace playlist {

class PlaylistPanel;

class PlaylistActions : public QObject {
    Q_OBJECT
public:
    explicit PlaylistActions(PlaylistPanel& panel);
    ~PlaylistActions() override;

    QAction* Play() const { return m_play; }
    QAction* AddFilesAction() const { return m_addFiles; }
    QAction* AddDirectoryAction() const { return m_addDirectory; }
    QAction* Remove() const { return m_remove; }
    QAction* Mail() const { return m_mail; }

    // Greys play and remove as the selection stands now: neither without a
    // selection, no play for a single row that has not loaded.
    void UpdateEnabled();
    // The pop-up menu as it would open now.
    std::unique_ptr<QMenu> CreatePopupMenu(QWidget* parent);

    // --- The command bodies ---
    void AddFiles();
    void AddDirectory();
    void RemoveSelected();
    void MailSelected();

    // The open-files dialog (tests replace it): the chosen paths, empty when
    // cancelled.
    using FileChooser =
        std::function<QStringList(QWidget* owner, const QString& startFolder, const QStringList& filters)>;
    static void SetFileChooserForTesting(FileChooser chooser);
    // The open-files dialog's filters; patterns match in any letter case.
    static QStringList AudioFileFilters();

private:
    QStringList ChooseFiles(const QString& start);

    PlaylistPanel& m_panel;
    QAction* m_play;
    QAction* m_addFiles;
    QAction* m_addDirectory;
    QAction* m_remove;
    QAction* m_mail;
};

}  // namespace playlist
