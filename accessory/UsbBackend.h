#pragma once
// The enumeration half of the program's USB layer: lists the devices on the bus as
// TamrelAccessoryDevice handles. Implemented over libusb (LibusbBackend) and by the accessory
// simulator for tests.

#include <memory>
#include <vector>

#include "accessory/TamrelAccessoryDevice.h"

namespace nolvo {

class UsbBackend {
public:
    using DeviceList = std::vector<std::unique_ptr<TamrelAccessoryDevice>>;

    virtual ~UsbBackend() = default;

    // Replaces `out` with one new handle per device currently on the bus, in enumeration order.
    // Returns the device count, or -1 when USB is unavailable. Called on the link thread only.
    virtual int listDevices(DeviceList& out) = 0;
};

} // namespace nolvo
