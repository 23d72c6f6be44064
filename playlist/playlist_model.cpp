#include "playlist/playlist_model.h"

#include "resources/artwork.h"
#include "resources/strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <unistd.h>

#include <algorithm>

#include "playlist/list_file.h"
#include "playlist/row_texts.h"

namespace playlist {

namespace {

QList<QImage> ImagesOf(std::initializer_list<int> ids)
{
    QList<QImage> images;
    for (int id : ids)
        images.append(resources::BitmapImage(id));
    return images;
}

uint8_t ClampToByte(int value) { return uint8_t(std::clamp(value, 0, 255)); }

// Far below what a row's animation (500 ms) lets anyone see.
constexpr int kResultBatchMs = 10;

}  // namespace

const QList<QImage>& PlaylistModel::LoadingImages()
{
    static const QList<QImage> images = ImagesOf({238, 234, 235, 236});
    return images;
}

const QList<QImage>& PlaylistModel::FailedImages()
{
    static const QList<QImage> images = ImagesOf({237});
    return images;
}

const QList<QImage>& PlaylistModel::DefaultImages()
{
    static const QList<QImage> images = ImagesOf({193});
    return images;
}

PlaylistModel::PlaylistModel(QObject* parent)
    : QAbstractListModel(parent)
{
    // Results queue up in order and are taken a moment after the first of
    // a batch, so that a fast loader does not wake this thread for each one.
    m_loader = std::make_unique<Loader>([this](LoadResult result) {
        bool first = false;
        {
            std::lock_guard guard(m_resultsLock);
            first = m_results.empty();
            m_results.push_back(std::move(result));
        }
        if (first)
            QMetaObject::invokeMethod(
                this, [this] { QTimer::singleShot(kResultBatchMs, this, &PlaylistModel::TakeLoadResults); },
                Qt::QueuedConnection);
    });
    m_loader->StartLoader();

    // One write for a burst of changes, started by the first of them.
    m_listWriteTimer.setSingleShot(true);
    m_listWriteTimer.setInterval(kListWriteDelayMs);
    connect(&m_listWriteTimer, &QTimer::timeout, this, &PlaylistModel::WriteChangedList);
    m_animation.setInterval(kAnimationMs);
    connect(&m_animation, &QTimer::timeout, this, &PlaylistModel::AdvanceFrames);
}

void PlaylistModel::AdvanceFrames()
{
    int first = -1, last = -1;
    for (int row = 0; row < Count(); ++row) {
        PlaylistItem& it = *m_items[size_t(row)];
        if (it.imageCount > 1) {
            it.imageFrame = int8_t((it.imageFrame + 1) % it.imageCount);
            first = first < 0 ? row : first;
            last = row;
        }
    }
    if (first >= 0)
        emit dataChanged(index(first), index(last), {PictureRole});
    else
        m_animation.stop();  // a still list does not wake the program twice a second
}

void PlaylistModel::TakeLoadResults()
{
    std::vector<LoadResult> results;
    {
        std::lock_guard guard(m_resultsLock);
        results.swap(m_results);
    }
    for (const LoadResult& result : results) {
        const auto found = m_byId.find(result.id);
        if (found == m_byId.end()) {
            // Its item went while the file was being opened.
            if (result.stream)
                ZLDec_CloseStream(result.stream);
        } else if (result.kind == LoadEvent::Started) {
            OnLoadStart(found->second);
        } else {
            OnLoadDone(found->second, result);
        }
    }
}

PlaylistModel::~PlaylistModel()
{
    Shutdown();
    // Streams whose results were never taken.
    std::lock_guard guard(m_resultsLock);
    for (const LoadResult& result : m_results)
        if (result.stream)
            ZLDec_CloseStream(result.stream);
}

void PlaylistModel::Initialize(const QString& listFilePath)
{
    m_listFilePath = listFilePath;
    ReadListFile(m_listFilePath);
    m_listModified = false;
    m_initialized = true;
    m_animation.start();
}

void PlaylistModel::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_listWriteTimer.stop();
    m_animation.stop();
    if (m_initialized && m_listModified)
        WriteListFile();
    m_loader->StopLoader();
}

int PlaylistModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

QVariant PlaylistModel::data(const QModelIndex& index, int role) const
{
    const PlaylistItem* it = Item(index.row());
    if (!it || index.parent().isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return it->FilePath();
    case StateTextRole:
        return StateText(*it);
    case TitleRole:
        return GetItemTitle(*it);
    case DetailRole:
        return it->IsLoaded() ? FormatDetailLine(*it) : QString();
    case PictureRole: {
        const bool shown = it->imageFrame >= 0 && it->imageFrame < it->imageCount && it->imageFrame < it->images.size();
        return shown ? it->images[it->imageFrame] : QImage();
    }
    case PictureSizeRole:
        return QSize(it->imageWidth, it->imageHeight);
    case QueuedRole:
        return it->queued != 0;
    case Qt::AccessibleTextRole: {
        // What a screen reader says for the row: the title and what became
        // of the file (its format once loaded, else the row's state text).
        const QString state = it->IsLoaded() ? FormatDetailLine(*it) : StateText(*it);
        return state.isEmpty() ? GetItemTitle(*it) : GetItemTitle(*it) + QStringLiteral(", ") + state;
    }
    default:
        return {};
    }
}

PlaylistItem* PlaylistModel::Item(int index) const
{
    return index >= 0 && index < Count() ? m_items[size_t(index)].get() : nullptr;
}

int PlaylistModel::IndexOf(const PlaylistItem* wanted) const
{
    const auto found =
        std::find_if(m_items.begin(), m_items.end(), [wanted](const auto& it) { return it.get() == wanted; });
    return found == m_items.end() ? -1 : int(found - m_items.begin());
}

unsigned PlaylistModel::AddItem(const QString& path, uint8_t attribute)
{
    // The list file reads a relative path as lying beside it: a relative
    // name is fixed here to the file it names now.
    const QString full = QDir::isRelativePath(path) && !path.isEmpty() ? QFileInfo(path).absoluteFilePath() : path;
    return AddFileName(QFile::encodeName(full).toStdString(), attribute);
}

unsigned PlaylistModel::AddFileName(const std::string& fileName, uint8_t attribute)
{
    // Longer paths would not survive the list file.
    if (fileName.size() > kListMaxPathBytes)
        return kPathRefused;
    // Names compare exactly: two names differing in case are two files.
    if (m_fileNames.contains(fileName)) {
        const auto found =
            std::find_if(m_items.begin(), m_items.end(), [&](const auto& it) { return it->path == fileName; });
        return unsigned(found - m_items.begin());
    }
    if (m_items.size() >= maxItems)
        return kListFull;

    auto created = std::make_unique<PlaylistItem>();
    created->path = fileName;
    created->id = ++m_lastId;
    created->attribute = attribute;
    MakeWaiting(*created);
    PlaylistItem* added = created.get();

    const int row = Count();
    beginInsertRows(QModelIndex(), row, row);
    m_items.push_back(std::move(created));
    m_fileNames.insert(fileName);
    m_removedNames.erase(fileName);
    m_byId.emplace(added->id, added);
    endInsertRows();
    m_loader->EnqueueForLoading(added->id, added->path);
    return unsigned(row);
}

void PlaylistModel::MakeWaiting(PlaylistItem& it)
{
    it.length = 0;
    it.format = nullptr;
    it.images = LoadingImages();
    it.imageCount = 1;
    it.imageFrame = 0;
    const QImage& waiting = LoadingImages().constFirst();
    it.imageWidth = ClampToByte(waiting.width());
    it.imageHeight = ClampToByte(waiting.height());
}

bool PlaylistModel::FileChanged(const PlaylistItem& it) const
{
    return (it.IsLoaded() || it.IsFailed()) && FileStamp::Of(it.path) != it.stamp;
}

bool PlaylistModel::Reload(PlaylistItem* it)
{
    if (!it || !(it->IsLoaded() || it->IsFailed()) || IndexOf(it) < 0)
        return false;
    it->stream.Close();
    MakeWaiting(*it);
    Changed(it);
    m_loader->EnqueueForLoading(it->id, it->path);
    return true;
}

void PlaylistModel::RemoveItem(int index, bool deleteFile)
{
    if (!Item(index))
        return;
    beginRemoveRows(QModelIndex(), index, index);
    std::unique_ptr<PlaylistItem> removed = std::move(m_items[size_t(index)]);
    m_items.erase(m_items.begin() + index);
    m_fileNames.erase(removed->path);
    m_removedNames.insert(removed->path);
    m_byId.erase(removed->id);
    endRemoveRows();
    SetListModified();

    if (removed->IsWaiting() || removed->IsLoading())
        m_loader->Forget(removed->id);
    removed->stream.Close();
    if (deleteFile)
        ::unlink(removed->path.c_str());
}

void PlaylistModel::OnLoadStart(PlaylistItem* it)
{
    it->length = kLoading;
    it->imageCount = uint8_t(LoadingImages().size());
    Changed(it);
}

void PlaylistModel::OnLoadDone(PlaylistItem* it, const LoadResult& result)
{
    const ZLDEC_HANDLE handle = result.stream;
    it->stamp = result.stamp;
    it->imageFrame = 0;
    if (handle) {
        it->stream = decoder::DecoderStream(handle);
        it->length = it->stream.Length();
        it->format = it->stream.Format();
        const size_t own = std::min<size_t>(it->stream.Images().size(), 255);
        if (own > 0) {
            it->images.clear();
            int width = it->imageWidth, height = it->imageHeight;
            for (size_t i = 0; i < own; ++i) {
                it->images.append(it->stream.Image(i));
                width = std::max(width, it->images.constLast().width());
                height = std::max(height, it->images.constLast().height());
            }
            it->imageCount = uint8_t(own);
            it->imageWidth = ClampToByte(width);
            it->imageHeight = ClampToByte(height);
        } else {
            it->images = DefaultImages();
            it->imageCount = uint8_t(DefaultImages().size());
            it->imageWidth = ClampToByte(DefaultImages().constFirst().width());
            it->imageHeight = ClampToByte(DefaultImages().constFirst().height());
        }
    } else {
        it->images = FailedImages();
        it->imageCount = 1;
        it->length = result.code;
    }
    Changed(it);
    emit LoadFinished(it);
}

void PlaylistModel::Changed(PlaylistItem* it)
{
    // Results come in the order of adding: the row is the last one's or
    // just after it, unless removals moved it.
    int row = -1;
    for (int r : {m_lastChangedRow, m_lastChangedRow + 1})
        if (Item(r) == it)
            row = r;
    if (row < 0)
        row = IndexOf(it);
    if (row < 0)
        return;
    m_lastChangedRow = row;
    emit dataChanged(index(row), index(row));
    if (it->imageCount > 1 && m_initialized && !m_shutDown && !m_animation.isActive())
        m_animation.start();
}

void PlaylistModel::SetListModified()
{
    m_listModified = true;
    if (m_initialized && !m_shutDown && !m_listWriteTimer.isActive())
        m_listWriteTimer.start();
}

void PlaylistModel::WriteChangedList()
{
    // A failed write keeps the mark: the next change or the exit tries again.
    if (m_listModified && !m_shutDown && WriteListFile())
        m_listModified = false;
}

QString PlaylistModel::StateText(const PlaylistItem& it)
{
    if (it.IsLoaded())
        return {};
    switch (it.length) {
    case 0:
        return resources::Text(resources::IDS_LOAD_WAITING);
    case kLoading:
        return resources::Text(resources::IDS_LOAD_LOADING);
    case 1:
        return resources::Text(resources::IDS_LOAD_FILE_MISSING);
    case 2:
        return resources::Text(resources::IDS_LOAD_SHARING_VIOLATION);
    case 3:
        return resources::Text(resources::IDS_LOAD_OPEN_FAILED);
    case 4:
        return resources::Text(resources::IDS_LOAD_DAMAGED);
    case 5:
        return resources::Text(resources::IDS_LOAD_UNKNOWN_FORMAT);
    case 6:
        return resources::Text(resources::IDS_LOAD_RECORDING_HERE);
    default:
        return resources::Text(resources::IDS_LOAD_FAILED);
    }
}

QString PlaylistModel::RefusedPathsMessage(const QStringList& refused)
{
    if (refused.isEmpty())
        return {};
    return QString::asprintf(resources::Text(resources::IDS_PATH_TOO_LONG).toUtf8().constData(),
                             refused.constFirst().toUtf8().constData(), int(refused.size()));
}

}  // namespace playlist
