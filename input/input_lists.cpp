#include "input/input_lists.h"

#include <QComboBox>

#include "input/record_formats.h"

namespace InputLists {
namespace {

void selectOrFirst(QComboBox* list, int index)
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
    selectOrFirst(list, storedIndex);
}

void FillFormatList(QComboBox* list, int storedRow)
{
    for (int row = 0; row < RecordFormats::kCount; ++row)
        list->addItem(RecordFormats::label(row));
    selectOrFirst(list, storedRow);
}

}  // namespace InputLists
