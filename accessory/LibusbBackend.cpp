#include "accessory/LibusbBackend.h"

#include <libusb.h>

#include <cstdio>
#include <mutex>

#include "accessory/LibusbAccessoryDevice.h"

namespace nolvo {

namespace {

// The default libusb context, initialised once and retried while it failed.
class LibusbContext {
public:
    static LibusbContext& get()
    {
        static LibusbContext context;
        return context;
    }

    bool ready()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (!m_ready) {
            m_ready = libusb_init(nullptr) == 0;
        }
        return m_ready;
    }

private:
    std::mutex m_mutex;
    bool m_ready = false;
};

} // namespace

LibusbBackend& LibusbBackend::instance()
{
    static LibusbBackend backend;
    return backend;
}

int LibusbBackend::listDevices(DeviceList& out)
{
    out.clear();
    if (!LibusbContext::get().ready()) {
        return -1;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(nullptr, &list);
    if (count < 0) {
        return -1;
    }
    std::string listing;
    out.reserve(static_cast<std::size_t>(count));
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor raw{};
        if (libusb_get_device_descriptor(list[i], &raw) != 0) {
            continue;
        }
        UsbDeviceDescriptor descriptor;
        descriptor.bus = libusb_get_bus_number(list[i]);
        descriptor.address = libusb_get_device_address(list[i]);
        descriptor.idVendor = raw.idVendor;
        descriptor.idProduct = raw.idProduct;
        descriptor.deviceClass = raw.bDeviceClass;
        descriptor.deviceSubClass = raw.bDeviceSubClass;
        descriptor.serialIndex = raw.iSerialNumber;
        char line[160];
        std::snprintf(line, sizeof line, "Bus: %u Address: %u Vid: %04x Pid : %04x Class : %u Subclass : %u Serial : %u\n",
                      descriptor.bus, descriptor.address, descriptor.idVendor, descriptor.idProduct,
                      descriptor.deviceClass, descriptor.deviceSubClass, descriptor.serialIndex);
        listing += line;
        out.push_back(std::make_unique<LibusbAccessoryDevice>(list[i], descriptor));
    }
    libusb_free_device_list(list, 1);
    if (listing != m_lastListing) {
        std::fputs(listing.c_str(), stdout);
        std::fflush(stdout);
        m_lastListing = std::move(listing);
    }
    return static_cast<int>(out.size());
}

} // namespace nolvo
