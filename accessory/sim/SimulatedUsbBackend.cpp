#include "accessory/sim/SimulatedUsbBackend.h"

namespace nolvo::sim {

SimulatedUsbBackend::SimulatedUsbBackend() : m_counters(std::make_shared<SimulatedBusCounters>()) {}

UsbDeviceDescriptor SimulatedUsbBackend::accessoryDescriptor(std::uint8_t address)
{
    UsbDeviceDescriptor descriptor;
    descriptor.bus = 1;
    descriptor.address = address;
    descriptor.idVendor = TamrelAccessoryDevice::kVendorId;
    descriptor.idProduct = TamrelAccessoryDevice::kProductId;
    descriptor.serialIndex = 3;
    return descriptor;
}

void SimulatedUsbBackend::attach(std::shared_ptr<AccessorySimulator> simulator, UsbDeviceDescriptor descriptor,
                                 int openResult)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_entries.push_back(Entry{descriptor, std::move(simulator), openResult});
}

void SimulatedUsbBackend::attachOther(const UsbDeviceDescriptor& descriptor)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_entries.push_back(Entry{descriptor, nullptr, 0});
}

void SimulatedUsbBackend::detachAll()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_entries.clear();
}

void SimulatedUsbBackend::setListingFails(bool fails)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_listingFails = fails;
}

int SimulatedUsbBackend::listDevices(DeviceList& out)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_listCalls;
    out.clear();
    if (m_listingFails) {
        return -1;
    }
    for (const Entry& entry : m_entries) {
        if (entry.simulator && !entry.simulator->plugged()) {
            continue;
        }
        out.push_back(std::make_unique<SimulatedUsbDevice>(entry.descriptor, entry.simulator, m_counters,
                                                           entry.openResult));
    }
    return static_cast<int>(out.size());
}

int SimulatedUsbBackend::listCalls() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_listCalls;
}

} // namespace nolvo::sim
