// Feeds arbitrary byte streams, cut into arbitrary chunks, to the packet parser of each model.
// Input layout: byte 0 picks the model (bits 0..1: 0, 1, 2 or 3 = 2) and whether the parser is identified first
// (bit 2); bit 3 plays the stream as demo playback (no accessory connected), bit 4 repairs the
// checksum of every access-point record in the stream (so that mutated records get past it and
// reach the merge), bit 5 turns the utilization table's edit mode on; byte 1 seeds the chunk
// sizes; the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/SimulatedUsbBackend.h"
#include "accessory/sim/SimulatedUsbDevice.h"
#include "model/DataModel.h"

namespace {

using namespace nolvo;

sim::SimulatedModel pick(std::uint8_t selector)
{
    switch (selector & 3) {
    case 0:
        return sim::SimulatedModel::kNolvo;
    case 1:
        return sim::SimulatedModel::kNolvo2;
    default:
        return sim::SimulatedModel::kNolvo25;
    }
}

// Takes the on-screen log lines; a line is built from at most 32 SSID bytes, so it stays short.
class BoundedLog : public LogSink {
public:
    void logLine(int, const std::string& text) override
    {
        if (text.size() > 512) {
            std::abort();
        }
    }
};

// Sets the last byte of every whole 64-byte record of every type-7 header in the stream so that
// the record sums to 0.
void repairAccessPointChecksums(std::vector<std::uint8_t>& stream)
{
    for (std::size_t pos = 0; pos + 4 <= stream.size(); ++pos) {
        if (stream[pos] != 0xAA || (stream[pos + 1] >> 5) != 7) {
            continue;
        }
        const std::size_t records = stream[pos + 2];
        for (std::size_t r = 0; r < records; ++r) {
            const std::size_t start = pos + 4 + 64 * r;
            if (start + 64 > stream.size()) {
                break;
            }
            std::uint8_t sum = 0;
            for (std::size_t i = 0; i < 63; ++i) {
                sum = static_cast<std::uint8_t>(sum + stream[start + i]);
            }
            stream[start + 63] = static_cast<std::uint8_t>(-sum);
        }
    }
}

// The largest buffer the parser may ever need: one read on top of the largest frame (20
// access-point records), with the growth margin.
constexpr std::size_t kBufferBound = AccessoryCommunicationDelegate::kParseChunk + 4 + 64 * 20 + 100;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    // NOLVO_FUZZ_MODEL=0, 1 or 2 pins the model so that each one gets a run of its own.
    static const int pinned = std::getenv("NOLVO_FUZZ_MODEL") != nullptr ? std::atoi(std::getenv("NOLVO_FUZZ_MODEL")) : -1;
    const std::uint8_t selector =
        pinned >= 0 ? static_cast<std::uint8_t>((data[0] & ~3) | (pinned & 3)) : data[0];
    std::uint32_t seed = data[1] | 1u;
    std::vector<std::uint8_t> stream(data + 2, data + size);
    if ((selector & 16) != 0) {
        repairAccessPointChecksums(stream);
    }
    data = stream.data();
    size = stream.size();

    DataModel model;
    BoundedLog log;
    model.setLogSink(&log);
    model.utilizationEditMode = (selector & 32) != 0;
    auto simulator = std::make_shared<sim::AccessorySimulator>(pick(selector));
    sim::SimulatedUsbBackend backend;
    sim::SimulatedUsbDevice device(sim::SimulatedUsbBackend::accessoryDescriptor(), simulator,
                                   std::make_shared<sim::SimulatedBusCounters>(), 0);
    AccessoryCommunication link(&backend);
    AccessoryCommunicationDelegate delegate(model, AccessoryCommunicationDelegate::Options{{}, false});
    delegate.connected(&link, &device);
    if ((selector & 8) != 0) {
        model.accessoryConnected = false; // what demo playback runs with
    }
    delegate.runWorkerPass(); // waiting for identification
    if ((selector & 4) != 0) {
        auto frame = simulator->identificationFrame();
        delegate.dataReceived(&link, &device, frame.data(), static_cast<unsigned>(frame.size()));
        delegate.runWorkerPass();
    }

    std::size_t offset = 0;
    while (offset < size) {
        seed = seed * 1103515245u + 12345u;
        // Mostly small pieces, sometimes a whole large read.
        const std::size_t piece = (seed >> 16) % 8 == 0 ? 4096 : 1 + (seed >> 16) % 300;
        const std::size_t n = piece < size - offset ? piece : size - offset;
        delegate.dataReceived(&link, &device, const_cast<std::uint8_t*>(data + offset), static_cast<unsigned>(n));
        offset += n;
        if (delegate.parseBufferCapacity() > kBufferBound) {
            std::abort(); // the parse buffer must stay bounded
        }
        if ((seed & 0x700) == 0) {
            delegate.runWorkerPass();
        }
    }
    return 0;
}
