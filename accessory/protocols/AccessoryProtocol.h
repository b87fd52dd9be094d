#pragma once
// The per-model protocol object: frame lengths, identification, command packets and the frame
// decoders of one accessory model. The parser creates the object that matches the model id of the
// first identification frame and owns it from then on.
//
// Wire format: every frame and command starts with the sync byte 0xAA; byte 1 of a frame holds the
// type in bits 7..5, a flag in bit 4 and a sequence/segment number in bits 3..0; byte 1 of a
// command is its total length and byte 2 its code. Multi-byte fields are big-endian.
//
// Threads: an object is used by one thread at a time (the link thread's parser, and the worker
// thread for the command builders; the builders only touch the sequence counter, which the parser
// never reads). Inputs are raw bytes from the accessory and may be hostile: every operation checks
// its bounds and returns a negative code instead of reading past `count`.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/AccessoryInfo.h"

namespace nolvo {

class AccessPoint;
class DataModel;
using AccessPointBatch = std::vector<std::unique_ptr<AccessPoint>>;

// Frame types (bits 7..5 of byte 1).
enum FrameType : int {
    kFramePower = 1,
    kFrameSettingsAck = 2,
    kFrameIdentification = 3,
    kFrameSpectrum = 5,
    kFrameStopAck = 6,
    kFrameAccessPoints = 7,
};

constexpr std::uint8_t kSync = 0xAA;

// frameLength results besides a positive length.
constexpr int kLengthNeedMore = -1;    // more bytes needed (also: fewer than 2 bytes)
constexpr int kLengthUnknownType = -2; // unknown frame type: skip the two header bytes
constexpr int kLengthBadSync = -3;     // byte 0 is not the sync byte
constexpr int kLengthInvalid = -99;    // invalid frame: drop everything buffered

// Decoder, check and builder results besides 0 / a length.
constexpr int kDecodeBadSync = -1;
constexpr int kDecodeTooShort = -2;
constexpr int kDecodeNoBuffer = -3;
constexpr int kDecodeWrongType = -4;
constexpr int kUnsupported = -99;
constexpr int kBuildFailed = -1;

// Bands as decodeSpectrum reports them.
constexpr int kSpectrumBandNone = 0;
constexpr int kSpectrumBand24 = 1;
constexpr int kSpectrumBand5 = 2;

// Segment number meaning "none" after a failed decode.
constexpr int kNoSegment = 255;

// The largest number of values any spectrum frame carries (a 5 GHz sweep).
constexpr int kMaxSpectrumValues = 512;
// The largest number of samples any power frame carries.
constexpr int kMaxPowerValues = 1000;

class AccessoryProtocol {
public:
    virtual ~AccessoryProtocol() = default;

    virtual void prepare() = 0;

    // Length of the frame that starts at bytes[0], given `count` available bytes: the length when
    // the whole frame is there, else one of the kLength* codes.
    virtual int frameLength(const std::uint8_t* bytes, int count) const = 0;

    // True when the start commands must be repeated on every worker pass.
    virtual bool needsRepeatedStart() const = 0;
    virtual bool supportsAccessPointScan() const = 0;
    virtual bool supportsSpectrum() const = 0;
    virtual bool supportsPower() const = 0;
    // Frames per sweep of `band` (kSpectrumBand24 / kSpectrumBand5) and per power trace.
    virtual int spectrumSegments(int band) const = 0;
    virtual int powerSegments() const = 0;
    virtual int reserved9() const = 0;
    virtual int reserved10() const = 0;

    // Checks an identification frame, sets the calibration and fills `info` when given.
    // 0, or -3 no bytes, -2 too short, -1 bad sync, -4 not type 3, -99 another model's id.
    virtual int decodeIdentification(const std::uint8_t* bytes, int count, AccessoryInfo* info) = 0;
    // 0 when bytes hold a settings acknowledgement (type 2, at least 3 bytes), else negative.
    virtual int checkSettingsAck(const std::uint8_t* bytes, int count) const = 0;

    // Builds the settings command from the model's settings; returns its length, or -1 when the
    // capacity is too small or `settings` is null. Increments the sequence counter.
    virtual int buildSettings(std::uint8_t* buffer, int capacity, const DataModel* settings) = 0;
    virtual int settingsLength() const = 0;

    // Power frame: writes up to `capacity` dBm values. 0, or a negative decode code.
    virtual int decodePower(const std::uint8_t* bytes, int count, float* values, int capacity, int* valueCount,
                            int* segment, bool* triggered) = 0;
    virtual int buildStartPower(std::uint8_t* buffer, int capacity) const = 0;
    virtual int startPowerLength() const = 0;

    // Spectrum frame: writes the frame's dBm values (floored), their count, the band and the
    // segment number. 0, or a negative decode code (count 0 and segment 255 after the header).
    virtual int decodeSpectrum(const std::uint8_t* bytes, int count, float* values, int capacity, int* valueCount,
                               int* band, int* segment) const = 0;
    virtual int buildStartSpectrum(std::uint8_t* buffer, int capacity) const = 0;
    virtual int startSpectrumLength() const = 0;

    // Access-point frame: appends the accepted records to a list created in *list.
    virtual int decodeAccessPoints(const std::uint8_t* bytes, int count,
                                   std::unique_ptr<AccessPointBatch>* list) const = 0;
    virtual int buildStartAccessPointScan(std::uint8_t* buffer, int capacity) const = 0;
    virtual int startAccessPointScanLength() const = 0;

    // 0 when bytes hold a stop acknowledgement (type 6, at least 4 bytes), else negative.
    virtual int checkStopAck(const std::uint8_t* bytes, int count) const = 0;
    virtual int buildStop(std::uint8_t* buffer, int capacity) const = 0;
    virtual int stopLength() const = 0;

    // Puts the `segments` received segments of an assembled sweep (`total` values, the i-th
    // received segment numbered order[i]) into frequency order. False on bad arguments.
    virtual bool reorderSegments(float* values, int total, const std::uint8_t* order, int segments) const = 0;

    // The model id this object speaks for (2, 6 or 7).
    int modelId() const { return m_modelId; }
    // The model that hears about decoded access points: its on-screen log gets a line per record
    // and its accessory-connected flag tells live scans from demo playback. Not owned; null (the
    // default) means no log lines and live scans. Set by the parser's thread before decoding.
    void setAccessPointModel(const DataModel* model) { m_accessPointModel = model; }
    const DataModel* accessPointModel() const { return m_accessPointModel; }
    // The longest frame the model can send: a partial frame that still needs more bytes once this
    // many are buffered can never complete.
    int maxFrameLength() const { return m_maxFrameLength; }

protected:
    AccessoryProtocol(int modelId, int maxFrameLength) : m_modelId(modelId), m_maxFrameLength(maxFrameLength) {}

    struct SpectrumCalibration {
        float scale = 1.0f;
        float offset = 0.0f;
        float floor = -1000.0f;
    };

    // The frame type of a header byte.
    static int frameType(std::uint8_t headerByte) { return headerByte >> 5; }

    // Frame length from a per-type table: a positive entry is a fixed length (-1 until that many
    // bytes are there), a negative entry is returned as is. Entries of 0 are left to the caller
    // (returned as 0). Handles the sync and short-buffer cases.
    static int tableFrameLength(const std::uint8_t* bytes, int count, const int (&table)[8]);

    // The common header checks of every decoder: -3 / -2 / -1 / -2 / -4 in that order, else 0.
    static int checkFrameHeader(const std::uint8_t* bytes, int count, int type);

    // The checks of an identification frame before its payload is read: -3 no buffer, -2 shorter
    // than `length`, -1 bad sync, -4 not an identification frame, -99 another model; else 0.
    int checkIdentification(const std::uint8_t* bytes, int count, int length) const;

    // What an identification frame does not carry: the fixed figures of a model.
    struct ModelConstants {
        std::uint8_t modeBytes[4];
        std::uint32_t raw24, raw5, powerSamples, bins24, bins5;
        float refreshInterval24, refreshInterval5, refreshIntervalPower;
        float accessPointDelay, accessPointInterval;
    };
    // Starts the device information: model id, hardware bytes and the model's constants.
    void beginInfo(AccessoryInfo& info, const std::uint8_t* bytes, const ModelConstants& constants) const;
    // The power-meter tables of the single-band models (time per division, roll threshold and
    // reference index 4 and 4, the one-entry amplitude table) and, with power mode, the power range
    // with its maximum capped at 0 dBm when the range straddles it.
    static void applyPowerMeterTables(AccessoryInfo& info, float extra, bool power, float powerScale, float powerOffset);
    // The amplitude range of a band: the sample range, its minimum not below the floor.
    static void bandRange(const SpectrumCalibration& cal, float& minimum, float& maximum);

    // Acknowledgement check: at least `length` bytes, sync, and the given type.
    static int checkAck(const std::uint8_t* bytes, int count, int type, int length);

    // Writes the three-byte command AA 03 code; -1 when the buffer is missing or too small.
    static int buildShortCommand(std::uint8_t* buffer, int capacity, std::uint8_t code);

    // Sample bytes to dBm: b × scale + offset, never below the floor.
    static void convertSamples(const std::uint8_t* samples, int count, const SpectrumCalibration& cal, float* out);

    // Spectrum calibration from big-endian scale/offset floats and a floor byte.
    static SpectrumCalibration readCalibration(const std::uint8_t* bytes, int scaleAt, int offsetAt, int floorAt);

    // 256 − (floor − offset) ÷ scale, truncated and kept within 0..256 (256 when not computable).
    static std::int32_t levelsAboveFloor(const SpectrumCalibration& cal);
    // Smallest and largest amplitude a sample byte can express.
    static void sampleRange(float scale, float offset, float& minimum, float& maximum);

    // Lower-case hex text of `count` bytes.
    static std::string hexText(const std::uint8_t* bytes, int count);

    // The shared tail of every decodeSpectrum after the model's own checks: sets count 0 and
    // segment 255, checks the frame length and capacity, then converts `valuesPerFrame` sample
    // bytes starting at `firstSample`.
    struct SpectrumLayout {
        int frameLength;
        int firstSample;
        int valuesPerFrame;
        int band;
        int segment;
    };
    static int decodeSpectrumLayout(const std::uint8_t* bytes, int count, float* values, int capacity,
                                    int* valueCount, int* band, int* segment, const SpectrumLayout& layout,
                                    const SpectrumCalibration& cal);

    // The shared body of every decodePower: the header checks (-3 / -2 / -1 / -2 / -4), then count 0
    // and segment 255; -2 when the frame or `capacity` is short, -3 without `values`; else converts
    // `samplesPerFrame` bytes from `firstSample` as b x scale + offset (no floor) and reports the
    // segment (byte 1 bits 3..0) and the triggered flag (byte 1 bit 4).
    struct PowerLayout {
        int frameLength;
        int firstSample;
        int samplesPerFrame;
        float scale;
        float offset;
    };
    static int decodePowerLayout(const std::uint8_t* bytes, int count, float* values, int capacity, int* valueCount,
                                 int* segment, bool* triggered, const PowerLayout& layout);
    // Interleaved and block segment reordering (shared argument checks).
    static bool reorderInterleaved(float* values, int total, const std::uint8_t* order, int segments);
    static bool reorderBlocks(float* values, int total, const std::uint8_t* order, int segments);

private:
    int m_modelId;
    int m_maxFrameLength;
    const DataModel* m_accessPointModel = nullptr;
};

} // namespace nolvo
