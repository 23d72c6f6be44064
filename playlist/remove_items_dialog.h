#pragma once
// Asks whether to remove the selected items, and whether their files go
// too. The check box is remembered on Yes only.

#include <QDialog>

class QCheckBox;
class QLabel;
class SettingsStore;

namespace playlist {

class RemoveItemsDialog : public QDialog {
    Q_OBJECT
public:
    enum Answer { Cancelled = 0, RemoveOnly = 1, RemoveAndDelete = 2 };
    enum ControlId { IdYes = 1, IdCancel = 2, IdDeleteFiles = 1058, IdQuestion = 1111 };

    RemoveItemsDialog(int count, SettingsStore& store, QWidget* parent = nullptr);

    // Runs the dialog for `count` items; the answer above.
    static int Ask(int count, SettingsStore& store, QWidget* parent);

    QWidget* Control(int id) const;

private:
    void OnYes();

    SettingsStore& m_store;
    QCheckBox* m_deleteFiles = nullptr;
};

}  // namespace playlist
