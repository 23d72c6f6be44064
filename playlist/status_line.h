#pragma once
// The playlist's status line: what plays, or "ready". The
// recorder window hands the label over once it exists; until then nothing
// is shown.

#include <QLabel>
#include <QPointer>
#include <QString>

namespace playlist {

class StatusLine {
public:
    void SetWindow(QLabel* window) { m_window = window; }
    // "正在播放： <title>" for a title, "就绪" for an empty one.
    void ShowStatus(const QString& title);

private:
    QPointer<QLabel> m_window;
};

}  // namespace playlist
