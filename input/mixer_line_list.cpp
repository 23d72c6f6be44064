#include "input/mixer_line_list.h"

#include <QStyle>
#include <QStyledItemDelegate>

namespace {

// Owner-drawn with a fixed item height: the rows keep one height whatever a
// line's name holds.
class FixedRowDelegate final : public QStyledItemDelegate {
public:
    FixedRowDelegate(int height, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_height(height)
    {
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

}  // namespace

MixerLineList::MixerLineList(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    setItemDelegate(new FixedRowDelegate(std::max(fontMetrics().height(), indicator) + 2, this));
    // Only check marks can change (names are not editable); the panel's own
    // changes block this signal.
    connect(this, &QListWidget::itemChanged, this, &MixerLineList::LineCheckChanged);
}

void MixerLineList::AddLine(const QString& name, uint32_t lineId)
{
    const QSignalBlocker quiet(this);
    auto* item = new QListWidgetItem(name);
    item->setData(Qt::UserRole, lineId);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    addItem(item);
}

void MixerLineList::RemoveAllLines()
{
    const QSignalBlocker quiet(this);
    clear();
}

uint32_t MixerLineList::LineId(int item) const { return this->item(item)->data(Qt::UserRole).toUInt(); }

bool MixerLineList::IsChecked(int item) const { return this->item(item)->checkState() == Qt::Checked; }

void MixerLineList::SetChecked(int item, bool on)
{
    const QSignalBlocker quiet(this);
    this->item(item)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void MixerLineList::Highlight(int item)
{
    const QSignalBlocker quiet(this);
    setCurrentRow(item);
    if (item < 0)
        clearSelection();
}
