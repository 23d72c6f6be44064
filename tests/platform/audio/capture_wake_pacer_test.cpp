// When a capture stream lets its connection wake less often: only for a
// server that hands over pieces far smaller than a fragment, and never while
// a backlog comes over.
#include <gtest/gtest.h>

#include "platform/audio/capture_wake_pacer.h"

using platform::audio::CaptureWakePacer;
using namespace std::chrono_literals;

namespace {

// 48 kHz 16-bit stereo, 20 ms fragments; a monitor's 2.5 ms pieces.
constexpr uint32_t kBytesPerSecond = 192000, kFragment = 3840, kPiece = 480;
constexpr int kPiecesAWake = int(CaptureWakePacer::kWakeInterval / 2500us);

struct Feed {
    CaptureWakePacer pacer{kBytesPerSecond, kFragment};
    CaptureWakePacer::Clock::time_point now = CaptureWakePacer::Clock::now();
    uint64_t arrived = 0, taken = 0;

    Feed() { pacer.Start(now, 0, 0); }
    // One wake-up's worth: `pieces` of `pieceBytes` taken, `extra` more arrived.
    void Wake(int pieces, uint32_t pieceBytes, uint64_t extra = 0)
    {
        now += CaptureWakePacer::kWakeInterval;
        for (int i = 0; i < pieces; ++i)
            pacer.PieceTaken();
        taken += uint64_t(pieces) * pieceBytes;
        arrived += uint64_t(pieces) * pieceBytes + extra;
        pacer.Look(now, arrived, taken);
    }
};

}  // namespace

TEST(CaptureWakePacer, SpacesSmallPiecesAtTheRealPaceButNotABacklogNorFragmentSizedPieces)
{
    Feed monitor;
    EXPECT_FALSE(monitor.pacer.MaySpace()) << "nothing seen yet";
    monitor.Wake(kPiecesAWake, kPiece);
    EXPECT_TRUE(monitor.pacer.MaySpace());

    // After a stall the server sends seconds at once, while every block is
    // full and little is taken.
    monitor.Wake(4, kPiece, 2 * kBytesPerSecond);
    EXPECT_FALSE(monitor.pacer.MaySpace()) << "a backlog is taken as fast as it comes";
    monitor.Wake(kPiecesAWake, kPiece);
    EXPECT_TRUE(monitor.pacer.MaySpace()) << "caught up";

    Feed fragments;
    for (int i = 0; i < 3; ++i) {
        fragments.Wake(2, kFragment);
        EXPECT_FALSE(fragments.pacer.MaySpace()) << "a server that keeps to the fragment size is read as it sends";
    }
}
