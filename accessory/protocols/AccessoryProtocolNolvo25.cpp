#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cstring>

#include "accessory/protocols/AccessPointRecord.h"
#include "accessory/protocols/BigEndian.h"
#include "model/DataModel.h"

namespace nolvo {

namespace {

// Frame length by type; 0 marks the types whose length depends on the frame.
constexpr int kFrameLengths[8] = {-2, -2, 3, 56, -2, 0, 0, 0};
constexpr int kStopAckLength = 4;
constexpr int kRecordLength = 64;
constexpr int kMaxRecords = 20;
constexpr int kMaxFrameLength = 4 + kRecordLength * kMaxRecords;
constexpr int kSettingsLength = 8;
constexpr int kFrame24Length = 260;
constexpr int kFrame5Length = 516;
constexpr int kStatusFrameLength = 4;
constexpr int kSerialAt = 12;
constexpr int kSerialBytes = 12;

int spectrumFrameLength(const std::uint8_t* bytes, int count)
{
    // A 4-byte status frame (no samples) is recognised when it arrives on its own.
    if (count == kStatusFrameLength && (bytes[1] & 7) != 0) {
        return kStatusFrameLength;
    }
    if (count < 3) {
        return kLengthNeedMore;
    }
    int length = 0;
    if (bytes[2] == 0) {
        length = kFrame24Length;
    } else if (bytes[2] == 1) {
        length = kFrame5Length;
    } else {
        return kLengthInvalid;
    }
    return count < length ? kLengthNeedMore : length;
}

int accessPointFrameLength(const std::uint8_t* bytes, int count)
{
    if (count < 3) {
        return kLengthNeedMore;
    }
    if (count >= 4 && bytes[2] > kMaxRecords) {
        return kLengthInvalid;
    }
    const int announced = 4 + kRecordLength * bytes[2];
    return count < announced ? kLengthNeedMore : announced;
}

} // namespace

const AccessoryProtocol::ModelConstants AccessoryProtocolNolvo25::kConstants = {
    {1, 1, 1, 0}, 256, 512, 0, 245, 512, 0.25f, 1.25f, 0.1f, 0.0f, 4.0f,
};

struct AccessoryProtocolNolvo25::Calibration {
    std::uint8_t flags[5] = {1, 0, 0, 0, 0}; // access points, spectrum, power, 2.4 GHz band, 5 GHz band
    SpectrumCalibration spectrum24;
    SpectrumCalibration spectrum5;
    std::uint8_t sequence = 0;
};

AccessoryProtocolNolvo25::AccessoryProtocolNolvo25()
    : AccessoryProtocol(kModelId, kMaxFrameLength), m_calibration(std::make_unique<Calibration>())
{
}

AccessoryProtocolNolvo25::~AccessoryProtocolNolvo25() = default;

int AccessoryProtocolNolvo25::frameLength(const std::uint8_t* bytes, int count) const
{
    const int length = tableFrameLength(bytes, count, kFrameLengths);
    if (length != 0) {
        return length;
    }
    switch (frameType(bytes[1])) {
    case kFrameSpectrum:
        return spectrumFrameLength(bytes, count);
    case kFrameStopAck:
        // A stop acknowledgement split across two reads is incomplete, not unknown: wait for it.
        return count < kStopAckLength ? kLengthNeedMore : kStopAckLength;
    default:
        return accessPointFrameLength(bytes, count);
    }
}

bool AccessoryProtocolNolvo25::needsRepeatedStart() const { return false; }
bool AccessoryProtocolNolvo25::supportsAccessPointScan() const { return m_calibration->flags[0] != 0; }
bool AccessoryProtocolNolvo25::supportsSpectrum() const { return m_calibration->flags[1] != 0; }
bool AccessoryProtocolNolvo25::supportsPower() const { return m_calibration->flags[2] != 0; }
int AccessoryProtocolNolvo25::spectrumSegments(int /*band*/) const { return 1; }
int AccessoryProtocolNolvo25::powerSegments() const { return 1; }

int AccessoryProtocolNolvo25::decodeIdentification(const std::uint8_t* bytes, int count, AccessoryInfo* info)
{
    if (const int error = checkIdentification(bytes, count, kIdentificationLength); error != 0) {
        return error;
    }
    Calibration& cal = *m_calibration;
    const bool accessPoints = bytes[8] != 0;
    const bool band24 = bytes[9] != 0;
    const bool band5 = bytes[10] != 0;
    const bool spectrum = band24 || band5;
    cal.flags[0] = accessPoints ? 1 : 0;
    cal.flags[1] = spectrum ? 1 : 0;
    cal.flags[2] = 0;
    cal.flags[3] = band24 ? 1 : 0;
    cal.flags[4] = band5 ? 1 : 0;
    cal.spectrum24 = readCalibration(bytes, 24, 28, 36);
    cal.spectrum5 = readCalibration(bytes, 40, 44, 52);
    if (info == nullptr) {
        return 0;
    }

    AccessoryInfo out;
    beginInfo(out, bytes, kConstants);
    out.has24Spectrum = spectrum && band24;
    out.has5Spectrum = spectrum && band5;
    out.has24AccessPoints = accessPoints && band24;
    out.has5AccessPoints = accessPoints && band5;
    out.hasPower = false;
    out.modelByte = 0;
    // This model cannot sweep while it scans for access points: the worker alternates the two.
    out.concurrentScan = false;
    out.serial = hexText(bytes + kSerialAt, kSerialBytes);
    out.flag = 1;
    out.levels24 = levelsAboveFloor(cal.spectrum24);
    out.levels5 = static_cast<std::uint32_t>(levelsAboveFloor(cal.spectrum5));
    // No power meter: no time-per-division table, no roll mode (-1, -1), no amplitude table.
    out.rollThreshold = -1;
    out.rollReferenceIndex = -1;
    bandRange(cal.spectrum24, out.min24, out.max24);
    bandRange(cal.spectrum5, out.min5, out.max5);
    *info = std::move(out);
    return 0;
}

int AccessoryProtocolNolvo25::checkSettingsAck(const std::uint8_t* bytes, int count) const
{
    return checkAck(bytes, count, kFrameSettingsAck, 3);
}

int AccessoryProtocolNolvo25::buildSettings(std::uint8_t* buffer, int capacity, const DataModel* settings)
{
    if (buffer == nullptr || settings == nullptr || capacity < kSettingsLength) {
        return kBuildFailed;
    }
    ++m_calibration->sequence;
    std::memset(buffer, 0, kSettingsLength);
    buffer[0] = kSync;
    buffer[1] = kSettingsLength;
    buffer[2] = 2;
    buffer[3] = 'S';
    buffer[4] = m_calibration->sequence;
    buffer[5] = loadShared(settings->spectrum.band) == 1 ? 1 : 0;
    return kSettingsLength;
}

int AccessoryProtocolNolvo25::settingsLength() const { return kSettingsLength; }

int AccessoryProtocolNolvo25::decodePower(const std::uint8_t*, int, float*, int, int*, int*, bool*)
{
    return kUnsupported; // no power mode on this model
}

int AccessoryProtocolNolvo25::buildStartPower(std::uint8_t*, int) const { return kBuildFailed; }
int AccessoryProtocolNolvo25::startPowerLength() const { return 0; }

int AccessoryProtocolNolvo25::decodeSpectrum(const std::uint8_t* bytes, int count, float* values, int capacity,
                                             int* valueCount, int* band, int* segment) const
{
    const int header = checkFrameHeader(bytes, count, kFrameSpectrum);
    if (header != 0) {
        return header;
    }
    if (count == kStatusFrameLength && (bytes[1] & 7) == 1) {
        if (valueCount != nullptr) {
            *valueCount = 0;
        }
        if (segment != nullptr) {
            *segment = kNoSegment;
        }
        return 0;
    }
    const int segmentNumber = bytes[1] & 15;
    if (bytes[2] == 0) {
        const SpectrumLayout layout{kFrame24Length, 4, 256, kSpectrumBand24, segmentNumber};
        return decodeSpectrumLayout(bytes, count, values, capacity, valueCount, band, segment, layout,
                                    m_calibration->spectrum24);
    }
    if (bytes[2] == 1) {
        const SpectrumLayout layout{kFrame5Length, 4, 512, kSpectrumBand5, segmentNumber};
        return decodeSpectrumLayout(bytes, count, values, capacity, valueCount, band, segment, layout,
                                    m_calibration->spectrum5);
    }
    if (valueCount != nullptr) {
        *valueCount = 0;
    }
    if (segment != nullptr) {
        *segment = kNoSegment;
    }
    return kUnsupported;
}

int AccessoryProtocolNolvo25::buildStartSpectrum(std::uint8_t* buffer, int capacity) const
{
    return buildShortCommand(buffer, capacity, 5);
}

int AccessoryProtocolNolvo25::startSpectrumLength() const { return 3; }

int AccessoryProtocolNolvo25::decodeAccessPoints(const std::uint8_t* bytes, int count,
                                                 std::unique_ptr<AccessPointBatch>* list) const
{
    return AccessPointRecord::decodeFrame(bytes, count, list,
                                          {AccessPointRecord::Variant::kDualBand, accessPointModel()});
}

int AccessoryProtocolNolvo25::buildStartAccessPointScan(std::uint8_t* buffer, int capacity) const
{
    return buildShortCommand(buffer, capacity, 7);
}

int AccessoryProtocolNolvo25::startAccessPointScanLength() const { return 3; }

int AccessoryProtocolNolvo25::checkStopAck(const std::uint8_t* bytes, int count) const
{
    return checkAck(bytes, count, kFrameStopAck, kStopAckLength);
}

int AccessoryProtocolNolvo25::buildStop(std::uint8_t* buffer, int capacity) const
{
    return buildShortCommand(buffer, capacity, 6);
}

int AccessoryProtocolNolvo25::stopLength() const { return 3; }

bool AccessoryProtocolNolvo25::reorderSegments(float* values, int total, const std::uint8_t* order,
                                               int segments) const
{
    return reorderBlocks(values, total, order, segments);
}

} // namespace nolvo
