#pragma once
// The keys of field work, apart from the window's other shortcuts:
//   R                       start / stop recording the accessory stream
//   H                       show / hide the link-health panel
//   while a replay runs:    Space pause / resume, Left / Right seek 10 s back / forward,
//                           Home / End jump to the start / end, Escape end the replay
// The logic lives here, without a window, so that it can be tested; FieldControls binds it to
// the keyboard and draws the replay strip and the health panel. Render thread only.

#include <cstdint>
#include <string>

#include "engine/input/Event.h"

namespace nolvo {

class AccessoryCommunicationDelegate;
class DataModel;
class LinkRecorder;
class RecordingPlayback;

namespace field {

inline constexpr std::int64_t kSeekStepUs = 10000000;

// Applies a replay key to `replay`; false when the key is not one of them or no replay runs.
bool replayKey(engine::EventKeyboard::KeyCode key, RecordingPlayback& replay);

// Starts or stops the recording (key R). Recording needs an identified accessory on the link.
// Returns the line for the on-screen log.
std::string toggleRecording(LinkRecorder& recorder, AccessoryCommunicationDelegate& delegate, DataModel& model,
                            const std::string& directory, const std::string& programVersion);

// "03:07" for minutes and seconds, "1:02:03" from an hour on.
std::string clockText(std::uint64_t microseconds);

} // namespace field
} // namespace nolvo
