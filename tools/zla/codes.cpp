#include "codes.h"

#include "zldecoder.h"

namespace zla {
namespace {

const char* MeaningOf(uint32_t code)
{
    switch (code) {
    case ZLDEC_OK:
        return "success";
    case ZLDEC_ERR_NO_FILE:
        return "no such file";
    case ZLDEC_ERR_LOCKED:
        return "locked by another program";
    case ZLDEC_ERR_CANNOT_OPEN:
        return "cannot be opened";
    case ZLDEC_ERR_DAMAGED:
        return "damaged";
    case ZLDEC_ERR_UNRECOGNISED:
        return "unrecognised format";
    case ZLDEC_ERR_NOT_HERE:
        return "not loadable here";
    case ZLDEC_ERR_ARGUMENT:
        return "bad argument";
    case ZLDEC_ERR_HANDLE:
        return "bad handle";
    case ZLDEC_ERR_NO_MEMORY:
        return "out of memory";
    case ZLDEC_ERR_NOT_DECODING:
        return "not decoding";
    case ZLDEC_ERR_CHANGED:
        return "changed since it was opened";
    case ZLDEC_ERR_READ:
        return "read error";
    case ZLDEC_ERR_EMPTY:
        return "empty file";
    default:
        return "unknown failure";
    }
}

}  // namespace

std::string DescribeCode(uint32_t code) { return std::to_string(code) + " (" + MeaningOf(code) + ")"; }

}  // namespace zla
