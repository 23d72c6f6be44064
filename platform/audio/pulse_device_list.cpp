#include "platform/audio/pulse_device_list.h"

#include <pulse/introspect.h>

#include "platform/audio/pulse_context.h"

namespace platform::audio {

namespace {

struct Listing {
    PulseContext* pulse;
    std::vector<InputDevice> sources;  // server order
    bool complete = false;
    QString defaultSource;
};

void OnServerInfo(pa_context*, const pa_server_info* info, void* userdata)
{
    auto* listing = static_cast<Listing*>(userdata);
    if (info && info->default_source_name)
        listing->defaultSource = QString::fromUtf8(info->default_source_name);
}

void OnSource(pa_context*, const pa_source_info* info, int eol, void* userdata)
{
    auto* listing = static_cast<Listing*>(userdata);
    if (eol) {
        listing->complete = eol > 0;
        listing->pulse->WakeWaiters();
        return;
    }
    InputDevice d;
    d.name = QString::fromUtf8(info->description ? info->description : info->name);
    d.serverName = QString::fromUtf8(info->name);
    d.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
    listing->sources.push_back(d);
}

}  // namespace

std::optional<std::vector<InputDevice>> ListInputDevices(PulseContext& pulse, int timeoutMs)
{
    Listing listing{&pulse, {}, false, {}};
    {
        PulseContext::Lock lock(pulse);
        // The server answers in order: the default source is known by the
        // time the list is complete. Without it no entry is the default.
        pa_operation* server = pa_context_get_server_info(pulse.Context(), &OnServerInfo, &listing);
        const bool listed =
            pulse.Finish(pa_context_get_source_info_list(pulse.Context(), &OnSource, &listing), timeoutMs) &&
            listing.complete;
        if (server) {
            if (pa_operation_get_state(server) == PA_OPERATION_RUNNING)
                pa_operation_cancel(server);
            pa_operation_unref(server);
        }
        if (!listed)
            return std::nullopt;
    }
    std::vector<InputDevice> devices;
    for (bool monitors : {false, true})
        for (const auto& d : listing.sources)
            if (d.isMonitor == monitors) {
                devices.push_back(d);
                devices.back().isDefault = d.serverName == listing.defaultSource;
                devices.back().index = int(devices.size()) - 1;
            }
    return devices;
}

}  // namespace platform::audio
