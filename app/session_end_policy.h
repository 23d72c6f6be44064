#pragma once
// What the recorder window does when the session or the display goes away
// under it: close as usual when nothing is unsaved, otherwise write what
// the user set and listed and leave the recording for the next start.

class RecorderDialog;

// The desktop ends the session. With nothing unsaved the window closes as
// usual and this returns true. Otherwise the settings and the playlist are
// written, the recording stays in its temporary file for the next start to
// salvage, and this returns false: the process must end without the
// window's clean-up.
bool EndSession(RecorderDialog& window);

// The process is ending under the window (the display connection broke):
// the window's clean-up runs now, except that an unsaved recording stays in
// its temporary file for the next start to salvage.
void EndAbruptly(RecorderDialog& window);
