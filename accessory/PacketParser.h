#pragma once
// The packet parser: accumulates the bytes the accessory (or a recording) delivers, cuts them into
// frames, identifies the model from the first identification frame, creates its protocol object
// and dispatches every frame by type: spectrum sweeps and power traces go into the DataModel (and
// the data log), access-point scans are merged into the model's list, acknowledgements move the
// link state on.
//
// Threads: receive() runs on the parser's thread (the link thread, or the worker during demo
// playback); only one thread feeds a parser at a time. The protocol object is shared with the
// worker under the context's protocol mutex, which receive() holds while it parses.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "accessory/AccessoryCommunication.h"
#include "accessory/LinkContext.h"
#include "accessory/PowerAssembler.h"
#include "accessory/SegmentAssembler.h"

namespace nolvo {

class PacketParser {
public:
    using enum linkstate::LinkState;

    static constexpr int kInitialBufferCapacity = 1000;
    // Longest piece of input parsed at once; longer deliveries are cut into such pieces.
    static constexpr int kParseChunk = AccessoryCommunication::kReadSize;
    // An access-point frame with this many records is followed by more of the same scan.
    static constexpr std::size_t kFullAccessPointFrame = 20;

    explicit PacketParser(LinkContext& context);
    PacketParser(const PacketParser&) = delete;
    PacketParser& operator=(const PacketParser&) = delete;

    // Parses `count` bytes; they are only read during the call.
    void receive(const std::uint8_t* bytes, std::size_t count);
    // Asks the parser to drop the buffered bytes and the partly assembled sweeps and power traces
    // before it parses anything more (any thread; the parser's thread does it at its next receive).
    void requestReset() { m_resetRequested = true; }
    // Streaming starts at `nowMs`: the power trigger wait counts from then (any thread).
    void restartPowerAcquisition(std::uint64_t nowMs) { m_power.restartAcquisition(nowMs); }

    std::uint64_t framesDispatched() const { return m_framesDispatched.load(); }
    // Parse buffer size and fill (parser's thread, or when the link is stopped).
    std::size_t bufferCapacity() const { return m_buffer.size(); }
    std::size_t bufferFill() const { return m_fill; }

private:
    void clearAssembly();
    void parse();
    void dispatch(int type, const std::uint8_t* frame, int length);
    void handleIdentification(const std::uint8_t* frame, int length);
    void handleSpectrumFrame(const std::uint8_t* frame, int length);
    void handlePowerFrame(const std::uint8_t* frame, int length);
    void handleAccessPointFrame(const std::uint8_t* frame, int length);
    // Health counting: bytes skipped in search of a sync byte (a run counts once), and a frame
    // begun but thrown away.
    void noteSkipped();
    void noteDropped();

    LinkContext& m_context;
    DataModel& m_model;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_fill = 0;
    std::atomic<bool> m_resetRequested{false};
    SegmentAssembler m_accumulators[2]; // 2.4 GHz, 5 GHz
    PowerAssembler m_power;
    std::atomic<std::uint64_t> m_framesDispatched{0};
    bool m_skipping = false; // inside a run of skipped bytes (parser's thread)

};

} // namespace nolvo
