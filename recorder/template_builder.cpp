#include "recorder/template_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include "controls/bitmap_button.h"
#include "controls/bitmap_slider.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "input/mixer_line_list.h"
#include "recorder/waveform_view.h"

namespace {
// A closed drop-down list is one text line high; the template's height is
// that of the opened list.
constexpr int kDropDownHeight = 12;
constexpr int kEditMaxLength = 256;
}  // namespace

TemplateBuilder::TemplateBuilder(QWidget* window, const controls::DialogUnits& units)
    : m_window(window), m_units(units)
{
}

int TemplateBuilder::controlId(const QWidget* w)
{
    return w ? w->property("controlId").toInt() : 0;
}

QHash<int, QWidget*> TemplateBuilder::build(const std::vector<ControlTemplate>& controls)
{
    QHash<int, QWidget*> byId;
    QWidget* previous = nullptr;
    for (const ControlTemplate& t : controls) {
        QWidget* w = create(t);
        QRect r = m_units.rect(t.x, t.y, t.w, t.h);
        if (t.kind == ControlKind::DropDownList)
            r.setHeight(std::max(m_units.y(kDropDownHeight), w->sizeHint().height()));
        w->setGeometry(r);
        w->setProperty("controlId", t.id);
        w->setEnabled(!t.disabled);
        w->setVisible(!t.hidden);
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

QWidget* TemplateBuilder::create(const ControlTemplate& t)
{
    const QString caption = QString::fromUtf8(t.caption);
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
        return new QListWidget(m_window);
    case ControlKind::CheckBox:
        return new QCheckBox(caption, m_window);
    case ControlKind::Trackbar: {
        auto* s = new QSlider(Qt::Horizontal, m_window);
        s->setTickPosition(QSlider::NoTicks);
        return s;
    }
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
        e->setMaxLength(kEditMaxLength);
        return e;
    }
    }
    return new QWidget(m_window);
}
