#include "app/FieldShortcuts.h"

#include <cstdio>

#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LinkRecorder.h"
#include "accessory/RecordingPlayback.h"
#include "model/DataModel.h"

namespace nolvo::field {

using Key = engine::EventKeyboard::KeyCode;

bool replayKey(Key key, RecordingPlayback& replay)
{
    if (!replay.active()) {
        return false;
    }
    switch (key) {
    case Key::KEY_SPACE:
        replay.togglePause();
        return true;
    case Key::KEY_LEFT_ARROW:
        replay.seekBy(-kSeekStepUs);
        return true;
    case Key::KEY_RIGHT_ARROW:
        replay.seekBy(kSeekStepUs);
        return true;
    case Key::KEY_HOME:
        replay.seek(0);
        return true;
    case Key::KEY_END:
        replay.seek(static_cast<std::int64_t>(replay.durationUs()));
        return true;
    case Key::KEY_ESCAPE:
        replay.stop();
        return true;
    default:
        return false;
    }
}

std::string toggleRecording(LinkRecorder& recorder, AccessoryCommunicationDelegate& delegate, DataModel& model,
                            const std::string& directory, const std::string& programVersion)
{
    if (recorder.recording()) {
        return "Recording saved: " + recorder.stop();
    }
    std::vector<std::uint8_t> identification = delegate.identificationFrame();
    if (!model.accessoryConnected.load() || identification.empty() || delegate.replay().active()) {
        return "Recording needs a connected accessory.";
    }
    std::string error;
    if (!recorder.start(directory, LinkRecorder::headerFor(model, std::move(identification), programVersion), error)) {
        return "Recording failed: " + error;
    }
    return "Recording to " + recorder.path();
}

std::string clockText(std::uint64_t microseconds)
{
    const std::uint64_t seconds = microseconds / 1000000;
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                      static_cast<unsigned long long>(seconds / 60 % 60), static_cast<unsigned long long>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%02llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                      static_cast<unsigned long long>(seconds % 60));
    }
    return text;
}

} // namespace nolvo::field
