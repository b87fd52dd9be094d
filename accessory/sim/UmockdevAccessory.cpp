#include "accessory/sim/UmockdevAccessory.h"

#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <list>
#include <mutex>
#include <string>

namespace nolvo::sim {

namespace {

constexpr const char* kSysPath = "/sys/devices/pci0000:00/usb1/1-2";
constexpr const char* kDevNode = "/dev/bus/usb/001/002";
constexpr const char* kPreloadLibrary = "libumockdev-preload.so.0";

// 26ae:0007, one configuration; interface 1 alternate setting 1 has bulk OUT 3 and bulk IN 0x84.
constexpr const char* kDeviceRecord =
    "P: /devices/pci0000:00/usb1/1-2\n"
    "N: bus/usb/001/002\n"
    "E: SUBSYSTEM=usb\n"
    "E: DRIVER=usb\n"
    "E: BUSNUM=001\n"
    "E: DEVNUM=002\n"
    "E: DEVNAME=/dev/bus/usb/001/002\n"
    "E: DEVTYPE=usb_device\n"
    "A: busnum=1\\n\n"
    "A: devnum=2\\n\n"
    "A: bConfigurationValue=1\\n\n"
    "A: speed=480\\n\n"
    "H: descriptors="
    "12010002000000" "40" "ae260700" "0001" "010203" "01"          // device descriptor
    "0902" "3200" "02" "01" "00" "80" "32"                           // configuration, 50 bytes
    "090400" "00" "00ff000000"                                       // interface 0
    "090401" "00" "00ff000000"                                       // interface 1, alt 0
    "090401" "01" "02ff000000"                                       // interface 1, alt 1
    "0705" "03" "02" "4000" "00"                                     // bulk OUT 3
    "0705" "84" "02" "4000" "00"                                     // bulk IN 0x84
    "\n";

usbdevfs_urb* urbOf(UMockdevIoctlData* data)
{
    return reinterpret_cast<usbdevfs_urb*>(data->data);
}

// Hands `urb` back to the client whose reap request `arg` is.
void reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg, UMockdevIoctlData* urb)
{
    UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    umockdev_ioctl_data_set_ptr(pointer, 0, urb);
    umockdev_ioctl_client_complete(client, 0, 0);
    umockdev_ioctl_data_unref(pointer);
    umockdev_ioctl_data_unref(urb);
}

} // namespace

struct UmockdevAccessory::Device {
    explicit Device(SimulatedModel model) : simulator(model) {}

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device)
    {
        return static_cast<Device*>(device)->handle(client);
    }
    gboolean handle(UMockdevIoctlClient* client);
    gboolean submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    gboolean reapOne(UMockdevIoctlClient* client, UMockdevIoctlData* arg);

    mutable std::mutex mutex; // everything below, and the order of the simulator's transfers
    AccessorySimulator simulator;
    bool unplugged = false;
    bool answering = true;
    Requests requests;
    std::list<UMockdevIoctlData*> done;      // URBs ready to be reaped
    std::list<UMockdevIoctlData*> pendingIn; // IN URBs waiting for accessory data
    std::list<UMockdevIoctlData*> discarded;

    UMockdevTestbed* testbed = nullptr;
    UMockdevIoctlBase* handler = nullptr;
};

gboolean UmockdevAccessory::Device::handle(UMockdevIoctlClient* client)
{
    std::lock_guard<std::mutex> guard(mutex);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    if (unplugged && request != USBDEVFS_RELEASEINTERFACE && request != USBDEVFS_DISCARDURB &&
        request != USBDEVFS_REAPURB && request != USBDEVFS_REAPURBNDELAY) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        *reinterpret_cast<guint32*>(caps->data) = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                                   USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(caps);
        return TRUE;
    }
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_CLAIMINTERFACE: {
        UMockdevIoctlData* value = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned int), nullptr);
        const int number = static_cast<int>(*reinterpret_cast<unsigned int*>(value->data));
        (request == USBDEVFS_SETCONFIGURATION ? requests.configuration : requests.claimedInterface) = number;
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(value);
        return TRUE;
    }
    case USBDEVFS_SETINTERFACE: {
        UMockdevIoctlData* value = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_setinterface), nullptr);
        const auto* setting = reinterpret_cast<usbdevfs_setinterface*>(value->data);
        requests.alternateInterface = static_cast<int>(setting->interface);
        requests.alternateSetting = static_cast<int>(setting->altsetting);
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(value);
        return TRUE;
    }
    case USBDEVFS_RELEASEINTERFACE:
        ++requests.releases;
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_SUBMITURB:
        return submit(client, arg);
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        return reapOne(client, arg);
    case USBDEVFS_DISCARDURB: {
        const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
        auto it = std::find_if(pendingIn.begin(), pendingIn.end(),
                               [address](UMockdevIoctlData* d) { return d->client_addr == address; });
        if (it == pendingIn.end()) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        discarded.push_back(*it);
        pendingIn.erase(it);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

gboolean UmockdevAccessory::Device::submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    usbdevfs_urb* urb = urbOf(urbData);
    if (urb->type != USBDEVFS_URB_TYPE_BULK) {
        // String descriptors and other control requests: this accessory has none to give.
        umockdev_ioctl_client_complete(client, -1, EPIPE);
        umockdev_ioctl_data_unref(urbData);
        return TRUE;
    }
    UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(urbData, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                                            static_cast<gsize>(urb->buffer_length), nullptr);
    if (urb->endpoint == 0x03) {
        requests.outTransfers.emplace_back(buffer->data, buffer->data + urb->buffer_length);
        int taken = urb->buffer_length;
        if (answering) {
            simulator.write(buffer->data, urb->buffer_length, &taken);
        }
        urb->actual_length = taken;
        urb->status = 0;
        done.push_back(urbData);
    } else if (urb->endpoint == 0x84) {
        pendingIn.push_back(urbData);
    } else {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        umockdev_ioctl_data_unref(buffer);
        umockdev_ioctl_data_unref(urbData);
        return TRUE;
    }
    umockdev_ioctl_data_unref(buffer);
    umockdev_ioctl_client_complete(client, 0, 0);
    return TRUE;
}

gboolean UmockdevAccessory::Device::reapOne(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    if (!discarded.empty()) {
        UMockdevIoctlData* urb = discarded.front();
        discarded.pop_front();
        urbOf(urb)->status = -ENOENT;
        reap(client, arg, urb);
        return TRUE;
    }
    if (!done.empty()) {
        UMockdevIoctlData* urb = done.front();
        done.pop_front();
        reap(client, arg, urb);
        return TRUE;
    }
    if (!pendingIn.empty()) {
        UMockdevIoctlData* urbData = pendingIn.front();
        usbdevfs_urb* urb = urbOf(urbData);
        if (unplugged) {
            pendingIn.pop_front();
            urb->status = -ENODEV;
            urb->actual_length = 0;
            reap(client, arg, urbData);
            return TRUE;
        }
        int count = 0;
        if (answering &&
            simulator.read(static_cast<std::uint8_t*>(urb->buffer), urb->buffer_length, &count, 0) == 0 && count > 0) {
            pendingIn.pop_front();
            urb->actual_length = count;
            urb->status = 0;
            reap(client, arg, urbData);
            return TRUE;
        }
    }
    umockdev_ioctl_client_complete(client, -1, EAGAIN);
    return TRUE;
}

UmockdevAccessory::UmockdevAccessory(SimulatedModel model) : m_device(std::make_unique<Device>(model))
{
    m_device->testbed = umockdev_testbed_new();
    m_device->handler = umockdev_ioctl_base_new();
    g_signal_connect(m_device->handler, "handle-ioctl", G_CALLBACK(&Device::onIoctl), m_device.get());
    umockdev_testbed_attach_ioctl(m_device->testbed, kDevNode, m_device->handler, nullptr);
    umockdev_testbed_add_from_string(m_device->testbed, kDeviceRecord, nullptr);
}

UmockdevAccessory::~UmockdevAccessory()
{
    g_object_unref(m_device->testbed);
    g_object_unref(m_device->handler);
}

void UmockdevAccessory::preloadEnvironment()
{
    if (preloaded()) {
        return;
    }
    const char* current = std::getenv("LD_PRELOAD");
    std::string preload = current != nullptr ? current : "";
    preload += (preload.empty() ? "" : ":") + std::string(kPreloadLibrary);
    ::setenv("LD_PRELOAD", preload.c_str(), 1);
}

bool UmockdevAccessory::preloaded()
{
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "umockdev-preload") != nullptr;
}

AccessorySimulator& UmockdevAccessory::simulator()
{
    return m_device->simulator;
}

void UmockdevAccessory::setAnswering(bool answering)
{
    std::lock_guard<std::mutex> guard(m_device->mutex);
    m_device->answering = answering;
}

void UmockdevAccessory::unplug()
{
    std::lock_guard<std::mutex> guard(m_device->mutex);
    m_device->unplugged = true;
}

bool UmockdevAccessory::unplugged() const
{
    std::lock_guard<std::mutex> guard(m_device->mutex);
    return m_device->unplugged;
}

void UmockdevAccessory::remove()
{
    umockdev_testbed_uevent(m_device->testbed, kSysPath, "remove");
    umockdev_testbed_remove_device(m_device->testbed, kSysPath);
}

UmockdevAccessory::Requests UmockdevAccessory::requests() const
{
    std::lock_guard<std::mutex> guard(m_device->mutex);
    return m_device->requests;
}

} // namespace nolvo::sim
