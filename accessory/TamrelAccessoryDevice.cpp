#include "accessory/TamrelAccessoryDevice.h"

namespace nolvo {

int TamrelAccessoryDevice::open()
{
    if (m_isOpen) {
        return 0;
    }
    const int result = openHandle();
    if (result != 0) {
        return result == kUsbErrorAccess ? kUsbErrorAccess : -1;
    }
    m_isOpen = true;
    m_interfaceNumber = kInterface;
    m_outEndpoint = kOutEndpoint;
    m_inEndpoint = kInEndpoint;
    return 0;
}

void TamrelAccessoryDevice::close()
{
    if (!m_isOpen) {
        return;
    }
    closeHandle(m_interfaceNumber);
    m_isOpen = false;
    m_interfaceNumber = 0;
    m_outEndpoint = 0;
    m_inEndpoint = 0;
}

} // namespace nolvo
