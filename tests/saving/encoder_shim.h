#pragma once
// A stand-in encoder plug-in for tests. It forwards every call to the real
// plug-in and records how the program calls it; it can ask for a smaller
// output buffer than the real one and fail on request. Variants built from the
// same source leave one function out.

#include <cstdint>

struct ShimState {
    // Settings (the test writes them after the program bound the shim).
    uint32_t reportedOutputBufferSize = 4096;  // what beInitStream reports
    uint32_t failEncodeAtCall = 0;             // 1-based; 0 = never
    uint32_t failInit = 0;
    uint32_t failDeinit = 0;

    // Observations.
    static constexpr int kMaxRecordedCalls = 16384;
    uint32_t initCalls = 0;
    uint32_t encodeCalls = 0;
    uint32_t encodeSamples[kMaxRecordedCalls] = {};
    uint32_t oversizedEncodeCalls = 0;  // more samples than reportedOutputBufferSize / 2
    uint32_t outputOverflows = 0;       // the real output did not fit the reported size
    uint32_t deinitCalls = 0;
    uint32_t closeCalls = 0;
    uint32_t infoTagCalls = 0;
    uint32_t vbrHeaderCalls = 0;
    uint32_t tagCallsBeforeClose = 0;   // a tag call for a stream not yet closed
    uint32_t lastStream = 0;
    uint8_t lastConfig[331] = {};
    char lastTagPath[4096] = {};
};

// Exported by every variant.
extern "C" ShimState* shimState();
