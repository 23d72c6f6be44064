// Which controls the recorder offers in each situation a user meets, and the
// readouts' text: no widgets needed.
#include <gtest/gtest.h>

#include <set>

#include "recorder/control_states.h"
#include "recorder/readout.h"

namespace {

TEST(ControlStates, EachSituationOffersWhatTheUserMayDoThere)
{
    struct Case {
        const char* situation;
        EngineState state;
        bool hasData;
        std::set<int> enabled;
    };
    for (const Case& c : {
             Case{"before the first recording, and after New", EngineState::Empty, false, {1127, 1266, 1217}},
             Case{"recording, also until the device has handed over the rest after Stop",
                  EngineState::Recording,
                  true,
                  {1022}},
             Case{"recording that has not stored a block yet", EngineState::Recording, false, {1022}},
             Case{"stopped with data: the device and format stay the take's",
                  EngineState::Stopped,
                  true,
                  {1127, 1122, 1123, 1121, 103, 1124, 1125, 1116}},
             Case{"playing, also while the output drains after Stop",
                  EngineState::Playing,
                  true,
                  {1122, 1123, 1121, 1022}},
             Case{"cleared from the start: nothing to play or save, the device still open",
                  EngineState::Stopped,
                  false,
                  {1127}},
             Case{"saving: the take stands still", EngineState::Saving, true, {}},
         }) {
        SCOPED_TRACE(c.situation);
        EXPECT_EQ(EnabledControls(c.state, c.hasData), c.enabled);
    }
}

TEST(ReadoutText, ShowsMinutesSecondsAndCutTenths)
{
    const QString position = QString::fromUtf8("\n位置:\n"), length = QString::fromUtf8("\n长度:\n");
    struct Case {
        int id;
        uint32_t frames, rate;
        QString text;
    };
    for (const Case& c :
         {Case{385, 8000 * 600, 8000, position + "010:00.0"}, Case{384, 8000 * 59 + 7999, 8000, length + "000:59.9"},
          Case{385, 48000 * 3599 + 47000, 48000, position + "059:59.9"},
          Case{384, 11025 * 90 + 11024, 11025, length + "001:30.9"},
          Case{384, 48000 * 6000, 48000, length + "100:00.0"}, Case{384, 0, 8000, length + "000:00.0"}})
        EXPECT_EQ(ReadoutText(c.id, c.frames, c.rate), c.text) << c.frames;
}

}  // namespace
