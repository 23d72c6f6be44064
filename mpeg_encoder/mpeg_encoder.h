/* The MP3 encoder plug-in's C interface. Any program may load the plug-in
 * (libmpeg_encoder.so) at run time and call these functions; all numbers are
 * little-endian and every result is 0 on success. */
#ifndef QUILLON_MPEG_ENCODER_H
#define QUILLON_MPEG_ENCODER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t BE_ERR;
typedef uint32_t HBE_STREAM; /* 0 = none */

#define BE_ERR_SUCCESSFUL 0u
#define BE_ERR_INVALID_FORMAT 1u
#define BE_ERR_INVALID_FORMAT_PARAMETERS 2u
#define BE_ERR_NO_MORE_HANDLES 3u
#define BE_ERR_INVALID_HANDLE 4u
#define BE_ERR_BUFFER_TOO_SMALL 5u

/* The configuration record: 331 bytes, packed. */
#define BE_CONFIG_EXTENDED 256u
#define BE_CONFIG_VERSION 1u
#define BE_CONFIG_SIZE 331u

#define BE_MODE_STEREO 0u
#define BE_MODE_JOINT_STEREO 1u
#define BE_MODE_DUAL_CHANNEL 2u
#define BE_MODE_MONO 3u

#pragma pack(push, 1)
typedef struct BeConfig {
    uint32_t kind;            /*   0: BE_CONFIG_EXTENDED */
    uint32_t version;         /*   4: BE_CONFIG_VERSION */
    uint32_t size;            /*   8: BE_CONFIG_SIZE */
    uint32_t sampleRate;      /*  12: input rate in Hz */
    uint32_t outputRate;      /*  16: 0 = encoder's choice */
    uint32_t mode;            /*  20: BE_MODE_* */
    uint32_t bitrate;         /*  24: kbit/s (constant) */
    uint32_t maxBitrate;      /*  28 */
    int32_t preset;           /*  32: 2 = high quality */
    uint32_t mpegVersion;     /*  36: 1 = MPEG-1 */
    uint32_t psychoModel;     /*  40 */
    uint32_t emphasis;        /*  44 */
    uint32_t privateBit;      /*  48 */
    uint32_t crc;             /*  52 */
    uint32_t copyrightBit;    /*  56 */
    uint32_t originalBit;     /*  60 */
    uint32_t writeVbrHeader;  /*  64: write the information frame */
    uint32_t enableVbr;       /*  68 */
    int32_t vbrQuality;       /*  72 */
    uint32_t vbrAverageBps;   /*  76 */
    int32_t vbrMethod;        /*  80 */
    uint32_t noBitReservoir;  /*  84 */
    uint32_t strictIso;       /*  88 */
    uint16_t quality;         /*  92 */
    uint8_t reserved[237];    /*  94 .. 330 */
} BeConfig;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(BeConfig) == BE_CONFIG_SIZE, "configuration record is 331 bytes");
#endif

BE_ERR beInitStream(const void* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                    HBE_STREAM* stream);
BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t samples, const int16_t* pcm, uint8_t* output,
                     uint32_t* outputBytes);
BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes);
BE_ERR beCloseStream(HBE_STREAM stream);
void beVersion(void* version);
BE_ERR beWriteVBRHeader(const char* path);
BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* path);

#ifdef __cplusplus
}
#endif

#endif
