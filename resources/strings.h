#pragma once
// The numbered texts of the program. Every user-visible text that has a
// number lives in strings.cpp as written, in Simplified Chinese; text()
// gives it in the language of the installed catalogue.

#include <QString>

namespace resources {

// Every numbered text; only this list and the table hold the numbers.
enum StringId : int {
    // The mail dialog
    IDS_MAIL_NOT_LOADED = 326,  // the mail module could not be loaded
    IDS_MAIL_AMBIGUOUS_RECIPIENT = 328,
    IDS_MAIL_UNKNOWN_RECIPIENT = 329,
    IDS_MAIL_FAILED = 330,
    IDS_MAIL_NO_MEMORY = 331,
    IDS_MAIL_LOGIN_FAILED = 332,
    IDS_MAIL_NOT_SUPPORTED = 333,
    IDS_MAIL_CANCELLED = 334,
    IDS_MAIL_ATTACHMENT_NOT_FOUND = 335,
    IDS_MAIL_ATTACHMENT_OPEN_FAILED = 336,
    IDS_MAIL_BAD_RECIPIENT_TYPE = 337,
    IDS_MAIL_INVALID_RECIPIENT = 338,
    IDS_MAIL_TEXT_TOO_LONG = 339,
    IDS_MAIL_TOO_MANY_RECIPIENTS = 341,
    IDS_MAIL_INVALID_SESSION = 342,
    IDS_MAIL_UNKNOWN_TYPE = 343,  // the fallback for every other failure
    IDS_MAIL_NO_RECIPIENT = 344,
    IDS_MAIL_TOO_MANY_ATTACHMENTS = 442,
    IDS_MAIL_SIGNATURE = 443,  // the default signature, the same in every language
    // The recorder window
    IDS_ABOUT_MENU = 101,             // the context menu's About entry
    IDS_STOP_BEFORE_EXIT = 363,       // stop recording or playing before leaving
    IDS_ASK_SAVE_CHANGES = 364,       // save the changes to the recording? (Yes/No/Cancel)
    IDS_CAPTURE_NOT_OPENED = 365,     // the recording device could not be opened
    IDS_TAKE_FILE_NOT_CREATED = 366,  // the recording file could not be created
    IDS_FORMAT_MONO = 367,            // a recording format's text: rate, bits, mono
    IDS_FORMAT_STEREO = 368,          // a recording format's text: rate, bits, stereo
    IDS_TIP_POSITION = 369,
    IDS_TIP_WAVEFORM = 370,
    IDS_TIP_LENGTH = 371,
    IDS_TIP_SEEK_START = 372,
    IDS_TIP_SEEK_END = 373,
    IDS_TIP_PLAY = 374,
    IDS_TIP_RECORD = 375,
    IDS_TIP_NEW_RECORDING = 376,
    IDS_TIP_CLEAR_AFTER_POSITION = 377,
    IDS_TIP_SAVE = 378,
    IDS_TIP_STOP = 380,
    IDS_OUTPUT_NOT_OPENED = 381,  // the output device could not be opened
    IDS_SAVE_FAILED = 382,
    IDS_LENGTH_READOUT = 384,        // minutes, seconds, tenths
    IDS_POSITION_READOUT = 385,      // minutes, seconds, tenths
    IDS_COMPRESSING_PROGRESS = 426,  // percent done, minutes and seconds left
    IDS_COMPRESSING_TITLE = 432,     // the progress dialog of an MP3 save
    IDS_TIP_LINE_VOLUME = 440,
    IDS_TIP_FORCE_LINE_SELECTION = 441,
    IDS_TIP_ADVANCED = 444,
    // The playlist
    IDS_PLAY_ITEM_LOADING = 388,
    IDS_PLAY_ITEM_FAILED = 389,
    IDS_PLAY_TOO_MANY = 390,
    IDS_PLAY_DEVICE_NOT_OPENED = 391,
    IDS_PLAY_FAILED = 392,
    IDS_NOTHING_SELECTED = 393,
    IDS_LIST_FULL = 394,       // at most %d items
    IDS_REMOVE_PLAYING = 395,  // an item that plays cannot be removed
    IDS_LOAD_WAITING = 396,    // an item's loading state, shown in its row
    IDS_LOAD_LOADING = 397,
    IDS_LOAD_FILE_MISSING = 398,
    IDS_LOAD_OPEN_FAILED = 399,
    IDS_LOAD_DAMAGED = 400,
    IDS_LOAD_UNKNOWN_FORMAT = 401,
    IDS_LOAD_SHARING_VIOLATION = 402,
    IDS_LOAD_RECORDING_HERE = 403,
    IDS_LOAD_FAILED = 404,
    IDS_ADD_FOLDER_PROMPT = 406,  // the folder chooser's prompt
    IDS_PLAYLIST_EMPTY = 431,     // shown in an empty list
    IDS_TIP_PLAYLIST_PLAY = 433,
    IDS_TIP_PLAYLIST_PAUSE = 434,
    IDS_TIP_PLAYLIST_STOP = 435,
    IDS_TIP_HIDE_PLAYLIST = 436,
    IDS_TIP_SHOW_PLAYLIST = 437,
    IDS_STATUS_READY = 438,
    IDS_STATUS_PLAYING = 439,  // %s is the item
    // The tips along the bottom
    IDS_FIRST_TIP = 445,  // ten tips, each text followed by its link
    // Our own, above 900
    IDS_RECORD_WRITE_FAILED = 901,            // the recording file could not be written
    IDS_RECORD_SIZE_LIMIT = 902,              // the recording reached the WAVE size limit
    IDS_RECORD_DEVICE_LOST = 903,             // the recording device stopped working
    IDS_PLAYBACK_READ_FAILED = 904,           // the recording file could not be read while playing
    IDS_PATH_TOO_LONG = 905,                  // files not added: their paths are too long for the list
    IDS_MAIL_LINE_BREAK = 906,                // a subject or an address holds a line break
    IDS_PLAYBACK_DEVICE_LOST = 910,           // the output device stopped working while playing
    IDS_RECORD_FOLDER_UNUSABLE = 911,         // the stored record folder is too long or no text: not used this run
    IDS_RECORD_AUDIO_LOST = 920,              // the system dropped audio while recording (%.1f seconds)
    IDS_INHIBIT_RECORDING = 931,              // why the session must not sleep: a recording runs
    IDS_INHIBIT_PLAYING = 932,                // why the session must not sleep: the playlist plays
    IDS_TAKE_LEVELS = 940,                    // the recording's peak (%s dBFS) and clipped moments (%llu)
    IDS_DEVICE_REMOVED_DEFAULT_CHOSEN = 950,  // the chosen input device went away (%s); the default (%s) is chosen
    IDS_CAPTURE_DEVICE_MOVED = 951,           // the server moved the recording from device %s to device %s
};

// The text of string `id` in the installed language.
QString Text(StringId id);

}  // namespace resources
