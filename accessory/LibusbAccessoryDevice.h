#pragma once
// A TamrelAccessoryDevice over libusb-1.0's synchronous API. Holds one reference to the libusb
// device from construction to destruction (released exactly once, in the destructor) and the
// open handle while open.

#include "accessory/TamrelAccessoryDevice.h"

struct libusb_device;
struct libusb_device_handle;

namespace nolvo {

class LibusbAccessoryDevice final : public TamrelAccessoryDevice {
public:
    // Takes its own reference on `device`.
    LibusbAccessoryDevice(libusb_device* device, const UsbDeviceDescriptor& descriptor);
    ~LibusbAccessoryDevice() override;

    int bulkTransfer(unsigned char endpoint, unsigned char* data, int length, int* transferred,
                     unsigned timeoutMs) override;

protected:
    int openHandle() override;
    void closeHandle(int interfaceNumber) override;

private:
    void printStrings();

    libusb_device* m_device;
    libusb_device_handle* m_handle = nullptr;
};

} // namespace nolvo
