#pragma once
// Demo playback while no accessory is attached: one pass per worker period runs the connection
// states against the recordings of the demo hardware the model names (identification, settings
// acknowledgement, then the streams), feeding them to the packet parser on the worker thread.
// A recording has no stop acknowledgement, so a stop goes straight through to the restart.
//
// Threads: everything here runs on the worker thread.

#include <cstdint>

#include "accessory/DemoPlayback.h"
#include "accessory/LinkContext.h"

namespace nolvo {

class LinkStateMachine;
class PacketParser;

class PlaybackDriver {
public:
    using enum linkstate::LinkState;

    PlaybackDriver(LinkContext& context, PacketParser& parser, LinkStateMachine& stateMachine);
    PlaybackDriver(const PlaybackDriver&) = delete;
    PlaybackDriver& operator=(const PlaybackDriver&) = delete;

    // One pass at `now` (steady-clock ms); does nothing while demo playback is off.
    void step(std::uint64_t now);
    // Drops the loaded recordings; the next streams start from their beginnings.
    void reset() { m_demo.reset(); }

private:
    LinkContext& m_context;
    DataModel& m_model;
    PacketParser& m_parser;
    LinkStateMachine& m_stateMachine;
    DemoPlayback m_demo;
};

} // namespace nolvo
