#pragma once
// Ends a stream from the server's side, as a sound settings program does
// when it kills one. pactl has no command for it, so the test asks the
// server itself. Link PkgConfig::LIBPULSE.

#include <cstdint>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/util.h>

namespace audiotest {

enum class StreamKind { Playback, Capture };

// Runs `op` on `loop` to its end; false when there was none.
inline bool Finish(pa_mainloop* loop, pa_operation* op)
{
    while (op && pa_operation_get_state(op) == PA_OPERATION_RUNNING)
        pa_mainloop_iterate(loop, 1, nullptr);
    if (op)
        pa_operation_unref(op);
    return op != nullptr;
}

// True once the server has ended the stream `index` (a sink input or a
// source output). PipeWire acknowledges a kill now and then without ending
// the stream, so the kill is repeated until the stream is gone.
inline bool KillServerStream(StreamKind kind, uint32_t index)
{
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "quillon-test");
    bool killed = false;
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) == 0) {
        pa_context_state_t state;
        while ((state = pa_context_get_state(context)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state))
            pa_mainloop_iterate(loop, 1, nullptr);
        for (int attempt = 0; state == PA_CONTEXT_READY && !killed && attempt < 20; ++attempt) {
            int success = 0;
            const auto done = [](pa_context*, int ok, void* result) { *static_cast<int*>(result) = ok; };
            if (!Finish(loop,
                        kind == StreamKind::Playback ? pa_context_kill_sink_input(context, index, done, &success)
                                                     : pa_context_kill_source_output(context, index, done, &success)) ||
                !success)
                break;
            // Gone when the server no longer knows the index.
            bool present = false;
            const auto sinkInput = [](pa_context*, const pa_sink_input_info* info, int, void* p) {
                *static_cast<bool*>(p) |= info != nullptr;
            };
            const auto sourceOutput = [](pa_context*, const pa_source_output_info* info, int, void* p) {
                *static_cast<bool*>(p) |= info != nullptr;
            };
            pa_msleep(250);
            Finish(loop,
                   kind == StreamKind::Playback
                       ? pa_context_get_sink_input_info(context, index, sinkInput, &present)
                       : pa_context_get_source_output_info(context, index, sourceOutput, &present));
            killed = !present;
        }
        pa_context_disconnect(context);
    }
    pa_context_unref(context);
    pa_mainloop_free(loop);
    return killed;
}

}  // namespace audiotest
