#pragma once
// One Wi-Fi access point as the accessory reported it, plus what the program derives from it: the
// overlay animation levels, its marker colour and the analysis of the utilization pass.
//
// A plain record, copied field by field (the extra data is owned and copied with it). The
// access-point decoder fills the accessory fields of a fresh record; the list (AccessPointList)
// owns the records it holds. Records in the DataModel's list are guarded by accessPointLock.
//
// Every field read from the accessory may hold anything: the SSID length byte is clamped to 32
// wherever it is read, and the SSID bytes are not assumed to be text.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nolvo {

using Bssid = std::array<std::uint8_t, 6>;

// An inclusive range of channel numbers.
struct ChannelRange {
    int first = 0;
    int last = 0;
    bool contains(int channel) const { return channel >= first && channel <= last; }
};

// A frequency span in MHz, [low, high].
struct FrequencySpan {
    int lowMHz = 0;
    int highMHz = 0;
};

class AccessPoint {
public:
    static constexpr int kSsidBytes = 32;
    static constexpr int kMaxSuggestions = 10;
    static constexpr int kChannelCount24 = 14;

    // Mode flags.
    static constexpr std::uint8_t kMode11b = 1u << 0;
    static constexpr std::uint8_t kMode11g = 1u << 1;
    static constexpr std::uint8_t kMode11n = 1u << 2;
    static constexpr std::uint8_t kMode11a = 1u << 3;
    static constexpr std::uint8_t kMode11ac = 1u << 4;

    // Secondary-channel codes of a 40 MHz access point.
    static constexpr std::int32_t kSecondaryNone = 0;
    static constexpr std::int32_t kSecondaryAbove = 1;
    static constexpr std::int32_t kSecondaryBelow = 2;

    std::uint64_t lastSeen = 0;        // steady clock, ms
    std::uint32_t timesSeen = 0;       // scans in which it was seen (shown as "CNT.")
    std::uint8_t ssidLength = 0;       // as reported; read through ssidSize() (clamped to 32)
    std::uint8_t ssid[kSsidBytes] = {}; // network name, arbitrary bytes, not terminated
    Bssid bssid{};                     // hardware address, the merge key
    std::int32_t typeCode = 0;         // accessory's type code (0..3)
    std::int32_t band = 0;             // 0 the 2.4 GHz band, 1 the 5 GHz band
    std::uint8_t modes = 0;            // kMode* flags
    std::uint16_t channel = 0;         // channel number, 0 unknown
    std::int32_t alternate[2] = {0, 0}; // two alternate values of the dual-band accessory
    std::int32_t channelWidth = -1;    // MHz: 10, 20, 40, or -1 unknown
    std::int32_t secondaryCode = kSecondaryNone; // kSecondary*
    std::int32_t security = 0;         // 0 open, 1 WPS, 2 WEP, 3 WPA, 4 WPA2, other values possible
    std::int32_t encryption = 0;       // encryption class
    float rssi = 0.0f;                 // dBm

    float displayFrom = 0.0f;          // overlay animation start level, dBm
    float displayLevel = 0.0f;         // level the overlay currently shows, dBm
    float displayTo = 0.0f;            // level the overlay moves towards, dBm
    std::uint8_t color[4] = {0, 0, 0, 255}; // R, G, B, A of the marker and the table row

    // Analysis of the last full utilization pass (all zero before the first one).
    float utilization = 0.0f;          // percent of its own level in its own span
    std::int32_t coChannelCount = 0;
    std::int32_t adjacentCount = 0;
    float adjacentInterference = 0.0f;
    float coChannelInterference = 0.0f;
    float grade = 0.0f;                // 0..100
    float bestScore = 0.0f;
    std::uint8_t bestChannel = 0;
    std::uint8_t suggestionCount = 0;  // 0..kMaxSuggestions
    std::uint8_t suggestions[kMaxSuggestions] = {}; // suggested channels, oldest first
    // What the last suggestion compared (selected access points only): the score on channel x,
    // before the off-channel weighting, at index x - 1, for the channels whose bit x - 1 is set
    // in candidateMask.
    float candidateScores[kChannelCount24] = {};
    std::uint16_t candidateMask = 0;

    std::vector<std::uint8_t> extraData; // owned, copied with the record

    // ---- identity and text ----
    bool sameBssid(const Bssid& other) const { return bssid == other; }
    // The SSID length clamped to the 32 bytes the record holds.
    int ssidSize() const { return ssidLength > kSsidBytes ? kSsidBytes : ssidLength; }
    // The SSID's bytes (clamped length), not text: may hold anything.
    std::string_view ssidBytes() const
    {
        return {reinterpret_cast<const char*>(ssid), static_cast<std::size_t>(ssidSize())};
    }
    // The SSID as text safe to show in a label: valid UTF-8, invalid bytes and control characters
    // replaced by U+FFFD. It may still hold '%': pass it as a "%s" argument or through
    // escapeForFormat, never as a format.
    std::string ssidDisplayText() const;
    // Copies text (at most 32 bytes) into the SSID and sets its length.
    void setSsid(std::string_view text);
    // The mode text: "a/", "b/", "g/", "n/", "ac/" for the flags set, in that order.
    std::string modeText() const;
    // Sort rank of the security class: open 0, WEP 1, WPA 2, WPA2 3, WPS 4, anything else 10.
    int securityRank() const;
    void resetAnalysis();
    // Appends a suggested channel; the list keeps the newest ten.
    void addSuggestion(std::uint8_t suggestedChannel);

    // ---- channel geometry (2.4 GHz band) ----
    // The secondary channel of a 40 MHz access point placed on `onChannel`: onChannel + 4 for
    // code 1 up to channel 9, onChannel - 4 for code 2 from channel 5; 0 when there is none.
    int secondaryChannelAt(int onChannel) const;
    int secondaryChannel() const { return secondaryChannelAt(channel); }
    // The frequency span the access point would occupy on `onChannel`. None for channel 0 or
    // above 14, a band other than 0, an own channel of 15 or more, widths other than 20 and 40
    // MHz, or a 40 MHz code that does not fit the channel.
    std::optional<FrequencySpan> frequencySpanAt(int onChannel) const;
    // The channels that overlap the access point placed on `onChannel`. None for channel 0 or
    // above 14, a band other than 0, widths other than 20 and 40 MHz, or a 40 MHz access point
    // whose secondary-channel code is missing or does not fit the channel.
    std::optional<ChannelRange> overlappingChannelsAt(int onChannel) const;

    // Centre frequency of a 2.4 GHz channel 1..14, MHz.
    static int centreFrequency24(int channelNumber);
    // Doubles every '%' so that text can be part of a printf format.
    static std::string escapeForFormat(std::string_view text);
};

} // namespace nolvo
