#include "model/AccessPointFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/AccessPointList.h"

namespace nolvo {

namespace {

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether the lower-cased `needle` occurs in `text`, ASCII letters compared without case; other
// bytes (UTF-8 sequences included) compare exactly.
bool containsFolded(std::string_view text, std::string_view needle)
{
    if (needle.size() > text.size()) {
        return false;
    }
    const std::size_t last = text.size() - needle.size();
    for (std::size_t start = 0; start <= last; ++start) {
        std::size_t i = 0;
        while (i < needle.size() && foldAscii(text[start + i]) == needle[i]) {
            ++i;
        }
        if (i == needle.size()) {
            return true;
        }
    }
    return false;
}

// Channel numbers of both bands lie in 1..196; anything else in a store means "no bound".
int sanitisedChannelBound(std::int32_t stored)
{
    return (stored >= 1 && stored <= 255) ? stored : 0;
}

} // namespace

AccessPointFilter::AccessPointFilter(const AccessPointFilterSettings& settings)
{
    const std::size_t length = std::min<std::size_t>(settings.ssidLength, sizeof settings.ssidText);
    m_needle.assign(reinterpret_cast<const char*>(settings.ssidText), length);
    std::transform(m_needle.begin(), m_needle.end(), m_needle.begin(), foldAscii);

    m_securityMask = static_cast<std::uint8_t>(settings.securityMask & kAllSecurityBits);
    const bool only24 = settings.bands & AccessPointFilterSettings::kBand24Only;
    const bool only5 = settings.bands & AccessPointFilterSettings::kBand5Only;
    if (only24 != only5) {
        m_show24 = only24;
        m_show5 = only5;
    }
    m_hideHidden = settings.flags & AccessPointFilterSettings::kHideHidden;
    m_channelFirst = sanitisedChannelBound(settings.channelFirst);
    m_channelLast = sanitisedChannelBound(settings.channelLast);
    if (m_channelFirst && m_channelLast && m_channelFirst > m_channelLast) {
        std::swap(m_channelFirst, m_channelLast); // a range typed backwards still means that range
    }
    m_hasMinimum = (settings.flags & AccessPointFilterSettings::kMinimumSignal) && std::isfinite(settings.minimumSignal);
    m_minimumSignal = settings.minimumSignal;

    m_active = !m_needle.empty() || m_securityMask != 0 || !m_show24 || !m_show5 || m_hideHidden ||
               m_channelFirst != 0 || m_channelLast != 0 || m_hasMinimum;
}

bool AccessPointFilter::isHiddenSsid(std::string_view ssid)
{
    return std::all_of(ssid.begin(), ssid.end(), [](char c) { return c == '\0'; });
}

bool AccessPointFilter::matches(std::string_view ssid, bool hidden, int band, int channel, int security,
                                float rssi) const
{
    if (!m_active) {
        return true;
    }
    if (!(band == 1 ? m_show5 : m_show24)) {
        return false;
    }
    if (m_securityMask != 0 && (security < 0 || security > 4 || !(m_securityMask & (1u << security)))) {
        return false;
    }
    if ((m_channelFirst && channel < m_channelFirst) || (m_channelLast && channel > m_channelLast)) {
        return false;
    }
    if (m_hasMinimum && !(rssi >= m_minimumSignal)) {
        return false;
    }
    if (m_hideHidden && hidden) {
        return false;
    }
    return m_needle.empty() || containsFolded(ssid, m_needle);
}

bool AccessPointFilter::matches(const AccessPoint& ap) const
{
    if (!m_active) {
        return true;
    }
    const std::string_view ssid = ap.ssidBytes();
    return matches(ssid, isHiddenSsid(ssid), ap.band, ap.channel, ap.security, ap.rssi);
}

std::size_t AccessPointFilter::apply(const AccessPointList& list, std::vector<std::uint32_t>& passing) const
{
    passing.clear();
    passing.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (matches(list[i])) {
            passing.push_back(static_cast<std::uint32_t>(i));
        }
    }
    return passing.size();
}

void setFilterSsid(AccessPointFilterSettings& settings, std::string_view text)
{
    std::size_t length = std::min(text.size(), sizeof settings.ssidText);
    // Never cut a UTF-8 sequence in half: back up over continuation bytes.
    while (length > 0 && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    std::memset(settings.ssidText, 0, sizeof settings.ssidText);
    std::memcpy(settings.ssidText, text.data(), length);
    settings.ssidLength = static_cast<std::uint8_t>(length);
}

std::string filterSsid(const AccessPointFilterSettings& settings)
{
    const std::size_t length = std::min<std::size_t>(settings.ssidLength, sizeof settings.ssidText);
    return std::string(reinterpret_cast<const char*>(settings.ssidText), length);
}

void clearFilter(AccessPointFilterSettings& settings)
{
    settings = AccessPointFilterSettings{};
}

std::string filteredMarkerText(std::size_t shown, std::size_t total)
{
    if (shown >= total) {
        return {};
    }
    return "FILTERED " + std::to_string(shown) + " of " + std::to_string(total);
}

} // namespace nolvo
