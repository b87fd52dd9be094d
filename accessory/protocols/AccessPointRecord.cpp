#include "accessory/protocols/AccessPointRecord.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "accessory/protocols/AccessoryProtocol.h"
#include "accessory/protocols/BigEndian.h"
#include "model/DataModel.h"

namespace nolvo {

namespace {

// Record offsets.
constexpr int kChannelAt = 1;
constexpr int kRssiAt = 2;
constexpr int kBssidAt = 4;
constexpr int kFlagsAt = 10;
constexpr int kSsidLengthAt = 12;
constexpr int kSsidAt = 13;
constexpr int kModesAt = 45;
constexpr int kBandAt = 46;
constexpr int kTypeCodeAt = 47;
constexpr int kAlternateAt = 50;
constexpr int kSecurityAt = 52;

constexpr std::uint8_t kDualBandModeMask = 0x1F;

constexpr std::uint32_t kSecurityUnknownWord = 0xFFFFFFFFu;
constexpr std::uint32_t kBitWep = 1u << 0;
constexpr std::uint32_t kBitCipher1 = 1u << 1;
constexpr std::uint32_t kBitCipher2 = 1u << 2;
constexpr std::uint32_t kBitWps = 1u << 20;
constexpr std::uint32_t kBitWpa = 1u << 21;
constexpr std::uint32_t kBitWpa2 = 1u << 22;

constexpr Bssid kDemoBssids[] = {
    {0xE0, 0x91, 0xF5, 0x76, 0x83, 0x22},
    {0xE0, 0x91, 0xF5, 0x76, 0x83, 0x23},
};

std::uint8_t secondGenerationModes(std::uint8_t byte)
{
    return (byte == AccessPoint::kMode11b || byte == AccessPoint::kMode11g || byte == AccessPoint::kMode11n) ? byte
                                                                                                           : 0;
}

} // namespace

bool AccessPointRecord::checksumValid(const std::uint8_t* record)
{
    std::uint8_t sum = 0;
    for (int i = 0; i < kLength; ++i) {
        sum = static_cast<std::uint8_t>(sum + record[i]);
    }
    return sum == 0;
}

bool AccessPointRecord::dualBandPlaceholder(const std::uint8_t* record)
{
    const std::uint8_t channel = record[kChannelAt];
    if (channel == 0 || channel == 255) {
        return true;
    }
    for (int i = 0; i < 6; ++i) {
        if (record[kBssidAt + i] != 0) {
            return false;
        }
    }
    return true;
}

std::int32_t AccessPointRecord::channelWidthOf(std::uint16_t flags)
{
    switch ((flags >> 10) & 3) {
    case 1:
        return 10;
    case 2:
        return 20;
    case 3:
        return 40;
    default:
        return -1;
    }
}

std::int32_t AccessPointRecord::secondaryCodeOf(std::uint16_t flags)
{
    switch ((flags >> 8) & 3) {
    case 1:
        return AccessPoint::kSecondaryAbove;
    case 2:
        return AccessPoint::kSecondaryBelow;
    default:
        return AccessPoint::kSecondaryNone;
    }
}

std::int32_t AccessPointRecord::securityOf(std::uint32_t word)
{
    if (word == 0) {
        return 0;
    }
    if (word == kSecurityUnknownWord) {
        return -1;
    }
    if (word & kBitWps) {
        return 1;
    }
    if (word & kBitWpa) {
        return 3;
    }
    if (word & kBitWpa2) {
        return 4;
    }
    if (word & kBitWep) {
        return 2;
    }
    return -1;
}

std::int32_t AccessPointRecord::encryptionOf(std::uint32_t word)
{
    if (word == 0) {
        return 0;
    }
    if (word == kSecurityUnknownWord) {
        return -1;
    }
    const bool first = (word & kBitCipher1) != 0;
    const bool second = (word & kBitCipher2) != 0;
    if (first && second) {
        return 3;
    }
    if (first) {
        return 1;
    }
    if (second) {
        return 2;
    }
    return securityOf(word) == 1 ? 0 : -1;
}

std::int32_t AccessPointRecord::typeCodeOf(std::uint8_t code)
{
    switch (code) {
    case 0:
        return 1;
    case 1:
        return 0;
    case 2:
        return 2;
    default:
        return 3;
    }
}

void AccessPointRecord::fill(const std::uint8_t* record, Variant variant, AccessPoint& out)
{
    const bool dualBand = variant == Variant::kDualBand;
    out.lastSeen = 0;
    // The length byte can claim up to 255 while the record holds 32 SSID bytes.
    out.ssidLength = std::min<std::uint8_t>(record[kSsidLengthAt], AccessPoint::kSsidBytes);
    std::memcpy(out.ssid, record + kSsidAt, AccessPoint::kSsidBytes);
    std::memcpy(out.bssid.data(), record + kBssidAt, out.bssid.size());
    out.typeCode = typeCodeOf(record[kTypeCodeAt]);
    out.band = record[kBandAt] == 0 ? kBand5 : kBand24;
    out.modes = dualBand ? static_cast<std::uint8_t>(record[kModesAt] & kDualBandModeMask)
                         : secondGenerationModes(record[kModesAt]);
    out.channel = record[kChannelAt];
    out.alternate[0] = dualBand ? record[kAlternateAt] : 0;
    out.alternate[1] = dualBand ? record[kAlternateAt + 1] : 0;
    const std::uint16_t flags = be::readU16(record + kFlagsAt);
    out.channelWidth = channelWidthOf(flags);
    out.secondaryCode = secondaryCodeOf(flags);
    const std::uint32_t security = be::readU32(record + kSecurityAt);
    out.security = securityOf(security);
    out.encryption = encryptionOf(security);
    out.rssi = static_cast<float>(be::readI16(record + kRssiAt));
}

bool AccessPointRecord::demoRenamed(const Bssid& bssid)
{
    for (const Bssid& demo : kDemoBssids) {
        if (bssid == demo) {
            return true;
        }
    }
    return false;
}

std::string AccessPointRecord::logText(int index, const AccessPoint& ap, Variant variant)
{
    // The SSID is an argument, never part of the format; ssidDisplayText bounds it to 32 bytes
    // of input and replaces what a label cannot show.
    const std::string ssid = ap.ssidDisplayText();
    char line[256];
    if (variant == Variant::kDualBand) {
        const std::uint32_t address = std::uint32_t{ap.bssid[0]} | (std::uint32_t{ap.bssid[1]} << 8) |
                                      (std::uint32_t{ap.bssid[2]} << 16) | (std::uint32_t{ap.bssid[3]} << 24);
        std::snprintf(line, sizeof line, "%d) %s CH: %d BW:%d SB:%d Alt: %d %d Sec %d Enc: %d %s  %.4x", index,
                      ssid.c_str(), static_cast<int>(ap.channel), ap.channelWidth, ap.secondaryCode, ap.alternate[0],
                      ap.alternate[1], ap.security, ap.encryption, ap.modeText().c_str(), address);
    } else {
        std::snprintf(line, sizeof line, "%d) %s CH: %d BW:%d SB:%d Alt: %d %d Sec %d Enc: %d", index, ssid.c_str(),
                      static_cast<int>(ap.channel), ap.channelWidth, ap.secondaryCode, ap.alternate[0],
                      ap.alternate[1], ap.security, ap.encryption);
    }
    return line;
}

int AccessPointRecord::decodeFrame(const std::uint8_t* bytes, int count, std::unique_ptr<AccessPointBatch>* list,
                                   const Context& context)
{
    if (bytes == nullptr) {
        return kDecodeNoBuffer;
    }
    if (count < kFrameHeaderLength) {
        return kDecodeTooShort;
    }
    const int records = bytes[2];
    if (count < kFrameHeaderLength + kLength * records) {
        return kDecodeTooShort;
    }
    if (bytes[0] != kSync) {
        return kDecodeBadSync;
    }
    if (list == nullptr) {
        return 0;
    }
    list->reset();
    const bool dualBand = context.variant == Variant::kDualBand;
    const DataModel* model = context.model;
    const bool demoPlayback = model != nullptr && !model->accessoryConnected.load();
    if (model != nullptr) {
        model->logLine(kLogLevel, kFrameSeparator);
    }
    for (int i = 0; i < records; ++i) {
        const std::uint8_t* record = bytes + kFrameHeaderLength + kLength * i;
        if (!checksumValid(record)) {
            // Standard error, never standard output: the headless logger's carries only the CSV path.
            std::fprintf(stderr, "!!!!!SSID: %d Checksum failed.\n", i);
            continue;
        }
        if (dualBand && dualBandPlaceholder(record)) {
            continue;
        }
        auto accessPoint = std::make_unique<AccessPoint>();
        fill(record, context.variant, *accessPoint);
        if (dualBand && demoPlayback && demoRenamed(accessPoint->bssid)) {
            accessPoint->setSsid(kDemoSsid);
        }
        if (model != nullptr && (!dualBand || accessPoint->band == kBand5)) {
            model->logLine(kLogLevel, logText(i, *accessPoint, context.variant));
        }
        if (!*list) {
            *list = std::make_unique<AccessPointBatch>();
        }
        (*list)->push_back(std::move(accessPoint));
    }
    return 0;
}

} // namespace nolvo
