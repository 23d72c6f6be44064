#pragma once
// What both uses of the encoder plug-in share: the configuration record of a
// recording, and feeding PCM through a stream into a file.

#include <cstdint>
#include <QFileDevice>

#include "engine/encoder_plugin.h"
#include "platform/audio/audio_types.h"

// The record beInitStream gets for a recording in `format` at `bitrate` kbit/s.
BeConfig EncoderConfig(const platform::audio::PcmFormat& format, uint32_t bitrate);

// The bit rate of quality index `quality` (0..15).
uint32_t BitrateOfQuality(int quality);

// Writes all of `bytes`; false on a short write or a file error.
bool WriteEncoded(QFileDevice& file, const uint8_t* data, uint32_t bytes);

// Encodes `samples` 16-bit values (every channel counted) from `pcm`, at most
// outputBufferSize / 2 per call so that one call's output always fits the
// buffer, and appends what the encoder produces to `file`. False when the
// encoder fails or a write fails.
bool EncodeIntoFile(const EncoderPlugin& plugin, HBE_STREAM stream, const uint8_t* pcm, uint32_t samples,
                    uint8_t* outputBuffer, uint32_t outputBufferSize, QFileDevice& file);
