#pragma once
// The fake USB device behind the seam: a TamrelAccessoryDevice whose transfers go to an
// AccessorySimulator (or, for a device that is not an accessory, nowhere). Counts live handles so
// tests can check that every enumerated device is released exactly once.

#include <atomic>
#include <memory>

#include "accessory/TamrelAccessoryDevice.h"
#include "accessory/sim/AccessorySimulator.h"

namespace nolvo::sim {

struct SimulatedBusCounters {
    std::atomic<int> liveHandles{0};
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
};

class SimulatedUsbDevice final : public TamrelAccessoryDevice {
public:
    SimulatedUsbDevice(const UsbDeviceDescriptor& descriptor, std::shared_ptr<AccessorySimulator> simulator,
                       std::shared_ptr<SimulatedBusCounters> counters, int openResult);
    ~SimulatedUsbDevice() override;

    int bulkTransfer(unsigned char endpoint, unsigned char* data, int length, int* transferred,
                     unsigned timeoutMs) override;

protected:
    int openHandle() override;
    void closeHandle(int interfaceNumber) override;

private:
    std::shared_ptr<AccessorySimulator> m_simulator;
    std::shared_ptr<SimulatedBusCounters> m_counters;
    int m_openResult;
};

} // namespace nolvo::sim
