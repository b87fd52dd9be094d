// Parses hostile text as the IEEE OUI registry: every line shape, truncation and byte value.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "model/VendorRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unordered_map<std::uint32_t, std::string> vendors;
    const std::size_t count =
        nolvo::VendorRegistry::parse(std::string_view(reinterpret_cast<const char*>(data), size), vendors);
    if (count < vendors.size()) __builtin_trap(); // every entry kept was counted
    for (const auto& [prefix, name] : vendors) {
        if (prefix > 0xFFFFFF || name.empty()) __builtin_trap();
    }
    return 0;
}
