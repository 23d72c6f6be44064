#include "app/session_end_policy.h"

#include <QApplication>

#include "recorder/recorder_dialog.h"

namespace {

// A menu or dialog open over the window runs an event loop of its own, and
// the window's cannot end before it: left open, it would keep the program up
// past the session's end, with the settings and the list not yet written.
void CloseEverythingOpenOver(QDialog* window)
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog != window && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

}  // namespace

bool EndSession(RecorderDialog& window)
{
    if (!window.HoldsUnsavedRecording()) {
        CloseEverythingOpenOver(&window);
        window.done(QDialog::Rejected);
        return true;
    }
    window.KeepForSalvage();
    return false;
}

void EndAbruptly(RecorderDialog& window)
{
    if (window.CleanedUp())
        return;
    if (window.HoldsUnsavedRecording()) {
        window.SkipCleanUp();
        window.KeepForSalvage();
        return;
    }
    window.OnDestroy();
}
