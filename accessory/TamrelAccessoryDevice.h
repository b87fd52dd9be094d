#pragma once
// One enumerated USB device as the link sees it. The link only ever talks to USB through this
// handle and UsbBackend, so that the libusb implementation and the simulated accessory of the
// tests are interchangeable.
//
// Threads: a device is created by UsbBackend::listDevices and then used by one thread at a time
// (the link thread). Destroying a device closes it when open and releases whatever the backend
// holds for it exactly once.

#include <cstdint>

namespace nolvo {

// Transfer and open results; the values are libusb's, so the libusb backend passes them through.
enum UsbResult : int {
    kUsbSuccess = 0,
    kUsbErrorIo = -1,
    kUsbErrorAccess = -3,
    kUsbErrorNoDevice = -4,
    kUsbErrorTimeout = -7,
    kUsbErrorPipe = -9,
};

struct UsbDeviceDescriptor {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    std::uint16_t idVendor = 0;
    std::uint16_t idProduct = 0;
    std::uint8_t deviceClass = 0;
    std::uint8_t deviceSubClass = 0;
    std::uint8_t serialIndex = 0;
};

class TamrelAccessoryDevice {
public:
    static constexpr std::uint16_t kVendorId = 0x26AE;
    static constexpr std::uint16_t kProductId = 0x0007;
    static constexpr int kConfiguration = 1;
    static constexpr int kInterface = 1;
    static constexpr int kAlternateSetting = 1;
    static constexpr int kOutEndpoint = 3;
    static constexpr int kInEndpoint = 4;      // read as endpoint address 0x84
    static constexpr unsigned char kInDirection = 0x80;

    explicit TamrelAccessoryDevice(const UsbDeviceDescriptor& descriptor) : m_descriptor(descriptor) {}
    virtual ~TamrelAccessoryDevice() = default;
    TamrelAccessoryDevice(const TamrelAccessoryDevice&) = delete;
    TamrelAccessoryDevice& operator=(const TamrelAccessoryDevice&) = delete;

    const UsbDeviceDescriptor& descriptor() const { return m_descriptor; }
    int productId() const { return m_descriptor.idProduct; }
    bool isAccessory() const { return m_descriptor.idVendor == kVendorId && m_descriptor.idProduct == kProductId; }

    // Opens the device and selects configuration 1, interface 1, alternate setting 1.
    // 0 (also when already open), kUsbErrorAccess when the user may not open it, -1 otherwise.
    int open();
    // Restores alternate setting 0, releases the interface and closes; nothing when not open.
    void close();

    bool isOpen() const { return m_isOpen; }
    int interfaceNumber() const { return m_interfaceNumber; }
    int outEndpoint() const { return m_outEndpoint; }
    int inEndpoint() const { return m_inEndpoint; }

    // One synchronous bulk transfer on `endpoint` (0x84 reads, 3 writes). Returns kUsbSuccess with
    // *transferred set, or a negative UsbResult (kUsbErrorTimeout may still have moved bytes).
    virtual int bulkTransfer(unsigned char endpoint, unsigned char* data, int length, int* transferred,
                             unsigned timeoutMs) = 0;

protected:
    // Backend hooks behind open and close. openHandle returns 0 or a negative UsbResult.
    virtual int openHandle() = 0;
    virtual void closeHandle(int interfaceNumber) = 0;

private:
    UsbDeviceDescriptor m_descriptor;
    bool m_isOpen = false;
    int m_interfaceNumber = 0;
    int m_outEndpoint = -1;
    int m_inEndpoint = -1;
};

} // namespace nolvo
