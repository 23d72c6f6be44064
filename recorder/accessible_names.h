#pragma once
// Names a screen reader speaks for the recorder window's controls that show
// no text of their own (picture buttons, lists, sliders, the waveform).

#include <QHash>

class QWidget;

// Gives each such control of `controls` (by template id) its name in the
// installed language.
void NameRecorderControls(const QHash<int, QWidget*>& controls);
