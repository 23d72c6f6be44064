#include "input/input_lists.h"

#include <QComboBox>

#include "engine/record_formats.h"
#include "resources/strings.h"

namespace InputLists {
namespace {

void SelectOrFirst(QComboBox* list, int index)
{
    if (list->count() == 0) {
        list->setCurrentIndex(-1);
        return;
    }
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : 0);
}

}  // namespace

void FillDeviceList(QComboBox* list, const std::vector<platform::audio::InputDevice>& devices, int storedIndex)
{
    for (const auto& device : devices)
        list->addItem(device.name);
    SelectOrFirst(list, storedIndex);
}

QString FormatLabel(int row)
{
    const QString pattern =
        resources::Text(RecordFormats::kChannels[row] == 1 ? resources::IDS_FORMAT_MONO : resources::IDS_FORMAT_STEREO);
    return QString::asprintf(pattern.toUtf8().constData(), int(RecordFormats::kRates[row]),
                             int(RecordFormats::kBits[row]));
}

void FillFormatList(QComboBox* list, int storedRow)
{
    for (int row = 0; row < RecordFormats::kCount; ++row)
        list->addItem(FormatLabel(row));
    SelectOrFirst(list, storedRow);
}

}  // namespace InputLists
