#pragma once
// UsbBackend over libusb-1.0: the default context, created on first use (libusb_init is tried
// again on later listings when it failed). The device listing is printed to standard output only
// when it differs from the previous one, not on every scan.

#include <string>

#include "accessory/UsbBackend.h"

namespace nolvo {

class LibusbBackend final : public UsbBackend {
public:
    // The process-wide backend used by the program.
    static LibusbBackend& instance();

    int listDevices(DeviceList& out) override;

private:
    std::string m_lastListing;
};

} // namespace nolvo
