/* The MP3 encoder plug-in's C interface. Any program may load the plug-in
 * (libmpeg_encoder.so) at run time and call these functions; all numbers are
 * little-endian and every result is 0 on success.
 *
 * A stream's life: beInitStream, beEncodeChunk any number of times,
 * beDeinitStream (the last bytes), beCloseStream, and then, once the caller has
 * written every byte into the file, beWriteInfoTag (or beWriteVBRHeader) to put
 * the information frame at the start of that file. All functions are safe to
 * call from several threads; calls on one stream are serialised. */
#ifndef QUILLON_MPEG_ENCODER_H
#define QUILLON_MPEG_ENCODER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(MPEG_ENCODER_BUILDING) && defined(__GNUC__)
#define BE_API __attribute__((visibility("default")))
#else
#define BE_API
#endif

typedef uint32_t BE_ERR;
typedef uint32_t HBE_STREAM; /* 0 = none */

#define BE_ERR_SUCCESSFUL 0u
#define BE_ERR_INVALID_FORMAT 1u            /* no record, or not a record of this kind, version or size */
#define BE_ERR_INVALID_FORMAT_PARAMETERS 2u /* a value the encoder cannot honour, or a null pointer */
#define BE_ERR_NO_MORE_HANDLES 3u           /* too many open streams, or out of memory */
#define BE_ERR_INVALID_HANDLE 4u            /* unknown or closed stream, or a call out of order */
#define BE_ERR_BUFFER_TOO_SMALL 5u          /* more samples in one call than the output buffer allows */
#define BE_ERR_ENCODING_FAILED 6u           /* the encoding engine failed; close the stream */
#define BE_ERR_FILE                                                                                                    \
    7u /* the file cannot be opened, read or written, or does                                                          \
          not begin with the stream's output */

/* The configuration record: 331 bytes, packed. */
#define BE_CONFIG_EXTENDED 256u
#define BE_CONFIG_VERSION 1u
#define BE_CONFIG_SIZE 331u

#define BE_MODE_STEREO 0u
#define BE_MODE_JOINT_STEREO 1u
#define BE_MODE_DUAL_CHANNEL 2u /* not supported: beInitStream refuses it */
#define BE_MODE_MONO 3u

#define BE_PRESET_HIGH_QUALITY 2

#pragma pack(push, 1)
typedef struct BeConfig {
    uint32_t kind;           /*   0: BE_CONFIG_EXTENDED */
    uint32_t version;        /*   4: BE_CONFIG_VERSION */
    uint32_t size;           /*   8: BE_CONFIG_SIZE */
    uint32_t sampleRate;     /*  12: input rate in Hz: 8000, 11025, 12000, 16000, 22050,
                                     24000, 32000, 44100 or 48000 */
    uint32_t outputRate;     /*  16: 0 = the input rate, else one of the rates above */
    uint32_t mode;           /*  20: BE_MODE_*; mono takes one channel, the others two */
    uint32_t bitrate;        /*  24: kbit/s (constant). Layer III allows 32..320 at 32, 44.1
                                     and 48 kHz (MPEG-1), 8..160 at 16, 22.05 and 24 kHz
                                     (MPEG-2), 8..64 at 8, 11.025 and 12 kHz (MPEG-2.5, LAME's
                                     range); any other value becomes the nearest allowed one,
                                     the lower on a tie */
    uint32_t maxBitrate;     /*  28: unused (constant bit rate) */
    int32_t preset;          /*  32: 2 = high quality; otherwise `quality` decides */
    uint32_t mpegVersion;    /*  36: advisory; the output rate fixes the MPEG version */
    uint32_t psychoModel;    /*  40: unused */
    uint32_t emphasis;       /*  44: 0 none, 1 50/15 us, 3 CCITT J.17 */
    uint32_t privateBit;     /*  48 */
    uint32_t crc;            /*  52: protect every audio frame with a CRC */
    uint32_t copyrightBit;   /*  56 */
    uint32_t originalBit;    /*  60 */
    uint32_t writeVbrHeader; /*  64: reserve and later write the information frame */
    uint32_t enableVbr;      /*  68: must be 0 (constant bit rate only) */
    int32_t vbrQuality;      /*  72: unused */
    uint32_t vbrAverageBps;  /*  76: unused */
    int32_t vbrMethod;       /*  80: unused */
    uint32_t noBitReservoir; /*  84 */
    uint32_t strictIso;      /*  88 */
    uint16_t quality;        /*  92: 0 (best) .. 9 (fastest) when preset is not 2; other
                                     values leave the engine's default */
    uint8_t reserved[237];   /*  94 .. 330 */
} BeConfig;

/* What beVersion fills in: 265 bytes, packed. */
typedef struct BeVersion {
    uint8_t pluginMajor;   /*   0: this plug-in */
    uint8_t pluginMinor;   /*   1 */
    uint8_t engineMajor;   /*   2: the encoding engine (LAME) */
    uint8_t engineMinor;   /*   3 */
    uint8_t day;           /*   4: release date of the plug-in */
    uint8_t month;         /*   5 */
    uint16_t year;         /*   6 */
    char homepage[129];    /*   8: the engine's home page, zero-terminated */
    uint8_t alphaLevel;    /* 137 */
    uint8_t betaLevel;     /* 138 */
    uint8_t mmxEnabled;    /* 139 */
    uint8_t reserved[125]; /* 140 .. 264 */
} BeVersion;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(BeConfig) == BE_CONFIG_SIZE, "configuration record is 331 bytes");
static_assert(sizeof(BeVersion) == 265, "version record is 265 bytes");
#endif

/* Opens a stream. *outputBufferSize is the size of the buffer the caller hands
 * to every beEncodeChunk and beDeinitStream call; *samplesPerChunk is a
 * convenient call size (one frame's samples of all channels). On failure
 * *stream is 0. */
BE_API BE_ERR beInitStream(const void* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                           HBE_STREAM* stream);

/* Encodes `samples` 16-bit values, counting every channel, interleaved. At most
 * outputBufferSize / 2 values per call. A stereo call with an odd count keeps
 * the last value for the next call, so no value is lost or shifted. */
BE_API BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t samples, const int16_t* pcm, uint8_t* output,
                            uint32_t* outputBytes);

/* Ends the stream: the bytes written here complete the MP3 data. A stereo
 * stream left with half a frame gets silence in the right channel. */
BE_API BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes);

/* Releases the stream. A finished stream's information frame is kept until a
 * tag call writes it (the newest 16 unwritten frames are kept). Closing an
 * unknown or closed stream returns BE_ERR_INVALID_HANDLE. */
BE_API BE_ERR beCloseStream(HBE_STREAM stream);

/* Fills a BeVersion record. */
BE_API void beVersion(void* version);

/* Writes the information frame of the most recently closed stream whose frame
 * is not yet written and whose whole output the file at `path` holds: the
 * same number of bytes with the same CRC-32, so that streams that begin
 * alike are not mistaken for each other. */
BE_API BE_ERR beWriteVBRHeader(const char* path);

/* Writes the information frame of `stream` (finished; open or already closed)
 * over the frame reserved at the start of the file at `path`. The file must
 * hold exactly the stream's output. Each frame is written once. */
BE_API BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* path);

/* Entry point types, for callers that resolve the functions at run time. */
typedef BE_ERR (*BeInitStreamFunction)(const void*, uint32_t*, uint32_t*, HBE_STREAM*);
typedef BE_ERR (*BeEncodeChunkFunction)(HBE_STREAM, uint32_t, const int16_t*, uint8_t*, uint32_t*);
typedef BE_ERR (*BeDeinitStreamFunction)(HBE_STREAM, uint8_t*, uint32_t*);
typedef BE_ERR (*BeCloseStreamFunction)(HBE_STREAM);
typedef void (*BeVersionFunction)(void*);
typedef BE_ERR (*BeWriteVBRHeaderFunction)(const char*);
typedef BE_ERR (*BeWriteInfoTagFunction)(HBE_STREAM, const char*);

#ifdef __cplusplus
}
#endif

#endif
