#pragma once
// The recording-line list: one check box per line, the line's
// name as text and its id as item data, every row as high as the first.
// Only the user's own check-mark changes are reported (lineCheckChanged); the
// marks the panel sets stay silent, as on a checkable list box.

#include <QListWidget>
#include <cstdint>

class MixerLineList : public QListWidget {
    Q_OBJECT
public:
    explicit MixerLineList(QWidget* parent = nullptr);

    void AddLine(const QString& name, uint32_t lineId);
    void RemoveAllLines();
    uint32_t LineId(int item) const;
    bool IsChecked(int item) const;
    void SetChecked(int item, bool on);
    // Highlights `item` (-1: none) without a selection-change report.
    void Highlight(int item);

signals:
    void LineCheckChanged();
};
