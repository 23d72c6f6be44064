#pragma once
// The numbered texts of the program. Every user-visible text that has a
// number lives in strings.cpp as written, in Simplified Chinese; text()
// gives it in the language of the installed catalogue.

#include <QString>

namespace resources {

// The text of string `id`; an unknown id gives an empty text.
QString text(int id);

// Ids of our own, above 900.
enum OwnStringId {
    IDS_RECORD_WRITE_FAILED = 901,  // the recording file could not be written
    IDS_RECORD_SIZE_LIMIT = 902,    // the recording reached the WAVE size limit
    IDS_RECORD_DEVICE_LOST = 903,   // the recording device stopped working
    IDS_PATH_TOO_LONG = 905,        // files not added: their paths are too long for the list
    IDS_MAIL_LINE_BREAK = 906,      // a subject or an address holds a line break
    IDS_PLAYBACK_READ_FAILED = 904, // the recording file could not be read while playing
    IDS_RECORD_AUDIO_LOST = 920,    // the system dropped audio while recording (%.1f seconds)
    IDS_PLAYBACK_DEVICE_LOST = 910, // the output device stopped working while playing
    IDS_RECORD_FOLDER_UNUSABLE = 911, // the stored record folder is too long or no text: not used this run
    IDS_INHIBIT_RECORDING = 931,    // why the session must not sleep: a recording runs
    IDS_INHIBIT_PLAYING = 932,      // why the session must not sleep: the playlist plays
    IDS_TAKE_LEVELS = 940,          // the recording's peak (%s dBFS) and clipped moments (%llu)
    IDS_DEVICE_REMOVED_DEFAULT_CHOSEN = 950, // the chosen input device went away (%s); the default (%s) is chosen
    IDS_CAPTURE_DEVICE_MOVED = 951, // the server moved the recording from device %s to device %s
};

}  // namespace resources
