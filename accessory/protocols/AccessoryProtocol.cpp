#include "accessory/protocols/AccessoryProtocol.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <vector>

#include "accessory/protocols/BigEndian.h"
#include "accessory/protocols/PowerCommandFields.h"

namespace nolvo {

int AccessoryProtocol::tableFrameLength(const std::uint8_t* bytes, int count, const int (&table)[8])
{
    if (bytes == nullptr || count < 2) {
        return kLengthNeedMore;
    }
    if (bytes[0] != kSync) {
        return kLengthBadSync;
    }
    const int entry = table[frameType(bytes[1])];
    if (entry > 0) {
        return count < entry ? kLengthNeedMore : entry;
    }
    return entry;
}

int AccessoryProtocol::checkFrameHeader(const std::uint8_t* bytes, int count, int type)
{
    if (bytes == nullptr) {
        return kDecodeNoBuffer;
    }
    if (count < 2) {
        return kDecodeTooShort;
    }
    if (bytes[0] != kSync) {
        return kDecodeBadSync;
    }
    if (count < 3) {
        return kDecodeTooShort;
    }
    if (frameType(bytes[1]) != type) {
        return kDecodeWrongType;
    }
    return 0;
}

int AccessoryProtocol::checkIdentification(const std::uint8_t* bytes, int count, int length) const
{
    if (bytes == nullptr) {
        return kDecodeNoBuffer;
    }
    if (count < length) {
        return kDecodeTooShort;
    }
    if (bytes[0] != kSync) {
        return kDecodeBadSync;
    }
    if (frameType(bytes[1]) != kFrameIdentification) {
        return kDecodeWrongType;
    }
    if (bytes[2] != m_modelId) {
        return kUnsupported;
    }
    return 0;
}

void AccessoryProtocol::beginInfo(AccessoryInfo& info, const std::uint8_t* bytes, const ModelConstants& c) const
{
    info.modelId = static_cast<std::uint8_t>(m_modelId);
    info.hardware[0] = bytes[3];
    info.hardware[1] = bytes[4];
    std::memcpy(info.modeBytes, c.modeBytes, sizeof info.modeBytes);
    info.raw24 = c.raw24;
    info.raw5 = c.raw5;
    info.powerSamples = c.powerSamples;
    info.bins24 = c.bins24;
    info.bins5 = c.bins5;
    info.refreshInterval24 = c.refreshInterval24;
    info.refreshInterval5 = c.refreshInterval5;
    info.refreshIntervalPower = c.refreshIntervalPower;
    info.accessPointDelay = c.accessPointDelay;
    info.accessPointInterval = c.accessPointInterval;
}

void AccessoryProtocol::applyPowerMeterTables(AccessoryInfo& info, float extra, bool power, float powerScale,
                                              float powerOffset)
{
    info.timePerDivision.assign(std::begin(kPowerTimePerDivision), std::end(kPowerTimePerDivision));
    info.rollThreshold = 4;
    info.rollReferenceIndex = 4;
    info.extraTable = {extra};
    if (power) {
        sampleRange(powerScale, powerOffset, info.powerMin, info.powerMax);
        if (info.powerMin < 0.0f && info.powerMax > 0.0f) {
            info.powerMax = 0.0f;
        }
    }
}

void AccessoryProtocol::bandRange(const SpectrumCalibration& cal, float& minimum, float& maximum)
{
    sampleRange(cal.scale, cal.offset, minimum, maximum);
    minimum = std::max(minimum, cal.floor);
}

int AccessoryProtocol::checkAck(const std::uint8_t* bytes, int count, int type, int length)
{
    if (bytes == nullptr) {
        return kDecodeNoBuffer;
    }
    if (count < length) {
        return kDecodeTooShort;
    }
    if (bytes[0] != kSync) {
        return kDecodeBadSync;
    }
    return frameType(bytes[1]) == type ? 0 : kDecodeWrongType;
}

int AccessoryProtocol::buildShortCommand(std::uint8_t* buffer, int capacity, std::uint8_t code)
{
    if (buffer == nullptr || capacity < 3) {
        return kBuildFailed;
    }
    buffer[0] = kSync;
    buffer[1] = 3;
    buffer[2] = code;
    return 3;
}

void AccessoryProtocol::convertSamples(const std::uint8_t* samples, int count, const SpectrumCalibration& cal,
                                       float* out)
{
    for (int i = 0; i < count; ++i) {
        const float amplitude = static_cast<float>(samples[i]) * cal.scale + cal.offset;
        out[i] = cal.floor > amplitude ? cal.floor : amplitude;
    }
}

int AccessoryProtocol::decodeSpectrumLayout(const std::uint8_t* bytes, int count, float* values, int capacity,
                                            int* valueCount, int* band, int* segment, const SpectrumLayout& layout,
                                            const SpectrumCalibration& cal)
{
    if (valueCount != nullptr) {
        *valueCount = 0;
    }
    if (segment != nullptr) {
        *segment = kNoSegment;
    }
    if (count < layout.frameLength || capacity < layout.valuesPerFrame) {
        return kDecodeTooShort;
    }
    if (values == nullptr) {
        return kDecodeNoBuffer;
    }
    convertSamples(bytes + layout.firstSample, layout.valuesPerFrame, cal, values);
    if (valueCount != nullptr) {
        *valueCount = layout.valuesPerFrame;
    }
    if (band != nullptr) {
        *band = layout.band;
    }
    if (segment != nullptr) {
        *segment = layout.segment;
    }
    return 0;
}

int AccessoryProtocol::decodePowerLayout(const std::uint8_t* bytes, int count, float* values, int capacity,
                                         int* valueCount, int* segment, bool* triggered, const PowerLayout& layout)
{
    const int header = checkFrameHeader(bytes, count, kFramePower);
    if (header != 0) {
        return header;
    }
    if (valueCount != nullptr) {
        *valueCount = 0;
    }
    if (segment != nullptr) {
        *segment = kNoSegment;
    }
    if (count < layout.frameLength || capacity < layout.samplesPerFrame) {
        return kDecodeTooShort;
    }
    if (values == nullptr) {
        return kDecodeNoBuffer;
    }
    const std::uint8_t* samples = bytes + layout.firstSample;
    for (int i = 0; i < layout.samplesPerFrame; ++i) {
        values[i] = static_cast<float>(samples[i]) * layout.scale + layout.offset;
    }
    if (valueCount != nullptr) {
        *valueCount = layout.samplesPerFrame;
    }
    if (segment != nullptr) {
        *segment = bytes[1] & 0x0F;
    }
    if (triggered != nullptr) {
        *triggered = (bytes[1] & 0x10) != 0;
    }
    return 0;
}

AccessoryProtocol::SpectrumCalibration AccessoryProtocol::readCalibration(const std::uint8_t* bytes, int scaleAt,
                                                                          int offsetAt, int floorAt)
{
    SpectrumCalibration cal;
    cal.scale = be::readF32(bytes + scaleAt);
    cal.offset = be::readF32(bytes + offsetAt);
    cal.floor = static_cast<float>(bytes[floorAt]) * cal.scale + cal.offset;
    return cal;
}

std::int32_t AccessoryProtocol::levelsAboveFloor(const SpectrumCalibration& cal)
{
    // The floor is byte × scale + offset, so the quotient is a whole number of steps; single
    // precision may leave it a hair above that, which truncation would turn into one level less.
    const double steps = (static_cast<double>(cal.floor) - cal.offset) / cal.scale;
    const double levels = 256.0 - steps + 1e-3;
    // A broken calibration (zero or non-finite scale) must not turn into an undefined conversion.
    if (!std::isfinite(levels)) {
        return 256;
    }
    if (levels <= 0.0) {
        return 0;
    }
    if (levels >= 256.0) {
        return 256;
    }
    return static_cast<std::int32_t>(levels);
}

void AccessoryProtocol::sampleRange(float scale, float offset, float& minimum, float& maximum)
{
    const float low = scale * 0.0f + offset;
    const float high = scale * 255.0f + offset;
    minimum = low < high ? low : high;
    maximum = low < high ? high : low;
}

std::string AccessoryProtocol::hexText(const std::uint8_t* bytes, int count)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 15]);
    }
    return text;
}

namespace {

// Shared argument checks of both reorderings; true when the arguments are usable.
bool reorderArgumentsValid(const float* values, int total, const std::uint8_t* order, int segments)
{
    if (values == nullptr || order == nullptr || total <= 0 || segments <= 0) {
        return false;
    }
    for (int i = 0; i < segments; ++i) {
        if (order[i] >= segments) {
            return false;
        }
    }
    return true;
}

} // namespace

bool AccessoryProtocol::reorderInterleaved(float* values, int total, const std::uint8_t* order, int segments)
{
    if (!reorderArgumentsValid(values, total, order, segments)) {
        return false;
    }
    if (segments == 1) {
        return true;
    }
    const int per = total / segments;
    const std::vector<float> received(values, values + total);
    for (int i = 0; i < segments; ++i) {
        for (int k = 0; k < per; ++k) {
            values[k * segments + order[i]] = received[static_cast<std::size_t>(i * per + k)];
        }
    }
    return true;
}

bool AccessoryProtocol::reorderBlocks(float* values, int total, const std::uint8_t* order, int segments)
{
    if (!reorderArgumentsValid(values, total, order, segments)) {
        return false;
    }
    bool identity = true;
    for (int i = 0; i < segments; ++i) {
        identity = identity && order[i] == i;
    }
    if (segments == 1 || identity) {
        return true;
    }
    const int per = total / segments;
    const std::vector<float> received(values, values + total);
    for (int i = 0; i < segments; ++i) {
        std::memcpy(values + order[i] * per, received.data() + i * per, sizeof(float) * static_cast<std::size_t>(per));
    }
    return true;
}

} // namespace nolvo
