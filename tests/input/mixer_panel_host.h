#pragma once
// The mixer panel on a window of its own with the real controls, and the
// user's hands: check marks clicked, lines highlighted, the slider dragged.

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QStyleOptionViewItem>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "controls/widget_test_helpers.h"
#include "input/input_lists.h"
#include "input/mixer_line_list.h"
#include "input/mixer_panel.h"
#include "platform/audio/audio_backend.h"

struct MixerPanelHost {
    QWidget window;
    QComboBox* devices = new QComboBox(&window);
    MixerLineList* lines = new MixerLineList(&window);
    QSlider* volume = new QSlider(Qt::Horizontal, &window);
    QCheckBox* force = new QCheckBox(QString::fromUtf8("强制选择"), &window);
    QPushButton* advanced = new QPushButton(QString::fromUtf8("高级..."), &window);
    std::unique_ptr<MixerPanel> panel;

    // As the window starts: the device list filled from the back end, the
    // panel built, then OnDeviceChanged once.
    void Start(int storedDevice = 0)
    {
        window.resize(400, 300);
        devices->setGeometry(10, 10, 250, 24);
        lines->setGeometry(10, 40, 250, 200);
        volume->setGeometry(10, 250, 200, 24);
        force->setGeometry(270, 40, 120, 24);
        advanced->setGeometry(270, 80, 120, 24);
        InputLists::FillDeviceList(devices, platform::audio::Backend().InputDevices(), storedDevice);
        panel = std::make_unique<MixerPanel>(MixerPanel::Controls{devices, lines, volume, force, advanced});
        panel->OnDeviceChanged();
        window.show();
    }

    std::vector<QString> Names() const
    {
        std::vector<QString> out;
        for (int i = 0; i < lines->count(); ++i)
            out.push_back(lines->item(i)->text());
        return out;
    }
    std::vector<bool> Marks() const
    {
        std::vector<bool> out;
        for (int i = 0; i < lines->count(); ++i)
            out.push_back(lines->item(i)->checkState() == Qt::Checked);
        return out;
    }
    std::tuple<int, int, int, int> Slider() const
    {
        return {volume->minimum(), volume->maximum(), volume->pageStep(), volume->value()};
    }

    // A click on the check mark, or else on the name, which highlights the line.
    void Click(int item, bool onTheMark)
    {
        const QListWidgetItem* line = lines->item(item);
        ASSERT_NE(line, nullptr) << "no line " << item;
        QStyleOptionViewItem option;
        option.initFrom(lines->viewport());
        option.rect = lines->visualItemRect(line);
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = line->text();
        const QRect box = lines->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, lines);
        const QPoint at = onTheMark ? box.center() : QPoint(option.rect.right() - 10, option.rect.center().y());
        QTest::mouseClick(lines->viewport(), Qt::LeftButton, {}, at);
    }
    void ClickCheck(int item) { Click(item, true); }
    void ClickLine(int item) { Click(item, false); }
    // Picks device `index` from the opened drop-down list, as a user does.
    void PickDevice(int index)
    {
        devices->showPopup();
        QAbstractItemView* view = devices->view();
        QTest::qWait(20);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(index, 0)).center());
    }

    // Drags the thumb by `steps` moves of `dx` pixels, calling `eachMove`
    // while the button is still down.
    void DragThumb(int steps, int dx, const std::function<void()>& eachMove = {})
    {
        QPoint at = widgettest::SliderHandle(*volume).center();
        QTest::mousePress(volume, Qt::LeftButton, {}, at);
        for (int i = 0; i < steps; ++i) {
            at.rx() += dx;
            QTest::mouseMove(volume, at);
            if (eachMove)
                eachMove();
        }
        QTest::mouseRelease(volume, Qt::LeftButton, {}, at);
    }
};
