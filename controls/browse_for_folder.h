#pragma once
// Lets the user choose a file-system folder, starting at a preset folder
// (the current directory when none is given).

#include <QString>

#include <functional>

class QWidget;

namespace controls {

// The buffer API: false when outPath is null or outSize is below 260, or when
// the user cancels. On success the chosen path, cut to outSize - 1 bytes
// (local 8-bit encoding) and never inside a character, fills outPath with
// zeros after it.
bool BrowseForFolder(QWidget* owner, const QString& title, const char* initialFolder, char* outPath, int outSize);
// The same rules with Qt strings: the result is what the buffer would hold.
bool BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder, QString& outPath, int outSize);

// The dialog itself: returns the chosen folder, empty when cancelled.
using FolderChooser = std::function<QString(QWidget* owner, const QString& title, const QString& startFolder)>;
// Replaces the dialog (tests); an empty function restores QFileDialog.
void SetFolderChooserForTesting(FolderChooser chooser);

inline constexpr int kMinFolderBuffer = 260;
inline constexpr int kPresetFolderBytes = 518;

}  // namespace controls
