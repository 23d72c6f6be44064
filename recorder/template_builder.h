#pragma once
// Creates the controls of a dialog template on a window, at their
// dialog-unit positions, each tagged with its id.

#include <QHash>
#include <QWidget>

#include "controls/dialog_units.h"
#include "recorder/dialog_template.h"

class TemplateBuilder {
public:
    TemplateBuilder(QWidget* window, const controls::DialogUnits& units);

    // Builds every control of `controls` in tab order; returns them by id.
    QHash<int, QWidget*> Build(const std::vector<ControlTemplate>& controls);

    static int ControlId(const QWidget* w);

private:
    QWidget* Create(const ControlTemplate& t);

    QWidget* m_window;
    const controls::DialogUnits& m_units;
};
