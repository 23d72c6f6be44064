#pragma once
// What the recording engine tells about itself, in its own terms: the window
// decides what each state enables and what each failure says.

enum class EngineState {
    Empty,      // no capture device, no take
    Stopped,    // the take's device and file are kept, so Record resumes
    Recording,  // also while Stop waits for what the device still hands over
    Playing,    // also while the output drains after Stop or the end
    Saving,     // the take is being exported: it must not change meanwhile
};

enum class EngineError {
    TakeFileNotCreated,  // the take's file could not be made
    CaptureNotOpened,    // the capture device could not be opened or started
    CaptureLost,         // the capture device stopped working during a take
    TakeWriteFailed,     // the take could not be written (disk full, I/O error)
    TakeSizeLimit,       // the take reached the largest WAVE file
    OutputNotOpened,     // no output device for playback
    OutputLost,          // the output device stopped working while playing
    TakeReadFailed,      // the take could not be read back while playing
};
