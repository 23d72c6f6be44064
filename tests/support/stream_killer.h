#pragma once
// Ends a stream from the server's side, as a sound settings program does
// when it kills one. pactl has no command for it, so the test asks the
// server itself. Link PkgConfig::LIBPULSE.

#include <cstdint>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

namespace audiotest {

enum class StreamKind { Playback, Capture };

// True once the server has ended the stream `index` (a sink input or a
// source output).
inline bool KillServerStream(StreamKind kind, uint32_t index)
{
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "quillon-test");
    bool killed = false;
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) == 0) {
        pa_context_state_t state;
        while ((state = pa_context_get_state(context)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state))
            pa_mainloop_iterate(loop, 1, nullptr);
        int success = 0;
        const auto done = [](pa_context*, int ok, void* result) { *static_cast<int*>(result) = ok; };
        pa_operation* op = state != PA_CONTEXT_READY ? nullptr
            : kind == StreamKind::Playback           ? pa_context_kill_sink_input(context, index, done, &success)
                                                     : pa_context_kill_source_output(context, index, done, &success);
        while (op && pa_operation_get_state(op) == PA_OPERATION_RUNNING)
            pa_mainloop_iterate(loop, 1, nullptr);
        if (op)
            pa_operation_unref(op);
        killed = success != 0;
        pa_context_disconnect(context);
    }
    pa_context_unref(context);
    pa_mainloop_free(loop);
    return killed;
}

}  // namespace audiotest
