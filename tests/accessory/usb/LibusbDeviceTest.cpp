// The libusb implementation of the USB layer against an accessory emulated in-process with
// libumockdev: a 26ae:0007 device whose usbfs ioctls are answered by a handler that forwards the
// bulk transfers to the accessory simulator. Runs under umockdev-wrapper.
#include <gtest/gtest.h>

#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <list>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LibusbBackend.h"
#include "accessory/sim/AccessorySimulator.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;

// What the emulated accessory saw and what it answers; shared with umockdev's handler thread.
struct EmulatedAccessory {
    std::mutex mutex;
    sim::AccessorySimulator simulator{sim::SimulatedModel::kNolvo2};
    bool unplugged = false;
    int configuration = -1;
    int claimedInterface = -1;
    int alternateInterface = -1;
    int alternateSetting = -1;
    std::vector<std::vector<std::uint8_t>> outTransfers; // bytes written, per endpoint-3 transfer
    std::list<UMockdevIoctlData*> done;       // URBs ready to be reaped
    std::list<UMockdevIoctlData*> pendingIn;  // IN URBs waiting for accessory data
    std::list<UMockdevIoctlData*> discarded;
};

usbdevfs_urb* urbOf(UMockdevIoctlData* data)
{
    return reinterpret_cast<usbdevfs_urb*>(data->data);
}

void reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg, UMockdevIoctlData* urb)
{
    UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    umockdev_ioctl_data_set_ptr(pointer, 0, urb);
    umockdev_ioctl_client_complete(client, 0, 0);
    umockdev_ioctl_data_unref(pointer);
    umockdev_ioctl_data_unref(urb);
}

gboolean handleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, EmulatedAccessory* accessory)
{
    std::lock_guard<std::mutex> guard(accessory->mutex);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    if (accessory->unplugged && request != USBDEVFS_RELEASEINTERFACE && request != USBDEVFS_DISCARDURB &&
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
        (request == USBDEVFS_SETCONFIGURATION ? accessory->configuration : accessory->claimedInterface) = number;
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(value);
        return TRUE;
    }
    case USBDEVFS_SETINTERFACE: {
        UMockdevIoctlData* value = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_setinterface), nullptr);
        const auto* setting = reinterpret_cast<usbdevfs_setinterface*>(value->data);
        accessory->alternateInterface = static_cast<int>(setting->interface);
        accessory->alternateSetting = static_cast<int>(setting->altsetting);
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(value);
        return TRUE;
    }
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_SUBMITURB: {
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
            accessory->outTransfers.emplace_back(buffer->data, buffer->data + urb->buffer_length);
            int taken = 0;
            accessory->simulator.write(buffer->data, urb->buffer_length, &taken);
            urb->actual_length = taken;
            urb->status = 0;
            accessory->done.push_back(urbData);
        } else if (urb->endpoint == 0x84) {
            accessory->pendingIn.push_back(urbData);
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
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        if (!accessory->discarded.empty()) {
            UMockdevIoctlData* urb = accessory->discarded.front();
            accessory->discarded.pop_front();
            urbOf(urb)->status = -ENOENT;
            reap(client, arg, urb);
            return TRUE;
        }
        if (!accessory->done.empty()) {
            UMockdevIoctlData* urb = accessory->done.front();
            accessory->done.pop_front();
            reap(client, arg, urb);
            return TRUE;
        }
        if (!accessory->pendingIn.empty()) {
            UMockdevIoctlData* urbData = accessory->pendingIn.front();
            usbdevfs_urb* urb = urbOf(urbData);
            if (accessory->unplugged) {
                accessory->pendingIn.pop_front();
                urb->status = -ENODEV;
                urb->actual_length = 0;
                reap(client, arg, urbData);
                return TRUE;
            }
            int count = 0;
            const int result = accessory->simulator.read(static_cast<std::uint8_t*>(urb->buffer), urb->buffer_length,
                                                         &count, 0);
            if (result == 0 && count > 0) {
                accessory->pendingIn.pop_front();
                urb->actual_length = count;
                urb->status = 0;
                reap(client, arg, urbData);
                return TRUE;
            }
        }
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return TRUE;
    }
    case USBDEVFS_DISCARDURB: {
        const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
        auto it = std::find_if(accessory->pendingIn.begin(), accessory->pendingIn.end(),
                               [address](UMockdevIoctlData* d) { return d->client_addr == address; });
        if (it == accessory->pendingIn.end()) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        accessory->discarded.push_back(*it);
        accessory->pendingIn.erase(it);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

// 26ae:0007, one configuration; interface 1 alternate setting 1 has bulk OUT 0x03 and bulk IN 0x84.
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

class EmulatedBus {
public:
    static EmulatedBus& get()
    {
        static EmulatedBus bus;
        return bus;
    }
    EmulatedAccessory accessory;

    // The accessory stops answering: every transfer fails as on a device that was pulled out.
    void unplug()
    {
        std::lock_guard<std::mutex> guard(accessory.mutex);
        accessory.unplugged = true;
    }
    bool unplugged()
    {
        std::lock_guard<std::mutex> guard(accessory.mutex);
        return accessory.unplugged;
    }
    // ... and then the kernel reports it gone, so enumeration no longer lists it.
    void remove()
    {
        umockdev_testbed_uevent(m_testbed, "/sys/devices/pci0000:00/usb1/1-2", "remove");
        umockdev_testbed_remove_device(m_testbed, "/sys/devices/pci0000:00/usb1/1-2");
    }

private:
    EmulatedBus()
    {
        m_testbed = umockdev_testbed_new();
        m_handler = umockdev_ioctl_base_new();
        g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(handleIoctl), &accessory);
        umockdev_testbed_attach_ioctl(m_testbed, "/dev/bus/usb/001/002", m_handler, nullptr);
        umockdev_testbed_add_from_string(m_testbed, kDeviceRecord, nullptr);
        accessory.simulator.setFrameInterval(5ms);
    }
    UMockdevTestbed* m_testbed;
    UMockdevIoctlBase* m_handler;
};

std::unique_ptr<TamrelAccessoryDevice> findAccessory()
{
    UsbBackend::DeviceList devices;
    const int count = LibusbBackend::instance().listDevices(devices);
    EXPECT_GE(count, 1);
    for (auto& device : devices) {
        if (device->isAccessory()) {
            return std::move(device);
        }
    }
    return nullptr;
}

std::unique_ptr<TamrelAccessoryDevice> findAccessoryIfListed()
{
    UsbBackend::DeviceList devices;
    LibusbBackend::instance().listDevices(devices);
    for (auto& device : devices) {
        if (device->isAccessory()) {
            return std::move(device);
        }
    }
    return nullptr;
}

class LibusbDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        bus = &EmulatedBus::get();
        ASSERT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper";
    }
    EmulatedBus* bus = nullptr;
};

TEST_F(LibusbDevice, EnumerationFindsTheAccessory)
{
    auto device = findAccessory();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->descriptor().idVendor, 0x26AE);
    EXPECT_EQ(device->productId(), 0x0007);
    EXPECT_EQ(device->descriptor().bus, 1);
    EXPECT_EQ(device->descriptor().address, 2);
    EXPECT_FALSE(device->isOpen());

    // The listing is printed when it changes, not on every scan.
    ::testing::internal::CaptureStdout();
    UsbBackend::DeviceList again;
    EXPECT_GE(LibusbBackend::instance().listDevices(again), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(LibusbDevice, OpenSelectsConfigurationInterfaceAndAlternateSetting)
{
    auto device = findAccessory();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->open(), 0);
    EXPECT_TRUE(device->isOpen());
    EXPECT_EQ(device->interfaceNumber(), 1);
    EXPECT_EQ(device->outEndpoint(), 3);
    EXPECT_EQ(device->inEndpoint(), 4);
    {
        std::lock_guard<std::mutex> guard(bus->accessory.mutex);
        EXPECT_EQ(bus->accessory.configuration, 1);
        EXPECT_EQ(bus->accessory.claimedInterface, 1);
        EXPECT_EQ(bus->accessory.alternateInterface, 1);
        EXPECT_EQ(bus->accessory.alternateSetting, 1);
    }
    EXPECT_EQ(device->open(), 0); // already open
    device->close();
    EXPECT_FALSE(device->isOpen());
    std::lock_guard<std::mutex> guard(bus->accessory.mutex);
    EXPECT_EQ(bus->accessory.alternateSetting, 0); // restored on close
}

TEST_F(LibusbDevice, CommandGoesOutOnEndpointThreeAndFramesComeBackFrom0x84)
{
    auto device = findAccessory();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->open(), 0);
    unsigned char identify[] = {0xAA, 0x03, 0x03};
    int transferred = 0;
    ASSERT_EQ(device->bulkTransfer(3, identify, 3, &transferred, 1000), 0);
    EXPECT_EQ(transferred, 3);
    {
        std::lock_guard<std::mutex> guard(bus->accessory.mutex);
        ASSERT_FALSE(bus->accessory.outTransfers.empty());
        EXPECT_EQ(bus->accessory.outTransfers.back(), (std::vector<std::uint8_t>{0xAA, 0x03, 0x03}));
    }
    unsigned char buffer[2048];
    ASSERT_EQ(device->bulkTransfer(0x84, buffer, sizeof buffer, &transferred, 1000), 0);
    ASSERT_EQ(transferred, 60); // the second generation's identification frame
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(buffer[1] >> 5, 3);
    EXPECT_EQ(buffer[2], 6);
    // Nothing more to send: the read times out.
    EXPECT_EQ(device->bulkTransfer(0x84, buffer, sizeof buffer, &transferred, 100), kUsbErrorTimeout);
}

TEST_F(LibusbDevice, RemovalGivesAReadErrorThatEndsTheLink)
{
    DataModel model;
    AccessoryCommunication link(&LibusbBackend::instance());
    AccessoryCommunicationDelegate delegate(model, AccessoryCommunicationDelegate::Options{2ms, true});
    std::atomic<int> disconnects{0};
    delegate.bind(link);
    link.setDeviceCallbacks(
        // Between the failed read and the kernel's removal event the pulled-out device is not
        // offered again (as on real hardware, where it is gone from the bus at once).
        [&](AccessoryCommunication* l, TamrelAccessoryDevice* d) {
            return !bus->unplugged() && delegate.shouldConnect(l, d);
        },
        [&](AccessoryCommunication* l, TamrelAccessoryDevice* d) { delegate.connected(l, d); }, {},
        [&](AccessoryCommunication* l, TamrelAccessoryDevice* d, int r) {
            ++disconnects;
            delegate.disconnected(l, d, r);
        });
    ASSERT_TRUE(link.start());
    // The whole chain over real libusb: identification, settings, start, sweeps.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    auto sweeps = [&] {
        ModelLock lock(model, kDataLock);
        return model.band24.history.size();
    };
    while (sweeps() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_GE(sweeps(), 3u);
    EXPECT_EQ(model.deviceInfo.modelId, 6);

    bus->unplug();
    while (disconnects.load() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    bus->remove();
    std::this_thread::sleep_for(300ms); // the link keeps scanning a bus without the accessory
    EXPECT_EQ(disconnects.load(), 1);
    EXPECT_FALSE(model.accessoryConnected.load());
    link.stop();
    delegate.stop();
    EXPECT_EQ(disconnects.load(), 1);
    EXPECT_EQ(findAccessoryIfListed(), nullptr);
}

} // namespace
} // namespace nolvo

// Tests need the emulation preloaded: without it, start again under umockdev-wrapper (listing the
// tests needs no emulation).
int main(int argc, char** argv)
{
    bool listing = false;
    for (int i = 1; i < argc; ++i) {
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    }
    const char* preload = std::getenv("LD_PRELOAD");
    const bool wrapped = preload != nullptr && std::strstr(preload, "umockdev") != nullptr;
    if (!listing && !wrapped) {
        std::vector<char*> args;
        args.push_back(const_cast<char*>(NOLVO_UMOCKDEV_WRAPPER));
        for (int i = 0; i < argc; ++i) {
            args.push_back(argv[i]);
        }
        args.push_back(nullptr);
        // Under AddressSanitizer the preloaded emulation comes before the sanitizer runtime.
        std::string asan = std::getenv("ASAN_OPTIONS") != nullptr ? std::getenv("ASAN_OPTIONS") : "";
        asan += (asan.empty() ? "" : ":") + std::string("verify_asan_link_order=0");
        setenv("ASAN_OPTIONS", asan.c_str(), 1);
        execv(NOLVO_UMOCKDEV_WRAPPER, args.data());
        std::perror("umockdev-wrapper");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
