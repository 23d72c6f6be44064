#pragma once
// What a FakeBackend and the streams and mixers it opened share. Streams are
// owned by their callers and may outlive the backend, so they keep this
// alive instead of pointing at the backend.

#include <vector>

namespace platform::audio {

class FakeCaptureStream;
class FakePlaybackStream;

struct FakeRegistry {
    std::vector<FakeCaptureStream*> captures;    // open order, live streams only
    std::vector<FakePlaybackStream*> playbacks;  // open order, live streams only
    int captureOpens = 0;
    int captureCloses = 0;
    int playbackOpens = 0;
    int playbackCloses = 0;
};

}  // namespace platform::audio
