#pragma once
// Decoding of access-point frames (type 7) of the second-generation and dual-band accessories.
//
// Frame: AA, type 7 in bits 7..5 of byte 1, byte 2 the record count n, byte 3 the accessory's scan
// counter (unused), then n records of 64 bytes (frame length 4 + 64 n). Record (big-endian):
//   0 unused | 1 channel | 2..3 RSSI, signed dBm | 4..9 BSSID | 10..11 channel flags word
//   12 SSID length | 13..44 SSID bytes | 45 802.11 modes | 46 band (0: 5 GHz, else 2.4 GHz)
//   47 type code | 48..49 unused | 50, 51 alternate values (dual-band only) | 52..55 security word
//   56..63 unused. The 8-bit sum of all 64 bytes is 0.
//
// Every byte comes from the accessory and may be hostile: the decoder reads only within `count`,
// clamps the SSID length byte to the 32 bytes a record holds and never uses SSID bytes as a
// format. A record with a bad checksum is dropped with the line
// "!!!!!SSID: <index> Checksum failed." on standard error; the others are still used.
//
// Threads: stateless; runs on the parser's thread. The DataModel in the context is only read (its
// accessory-connected flag) and written through its thread-safe on-screen log.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/AccessPoint.h"

namespace nolvo {

class DataModel;
using AccessPointBatch = std::vector<std::unique_ptr<AccessPoint>>;

class AccessPointRecord {
public:
    static constexpr int kLength = 64;
    static constexpr int kFrameHeaderLength = 4;
    static constexpr int kLogLevel = 8;

    enum class Variant { kSecondGeneration, kDualBand };

    struct Context {
        Variant variant = Variant::kSecondGeneration;
        // The model whose on-screen log hears about the records and whose accessory-connected
        // flag tells live scans from demo playback. Null: no log lines, scans count as live.
        const DataModel* model = nullptr;
    };

    // Decodes a whole frame. -3 no bytes, -2 fewer than 4 bytes or fewer than the announced
    // records, -1 byte 0 not the sync byte; 0 otherwise. With `list` given, *list becomes a new
    // list holding the accepted records, or null when none was accepted. Without it nothing is
    // decoded.
    static int decodeFrame(const std::uint8_t* bytes, int count, std::unique_ptr<AccessPointBatch>* list,
                           const Context& context);

    // True when the 64 bytes of a record sum to 0 modulo 256.
    static bool checksumValid(const std::uint8_t* record);
    // Whether the dual-band accessory's record is a placeholder to skip (all-zero BSSID, or
    // channel 0 or 255). The second generation keeps such records.
    static bool dualBandPlaceholder(const std::uint8_t* record);
    // Fills the accessory fields of `out` from a 64-byte record (checksum not checked).
    static void fill(const std::uint8_t* record, Variant variant, AccessPoint& out);

    // Channel flags word: bits 11..10 the width (01 10 MHz, 10 20 MHz, 11 40 MHz, 00 -1), bits 9..8
    // the secondary channel (01 above = 1, 10 below = 2, otherwise 0).
    static std::int32_t channelWidthOf(std::uint16_t flags);
    static std::int32_t secondaryCodeOf(std::uint16_t flags);
    // Security word: security class (0 open, 1 WPS, 2 WEP, 3 WPA, 4 WPA2, -1 unknown) and
    // encryption class (0 none, 1, 2, 3 both bits, -1 unknown).
    static std::int32_t securityOf(std::uint32_t word);
    static std::int32_t encryptionOf(std::uint32_t word);
    // Type code byte: 0 -> 1, 1 -> 0, 2 -> 2, anything else 3.
    static std::int32_t typeCodeOf(std::uint8_t code);

    // The on-screen log line of a decoded record (its index in the frame). SSID made safe: invalid
    // UTF-8 and control characters replaced, at most 32 bytes.
    static std::string logText(int index, const AccessPoint& accessPoint, Variant variant);

    // The BSSIDs that demo recordings rename to "Free WiFi" while no accessory is connected.
    static bool demoRenamed(const Bssid& bssid);
    static constexpr const char* kDemoSsid = "Free WiFi";
    static constexpr const char* kFrameSeparator = "--------------";
};

} // namespace nolvo
