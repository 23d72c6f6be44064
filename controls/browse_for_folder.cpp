#include "controls/browse_for_folder.h"

#include <QDir>
#include <QFileDialog>

#include <algorithm>
#include <cstring>

namespace controls {
namespace {

FolderChooser chooser;

QString ChooseWithDialog(QWidget* owner, const QString& title, const QString& startFolder)
{
    // Only existing folders can be chosen; the dialog validates its own
    // selection and a folder reached through a link is returned as chosen.
    return QFileDialog::getExistingDirectory(owner, title, startFolder,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

// The longest prefix of at most `limit` bytes that does not end inside a
// UTF-8 character (the local encoding here), so the cut path still decodes.
qsizetype WholeCharacterPrefix(const QByteArray& utf8, qsizetype limit)
{
    qsizetype n = std::min(utf8.size(), limit);
    while (n > 0 && n < utf8.size() && (uchar(utf8[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

}  // namespace

void SetFolderChooserForTesting(FolderChooser replacement) { chooser = std::move(replacement); }

bool BrowseForFolder(QWidget* owner, const QString& title, const char* initialFolder, char* outPath, int outSize)
{
    if (!outPath || outSize < kMinFolderBuffer)
        return false;
    outPath[0] = '\0';

    QByteArray preset;
    if (initialFolder && initialFolder[0] != '\0')
        preset = QByteArray(initialFolder, int(strnlen(initialFolder, kPresetFolderBytes)));
    else
        preset = QDir::currentPath().toLocal8Bit().left(kPresetFolderBytes);

    const QString start = QString::fromLocal8Bit(preset);
    const QString chosen = chooser ? chooser(owner, title, start) : ChooseWithDialog(owner, title, start);
    if (chosen.isEmpty())
        return false;

    const QByteArray path = QDir::toNativeSeparators(chosen).toLocal8Bit();
    std::memset(outPath, 0, std::size_t(outSize));
    std::memcpy(outPath, path.constData(), std::size_t(WholeCharacterPrefix(path, outSize - 1)));
    return true;
}

bool BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder, QString& outPath, int outSize)
{
    if (outSize < kMinFolderBuffer)
        return false;
    QByteArray buffer(outSize, '\0');
    const QByteArray initial = initialFolder.toLocal8Bit();
    const bool ok = BrowseForFolder(owner, title, initial.constData(), buffer.data(), outSize);
    outPath = QString::fromLocal8Bit(buffer.constData());
    return ok;
}

}  // namespace controls
