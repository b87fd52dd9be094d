#include "accessory/LibusbAccessoryDevice.h"

#include <libusb.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace nolvo {

LibusbAccessoryDevice::LibusbAccessoryDevice(libusb_device* device, const UsbDeviceDescriptor& descriptor)
    : TamrelAccessoryDevice(descriptor), m_device(libusb_ref_device(device))
{
}

LibusbAccessoryDevice::~LibusbAccessoryDevice()
{
    close();
    libusb_unref_device(m_device);
}

int LibusbAccessoryDevice::openHandle()
{
    const int result = libusb_open(m_device, &m_handle);
    if (result != 0 || m_handle == nullptr) {
        m_handle = nullptr;
        return result == LIBUSB_ERROR_ACCESS ? kUsbErrorAccess : kUsbErrorIo;
    }
    printStrings();
    // A device that refuses these requests is noticed by the first failing read.
    (void)libusb_set_configuration(m_handle, kConfiguration);
    (void)libusb_claim_interface(m_handle, kInterface);
    (void)libusb_set_interface_alt_setting(m_handle, kInterface, kAlternateSetting);
    return 0;
}

void LibusbAccessoryDevice::printStrings()
{
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(m_device, &descriptor) != 0) {
        return;
    }
    struct StringField {
        std::uint8_t index;
        const char* label;
        const char* failure;
    };
    const StringField fields[] = {
        {descriptor.iSerialNumber, "    Serial Number: %.*s\n", "    Unable to get Serial Number: %d\n"},
        {descriptor.iManufacturer, "    Manufacturer: %.*s\n", "    Unable to get Manufacturer: %d\n"},
        {descriptor.iProduct, "    Product: %.*s\n", "    Unable to get Product Description: %d\n"},
    };
    std::string lines;
    for (const StringField& field : fields) {
        unsigned char text[100] = {};
        const int length = libusb_get_string_descriptor_ascii(m_handle, field.index, text, sizeof text);
        char line[160];
        if (length < 0) {
            std::snprintf(line, sizeof line, field.failure, length);
        } else {
            std::snprintf(line, sizeof line, field.label, length, reinterpret_cast<const char*>(text));
        }
        lines += line;
    }
    // A device that is opened again and again (one that does not answer) prints its strings once,
    // and again only when they change or another device is opened.
    static std::mutex printedMutex;
    static std::string printed;
    const UsbDeviceDescriptor& id = TamrelAccessoryDevice::descriptor();
    const std::string key = std::to_string(id.bus) + ":" + std::to_string(id.address) + "\n" + lines;
    std::lock_guard<std::mutex> guard(printedMutex);
    if (key != printed) {
        std::fputs(lines.c_str(), stdout);
        std::fflush(stdout);
        printed = key;
    }
}

void LibusbAccessoryDevice::closeHandle(int interfaceNumber)
{
    if (m_handle == nullptr) {
        return;
    }
    (void)libusb_set_interface_alt_setting(m_handle, interfaceNumber, 0);
    (void)libusb_release_interface(m_handle, interfaceNumber);
    libusb_close(m_handle);
    m_handle = nullptr;
}

int LibusbAccessoryDevice::bulkTransfer(unsigned char endpoint, unsigned char* data, int length, int* transferred,
                                        unsigned timeoutMs)
{
    if (m_handle == nullptr || data == nullptr || transferred == nullptr) {
        return kUsbErrorIo;
    }
    *transferred = 0;
    return libusb_bulk_transfer(m_handle, endpoint, data, length, transferred, timeoutMs);
}

} // namespace nolvo
