#pragma once
// A stand-in encoder plug-in for tests: it forwards every call to the real
// plug-in, records how the program calls it, reports a smaller output buffer
// than the real one and fails on request. The variants built from the same
// source each leave one function out.

#include <cstdint>

struct ShimState {
    uint32_t reportedOutputBufferSize = 32768;  // what beInitStream reports
    uint32_t failEncodeAtCall = 0;              // 1-based; 0 = never

    static constexpr int kMaxRecordedCalls = 16384;
    uint32_t encodeCalls = 0;
    uint32_t encodeSamples[kMaxRecordedCalls] = {};
    uint32_t closeCalls = 0;
    uint32_t infoTagCalls = 0;
    uint32_t vbrHeaderCalls = 0;
    uint32_t tagCallsBeforeClose = 0;  // a tag call for a stream not yet closed
    uint32_t lastStream = 0;
    char lastTagPath[4096] = {};
};

extern "C" ShimState* shimState();
