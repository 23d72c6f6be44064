#pragma once
// What a save asks and shows around the export: the window implements it over
// its controls, the save-file dialog, message boxes and the progress dialog;
// tests implement it with plain members and scripted answers.

#include <memory>
#include <optional>
#include <QString>
#include "resources/strings.h"

// A progress display for a long job on the user interface thread (the window
// adapts its progress dialog). Destroying it closes the display and enables
// the window again, also after a cancel.
class ProgressReporter {
public:
    virtual ~ProgressReporter() = default;
    virtual void SetRange(int low, int high) = 0;
    // Lets pending events run, moves the bar; returns the previous position.
    virtual int SetPos(int pos) = 0;
    virtual int GetPos() const = 0;
    // Lets pending events run; true once for each Cancel since the last call.
    virtual bool CheckCancel() = 0;
};

enum class Answer { Yes, No, Cancel };

class SavePrompts {
public:
    virtual ~SavePrompts() = default;

    // Takes the values of the folder edit, the save-format list and the check
    // boxes into the window's members before a save reads them.
    virtual void TakeControlValues() = 0;
    virtual QString RecordFolder() const = 0;
    // Row of the save-format list: 0 MP3, 1 WAVE.
    virtual int EncodeMethod() const = 0;
    virtual bool AskForRenaming() const = 0;
    // The quality slider: 0..15.
    virtual int RecordQuality() const = 0;

    // The save-file dialog: `defaultExtension` without the dot ("mp3"),
    // `filter` one entry ("MP3 File (*.mp3)"), `initialName` a path or a bare
    // name. Asks before overwriting an existing file. Nothing when cancelled.
    virtual std::optional<QString> ChooseSavePath(const QString& defaultExtension, const QString& filter,
                                                  const QString& initialName) = 0;
    // The question the save dialog asks before it replaces `path`, for a name
    // the dialog did not return itself; true for Yes.
    virtual bool ConfirmReplace(const QString& path) = 0;
    // A Yes/No/Cancel question from the string table with the question icon.
    virtual Answer Ask(resources::StringId stringId) = 0;

    // The saving label, shown and repainted at once.
    virtual void ShowSavingLabel(bool shown) = 0;
    // For as long as the file is written: the wait cursor, and a window that
    // takes no input; clicks and close requests that came meanwhile are
    // dropped before it takes input again.
    virtual void SetWaitCursor(bool wait) = 0;
    // A message box from the string table with the error icon.
    virtual void ShowError(resources::StringId stringId) = 0;
    // A shown progress display with the text of string `titleId`, or null
    // when none can be made (the job then runs without one).
    virtual std::unique_ptr<ProgressReporter> CreateProgress(resources::StringId titleId) = 0;
};
