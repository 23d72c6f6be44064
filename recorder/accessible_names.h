#pragma once
// Names a screen reader speaks for the recorder window's controls that show
// no text of their own (picture buttons, lists, sliders, the waveform).

struct WindowControls;

// Gives each such control its name in the installed language.
void NameRecorderControls(const WindowControls& controls);
