/* ZLDecoder: opens, measures and decodes WAVE, MPEG audio (layers 1 to 3) and
 * ZLA files for any program. Link with -lZLDecoder.
 *
 * Every function returns 0 on success and one of the ZLDEC_* codes otherwise.
 * A handle of 0, an unknown handle or a closed one gives ZLDEC_ERR_HANDLE and
 * writes nothing. All functions may be called from any thread; calls on one
 * stream are serialised by the library, and the calls on different streams
 * run independently.
 *
 * An open stream that is not decoding holds no file descriptor: the file is
 * opened only inside ZLDec_OpenStream and again from ZLDec_DecodeAudioBegin
 * to ZLDec_DecodeAudioEnd. Thousands of streams may stay open at once.
 */
#ifndef ZLDECODER_H
#define ZLDECODER_H

#include <stdint.h>

#if defined(_WIN32)
#define ZLDEC_API __declspec(dllexport)
#else
#define ZLDEC_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t ZLDEC_HANDLE; /* 0 = none */

#pragma pack(push, 1)
typedef struct ZLWaveFormat { /* the WAVEFORMATEX layout, 18 bytes */
    uint16_t formatTag;       /* 1: PCM */
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec; /* MPEG audio: the stream's bit rate / 8 */
    uint16_t blockAlign;
    uint16_t bitsPerSample; /* 8 or 16 */
    uint16_t cbSize;        /* 0 */
} ZLWaveFormat;
#pragma pack(pop)

typedef struct ZLImage { /* one picture: 32-bit BGRA, rows top-down, stride width * 4 */
    uint32_t width;
    uint32_t height;
    const uint8_t* pixels;
} ZLImage;

/* Result codes. 1 to 6 and 13 come only from ZLDec_OpenStream and
 * ZLDec_DecodeAudioBegin (which opens the file again). */
#define ZLDEC_OK 0u
#define ZLDEC_ERR_NO_FILE 1u /* no such file (ENOENT, ENOTDIR, ENAMETOOLONG) */
#define ZLDEC_ERR_LOCKED                                                                                               \
    2u /* another program holds a lock on the file (flock or                                                           \
          record lock), or the kernel reports EBUSY/ETXTBSY */
#define ZLDEC_ERR_CANNOT_OPEN                                                                                          \
    3u /* any other reason it cannot be read: EACCES, EPERM,                                                           \
          ELOOP, EISDIR, EMFILE, ENFILE, EIO, not a regular file */
#define ZLDEC_ERR_DAMAGED                                                                                              \
    4u /* a known format whose content is broken or beyond the                                                         \
          library's limits */
#define ZLDEC_ERR_UNRECOGNISED                                                                                         \
    5u                         /* not WAVE, MPEG audio or ZLA (or a WAVE encoding, a                                   \
                                  channel count or a rate the library cannot deliver) */
#define ZLDEC_ERR_NOT_HERE 6u  /* a ZLA file flagged as not loadable in a player */
#define ZLDEC_ERR_ARGUMENT 7u  /* a null pointer, a zero size, an unknown version or mode */
#define ZLDEC_ERR_HANDLE 8u    /* 0, unknown or closed handle */
#define ZLDEC_ERR_NO_MEMORY 9u /* out of memory, or too many open streams */
#define ZLDEC_ERR_NOT_DECODING                                                                                         \
    10u                       /* ZLDec_DecodeAudio or ZLDec_DecodeAudioEnd without                                     \
                                 ZLDec_DecodeAudioBegin */
#define ZLDEC_ERR_CHANGED 11u /* the file is no longer the one that was opened */
#define ZLDEC_ERR_READ 12u    /* reading the file failed while decoding */
#define ZLDEC_ERR_EMPTY                                                                                                \
    13u /* the file holds no bytes at all: nothing that could be                                                       \
           damaged or recognised. Not one of 1 to 6, so a caller                                                       \
           with texts only for those shows its text for an                                                             \
           unknown failure */

/* The two arguments a and b of ZLDec_OpenStream. */
#define ZLDEC_INTERFACE_VERSION 1u /* a: the interface the caller was written for */
#define ZLDEC_OPEN_INSPECT                                                                                             \
    0u                     /* b: read the format, length, texts and pictures only;                                     \
                              files flagged "not loadable here" open, but refuse                                       \
                              to decode (ZLDEC_ERR_NOT_HERE at DecodeAudioBegin) */
#define ZLDEC_OPEN_PLAY 1u /* b: open to play; flagged files give ZLDEC_ERR_NOT_HERE */

/* Opens the file at path (the file system's bytes, UTF-8), recognises its
 * format and measures it. *handle is written only on success. */
ZLDEC_API uint32_t ZLDec_OpenStream(ZLDEC_HANDLE* handle, const char* path, uint32_t a, uint32_t b);

/* Length in sample frames, exact: for MPEG audio the encoder's delay and
 * padding are removed where the file records them. */
ZLDEC_API uint32_t ZLDec_GetStreamLength(ZLDEC_HANDLE handle, uint32_t* frames);

/* The PCM format ZLDec_DecodeAudio delivers; valid until the stream is closed. */
ZLDEC_API uint32_t ZLDec_GetStreamFormat(ZLDEC_HANDLE handle, const ZLWaveFormat** format);

/* The stream's pictures (ZLA files only; *count may be 0, *images is then
 * null). Owned by the library, valid until the stream is closed. */
ZLDEC_API uint32_t ZLDec_GetImageArray(ZLDEC_HANDLE handle, const ZLImage** images, uint16_t* count);

/* Title and description as UTF-8, empty when the file has none. The text is
 * cut at a character boundary to fit and always ends in a zero byte within
 * size (size must be at least 1). */
ZLDEC_API uint32_t ZLDec_GetTopic(ZLDEC_HANDLE handle, char* buffer, uint32_t size);
ZLDEC_API uint32_t ZLDec_GetDescription(ZLDEC_HANDLE handle, char* buffer, uint32_t size);

/* Opens the file again and prepares decoding; calling it while decoding
 * keeps the decoding that is going on. */
ZLDEC_API uint32_t ZLDec_DecodeAudioBegin(ZLDEC_HANDLE handle);

/* Writes up to maxFrames frames, starting at firstFrame, to output
 * (maxFrames * blockAlign bytes). Any first frame may be asked for: the frames
 * are exactly those a decode from the start gives at that position. Fewer
 * frames than asked means the end was reached; 0 frames at or past the end. */
ZLDEC_API uint32_t ZLDec_DecodeAudio(ZLDEC_HANDLE handle, uint32_t firstFrame, uint32_t maxFrames, void* output,
                                     uint32_t* framesWritten);

/* Ends decoding: releases the decoder and closes the file. */
ZLDEC_API uint32_t ZLDec_DecodeAudioEnd(ZLDEC_HANDLE handle);

/* Releases the stream, its format, texts and pictures (and ends decoding). */
ZLDEC_API uint32_t ZLDec_CloseStream(ZLDEC_HANDLE handle);

#ifdef __cplusplus
}
#endif

#endif
