#include "recorder/readout.h"

#include "resources/strings.h"

QString ReadoutText(resources::StringId stringId, uint32_t frames, uint32_t sampleRate)
{
    // Held as a 32-bit float on purpose: the tenths are cut, not rounded.
    const float seconds = sampleRate ? float(frames) / float(sampleRate) : 0.0f;
    const int whole = int(seconds);
    const int tenths = int((seconds - float(whole)) * 10.0f);
    return QString::asprintf(resources::Text(stringId).toUtf8().constData(), whole / 60, whole % 60, tenths);
}
