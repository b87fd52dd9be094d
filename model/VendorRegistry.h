#pragma once
// Vendor names of hardware addresses, from the IEEE OUI registry that Debian ships in the package
// ieee-data (/usr/share/ieee-data/oui.txt, about 33,000 assignments, 5 MB of text).
//
// The file is read lazily, on a thread of its own started by the first lookup, so the render
// thread never waits for it: until it is read a lookup answers Loading. Addresses whose locally
// administered bit is set (bit 1 of the first byte: randomised or virtual interfaces) have no
// vendor and answer LocallyAdministered without the registry. A missing or unreadable file
// answers RegistryMissing for every lookup. lookup() may be called from any thread.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "model/AccessPoint.h"

namespace nolvo {

class VendorRegistry {
public:
    static constexpr const char* kDefaultPath = "/usr/share/ieee-data/oui.txt";

    enum class Status { Loading, Found, Unknown, LocallyAdministered, RegistryMissing };
    struct Result {
        Status status = Status::Loading;
        std::string name; // the organisation, with Found
    };

    explicit VendorRegistry(std::string path = kDefaultPath);
    ~VendorRegistry(); // waits for a load in progress
    VendorRegistry(const VendorRegistry&) = delete;
    VendorRegistry& operator=(const VendorRegistry&) = delete;

    // The process-wide registry reading kDefaultPath.
    static VendorRegistry& shared();

    // Never blocks on the file: starts the load on first use.
    Result lookup(const Bssid& bssid);
    // Starts the load without a lookup (e.g. when a view that will need it opens).
    void preload();
    // Blocks until the load has finished (tests, tools).
    void waitUntilLoaded();

    // Text for a popover: the vendor, or "unknown vendor", "locally administered",
    // "vendor registry missing", "looking up vendor…".
    static std::string describe(const Result& result);
    static bool locallyAdministered(const Bssid& bssid) { return (bssid[0] & 0x02) != 0; }

    // Reads the "XX-XX-XX   (hex)<tabs>Organisation" lines of the registry text into `out`;
    // returns the number of assignments read. Other lines are skipped.
    static std::size_t parse(std::string_view text, std::unordered_map<std::uint32_t, std::string>& out);

private:
    enum State : int { kNotStarted, kLoadingNow, kLoaded, kMissing };
    void load();

    std::string m_path;
    std::atomic<int> m_state{kNotStarted};
    std::unordered_map<std::uint32_t, std::string> m_vendors; // written once before kLoaded
    std::mutex m_startMutex;
    std::thread m_loader;
};

} // namespace nolvo
