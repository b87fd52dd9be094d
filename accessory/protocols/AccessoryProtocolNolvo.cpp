#include "accessory/protocols/AccessoryProtocolNolvo.h"

#include <algorithm>
#include <cstring>

#include "accessory/protocols/BigEndian.h"
#include "accessory/protocols/PowerCommandFields.h"
#include "model/DataModel.h"

namespace nolvo {

namespace {

// Frame length by type; -1 for type 7: this model never completes an access-point frame, the
// parser resynchronises once maxFrameLength bytes are buffered behind one.
constexpr int kFrameLengths[8] = {-2, 62, 3, 68, -2, 52, -2, -1};
constexpr int kSettingsLength = 32;
constexpr int kSpectrumFrameLength = 52;
constexpr int kSpectrumValuesPerFrame = 50;
constexpr float kFixedScale = 0.36290324f;
constexpr float kFixedOffset = -100.0f;

} // namespace

const AccessoryProtocol::ModelConstants AccessoryProtocolNolvo::kConstants = {
    {6, 2, 0, 1}, 100, 0, 240, 96, 0, 0.1f, 0.1f, 0.1f, 110.0f, 20.0f,
};

struct AccessoryProtocolNolvo::Calibration {
    std::uint8_t flags[4] = {0, 0, 0, 0}; // access points (always 0), spectrum, power, spectrum
    SpectrumCalibration spectrum{kFixedScale, kFixedOffset, kFixedOffset};
    float powerScale = 1.0f;
    float powerOffset = 0.0f;
    std::uint8_t sequence = 0;
    float extra = 1.0f;
};

AccessoryProtocolNolvo::AccessoryProtocolNolvo()
    : AccessoryProtocol(kModelId, kIdentificationLength), m_calibration(std::make_unique<Calibration>())
{
}

AccessoryProtocolNolvo::~AccessoryProtocolNolvo() = default;

int AccessoryProtocolNolvo::frameLength(const std::uint8_t* bytes, int count) const
{
    return tableFrameLength(bytes, count, kFrameLengths);
}

bool AccessoryProtocolNolvo::needsRepeatedStart() const { return true; }
bool AccessoryProtocolNolvo::supportsAccessPointScan() const { return m_calibration->flags[0] != 0; }
bool AccessoryProtocolNolvo::supportsSpectrum() const { return m_calibration->flags[1] != 0; }
bool AccessoryProtocolNolvo::supportsPower() const { return m_calibration->flags[2] != 0; }
int AccessoryProtocolNolvo::spectrumSegments(int /*band*/) const { return 2; }
int AccessoryProtocolNolvo::powerSegments() const { return 6; }

int AccessoryProtocolNolvo::decodeIdentification(const std::uint8_t* bytes, int count, AccessoryInfo* info)
{
    if (const int error = checkIdentification(bytes, count, kIdentificationLength); error != 0) {
        return error;
    }
    Calibration& cal = *m_calibration;
    const bool spectrum = bytes[8] != 0;
    const bool power = bytes[9] != 0;
    cal.flags[0] = 0;
    cal.flags[1] = spectrum ? 1 : 0;
    cal.flags[2] = power ? 1 : 0;
    cal.flags[3] = cal.flags[1];
    // The device's own spectrum calibration words are not used by this model: the scale and
    // offset are fixed, only the floor byte comes from the device.
    cal.spectrum.scale = kFixedScale;
    cal.spectrum.offset = kFixedOffset;
    cal.spectrum.floor = static_cast<float>(bytes[64]) * kFixedScale + kFixedOffset;
    cal.powerScale = be::readF32(bytes + 44);
    cal.powerOffset = be::readF32(bytes + 48);
    if (info == nullptr) {
        return 0;
    }

    AccessoryInfo out;
    beginInfo(out, bytes, kConstants);
    const std::uint8_t version[4] = {bytes[6], bytes[7], bytes[11], bytes[11]};
    std::memcpy(out.version, version, sizeof version);
    out.has24Spectrum = spectrum;
    out.has24AccessPoints = false;
    out.hasPower = power;
    out.modelByte = 1;
    out.concurrentScan = true;
    out.serial = "0";
    out.flag = 0;
    for (int i = 0; i < AccessoryInfo::kMaxAttenuatorSteps; ++i) {
        out.attenuatorTable[i] = be::readF32(bytes + 12 + 4 * i);
    }
    out.attenuatorCount = AccessoryInfo::kMaxAttenuatorSteps;
    out.auxiliaryWord = be::readU32(bytes + 60);
    out.levels24 = levelsAboveFloor(cal.spectrum);
    out.levels5 = 256;
    applyPowerMeterTables(out, cal.extra, power, cal.powerScale, cal.powerOffset);
    bandRange(cal.spectrum, out.min24, out.max24);
    *info = std::move(out);
    return 0;
}

int AccessoryProtocolNolvo::checkSettingsAck(const std::uint8_t* bytes, int count) const
{
    return checkAck(bytes, count, kFrameSettingsAck, 3);
}

int AccessoryProtocolNolvo::buildSettings(std::uint8_t* buffer, int capacity, const DataModel* settings)
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
    const std::int32_t attenuator = settings->common.internalAttenuationIndex;
    buffer[11] = (attenuator >= 1 && attenuator <= 6) ? static_cast<std::uint8_t>(attenuator) : 0;
    buffer[14] = 255;
    buffer[22] = cal.sequence;

    const PowerCalibration power{kPowerTimePerDivision, kPowerTimeScaleCount, cal.powerScale, cal.powerOffset, 240};
    const PowerCommandFields fields = PowerCommandFields::compute(*settings, power);
    if (!fields.powerMode) {
        return kSettingsLength;
    }
    buffer[23] = 1;
    buffer[6] = static_cast<std::uint8_t>(
        (fields.roll && fields.timeIndex == PowerCommandFields::kLastRollIndex) ? 5 : fields.timeIndex);
    if (fields.roll) {
        buffer[9] = 0;
        buffer[10] = 2;
        be::writeU32(buffer + 24, 1);
        be::writeU32(buffer + 28, 0);
        return kSettingsLength;
    }
    be::writeU16(buffer + 4, fields.levelCode);
    buffer[9] = fields.triggerFlags;
    buffer[10] = fields.autoTrigger ? 1 : 0;
    buffer[20] = fields.triggerCode;
    buffer[21] = fields.triggerParameters;
    be::writeU32(buffer + 24, fields.holdoffCount);
    be::writeU32(buffer + 28, fields.delayCount);
    return kSettingsLength;
}

int AccessoryProtocolNolvo::settingsLength() const { return kSettingsLength; }

int AccessoryProtocolNolvo::decodePower(const std::uint8_t* bytes, int count, float* values, int capacity,
                                        int* valueCount, int* segment, bool* triggered)
{
    const PowerLayout layout{62, 2, 40, m_calibration->powerScale, m_calibration->powerOffset};
    return decodePowerLayout(bytes, count, values, capacity, valueCount, segment, triggered, layout);
}

int AccessoryProtocolNolvo::buildStartPower(std::uint8_t* buffer, int capacity) const
{
    return buildShortCommand(buffer, capacity, 1);
}

int AccessoryProtocolNolvo::startPowerLength() const { return 3; }

int AccessoryProtocolNolvo::decodeSpectrum(const std::uint8_t* bytes, int count, float* values, int capacity,
                                           int* valueCount, int* band, int* segment) const
{
    const int header = checkFrameHeader(bytes, count, kFrameSpectrum);
    if (header != 0) {
        return header;
    }
    const SpectrumLayout layout{kSpectrumFrameLength, 2, kSpectrumValuesPerFrame, kSpectrumBand24, bytes[1] & 15};
    return decodeSpectrumLayout(bytes, count, values, capacity, valueCount, band, segment, layout,
                                m_calibration->spectrum);
}

int AccessoryProtocolNolvo::buildStartSpectrum(std::uint8_t* buffer, int capacity) const
{
    return buildShortCommand(buffer, capacity, 5);
}

int AccessoryProtocolNolvo::startSpectrumLength() const { return 3; }

int AccessoryProtocolNolvo::decodeAccessPoints(const std::uint8_t*, int, std::unique_ptr<AccessPointBatch>*) const
{
    return kUnsupported; // this model has no access-point scan
}

int AccessoryProtocolNolvo::buildStartAccessPointScan(std::uint8_t*, int) const { return kBuildFailed; }
int AccessoryProtocolNolvo::startAccessPointScanLength() const { return 0; }
int AccessoryProtocolNolvo::checkStopAck(const std::uint8_t*, int) const { return kUnsupported; }
int AccessoryProtocolNolvo::buildStop(std::uint8_t*, int) const { return kBuildFailed; }
int AccessoryProtocolNolvo::stopLength() const { return 0; }

bool AccessoryProtocolNolvo::reorderSegments(float* values, int total, const std::uint8_t* order,
                                             int segments) const
{
    return reorderInterleaved(values, total, order, segments);
}

} // namespace nolvo
