#include "model/VendorRegistry.h"

#include <cstdio>

namespace nolvo {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// "00-22-72" at the start of `line` as 0x002272, or -1.
long prefixOf(std::string_view line)
{
    if (line.size() < 8 || line[2] != '-' || line[5] != '-') {
        return -1;
    }
    long value = 0;
    for (std::size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) {
        const int digit = hexValue(line[i]);
        if (digit < 0) {
            return -1;
        }
        value = value * 16 + digit;
    }
    return value;
}

std::string_view trimmed(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

VendorRegistry::VendorRegistry(std::string path) : m_path(std::move(path)) {}

VendorRegistry::~VendorRegistry()
{
    std::lock_guard<std::mutex> guard(m_startMutex);
    if (m_loader.joinable()) {
        m_loader.join();
    }
}

VendorRegistry& VendorRegistry::shared()
{
    static VendorRegistry registry;
    return registry;
}

std::size_t VendorRegistry::parse(std::string_view text, std::unordered_map<std::uint32_t, std::string>& out)
{
    std::size_t count = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const long prefix = prefixOf(line);
        const std::size_t marker = line.find("(hex)");
        if (prefix < 0 || marker == std::string_view::npos) {
            continue;
        }
        const std::string_view name = trimmed(line.substr(marker + 5));
        if (!name.empty()) {
            out.insert_or_assign(static_cast<std::uint32_t>(prefix), std::string(name));
            ++count;
        }
    }
    return count;
}

void VendorRegistry::load()
{
    std::FILE* file = std::fopen(m_path.c_str(), "rb");
    if (!file) {
        m_state.store(kMissing, std::memory_order_release);
        return;
    }
    std::string text;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        m_state.store(kMissing, std::memory_order_release);
        return;
    }
    parse(text, m_vendors);
    m_state.store(m_vendors.empty() ? kMissing : kLoaded, std::memory_order_release);
}

void VendorRegistry::preload()
{
    if (m_state.load(std::memory_order_acquire) != kNotStarted) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_startMutex);
    int expected = kNotStarted;
    if (m_state.compare_exchange_strong(expected, kLoadingNow)) {
        m_loader = std::thread([this] { load(); });
    }
}

void VendorRegistry::waitUntilLoaded()
{
    preload();
    std::lock_guard<std::mutex> guard(m_startMutex);
    if (m_loader.joinable()) {
        m_loader.join();
    }
}

VendorRegistry::Result VendorRegistry::lookup(const Bssid& bssid)
{
    if (locallyAdministered(bssid)) {
        return {Status::LocallyAdministered, {}};
    }
    preload();
    switch (m_state.load(std::memory_order_acquire)) {
    case kLoaded: {
        const std::uint32_t prefix = (std::uint32_t{bssid[0]} << 16) | (std::uint32_t{bssid[1]} << 8) | bssid[2];
        const auto it = m_vendors.find(prefix);
        if (it == m_vendors.end()) {
            return {Status::Unknown, {}};
        }
        return {Status::Found, it->second};
    }
    case kMissing:
        return {Status::RegistryMissing, {}};
    default:
        return {Status::Loading, {}};
    }
}

std::string VendorRegistry::describe(const Result& result)
{
    switch (result.status) {
    case Status::Found:
        return result.name;
    case Status::Unknown:
        return "unknown vendor";
    case Status::LocallyAdministered:
        return "locally administered";
    case Status::RegistryMissing:
        return "vendor registry missing";
    case Status::Loading:
        break;
    }
    return "looking up vendor\xE2\x80\xA6";
}

} // namespace nolvo
