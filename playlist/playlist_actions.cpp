#include "playlist/playlist_actions.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>

#include "controls/browse_for_folder.h"
#include "mail/mail_dialog.h"
#include "mail/mail_message.h"
#include "playlist/playlist_adder.h"
#include "playlist/playlist_box.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_panel.h"
#include "playlist/remove_items_dialog.h"
#include "resources/strings.h"

namespace playlist {

namespace {

constexpr int kFolderResultSize = 518;
const char* const kFreeFormats[] = {"flac", "ogg", "oga", "opus"};

PlaylistActions::FileChooser& InstalledChooser()
{
    static PlaylistActions::FileChooser chooser;
    return chooser;
}

// A pattern that matches "*.<ext>" in any letter case, for dialogs whose
// matching follows the file system's case rules.
QString AnyCase(const QString& ext)
{
    QString pattern = QStringLiteral("*.");
    for (QChar c : ext) {
        if (c.isLetter())
            pattern += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            pattern += c;
    }
    return pattern;
}

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

PlaylistActions::PlaylistActions(PlaylistPanel& panel)
    : QObject(&panel)
    , m_panel(panel)
{
    auto make = [this](const char* text, auto slot) {
        auto* action = new QAction(QCoreApplication::translate("PlaylistMenu", text), this);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    m_play = make(QT_TRANSLATE_NOOP("PlaylistMenu", "播放"), [this] { m_panel.PlaySelected(); });
    m_addFiles = make(QT_TRANSLATE_NOOP("PlaylistMenu", "添加文件"), [this] { AddFiles(); });
    m_addDirectory = make(QT_TRANSLATE_NOOP("PlaylistMenu", "添加目录"), [this] { AddDirectory(); });
    m_remove = make(QT_TRANSLATE_NOOP("PlaylistMenu", "移除条目"), [this] { RemoveSelected(); });
    m_mail = make(QT_TRANSLATE_NOOP("PlaylistMenu", "通过邮件发送"), [this] { MailSelected(); });
}

PlaylistActions::~PlaylistActions() = default;

void PlaylistActions::UpdateEnabled()
{
    const int single = m_panel.View().GetSingleSelection();
    const PlaylistItem* item = single >= 0 ? m_panel.Model().Item(single) : nullptr;
    m_play->setEnabled(single != -1 && !(item && !item->IsLoaded()));
    m_remove->setEnabled(single != -1);
}

std::unique_ptr<QMenu> PlaylistActions::CreatePopupMenu(QWidget* parent)
{
    UpdateEnabled();
    auto menu = std::make_unique<QMenu>(parent);
    menu->addAction(m_play);
    menu->addSeparator();
    menu->addActions({m_addFiles, m_addDirectory, m_remove});
    menu->addSeparator();
    menu->addAction(m_mail);
    return menu;
}

QStringList PlaylistActions::AudioFileFilters()
{
    // The names as the filter list shows them; the patterns after them.
    QStringList free;
    for (const char* ext : kFreeFormats)
        free << AnyCase(QString::fromLatin1(ext));
    return {QCoreApplication::translate("PlaylistBox",
                                        "Audio Files (*.wav; *.mp3; *.flac; *.ogg; *.oga; *.opus) (%1 %2 %3)")
                .arg(AnyCase("wav"), AnyCase("mp3"), free.join(QLatin1Char(' '))),
            QCoreApplication::translate("PlaylistBox", "MP3 Files (*.mp3) (%1)").arg(AnyCase("mp3")),
            QCoreApplication::translate("PlaylistBox", "WAVE Files (*.wav) (%1)").arg(AnyCase("wav")),
            QCoreApplication::translate("PlaylistBox", "FLAC, Ogg and Opus Files (*.flac; *.ogg; *.oga; *.opus) (%1)")
                .arg(free.join(QLatin1Char(' ')))};
}

void PlaylistActions::SetFileChooserForTesting(FileChooser chooser) { InstalledChooser() = std::move(chooser); }

QStringList PlaylistActions::ChooseFiles(const QString& start)
{
    if (InstalledChooser())
        return InstalledChooser()(&m_panel.View(), start, AudioFileFilters());
    QFileDialog dialog(m_panel.View().window(), QString(), start);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(AudioFileFilters());
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

void PlaylistActions::AddFiles()
{
    FolderHistory* folders = m_panel.Adder().GetFolderHistory();
    const QStringList paths = ChooseFiles(folders ? (*folders)[PlaylistAdder::kAddFilesSlot] : QDir::homePath());
    if (paths.isEmpty())
        return;
    PlaylistAdder::Outcome outcome;
    {
        WaitCursor wait;
        outcome = m_panel.Adder().AddFiles(paths, true);
    }
    m_panel.ShowOutcome(outcome);
}

void PlaylistActions::AddDirectory()
{
    FolderHistory* folders = m_panel.Adder().GetFolderHistory();
    const QString start = folders ? (*folders)[PlaylistAdder::kAddDirectorySlot] : QDir::homePath();
    QString folder;
    if (!controls::BrowseForFolder(&m_panel.View(), resources::Text(resources::IDS_ADD_FOLDER_PROMPT), start, folder,
                                   kFolderResultSize))
        return;
    PlaylistAdder::Outcome outcome;
    {
        WaitCursor wait;
        outcome = m_panel.Adder().AddDirectory(folder);
    }
    m_panel.ShowOutcome(outcome);
}

void PlaylistActions::RemoveSelected()
{
    PlaylistModel& model = m_panel.Model();
    PlaylistBox& view = m_panel.View();
    const std::vector<int> rows = view.GetSelectedRows();
    if (rows.empty()) {
        m_panel.ShowError(resources::IDS_NOTHING_SELECTED);
        return;
    }
    const int answer = RemoveItemsDialog::Ask(int(rows.size()), m_panel.Settings(), view.window());
    if (answer == RemoveItemsDialog::Cancelled)
        return;
    PlaylistPlayer* player = m_panel.ActivePlayer();
    int removed = 0;
    int lastPosition = -1;
    bool refused = false;
    for (int row : rows) {
        const int index = row - removed;
        PlaylistItem* item = model.Item(index);
        if (player && player->IsPlaying(item)) {
            m_panel.ShowError(resources::IDS_REMOVE_PLAYING);
            refused = true;
            break;
        }
        if (item->queued && player)
            player->RemoveFromQueue(item);
        model.RemoveItem(index, answer == RemoveItemsDialog::RemoveAndDelete);
        ++removed;
        lastPosition = index;
    }
    // A removal stopped at a playing item leaves the selection as it
    // stands: the next Delete must act only on rows the user chose.
    if (!refused && lastPosition >= 0 && model.Count() > 0)
        view.SelectOnly(std::min(lastPosition, model.Count() - 1));
    view.viewport()->update();
}

void PlaylistActions::MailSelected()
{
    const std::vector<int> rows = m_panel.View().GetSelectedRows();
    if (rows.empty()) {
        m_panel.ShowError(resources::IDS_NOTHING_SELECTED);
        return;
    }
    if (rows.size() > size_t(mail::kMaxAttachments)) {
        m_panel.ShowError(resources::IDS_MAIL_TOO_MANY_ATTACHMENTS);
        return;
    }
    mail::MailDialog dialog(&m_panel.Settings());
    for (int row : rows)
        dialog.AddAttachment(m_panel.Model().Item(row)->FilePath());
    dialog.exec();
}

}  // namespace playlist
