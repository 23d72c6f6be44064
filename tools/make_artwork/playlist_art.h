#pragma once
// The playlist's pictures: the row pictures (loaded, loading, failed), the
// queue markers and the corner picture behind the rows.

#include <QImage>

namespace artwork {

QImage RowDefault();
// Loading animation: eight dots round a circle; frame k lights dots k and
// k + 4 with a fading tail, so four frames make a seamless turn.
QImage RowLoading(int frame);
QImage RowFailed();
// Queue markers: the colour of the top-left pixel is transparent.
QImage QueueMarker(bool current);
QImage CornerPicture();

}  // namespace artwork
