#include "playlist/playlist_box.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QCoreApplication>
#include <QMenu>
#include <QMetaMethod>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>

#include <utility>

#include "controls/browse_for_folder.h"
#include "mail/mail_dialog.h"
#include "mail/mail_message.h"
#include "playlist/play_when_loaded.h"
#include "playlist/playlist_model.h"
#include "playlist/remove_items_dialog.h"
#include "playlist/row_painter.h"
#include "playlist/row_texts.h"
#include "playlist/row_tip.h"
#include "resources/artwork.h"
#include "resources/strings.h"

namespace playlist {

namespace {

constexpr int kAnimationMs = 500;
constexpr int kAddFilesSlot = 1;
constexpr int kAddDirectorySlot = 2;
constexpr int kFolderResultSize = 518;
constexpr int kTooltipBand = 30;
const char* const kFolderPasses[] = {"mp3", "mp2", "mp1", "wav", "flac", "ogg", "oga", "opus"};
const char* const kFreeFormats[] = {"flac", "ogg", "oga", "opus"};

PlaylistBox::FileChooser& fileChooser()
{
    static PlaylistBox::FileChooser chooser;
    return chooser;
}

// A pattern that matches "*.<ext>" in any letter case, for dialogs whose
// matching follows the file system's case rules.
QString anyCase(const QString& ext)
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

PlaylistBox::PlaylistBox(QWidget* parent)
    : QListView(parent), m_model(std::make_unique<PlaylistModel>()),
      m_player(std::make_unique<PlaylistPlayer>(*this)),
      m_playWhenLoaded(std::make_unique<PlayWhenLoaded>(*m_model, [this](int row) {
          SelectOnly(row);
          PlaySelected();
      }))
{
    setModel(m_model.get());
    connect(m_model.get(), &PlaylistModel::loadFinished, m_player.get(), &PlaylistPlayer::OnItemLoaded);
    setItemDelegate(new RowPainter(this, [this] { return QModelIndex(m_anchor); }, m_player.get()));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    viewport()->setAutoFillBackground(false);
    setMouseTracking(true);
    // The tips come in 30-pixel bands, one per row from the top row.
    m_rowTip = new RowTip(viewport(), [this](QPoint pos) {
        const int band = pos.y() / kTooltipBand;
        const int index = TopItem() + band;
        const PlaylistItem* item = pos.y() >= 0 ? m_model->item(index) : nullptr;
        if (!item)
            return RowTip::Tip{};
        return RowTip::Tip{TooltipText(*item, index).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                           QRect(0, band * kTooltipBand, viewport()->width(), kTooltipBand)};
    });
}

PlaylistBox::~PlaylistBox()
{
    Shutdown();
    setModel(nullptr);
}

void PlaylistBox::Shutdown()
{
    if (m_timerId)
        killTimer(m_timerId);
    m_timerId = 0;
    // The player stops, empties its queue and closes its devices before the
    // items it plays go; then the list is written and the loader stopped.
    m_player.reset();
    static_cast<RowPainter*>(itemDelegate())->ForgetPlayer();
    m_model->Shutdown();
}

void PlaylistBox::Initialize(controls::BitmapSlider* slider, const QString& listFilePath)
{
    m_model->Initialize(listFilePath.isEmpty() ? PlaylistModel::DefaultListFilePath() : listFilePath);
    m_timerId = startTimer(kAnimationMs);
    if (m_player)
        m_player->SetSlider(slider);
}

void PlaylistBox::SetStatusWindow(QLabel* status)
{
    m_status.SetWindow(status);
}

void PlaylistBox::SetPositionWindow(QLabel* position)
{
    if (m_player)
        m_player->SetPositionText(position);
}

SettingsStore& PlaylistBox::settings()
{
    if (!m_settings) {
        m_ownSettings = std::make_unique<SettingsStore>();
        m_settings = m_ownSettings.get();
    }
    return *m_settings;
}

// --- Selection ---

std::vector<int> PlaylistBox::GetSelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int PlaylistBox::GetSingleSelection() const
{
    const std::vector<int> rows = GetSelectedRows();
    return rows.empty() ? -1 : rows.size() > 1 ? -2 : rows.front();
}

int PlaylistBox::GetFirstSelected() const
{
    const std::vector<int> rows = GetSelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void PlaylistBox::SelectOnly(int index)
{
    const QModelIndex at = m_model->index(index);
    if (!at.isValid())
        return;
    // Through the view, so that its own anchor moves too: Shift with an
    // arrow key then extends from this row, not from an older click.
    m_selectingAlone = true;
    setCurrentIndex(at);
    m_selectingAlone = false;
    SetAnchor(at);
    viewport()->update();
}

QItemSelectionModel::SelectionFlags PlaylistBox::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    // A row the program selects is selected alone, whatever keys are held.
    if (m_selectingAlone)
        return QItemSelectionModel::ClearAndSelect;
    return QListView::selectionCommand(index, event);
}

// --- Commands ---

void PlaylistBox::OnCommand(int id)
{
    switch (id) {
    case CmdPlay:
    case CmdPlayButton: PlaySelected(); break;
    case CmdStop: StopPlaying(); break;
    case CmdPauseResume: TogglePause(); break;
    case CmdAddFiles: AddFiles(); break;
    case CmdAddDirectory: AddDirectory(); break;
    case CmdRemove: RemoveSelected(); break;
    case CmdMail: MailSelected(); break;
    default: break;
    }
}

void PlaylistBox::Issue(int id)
{
    // The window routes commands; a list on its own carries out its own.
    if (isSignalConnected(QMetaMethod::fromSignal(&PlaylistBox::commandIssued)))
        emit commandIssued(id);
    else
        OnCommand(id);
}

void PlaylistBox::PlaySelected()
{
    if (!m_player)
        return;
    std::vector<PlaylistItem*> items;
    for (int row : GetSelectedRows())
        items.push_back(m_model->item(row));
    m_player->PlaySelected(items);
}

void PlaylistBox::StopPlaying()
{
    if (m_player)
        m_player->StopPlaying();
}

void PlaylistBox::TogglePause()
{
    if (m_player)
        m_player->TogglePause();
}

void PlaylistBox::ShowError(int stringId, const QString& arg)
{
    QString text = resources::text(stringId);
    if (!arg.isEmpty())
        text.replace(QStringLiteral("%d"), arg);
    QMessageBox::critical(window(), window()->windowTitle(), text);
}

void PlaylistBox::ReportRefused(const QStringList& refused)
{
    if (refused.isEmpty())
        return;
    QMessageBox::critical(window(), window()->windowTitle(), PlaylistModel::RefusedPathsMessage(refused));
}

QStringList PlaylistBox::AudioFileFilters()
{
    // The names as the filter list shows them; the patterns after them.
    QStringList free;
    for (const char* ext : kFreeFormats)
        free << anyCase(QString::fromLatin1(ext));
    return {QCoreApplication::translate("PlaylistBox", "Audio Files (*.wav; *.mp3; *.flac; *.ogg; *.oga; *.opus) (%1 %2 %3)")
                .arg(anyCase("wav"), anyCase("mp3"), free.join(QLatin1Char(' '))),
            QCoreApplication::translate("PlaylistBox", "MP3 Files (*.mp3) (%1)").arg(anyCase("mp3")),
            QCoreApplication::translate("PlaylistBox", "WAVE Files (*.wav) (%1)").arg(anyCase("wav")),
            QCoreApplication::translate("PlaylistBox", "FLAC, Ogg and Opus Files (*.flac; *.ogg; *.oga; *.opus) (%1)").arg(free.join(QLatin1Char(' ')))};
}

void PlaylistBox::SetFileChooserForTesting(FileChooser chooser)
{
    fileChooser() = std::move(chooser);
}

unsigned PlaylistBox::AddOne(const QString& path, QStringList& refused)
{
    const unsigned r = m_model->AddItem(path, 0);
    if (r == PlaylistModel::kListFull)
        ShowError(394, QString::number(PlaylistModel::maxItems));
    else if (r == PlaylistModel::kPathRefused)
        refused.append(path);
    else {
        RefreshIfChanged(r);
        if (m_firstAdded < 0)
            m_firstAdded = int(r);
    }
    return r;
}

unsigned PlaylistBox::AddFileList(const QStringList& paths, QStringList& refused, bool rememberFolder)
{
    unsigned last = PlaylistModel::kListFull;
    bool first = true;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists() || info.isDir())
            break;
        const unsigned r = AddOne(path, refused);
        if (r == PlaylistModel::kListFull)
            break;
        const bool wasFirst = std::exchange(first, false);
        if (r == PlaylistModel::kPathRefused)
            continue;
        last = r;
        m_model->setListModified();
        if (wasFirst && rememberFolder && m_folderHistory)
            (*m_folderHistory)[kAddFilesSlot] = info.absolutePath();
    }
    return last;
}

void PlaylistBox::OpenAndPlay(const QString& path)
{
    QStringList refused;
    const unsigned added = AddFileList({path}, refused, false);
    ReportRefused(refused);
    if (added == PlaylistModel::kListFull || added == PlaylistModel::kPathRefused)
        return;
    SelectOnly(int(added));
    m_playWhenLoaded->Watch(m_model->item(int(added)));
}

void PlaylistBox::AddFiles()
{
    const QString start = m_folderHistory ? (*m_folderHistory)[kAddFilesSlot] : QDir::homePath();
    QStringList paths;
    if (fileChooser()) {
        paths = fileChooser()(this, start, AudioFileFilters());
    } else {
        QFileDialog dialog(window(), QString(), start);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilters(AudioFileFilters());
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        if (dialog.exec() == QDialog::Accepted)
            paths = dialog.selectedFiles();
    }
    if (paths.isEmpty())
        return;
    QStringList refused;
    {
        WaitCursor wait;
        const unsigned last = AddFileList(paths, refused, true);
        if (last != PlaylistModel::kListFull)
            SelectOnly(int(last));
    }
    ReportRefused(refused);
}

void PlaylistBox::AddPattern(const QString& folder, const QString& ext, QStringList& refused)
{
    // Name filters of QDir match in any letter case, as the design's
    // platform does.
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.") + ext}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    unsigned last = PlaylistModel::kListFull;
    for (const QString& name : names) {
        const unsigned r = AddOne(QDir(folder).filePath(name), refused);
        if (r == PlaylistModel::kListFull)
            break;
        if (r != PlaylistModel::kPathRefused)
            last = r;
    }
    if (last != PlaylistModel::kListFull)
        SelectOnly(int(last));
}

void PlaylistBox::AddFolder(const QString& folder, QStringList& refused)
{
    for (const char* ext : kFolderPasses)
        AddPattern(folder, QString::fromLatin1(ext), refused);
    m_model->setListModified();
}

void PlaylistBox::AddDirectory()
{
    const QString start = m_folderHistory ? (*m_folderHistory)[kAddDirectorySlot] : QDir::homePath();
    QString folder;
    if (!controls::BrowseForFolder(this, resources::text(406), start, folder, kFolderResultSize))
        return;
    QStringList refused;
    {
        WaitCursor wait;
        AddFolder(folder, refused);
    }
    if (m_folderHistory)
        (*m_folderHistory)[kAddDirectorySlot] = folder;
    ReportRefused(refused);
}

void PlaylistBox::AddRecording(const QString& path, bool select)
{
    const unsigned r = m_model->AddItem(path, 0);
    // The recording is saved all the same; its name only cannot be listed.
    if (r == PlaylistModel::kPathRefused)
        ReportRefused({path});
    if (r == PlaylistModel::kListFull || r == PlaylistModel::kPathRefused)
        return;
    // A new take saved over a listed file.
    RefreshIfChanged(r);
    if (select)
        SelectOnly(int(r));
    m_model->setListModified();
}

void PlaylistBox::RemoveSelected()
{
    const std::vector<int> rows = GetSelectedRows();
    if (rows.empty()) {
        ShowError(393);
        return;
    }
    const int answer = RemoveItemsDialog::Ask(int(rows.size()), settings(), window());
    if (answer == RemoveItemsDialog::Cancelled)
        return;
    int removed = 0;
    int lastPosition = -1;
    bool refused = false;
    for (int row : rows) {
        const int index = row - removed;
        PlaylistItem* item = m_model->item(index);
        if (m_player && m_player->IsPlaying(item)) {
            ShowError(395);
            refused = true;
            break;
        }
        if (item->queued && m_player)
            m_player->RemoveFromQueue(item);
        m_model->RemoveItem(index, answer == RemoveItemsDialog::RemoveAndDelete);
        ++removed;
        lastPosition = index;
    }
    // A removal stopped at a playing item leaves the selection as it
    // stands: the next Delete must act only on rows the user chose.
    if (!refused && lastPosition >= 0 && m_model->count() > 0)
        SelectOnly(std::min(lastPosition, m_model->count() - 1));
    viewport()->update();
}

void PlaylistBox::MailSelected()
{
    const std::vector<int> rows = GetSelectedRows();
    if (rows.empty()) {
        ShowError(393);
        return;
    }
    if (rows.size() > size_t(mail::kMaxAttachments)) {
        ShowError(442);
        return;
    }
    mail::MailDialog dialog(&settings());
    for (int row : rows)
        dialog.AddAttachment(m_model->item(row)->filePath());
    dialog.exec();
}

// --- PlayerHost ---

bool PlaylistBox::IsLoopPlaying() const
{
    return m_isLoopPlaying && m_isLoopPlaying();
}

void PlaylistBox::ShowStatus(const QString& title)
{
    m_status.ShowStatus(title);
}

void PlaylistBox::ShowPlayError(int stringId)
{
    ShowError(stringId);
}

void PlaylistBox::InvalidateList()
{
    viewport()->update();
}

QString PlaylistBox::ItemTitle(const PlaylistItem& item) const
{
    return GetItemTitle(item);
}

bool PlaylistBox::FileChanged(const PlaylistItem& item) const
{
    return m_model->FileChanged(item);
}

bool PlaylistBox::ReloadItem(PlaylistItem& item)
{
    return m_model->Reload(&item);
}

void PlaylistBox::RefreshIfChanged(unsigned index)
{
    PlaylistItem* item = m_model->item(int(index));
    if (item && !(m_player && m_player->IsPlaying(item)) && m_model->FileChanged(*item))
        m_model->Reload(item);
}

// --- Menu, keys and mouse ---

std::unique_ptr<QMenu> PlaylistBox::CreatePopupMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    auto add = [&](const char* text, int id) {
        QAction* action = menu->addAction(QCoreApplication::translate("PlaylistMenu", text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { Issue(id); });
        return action;
    };
    QAction* play = add(QT_TRANSLATE_NOOP("PlaylistMenu", "播放"), CmdPlay);
    menu->addSeparator();
    add(QT_TRANSLATE_NOOP("PlaylistMenu", "添加文件"), CmdAddFiles);
    add(QT_TRANSLATE_NOOP("PlaylistMenu", "添加目录"), CmdAddDirectory);
    QAction* remove = add(QT_TRANSLATE_NOOP("PlaylistMenu", "移除条目"), CmdRemove);
    menu->addSeparator();
    add(QT_TRANSLATE_NOOP("PlaylistMenu", "通过邮件发送"), CmdMail);

    const int single = GetSingleSelection();
    if (single == -1) {
        play->setEnabled(false);
        remove->setEnabled(false);
    } else if (single >= 0 && !m_model->item(single)->isLoaded()) {
        play->setEnabled(false);
    }
    return menu;
}

void PlaylistBox::OpenMenuAt(QPoint viewportPos)
{
    std::unique_ptr<QMenu> menu = CreatePopupMenu();
    menu->exec(viewport()->mapToGlobal(viewportPos));
}

int PlaylistBox::TopItem() const
{
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

void PlaylistBox::keyPressEvent(QKeyEvent* event)
{
    m_rowTip->Hide();
    switch (event->key()) {
    case Qt::Key_Delete:
        RemoveSelected();
        return;
    case Qt::Key_F12: {
        // Beside the first selected row in view, else at the top left.
        QPoint at(10, 10);
        for (int row : GetSelectedRows()) {
            const QRect r = visualRect(m_model->index(row));
            if (r.bottom() >= 0 && r.top() < viewport()->height()) {
                at = r.topLeft() + QPoint(10, 10);
                break;
            }
        }
        OpenMenuAt(at);
        return;
    }
    case Qt::Key_Space:
        Issue(CmdPauseResume);
        return;
    case Qt::Key_Period:
        Issue(CmdRecorderStop);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Issue(CmdPlay);
        return;
    default: {
        const int top = TopItem();
        QListView::keyPressEvent(event);
        if (!(event->modifiers() & Qt::ShiftModifier))
            SetAnchor(currentIndex());
        if (TopItem() != top)
            viewport()->update();
    }
    }
}

void PlaylistBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        QListView::mousePressEvent(event);
        if (event->button() == Qt::LeftButton && !(event->modifiers() & Qt::ShiftModifier))
            SetAnchor(indexAt(event->position().toPoint()));
        return;
    }
    // A right click on a row outside the selection selects that row alone;
    // inside the selection it keeps it for the menu.
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid() && !selectionModel()->isSelected(at))
        SelectOnly(at.row());
    event->accept();
}

void PlaylistBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        QListView::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    OpenMenuAt(event->position().toPoint());
}

void PlaylistBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && m_model->count() > 0)
        PlaySelected();
}

// --- Drawing ---

void PlaylistBox::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(viewport());
        const QRect client = viewport()->rect();
        painter.fillRect(client, Qt::white);
        static const QPixmap corner = resources::bitmap(131);
        painter.drawPixmap(client.right() + 1 - corner.width(), client.bottom() + 1 - corner.height(), corner);
        if (m_model->count() == 0) {
            painter.setFont(TitleFont());
            painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
            painter.drawText(client.adjusted(10, 15, -10, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                             resources::text(431));
        }
    }
    QListView::paintEvent(event);
}

void PlaylistBox::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timerId) {
        QListView::timerEvent(event);
        return;
    }
    if (!isVisible())
        return;
    // Only the pictures of animated items in view change.
    for (int row = TopItem(); row < m_model->count(); ++row) {
        const QRect r = visualRect(m_model->index(row));
        if (r.top() >= viewport()->height())
            break;
        PlaylistItem* item = m_model->item(row);
        if (item->imageCount > 1 && !item->isRemoved()) {
            item->imageFrame = int8_t((item->imageFrame + 1) % item->imageCount);
            viewport()->update(QRect(r.topLeft(), QSize(item->imageWidth, item->imageHeight)));
        }
    }
}

bool PlaylistBox::viewportEvent(QEvent* event)
{
    // Rows have tips of their own (RowTip), not Qt's.
    if (event->type() == QEvent::ToolTip)
        return true;
    return QListView::viewportEvent(event);
}

// --- Drops from file managers ---

namespace {

// The local files and folders of a drop; other places cannot be played.
QStringList localPaths(const QMimeData* data)
{
    QStringList paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    return paths;
}

}  // namespace

void PlaylistBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PlaylistBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (!localPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PlaylistBox::dropEvent(QDropEvent* event)
{
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    // The file manager waits until the drop returns: adding a large folder
    // or a message about a full list must not hold it.
    QMetaObject::invokeMethod(this, [this, paths] { AddDropped(paths); }, Qt::QueuedConnection);
}

void PlaylistBox::AddDropped(const QStringList& paths)
{
    QStringList files;
    QStringList folders;
    for (const QString& path : paths)
        (QFileInfo(path).isDir() ? folders : files).append(path);
    QStringList refused;
    {
        WaitCursor wait;
        // Files as the add-files command adds them, then each folder as the
        // add-folder command does.
        const unsigned last = AddFileList(files, refused, false);
        if (last != PlaylistModel::kListFull)
            SelectOnly(int(last));
        for (const QString& folder : folders)
            AddFolder(folder, refused);
    }
    ReportRefused(refused);
}

void PlaylistBox::OpenFiles(const QStringList& paths)
{
    m_firstAdded = -1;
    AddDropped(paths);
    if (m_firstAdded < 0)
        return;
    SelectOnly(m_firstAdded);
    m_playWhenLoaded->Watch(m_model->item(m_firstAdded));
}

}  // namespace playlist
