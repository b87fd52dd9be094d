#include "accessory/sim/SimulatedUsbDevice.h"

namespace nolvo::sim {

SimulatedUsbDevice::SimulatedUsbDevice(const UsbDeviceDescriptor& descriptor,
                                       std::shared_ptr<AccessorySimulator> simulator,
                                       std::shared_ptr<SimulatedBusCounters> counters, int openResult)
    : TamrelAccessoryDevice(descriptor), m_simulator(std::move(simulator)), m_counters(std::move(counters)),
      m_openResult(openResult)
{
    ++m_counters->liveHandles;
}

SimulatedUsbDevice::~SimulatedUsbDevice()
{
    close();
    --m_counters->liveHandles;
}

int SimulatedUsbDevice::openHandle()
{
    if (m_openResult != 0) {
        return m_openResult;
    }
    if (m_simulator && !m_simulator->plugged()) {
        return kUsbErrorNoDevice;
    }
    ++m_counters->opens;
    return 0;
}

void SimulatedUsbDevice::closeHandle(int)
{
    ++m_counters->closes;
}

int SimulatedUsbDevice::bulkTransfer(unsigned char endpoint, unsigned char* data, int length, int* transferred,
                                     unsigned timeoutMs)
{
    *transferred = 0;
    if (!isOpen() || !m_simulator) {
        return kUsbErrorIo;
    }
    if (endpoint == (kInEndpoint | kInDirection)) {
        return m_simulator->read(data, length, transferred, timeoutMs);
    }
    if (endpoint == kOutEndpoint) {
        return m_simulator->write(data, length, transferred);
    }
    return kUsbErrorPipe;
}

} // namespace nolvo::sim
