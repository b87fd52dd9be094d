#pragma once
// Replays a stream recording through the packet parser while no accessory is attached, one pass
// per worker period: the recorded identification first (so the parser creates the recorded
// model's protocol object), the recorded mode, band and power settings, then the recorded reads
// at their recorded pace. A seek empties the histories and feeds every read before the target
// again, as fast as it can, so the displays look as they did at that moment; the data log and
// the link-health counters sit that rebuild out.
//
// While a replay is active it replaces demo playback; when it ends, the connection starts over
// from identification (the demo or a live accessory takes over).
//
// The recorded mode, band and power settings are the user's working settings only while the
// replay runs: the user's own are kept aside when it begins and put back when it ends, and a save
// of the working configuration meanwhile (saveConfiguration) stores the user's, not the
// recording's. Recorded values that are out of range (a mode or band other than 0 and 1, a power
// setting that is not a finite number) are not applied.
//
// Threads: step() runs on the worker thread; playback() is the control surface for any thread;
// saveConfiguration runs on any thread with all model locks held. The settings are written with
// all model locks held (begin, finish), the shared fields through storeShared.

#include <cstdint>
#include <mutex>
#include <optional>

#include "accessory/LinkContext.h"
#include "accessory/RecordingPlayback.h"
#include "model/SettingsRecords.h"

namespace nolvo {

class LinkStateMachine;
class PacketParser;

class ReplayDriver {
public:
    using enum linkstate::LinkState;

    ReplayDriver(LinkContext& context, PacketParser& parser, LinkStateMachine& stateMachine);
    ReplayDriver(const ReplayDriver&) = delete;
    ReplayDriver& operator=(const ReplayDriver&) = delete;

    RecordingPlayback& playback() { return m_playback; }
    const RecordingPlayback& playback() const { return m_playback; }

    // One pass at `now` (steady-clock ms). False when no replay is active (nothing was done).
    bool step(std::uint64_t now);

    // Recorded time of the read being fed, in microseconds since the recording started (any
    // thread). The headless converter runs its clock on it.
    std::uint64_t feedTimeUs() const { return m_feedTimeUs.load(); }

    // The settings a replay replaces.
    struct UserSettings {
        std::uint8_t spectrumModeActive = 1;
        std::int32_t band = 0;
        PowerSettings power{};
    };
    // The user's settings while a replay has replaced them (any thread).
    std::optional<UserSettings> userSettings() const;
    // Saves the working configuration into `slot` with the user's own settings in place of what a
    // running replay applied (any thread; the caller holds all model locks).
    void saveConfiguration(int slot);

private:
    static UserSettings capture(const DataModel& model);
    static void apply(DataModel& model, const UserSettings& settings);
    void begin();
    void finish();
    void rebuildTo(std::int64_t targetUs);
    void feed(const std::uint8_t* bytes, std::size_t count, std::uint64_t timeUs);

    LinkContext& m_context;
    DataModel& m_model;
    PacketParser& m_parser;
    LinkStateMachine& m_stateMachine;
    RecordingPlayback m_playback;
    std::atomic<std::uint64_t> m_feedTimeUs{0};
    mutable std::mutex m_userMutex; // guards m_user; taken after the model locks
    std::optional<UserSettings> m_user;
    bool m_running = false;     // worker only: begin() has run for the current replay
    std::uint64_t m_begun = 0;  // worker only: the start count begin() ran for
};

} // namespace nolvo
