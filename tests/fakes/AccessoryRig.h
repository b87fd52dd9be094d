#pragma once
// Test rigs for the accessory link.
// - FrameBytes: builders for accessory frames the tests feed to the parser.
// - RigLink: a link that is never started; it can have the accessory answer every command while
//   send() is still running.
// - ParserRig: a fresh DataModel, a delegate without its worker thread and a RigLink,
//   "connected" to a simulated device, so a test feeds bytes and runs worker passes by hand and
//   reads the commands the worker queued.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/SimulatedUsbBackend.h"
#include "accessory/sim/SimulatedUsbDevice.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// A frame of `length` bytes: AA, (type << 5 | low), then byte 2 and `fill` for the rest.
inline Bytes frame(int type, int low, std::uint8_t byte2, std::size_t length, std::uint8_t fill = 0)
{
    Bytes f(length, fill);
    f[0] = 0xAA;
    if (length > 1) {
        f[1] = static_cast<std::uint8_t>((type << 5) | (low & 31));
    }
    if (length > 2) {
        f[2] = byte2;
    }
    return f;
}

// First-generation spectrum frame: segment number and 50 sample bytes from `first` upwards.
inline Bytes nolvoSpectrum(int segment, std::uint8_t first)
{
    Bytes f = frame(5, segment, 0, 52);
    for (int i = 0; i < 50; ++i) {
        f[static_cast<std::size_t>(2 + i)] = static_cast<std::uint8_t>(first + i);
    }
    return f;
}

// 260-byte (band 0) or 516-byte (band 1) spectrum frame with sample i = (first + i) mod 256.
inline Bytes wideSpectrum(int band, std::uint8_t first)
{
    const std::size_t values = band == 1 ? 512 : 256;
    Bytes f = frame(5, 0, static_cast<std::uint8_t>(band), 4 + values);
    for (std::size_t i = 0; i < values; ++i) {
        f[4 + i] = static_cast<std::uint8_t>(first + i);
    }
    return f;
}

inline Bytes settingsAck() { return {0xAA, 0x40, 0x01}; }
inline Bytes stopAck() { return {0xAA, 0xC0, 0x00, 0x00}; }

class RigLink : public AccessoryCommunication {
public:
    using AccessoryCommunication::AccessoryCommunication;
    using Parse = std::function<void(std::uint8_t*, unsigned)>;

    // From now on `simulator` takes each command as it is queued, and what it answers at once is
    // handed to `parse` before send() returns: the order a quick accessory and a slow sending
    // thread give on the real link. A null simulator turns this off.
    void answerAtOnce(sim::AccessorySimulator* simulator, Parse parse)
    {
        m_simulator = simulator;
        m_parse = std::move(parse);
    }
    bool send(unsigned char* data, std::uint32_t length, std::uint32_t tag) override
    {
        if (!AccessoryCommunication::send(data, length, tag)) {
            return false;
        }
        if (m_simulator != nullptr) {
            int taken = 0;
            m_simulator->write(data, static_cast<int>(length), &taken); // the queue still owns data
            std::uint8_t answer[kReadSize];
            int count = 0;
            if (m_simulator->read(answer, kReadSize, &count, 0) == 0 && count > 0) {
                m_parse(answer, static_cast<unsigned>(count));
            }
        }
        return true;
    }

private:
    sim::AccessorySimulator* m_simulator = nullptr;
    Parse m_parse;
};

class ParserRig {
public:
    explicit ParserRig(sim::SimulatedModel which)
        : simulator(std::make_shared<sim::AccessorySimulator>(which)),
          device(sim::SimulatedUsbBackend::accessoryDescriptor(), simulator, std::make_shared<sim::SimulatedBusCounters>(), 0),
          link(&backend),
          delegate(this->model, AccessoryCommunicationDelegate::Options{std::chrono::milliseconds(100), false})
    {
        delegate.connected(&link, &device);
    }

    // The accessory answers every command before the worker's send() returns.
    void answerAtOnce()
    {
        link.answerAtOnce(simulator.get(), [this](std::uint8_t* bytes, unsigned count) {
            delegate.dataReceived(&link, &device, bytes, count);
        });
    }

    void feed(const Bytes& bytes) { feed(bytes.data(), bytes.size()); }
    void feed(const std::uint8_t* bytes, std::size_t count)
    {
        delegate.dataReceived(&link, &device, const_cast<unsigned char*>(bytes), static_cast<unsigned>(count));
    }
    void passes(int count)
    {
        for (int i = 0; i < count; ++i) {
            delegate.runWorkerPass();
        }
    }
    // Connect, identify and acknowledge the settings: the next pass starts streaming. The
    // commands sent so far are dropped.
    void bringUp()
    {
        passes(1);
        feed(simulator->identificationFrame());
        passes(2); // identified -> send settings
        feed(settingsAck());
        passes(1); // acknowledged
        link.clearQueue();
    }
    std::vector<Bytes> queued()
    {
        std::vector<Bytes> out;
        for (auto& command : link.queuedCommandCopies()) {
            out.push_back(command.bytes);
        }
        return out;
    }
    int queuedWithCode(std::uint8_t code)
    {
        int n = 0;
        for (const Bytes& b : queued()) {
            n += (b.size() > 2 && b[2] == code) ? 1 : 0;
        }
        return n;
    }
    std::size_t sweeps(int band)
    {
        ModelLock lock(model, kDataLock);
        return model.bandStore(band).history.size();
    }
    std::vector<float> newestSweep(int band, int count)
    {
        ModelLock lock(model, kDataLock);
        const float* newest = model.bandStore(band).history.newest();
        return std::vector<float>(newest, newest + count);
    }

    DataModel model;
    std::shared_ptr<sim::AccessorySimulator> simulator;
    sim::SimulatedUsbBackend backend;
    sim::SimulatedUsbDevice device;
    RigLink link;
    AccessoryCommunicationDelegate delegate;
};

} // namespace nolvo::testing
