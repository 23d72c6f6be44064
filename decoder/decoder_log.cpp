#include "decoder/decoder_log.h"

namespace decoder {
Q_LOGGING_CATEGORY(lcDecoder, "quillon.decoder", QtCriticalMsg)
}
