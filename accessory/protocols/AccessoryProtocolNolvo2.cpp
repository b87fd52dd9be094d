#include "accessory/protocols/AccessoryProtocolNolvo2.h"

#include <algorithm>
#include <cstring>

#include "accessory/protocols/AccessPointRecord.h"
#include "accessory/protocols/BigEndian.h"
#include "accessory/protocols/PowerCommandFields.h"
#include "model/DataModel.h"

namespace nolvo {

namespace {

// Frame length by type; 0 marks the types whose length depends on the frame (stop ack, access points).
constexpr int kFrameLengths[8] = {-2, 1254, 3, 60, -2, 260, 0, 0};
constexpr int kStopAckLength = 4;
constexpr int kRecordLength = 64;
// The accessory reports at most 20 access points per frame (longer scans take several frames),
// so no real frame is longer than this; one that announces more can never complete.
constexpr int kMaxRecordsPerFrame = 20;
constexpr int kMaxFrameLength = 4 + kRecordLength * kMaxRecordsPerFrame;
constexpr int kSettingsLength = 20;
constexpr int kSpectrumFrameLength = 260;
constexpr int kSpectrumValuesPerFrame = 256;
constexpr int kSerialAt = 16;
constexpr int kSerialBytes = 17;

} // namespace

const AccessoryProtocol::ModelConstants AccessoryProtocolNolvo2::kConstants = {
    {1, 1, 1, 0}, 256, 0, 1000, 245, 0, 0.2f, 0.2f, 0.1f, 110.0f, 20.0f,
};

struct AccessoryProtocolNolvo2::Calibration {
    std::uint8_t flags[4] = {1, 0, 0, 0}; // access points, spectrum, power, spectrum
    SpectrumCalibration spectrum;
    float powerScale = 1.0f;
    float powerOffset = 0.0f;
    std::uint8_t sequence = 0;
    float extra = 1.0f;
};

AccessoryProtocolNolvo2::AccessoryProtocolNolvo2()
    : AccessoryProtocol(kModelId, kMaxFrameLength), m_calibration(std::make_unique<Calibration>())
{
}

AccessoryProtocolNolvo2::~AccessoryProtocolNolvo2() = default;

int AccessoryProtocolNolvo2::frameLength(const std::uint8_t* bytes, int count) const
{
    const int length = tableFrameLength(bytes, count, kFrameLengths);
    if (length != 0) {
        return length;
    }
    if (frameType(bytes[1]) == kFrameStopAck) {
        // A stop acknowledgement split across two reads is incomplete, not unknown: wait for it.
        return count < kStopAckLength ? kLengthNeedMore : kStopAckLength;
    }
    if (count < 3) {
        return kLengthNeedMore;
    }
    const int announced = 4 + kRecordLength * bytes[2];
    return count < announced ? kLengthNeedMore : announced;
}

bool AccessoryProtocolNolvo2::needsRepeatedStart() const { return false; }
bool AccessoryProtocolNolvo2::supportsAccessPointScan() const { return m_calibration->flags[0] != 0; }
bool AccessoryProtocolNolvo2::supportsSpectrum() const { return m_calibration->flags[1] != 0; }
bool AccessoryProtocolNolvo2::supportsPower() const { return m_calibration->flags[2] != 0; }
int AccessoryProtocolNolvo2::spectrumSegments(int /*band*/) const { return 1; }
int AccessoryProtocolNolvo2::powerSegments() const { return 1; }

int AccessoryProtocolNolvo2::decodeIdentification(const std::uint8_t* bytes, int count, AccessoryInfo* info)
{
    if (const int error = checkIdentification(bytes, count, kIdentificationLength); error != 0) {
        return error;
    }
    Calibration& cal = *m_calibration;
    const bool spectrum = bytes[8] != 0;
    const bool power = bytes[9] != 0;
    cal.flags[0] = 1;
    cal.flags[1] = spectrum ? 1 : 0;
    cal.flags[2] = power ? 1 : 0;
    cal.flags[3] = cal.flags[1];
    cal.spectrum = readCalibration(bytes, 44, 48, 56);
    cal.powerScale = be::readF32(bytes + 36);
    // The device reports its power offset 5 dB above what the samples need.
    cal.powerOffset = be::readF32(bytes + 40) - 5.0f;
    if (info == nullptr) {
        return 0;
    }

    AccessoryInfo out;
    beginInfo(out, bytes, kConstants);
    const std::uint8_t version[4] = {bytes[6], bytes[7], bytes[15], bytes[15]};
    std::memcpy(out.version, version, sizeof version);
    out.has24Spectrum = spectrum;
    out.has24AccessPoints = true;
    out.hasPower = power;
    out.modelByte = 0;
    out.concurrentScan = true;
    out.serial = hexText(bytes + kSerialAt, kSerialBytes);
    out.flag = 1;
    out.attenuatorCount = 0;
    out.levels24 = levelsAboveFloor(cal.spectrum);
    out.levels5 = 256;
    applyPowerMeterTables(out, cal.extra, power, cal.powerScale, cal.powerOffset);
    bandRange(cal.spectrum, out.min24, out.max24);
    *info = std::move(out);
    return 0;
}

int AccessoryProtocolNolvo2::checkSettingsAck(const std::uint8_t* bytes, int count) const
{
    return checkAck(bytes, count, kFrameSettingsAck, 3);
}

int AccessoryProtocolNolvo2::buildSettings(std::uint8_t* buffer, int capacity, const DataModel* settings)
{
    if (buffer == nullptr || settings == nullptr || capacity < kSettingsLength) {
        return kBuildFailed;
    }
    Calibration& cal = *m_calibration;
    ++cal.sequence;
    std::memset(buffer, 0, kSettingsLength);
    buffer[0] = kSync;
    buffer[1] = kSettingsLength;
    buffer[2] = 2;
    buffer[3] = 'S';
    buffer[4] = cal.sequence;

    const PowerCalibration power{kPowerTimePerDivision, kPowerTimeScaleCount, cal.powerScale, cal.powerOffset,
                                 1000};
    const PowerCommandFields fields = PowerCommandFields::compute(*settings, power);
    // The time-scale byte counts down from the slowest scale; roll mode always uses index 4.
    buffer[5] = static_cast<std::uint8_t>(17 - (fields.roll ? 4 : fields.timeIndex));
    if (!fields.powerMode) {
        return kSettingsLength;
    }
    if (fields.roll) {
        buffer[9] = 2;
        be::writeU32(buffer + 12, 1);
        be::writeU32(buffer + 16, 1);
        return kSettingsLength;
    }
    be::writeU16(buffer + 6, fields.levelCode);
    buffer[8] = fields.triggerFlags;
    buffer[9] = fields.autoTrigger ? 1 : 0;
    buffer[10] = fields.triggerCode;
    buffer[11] = fields.triggerParameters;
    be::writeU32(buffer + 12, fields.holdoffCount);
    be::writeU32(buffer + 16, fields.delayCount);
    return kSettingsLength;
}

int AccessoryProtocolNolvo2::settingsLength() const { return kSettingsLength; }

int AccessoryProtocolNolvo2::decodePower(const std::uint8_t* bytes, int count, float* values, int capacity,
                                         int* valueCount, int* segment, bool* triggered)
{
    const PowerLayout layout{1254, 4, 1000, m_calibration->powerScale, m_calibration->powerOffset};
    return decodePowerLayout(bytes, count, values, capacity, valueCount, segment, triggered, layout);
}

int AccessoryProtocolNolvo2::buildStartPower(std::uint8_t* buffer, int capacity) const
{
    return buildShortCommand(buffer, capacity, 1);
}

int AccessoryProtocolNolvo2::startPowerLength() const { return 3; }

int AccessoryProtocolNolvo2::decodeSpectrum(const std::uint8_t* bytes, int count, float* values, int capacity,
                                            int* valueCount, int* band, int* segment) const
{
    const int header = checkFrameHeader(bytes, count, kFrameSpectrum);
    if (header != 0) {
        return header;
    }
    const SpectrumLayout layout{kSpectrumFrameLength, 4, kSpectrumValuesPerFrame, kSpectrumBand24, 0};
    return decodeSpectrumLayout(bytes, count, values, capacity, valueCount, band, segment, layout,
                                m_calibration->spectrum);
}

int AccessoryProtocolNolvo2::buildStartSpectrum(std::uint8_t* buffer, int capacity) const
{
    return buildShortCommand(buffer, capacity, 5);
}

int AccessoryProtocolNolvo2::startSpectrumLength() const { return 3; }

int AccessoryProtocolNolvo2::decodeAccessPoints(const std::uint8_t* bytes, int count,
                                                std::unique_ptr<AccessPointBatch>* list) const
{
    return AccessPointRecord::decodeFrame(bytes, count, list,
                                          {AccessPointRecord::Variant::kSecondGeneration, accessPointModel()});
}

int AccessoryProtocolNolvo2::buildStartAccessPointScan(std::uint8_t* buffer, int capacity) const
{
    return buildShortCommand(buffer, capacity, 7);
}

int AccessoryProtocolNolvo2::startAccessPointScanLength() const { return 3; }

int AccessoryProtocolNolvo2::checkStopAck(const std::uint8_t* bytes, int count) const
{
    return checkAck(bytes, count, kFrameStopAck, kStopAckLength);
}

int AccessoryProtocolNolvo2::buildStop(std::uint8_t* buffer, int capacity) const
{
    return buildShortCommand(buffer, capacity, 6);
}

int AccessoryProtocolNolvo2::stopLength() const { return 3; }

bool AccessoryProtocolNolvo2::reorderSegments(float* values, int total, const std::uint8_t* order,
                                              int segments) const
{
    return reorderBlocks(values, total, order, segments);
}

} // namespace nolvo
