#pragma once
// The texts a playlist row shows: its title, the detail line of a loaded
// item and the tooltip.

#include <QString>

namespace playlist {

struct PlaylistItem;

// Not loaded: the full path. Loaded: the stream's title, else the file name
// without its extension.
QString GetItemTitle(const PlaylistItem& item);

// "hh:mm:ss.t   rate Hz, channels, bits" and, for an ".mp3" path in any
// letter case, ", kbps"; empty for an item that is not loaded.
QString FormatDetailLine(const PlaylistItem& item);

// The tooltip of item `index`: number, title, and for a loaded item its path
// and description, cut at kTooltipLimit characters with "..." after the cut.
QString TooltipText(const PlaylistItem& item, int index);
inline constexpr int kTooltipLimit = 769;

}  // namespace playlist
