#pragma once
// A USB bus for tests and tools: lists the simulated accessories that are plugged in, plus any
// other (non-accessory) devices, as SimulatedUsbDevice handles.
//
// Threads: listDevices runs on the link thread; attaching, failing and the counters may be used
// from any thread.

#include <memory>
#include <mutex>
#include <vector>

#include "accessory/UsbBackend.h"
#include "accessory/sim/SimulatedUsbDevice.h"

namespace nolvo::sim {

class SimulatedUsbBackend final : public UsbBackend {
public:
    SimulatedUsbBackend();

    // The descriptor of a Nolvo accessory at the given bus address.
    static UsbDeviceDescriptor accessoryDescriptor(std::uint8_t address = 5);

    // Puts a simulated accessory on the bus (listed while it is plugged). `openResult` is what
    // opening it returns (0, or e.g. kUsbErrorAccess for a device without permission).
    void attach(std::shared_ptr<AccessorySimulator> simulator, UsbDeviceDescriptor descriptor = accessoryDescriptor(),
                int openResult = 0);
    // Another device on the bus that is not an accessory (a keyboard, a hub).
    void attachOther(const UsbDeviceDescriptor& descriptor);
    void detachAll();
    // While set, listing fails with -1 (no USB).
    void setListingFails(bool fails);

    int listDevices(DeviceList& out) override;

    int listCalls() const;
    const SimulatedBusCounters& counters() const { return *m_counters; }

private:
    struct Entry {
        UsbDeviceDescriptor descriptor;
        std::shared_ptr<AccessorySimulator> simulator;
        int openResult;
    };

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
    bool m_listingFails = false;
    int m_listCalls = 0;
    std::shared_ptr<SimulatedBusCounters> m_counters;
};

} // namespace nolvo::sim
