#pragma once
// The connection state machine of a live accessory, one step per worker pass: identify, send the
// settings (again when no acknowledgement comes), start streaming, alternate sweeps and
// access-point scans, stop and restart. Commands go out through AccessoryCommunication::send; the
// parser moves the state on when the accessory answers.
//
// Demo playback (PlaybackDriver) reuses the pieces that do not talk to the link: the settings
// acknowledgement, leaving the stopped state and the access-point scan timing.
//
// Threads: everything here runs on the worker thread.

#include <cstdint>

#include "accessory/LinkContext.h"

namespace nolvo {

class PacketParser;

class LinkStateMachine {
public:
    using enum linkstate::LinkState;

    // Command tags handed to AccessoryCommunication::send.
    static constexpr std::uint32_t kTagIdentify = 1;
    static constexpr std::uint32_t kTagSettings = 2;
    static constexpr std::uint32_t kTagStart = 3;

    // Passes without an acknowledgement before a command is sent again: the settings every 5 s,
    // the stop every second (a healthy accessory acknowledges either at once).
    static constexpr int kSettingsRetryPasses = 50;
    static constexpr int kStopRetryPasses = 10;
    // How long a periodic access-point scan runs after its first frame.
    static constexpr std::uint64_t kAccessPointScanMs = 250;

    LinkStateMachine(LinkContext& context, PacketParser& parser);
    LinkStateMachine(const LinkStateMachine&) = delete;
    LinkStateMachine& operator=(const LinkStateMachine&) = delete;

    // One worker pass at `now` (steady-clock ms) while an accessory is attached.
    void step(std::uint64_t now);

    // The settings were acknowledged at `now`: the data log may start, pending history clears
    // happen, the power acquisition restarts and streaming is next (unless a stop was asked for
    // meanwhile).
    void acknowledgeSettings(std::uint64_t now);
    // Leaves the stopped state when a restart was asked for or the user runs again.
    void leaveStoppedState();
    // Switches between sweeping and a periodic access-point scan when their time has come: into
    // a scan once the scan interval has passed since the last switch to sweeping, back 250 ms after
    // the scan's first frame. `recorded`: demo playback, which streams from the start state.
    void accessPointScanTiming(std::uint64_t now, bool recorded);
    // A recorded stream starts (again) at `now`: the scan timing counts from here as it does from
    // a live start. Without this a recording that switched into a scan once would find the
    // previous scan's times stale and switch back and forth on every pass, never sweeping again.
    void startRecordedStream(std::uint64_t now);

private:
    void stepState(std::uint64_t now);
    void startStreaming(std::uint64_t now);
    void sendSettings();
    void sendStop();
    bool sendIdentifyRequest();
    // Builds a command with the protocol object and queues it; false when nothing was sent.
    template <typename Build>
    bool sendCommand(int length, std::uint32_t tag, Build build);

    LinkContext& m_context;
    DataModel& m_model;
    PacketParser& m_parser;
    int m_retryCounter = 0;
};

} // namespace nolvo
