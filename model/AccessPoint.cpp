#include "model/AccessPoint.h"

#include <algorithm>
#include <cstring>

namespace nolvo {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

// Code points that must not reach a label: C0 and C1 controls, DEL, line and paragraph
// separators, the bidirectional overrides and isolates and the direction marks (left-to-right,
// right-to-left, Arabic letter mark): any of them can reorder the rest of a row.
bool isUnsafeCodePoint(std::uint32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x200E || cp == 0x200F || cp == 0x061C ||
           cp == 0x2028 || cp == 0x2029 ||
           (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFEFF;
}

bool isContinuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at text[0] (1 to 4), or 0 when it is not one.
// Overlong forms, surrogates and code points above U+10FFFF are not well-formed.
int sequenceLength(const std::uint8_t* text, std::size_t available, std::uint32_t& codePoint)
{
    const std::uint8_t lead = text[0];
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    int length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (available < static_cast<std::size_t>(length) || text[1] < low || text[1] > high) {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(text[i])) {
            return 0;
        }
        codePoint = (codePoint << 6) | (text[i] & 0x3Fu);
    }
    return length;
}

} // namespace

std::string AccessPoint::ssidDisplayText() const
{
    std::string text;
    const auto* bytes = ssid;
    const std::size_t size = static_cast<std::size_t>(ssidSize());
    text.reserve(size + 8);
    std::size_t i = 0;
    while (i < size) {
        std::uint32_t codePoint = 0;
        const int length = sequenceLength(bytes + i, size - i, codePoint);
        if (length == 0) {
            text += kReplacement;
            ++i;
            continue;
        }
        if (isUnsafeCodePoint(codePoint)) {
            text += kReplacement;
        } else {
            text.append(reinterpret_cast<const char*>(bytes + i), static_cast<std::size_t>(length));
        }
        i += static_cast<std::size_t>(length);
    }
    return text;
}

void AccessPoint::setSsid(std::string_view text)
{
    const std::size_t size = std::min<std::size_t>(text.size(), kSsidBytes);
    std::memset(ssid, 0, sizeof ssid);
    std::memcpy(ssid, text.data(), size);
    ssidLength = static_cast<std::uint8_t>(size);
}

std::string AccessPoint::modeText() const
{
    std::string text;
    if (modes & kMode11a) {
        text += "a/";
    }
    if (modes & kMode11b) {
        text += "b/";
    }
    if (modes & kMode11g) {
        text += "g/";
    }
    if (modes & kMode11n) {
        text += "n/";
    }
    if (modes & kMode11ac) {
        text += "ac/";
    }
    return text;
}

int AccessPoint::securityRank() const
{
    switch (security) {
    case 0: return 0;
    case 2: return 1;
    case 3: return 2;
    case 4: return 3;
    case 1: return 4;
    default: return 10;
    }
}

void AccessPoint::resetAnalysis()
{
    utilization = 0.0f;
    coChannelCount = 0;
    adjacentCount = 0;
    adjacentInterference = 0.0f;
    coChannelInterference = 0.0f;
    grade = 0.0f;
    bestScore = 0.0f;
    bestChannel = 0;
    suggestionCount = 0;
    std::memset(suggestions, 0, sizeof suggestions);
    std::memset(candidateScores, 0, sizeof candidateScores);
    candidateMask = 0;
}

void AccessPoint::addSuggestion(std::uint8_t suggestedChannel)
{
    if (suggestionCount >= kMaxSuggestions) {
        // Drop the oldest so that nine remain before the new one goes in.
        const int drop = suggestionCount - (kMaxSuggestions - 1);
        std::memmove(suggestions, suggestions + drop, static_cast<std::size_t>(kMaxSuggestions - 1));
        suggestionCount = kMaxSuggestions - 1;
    }
    suggestions[suggestionCount++] = suggestedChannel;
}

int AccessPoint::secondaryChannelAt(int onChannel) const
{
    if (channelWidth != 40) {
        return 0;
    }
    if (secondaryCode == kSecondaryAbove && onChannel <= 9) {
        return onChannel + 4;
    }
    if (secondaryCode == kSecondaryBelow && onChannel >= 5) {
        return onChannel - 4;
    }
    return 0;
}

int AccessPoint::centreFrequency24(int channelNumber)
{
    return channelNumber == 14 ? 2484 : 2412 + 5 * (channelNumber - 1);
}

std::optional<FrequencySpan> AccessPoint::frequencySpanAt(int onChannel) const
{
    if (onChannel < 1 || onChannel > kChannelCount24 || band != 0 || channel >= 15) {
        return std::nullopt;
    }
    const int centre = centreFrequency24(onChannel);
    if (channelWidth == 20 || (channelWidth == 40 && secondaryCode == kSecondaryNone)) {
        return FrequencySpan{centre - 10, centre + 10};
    }
    if (channelWidth == 40 && secondaryCode == kSecondaryAbove && onChannel <= 9) {
        return FrequencySpan{centre - 10, centre + 30};
    }
    // A lower secondary needs the access point's own channel to leave room below it.
    if (channelWidth == 40 && secondaryCode == kSecondaryBelow && channel >= 5 && channel <= 13) {
        return FrequencySpan{centre - 30, centre + 10};
    }
    return std::nullopt;
}

std::optional<ChannelRange> AccessPoint::overlappingChannelsAt(int onChannel) const
{
    if (onChannel < 1 || onChannel > kChannelCount24 || band != 0) {
        return std::nullopt;
    }
    if (channelWidth == 20) {
        if (onChannel == 14) {
            return ChannelRange{12, 14};
        }
        return ChannelRange{std::max(1, onChannel - 4), std::min(14, onChannel + 4)};
    }
    if (channelWidth == 40 && secondaryCode == kSecondaryAbove && onChannel <= 9) {
        return ChannelRange{std::max(1, onChannel - 4), std::min(14, onChannel + 8)};
    }
    if (channelWidth == 40 && secondaryCode == kSecondaryBelow && onChannel >= 5 && onChannel <= 13) {
        return ChannelRange{std::max(1, onChannel - 8), std::min(14, onChannel + 4)};
    }
    return std::nullopt;
}

std::string AccessPoint::escapeForFormat(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        escaped += c;
        if (c == '%') {
            escaped += '%';
        }
    }
    return escaped;
}

} // namespace nolvo
