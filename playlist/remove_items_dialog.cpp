#include "playlist/remove_items_dialog.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QLabel>

#include "settings/settings_store.h"
#include "controls/dialog_units.h"
#include "controls/gradient_button.h"

namespace playlist {

namespace {
const char kDeleteKey[] = "DeleteFileWhileRemoveItem";
}

RemoveItemsDialog::RemoveItemsDialog(int count, SettingsStore& store, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
{
    setWindowTitle(QCoreApplication::translate("RemoveItemsDialog", "移除条目"));
    setFont(controls::DialogFont());
    const controls::DialogUnits units(font());
    setFixedSize(units.X(186), units.Y(70));

    auto* question = new QLabel(
        QCoreApplication::translate("RemoveItemsDialog", "是否要从列表中删除这 %1 个条目？").arg(count), this);
    question->setGeometry(units.Rect(10, 10, 166, 10));
    question->setProperty("controlId", int(IdQuestion));
    m_deleteFiles = new QCheckBox(QCoreApplication::translate("RemoveItemsDialog", "同时删除对应的磁盘文件"), this);
    m_deleteFiles->setGeometry(units.Rect(10, 26, 166, 10));
    m_deleteFiles->setProperty("controlId", int(IdDeleteFiles));
    m_deleteFiles->setChecked(m_store.ReadHistoryInt(QString::fromLatin1(kDeleteKey), 0) != 0);

    auto* yes = new controls::GradientButton(QCoreApplication::translate("RemoveItemsDialog", "是"), this);
    yes->setGeometry(units.Rect(64, 46, 50, 14));
    yes->setProperty("controlId", int(IdYes));
    yes->setDefault(true);
    auto* cancel = new controls::GradientButton(QCoreApplication::translate("RemoveItemsDialog", "取消"), this);
    cancel->setGeometry(units.Rect(122, 46, 50, 14));
    cancel->setProperty("controlId", int(IdCancel));
    yes->CreateSkin(8, 8, 10, 0, 0);
    cancel->CreateSkin(8, 8, 10, 0, 0);
    connect(yes, &QPushButton::clicked, this, &RemoveItemsDialog::OnYes);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* RemoveItemsDialog::Control(int id) const
{
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->property("controlId").toInt() == id)
            return w;
    }
    return nullptr;
}

void RemoveItemsDialog::OnYes()
{
    const bool deleteFiles = m_deleteFiles->isChecked();
    m_store.WriteHistoryInt(QString::fromLatin1(kDeleteKey), deleteFiles ? 1 : 0);
    done(deleteFiles ? RemoveAndDelete : RemoveOnly);
}

int RemoveItemsDialog::Ask(int count, SettingsStore& store, QWidget* parent)
{
    RemoveItemsDialog dialog(count, store, parent);
    const int answer = dialog.exec();
    return answer == RemoveOnly || answer == RemoveAndDelete ? answer : Cancelled;
}

}  // namespace playlist
