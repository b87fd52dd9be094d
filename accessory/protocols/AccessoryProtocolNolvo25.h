#pragma once
// The dual-band 2.4/5 GHz model (id 7): 256-value 2.4 GHz and 512-value 5 GHz frames, no power
// mode, an 8-byte settings command that selects the band, stop and access-point scan commands.

#include "accessory/protocols/AccessoryProtocol.h"

namespace nolvo {

class AccessoryProtocolNolvo25 final : public AccessoryProtocol {
public:
    static constexpr int kModelId = 7;
    static constexpr int kIdentificationLength = 56;

    AccessoryProtocolNolvo25();

    void prepare() override {}
    int frameLength(const std::uint8_t* bytes, int count) const override;
    bool needsRepeatedStart() const override;
    bool supportsAccessPointScan() const override;
    bool supportsSpectrum() const override;
    bool supportsPower() const override;
    int spectrumSegments(int band) const override;
    int powerSegments() const override;
    int reserved9() const override { return 0; }
    int reserved10() const override { return 0; }
    int decodeIdentification(const std::uint8_t* bytes, int count, AccessoryInfo* info) override;
    int checkSettingsAck(const std::uint8_t* bytes, int count) const override;
    int buildSettings(std::uint8_t* buffer, int capacity, const DataModel* settings) override;
    int settingsLength() const override;
    int decodePower(const std::uint8_t* bytes, int count, float* values, int capacity, int* valueCount, int* segment,
                    bool* triggered) override;
    int buildStartPower(std::uint8_t* buffer, int capacity) const override;
    int startPowerLength() const override;
    int decodeSpectrum(const std::uint8_t* bytes, int count, float* values, int capacity, int* valueCount, int* band,
                       int* segment) const override;
    int buildStartSpectrum(std::uint8_t* buffer, int capacity) const override;
    int startSpectrumLength() const override;
    int decodeAccessPoints(const std::uint8_t* bytes, int count,
                           std::unique_ptr<AccessPointBatch>* list) const override;
    int buildStartAccessPointScan(std::uint8_t* buffer, int capacity) const override;
    int startAccessPointScanLength() const override;
    int checkStopAck(const std::uint8_t* bytes, int count) const override;
    int buildStop(std::uint8_t* buffer, int capacity) const override;
    int stopLength() const override;
    bool reorderSegments(float* values, int total, const std::uint8_t* order, int segments) const override;

private:
    // Raw and displayed bins, refresh intervals, access-point timing and the mode bytes.
    static const ModelConstants kConstants;
    struct Calibration;
    std::unique_ptr<Calibration> m_calibration;

public:
    ~AccessoryProtocolNolvo25() override;
};

} // namespace nolvo
