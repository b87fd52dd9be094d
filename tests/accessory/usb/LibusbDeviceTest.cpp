// The libusb implementation of the USB layer against an accessory emulated in-process with
// libumockdev (sim::UmockdevAccessory): a 26ae:0007 device whose usbfs ioctls are answered by the
// accessory simulator. Runs under umockdev-wrapper.
#include <gtest/gtest.h>

#include <umockdev.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LibusbBackend.h"
#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/UmockdevAccessory.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;

// The emulated accessory of this process, made once and kept: the preloaded emulation serves one
// testbed for the process's life.
sim::UmockdevAccessory& emulatedAccessory()
{
    static sim::UmockdevAccessory* accessory = [] {
        auto* made = new sim::UmockdevAccessory(sim::SimulatedModel::kNolvo2);
        made->simulator().setFrameInterval(5ms);
        return made;
    }();
    return *accessory;
}

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
        bus = &emulatedAccessory();
        ASSERT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper";
    }
    sim::UmockdevAccessory* bus = nullptr;
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
    const sim::UmockdevAccessory::Requests opened = bus->requests();
    EXPECT_EQ(opened.configuration, 1);
    EXPECT_EQ(opened.claimedInterface, 1);
    EXPECT_EQ(opened.alternateInterface, 1);
    EXPECT_EQ(opened.alternateSetting, 1);
    EXPECT_EQ(device->open(), 0); // already open
    device->close();
    EXPECT_FALSE(device->isOpen());
    EXPECT_EQ(bus->requests().alternateSetting, 0); // restored on close
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
    const auto written = bus->requests().outTransfers;
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), (std::vector<std::uint8_t>{0xAA, 0x03, 0x03}));
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
