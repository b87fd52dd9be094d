#pragma once
// A simulated Nolvo accessory on a USB bus emulated with umockdev: a testbed holding one
// 26ae:0007 device (bus 1, address 2; configuration 1, interface 1 with alternate setting 1,
// bulk OUT 0x03 and bulk IN 0x84) whose usbfs requests are answered by an AccessorySimulator.
// libusb finds and drives it like the real accessory, in this process when it runs under
// umockdev-wrapper, or in a child process started with this process's environment once
// preloadEnvironment() has been called (the testbed sets UMOCKDEV_DIR; the child needs the
// preload library too).
//
// Threads: umockdev answers the device's requests on a thread of its own; every member may be
// called from any thread.

#include <memory>
#include <vector>

#include "accessory/sim/AccessorySimulator.h"

namespace nolvo::sim {

class UmockdevAccessory {
public:
    explicit UmockdevAccessory(SimulatedModel model);
    // Removes the testbed and everything in it.
    ~UmockdevAccessory();
    UmockdevAccessory(const UmockdevAccessory&) = delete;
    UmockdevAccessory& operator=(const UmockdevAccessory&) = delete;

    // Adds umockdev's preload library to LD_PRELOAD of this process, for the children it starts
    // (and for this program when it starts itself again).
    static void preloadEnvironment();
    // This process runs with the preload library (the testbed's uevents need it).
    static bool preloaded();

    // The simulator behind the device (its controls and observations are thread-safe).
    AccessorySimulator& simulator();
    // While off, commands are taken but nothing is answered: reads time out.
    void setAnswering(bool answering);
    // Pulled out: every transfer fails as on a device that is gone (ENODEV).
    void unplug();
    bool unplugged() const;
    // ... and the kernel reports it removed: a uevent, and enumeration no longer lists it. (libusb
    // can trip over the emulated removal of a device it still holds open: remove it once the
    // program has let go, see Requests::releases.)
    void remove();

    // What the device was asked to do.
    struct Requests {
        int configuration = -1;
        int claimedInterface = -1;
        int alternateInterface = -1;
        int alternateSetting = -1;
        int releases = 0; // interface releases (a program letting go of the device)
        std::vector<std::vector<std::uint8_t>> outTransfers; // bytes written, per endpoint-3 transfer
    };
    Requests requests() const;

private:
    struct Device;
    std::unique_ptr<Device> m_device;
};

} // namespace nolvo::sim
