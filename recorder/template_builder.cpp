#include "recorder/template_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "controls/bitmap_button.h"
#include "controls/bitmap_slider.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "input/mixer_line_list.h"
#include "controls/trackbar.h"
#include "playlist/playlist_box.h"
#include "recorder/waveform_view.h"

namespace {
// A closed drop-down list is one text line high; the template's height is
// that of the opened list.
constexpr int kDropDownHeight = 12;
}  // namespace

TemplateBuilder::TemplateBuilder(QWidget* window, const controls::DialogUnits& units)
    : m_window(window)
    , m_units(units)
{
}

int TemplateBuilder::ControlId(const QWidget* w) { return w ? w->property("controlId").toInt() : 0; }

QHash<int, QWidget*> TemplateBuilder::Build(const std::vector<ControlTemplate>& controls)
{
    QHash<int, QWidget*> byId;
    QWidget* previous = nullptr;
    for (const ControlTemplate& t : controls) {
        QWidget* w = Create(t);
        QRect r = m_units.Rect(t.x, t.y, t.w, t.h);
        if (t.kind == ControlKind::DropDownList)
            r.setHeight(std::max(m_units.Y(kDropDownHeight), w->sizeHint().height()));
        w->setGeometry(r);
        // Texts that change while the program runs keep their box: a fixed
        // size spares the window a layout request at every change.
        if (t.kind == ControlKind::Readout || t.kind == ControlKind::StaticText)
            w->setFixedSize(r.size());
        w->setProperty("controlId", t.id);
        w->setEnabled(!t.disabled);
        w->setVisible(!t.hidden);
        // No template button is the default one: Enter belongs to the window
        // (the playlist plays with it), and a dialog would click the first
        // button in the tab order instead.
        if (auto* button = qobject_cast<QPushButton*>(w))
            button->setAutoDefault(false);
        if (t.id != 0) {
            byId.insert(t.id, w);
            if (w->focusPolicy() != Qt::NoFocus) {
                if (previous)
                    QWidget::setTabOrder(previous, w);
                previous = w;
            }
        }
    }
    return byId;
}

QWidget* TemplateBuilder::Create(const ControlTemplate& t)
{
    const QString caption = QCoreApplication::translate("RecorderWindow", t.caption);
    switch (t.kind) {
    case ControlKind::GroupBox:
        return new QGroupBox(caption, m_window);
    case ControlKind::Hyperlink:
        return new controls::HyperlinkLabel(caption, m_window);
    case ControlKind::Label:
    case ControlKind::StaticText: {
        auto* l = new QLabel(caption, m_window);
        l->setTextFormat(Qt::PlainText);
        return l;
    }
    case ControlKind::Readout: {
        auto* l = new QLabel(caption, m_window);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return l;
    }
    case ControlKind::DropDownList:
        return new QComboBox(m_window);
    case ControlKind::CheckListBox:
        return new MixerLineList(m_window);
    case ControlKind::PlaylistBox:
        return new playlist::PlaylistBox(m_window);
    case ControlKind::CheckBox:
        return new QCheckBox(caption, m_window);
    case ControlKind::Trackbar:
        return new controls::Trackbar(m_window);
    case ControlKind::PushButton:
        return new QPushButton(caption, m_window);
    case ControlKind::GradientButton:
        return new controls::GradientButton(caption, m_window);
    case ControlKind::BitmapButton:
        return new controls::BitmapButton(caption, m_window);
    case ControlKind::BitmapSlider:
        return new controls::BitmapSlider(m_window);
    case ControlKind::Waveform:
        return new WaveformView(m_window);
    case ControlKind::Edit: {
        auto* e = new QLineEdit(m_window);
        e->setMaxLength(RecorderTemplate::kFolderMaxLength);
        return e;
    }
    }
    return new QWidget(m_window);
}
