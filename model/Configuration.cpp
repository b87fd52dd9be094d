// The settings defaults and the four configuration slots in the key/value store.

#include <cmath>
#include <cstring>
#include <string>

#include "model/DataModel.h"
#include "model/SharedField.h"
#include "model/ListCodec.h"
#include "platform/UserDefault.h"

namespace nolvo {

void copySettings(CommonSettings& to, const CommonSettings& from)
{
    assignWithShared(to, from, &CommonSettings::spectrumModeActive);
}

void copySettings(SpectrumSettings& to, const SpectrumSettings& from)
{
    assignWithShared(to, from, &SpectrumSettings::displayMode, &SpectrumSettings::band, &SpectrumSettings::ssidOverlay,
                     &SpectrumSettings::waterfallTimeScale, &SpectrumSettings::ssidScanInterval);
}

void copySettings(PowerSettings& to, const PowerSettings& from)
{
    assignWithShared(to, from, &PowerSettings::timeScaleIndex, &PowerSettings::amplitudeScaleIndex,
                     &PowerSettings::triggerDelay, &PowerSettings::triggerHoldoff, &PowerSettings::autoTrigger,
                     &PowerSettings::triggerType, &PowerSettings::triggerLevel, &PowerSettings::powerEdgeRising,
                     &PowerSettings::digitalCombination, &PowerSettings::digitalInputA, &PowerSettings::digitalInputB,
                     &PowerSettings::edgeARise, &PowerSettings::edgeBRise);
}

void copySettings(DemoSettings& to, const DemoSettings& from)
{
    assignWithShared(to, from, &DemoSettings::hardware, &DemoSettings::scene, &DemoSettings::accessPoints);
}

namespace {

constexpr int kCurrentVersion = 1;
constexpr std::size_t kSpectrumSettingsV0Size = 84;
constexpr float kMinimumScanInterval = 20.0f;

std::string slotPrefix(int slot)
{
    return "config" + std::to_string(slot) + ".";
}

template <typename Record>
void storeRecord(const std::string& key, const Record& record)
{
    engine::UserDefault::getInstance()->setDataForKey(key.c_str(), engine::Data(&record, sizeof record));
}

// Copies a stored blob over the record when it is at least the record's size; a shorter blob is
// ignored and the record keeps its current value.
template <typename Record>
void loadRecord(const std::string& key, Record& record)
{
    const engine::Data blob = engine::UserDefault::getInstance()->getDataForKey(key.c_str());
    if (blob.getSize() >= sizeof record) {
        std::memcpy(&record, blob.getBytes(), sizeof record);
    }
}

// loadRecord for a record with shared fields: read into a copy, then copied over.
template <typename Record>
void loadSharedRecord(const std::string& key, Record& record)
{
    Record loaded;
    copySettings(loaded, record);
    loadRecord(key, loaded);
    copySettings(record, loaded);
}

template <typename Record>
void storeSharedRecord(const std::string& key, const Record& record)
{
    Record copy;
    copySettings(copy, record);
    storeRecord(key, copy);
}

CursorSettings defaultCursors()
{
    CursorSettings c{};
    c.verticalSelected = 1;
    c.option9 = 255; // a time unit outside the choices: BASE
    c.verticalX[0] = c.horizontalY[0] = c.secondY[0] = c.secondX[0] = 100.0f;
    c.verticalX[1] = c.horizontalY[1] = c.secondY[1] = c.secondX[1] = 200.0f;
    return c;
}

CommonSettings defaultCommon()
{
    CommonSettings c{};
    c.spectrumModeActive = 1;
    return c;
}

SpectrumSettings defaultSpectrum()
{
    SpectrumSettings s{};
    s.ssidOverlay = 1;
    s.traceSelection[0] = 6;
    s.holdTime = 1.0f;
    s.decayRate = 2.0f;
    s.averageTime = 1.0f;
    s.waterfallHighThreshold = -37.0f;
    s.waterfallLowThreshold = -85.0f;
    const std::uint8_t colors[5][3] = {{0, 0, 255}, {255, 0, 0}, {0, 255, 255}, {0, 255, 0}, {0, 0, 255}};
    std::memcpy(s.traceColors, colors, sizeof colors);
    for (std::uint8_t& count : s.peakCounts) {
        count = 5;
    }
    s.peaksHorizontal = 5;
    s.peaksVertical = 5;
    s.channelGuide24 = 3;
    s.ssidScanInterval = 30.0f;
    s.apTableSortCriteria = SpectrumSettings::kSortRssi;
    s.apTableDescending = 1;
    s.utilizationSortCriteria = SpectrumSettings::kSortGrade;
    s.utilizationDescending = 1;
    return s;
}

PowerSettings defaultPower()
{
    PowerSettings p{};
    p.persistence = 2.0f;
    p.timeScaleIndex = 15;
    p.amplitudeScaleIndex = 0; // the only entry of the accessories' amplitude table
    p.autoTrigger = 1;
    p.triggerType = 1;
    p.triggerLevel = -30.56f;
    p.powerEdgeRising = 1;
    p.edgeARise = 1;
    p.edgeBRise = 0;
    p.digitalInputB = 1;
    for (std::uint8_t& slot : p.measurements) {
        slot = 255;
    }
    return p;
}

ChannelSettings defaultChannel(bool reference)
{
    ChannelSettings c{};
    c.shown = reference ? 0 : 1;
    const std::uint8_t live[3] = {0, 255, 0};
    const std::uint8_t white[3] = {255, 255, 255};
    std::memcpy(c.color, reference ? white : live, 3);
    return c;
}

// Copies bytes [from, from + n) of the old layout to [to, to + n) of the record.
void copyField(SpectrumSettings& record, const std::uint8_t* old, std::size_t to, std::size_t from, std::size_t n)
{
    std::memcpy(reinterpret_cast<std::uint8_t*>(&record) + to, old + from, n);
}

} // namespace

void DataModel::resetSettings()
{
    graticuleMask = kGraticuleAll;
    alertsMask = kAlertsAll;
    cursors = defaultCursors();
    copySettings(common, defaultCommon());
    copySettings(spectrum, defaultSpectrum());
    copySettings(power, defaultPower());
    powerChannel = defaultChannel(false);
    referenceChannel = defaultChannel(true);
    referenceHistory.clear();
    copySettings(demo, DemoSettings{2, 1, 1});
    apFilter = AccessPointFilterSettings{};
}

DemoSettings DataModel::demoSettings() const
{
    return DemoSettings{loadShared(demo.hardware), loadShared(demo.scene), loadShared(demo.accessPoints)};
}

void DataModel::saveConfiguration(int slot)
{
    if (slot < 0 || slot >= kSlotCount) {
        return;
    }
    engine::UserDefault* store = engine::UserDefault::getInstance();
    const std::string prefix = slotPrefix(slot);
    store->setIntegerForKey((prefix + "version").c_str(), kCurrentVersion);
    store->setIntegerForKey((prefix + "graticule").c_str(), graticuleMask);
    store->setIntegerForKey((prefix + "alerts").c_str(), alertsMask);
    storeRecord(prefix + "cursors", cursors);
    storeSharedRecord(prefix + "common_settings", common);
    storeSharedRecord(prefix + "spectrum_settings", spectrum);
    storeSharedRecord(prefix + "power_setting", power);
    storeRecord(prefix + "power_channel0", powerChannel);
    storeRecord(prefix + "reference_channel0", referenceChannel);
    saveReference(prefix);
    storeSharedRecord(prefix + "demo", demo);
    storeRecord(prefix + "ap_filter", apFilter);
    store->flush();
}

bool DataModel::slotHoldsConfiguration(int slot) const
{
    if (slot < 0 || slot >= kSlotCount) {
        return false;
    }
    const int version = engine::UserDefault::getInstance()->getIntegerForKey((slotPrefix(slot) + "version").c_str(), -1);
    return version == 0 || version == kCurrentVersion;
}

void DataModel::loadConfiguration(int slot)
{
    if (slot < 0 || slot >= kSlotCount) {
        return;
    }
    engine::UserDefault* store = engine::UserDefault::getInstance();
    const std::string prefix = slotPrefix(slot);
    const int version = store->getIntegerForKey((prefix + "version").c_str(), -1);
    if (version != 0 && version != kCurrentVersion) {
        // Never written, or written by a newer (or damaged) format: start from the defaults and
        // make the slot hold them.
        resetSettings();
        saveConfiguration(slot);
        return;
    }
    graticuleMask = store->getIntegerForKey((prefix + "graticule").c_str(), graticuleMask);
    alertsMask = store->getIntegerForKey((prefix + "alerts").c_str(), alertsMask);
    loadRecord(prefix + "cursors", cursors);
    loadSharedRecord(prefix + "common_settings", common);
    loadSpectrumSettings(prefix, version);
    loadSharedRecord(prefix + "power_setting", power);
    loadRecord(prefix + "power_channel0", powerChannel);
    loadRecord(prefix + "reference_channel0", referenceChannel);
    loadReference(prefix);
    loadSharedRecord(prefix + "demo", demo);
    loadRecord(prefix + "ap_filter", apFilter);
}

void DataModel::loadSpectrumSettings(const std::string& prefix, int version)
{
    const engine::Data blob = engine::UserDefault::getInstance()->getDataForKey((prefix + "spectrum_settings").c_str());
    SpectrumSettings loaded;
    copySettings(loaded, spectrum);
    if (version == kCurrentVersion) {
        if (blob.getSize() >= sizeof loaded) {
            std::memcpy(&loaded, blob.getBytes(), sizeof loaded);
        }
    } else if (blob.getSize() >= kSpectrumSettingsV0Size) {
        // The older layout lacks the 5 GHz channel guide at 72: what is now at 76..87 sat at 72..83.
        // Trace 3, the hold, decay and average values and the 5 GHz guide keep their current values.
        const std::uint8_t* old = blob.getBytes();
        copyField(loaded, old, 0, 0, 1);    // display mode
        copyField(loaded, old, 4, 4, 4);    // band
        copyField(loaded, old, 8, 8, 1);    // overlay
        copyField(loaded, old, 9, 9, 2);    // trace selections 1 and 2
        copyField(loaded, old, 24, 24, 20); // colour maps, time scale, thresholds
        copyField(loaded, old, 44, 44, 23); // trace colours, peak options
        copyField(loaded, old, 68, 68, 4);  // 2.4 GHz channel guide
        copyField(loaded, old, 76, 72, 1);  // channel-guide option
        copyField(loaded, old, 80, 76, 4);  // scan interval
        copyField(loaded, old, 84, 80, 4);  // table sort criteria and directions
    }
    // Scans closer than 20 s apart starve the spectrum; 0 (no periodic scan) stays. A NaN or
    // negative interval from a damaged store is treated the same way.
    const float interval = loaded.ssidScanInterval;
    if (interval != 0.0f && !(interval >= kMinimumScanInterval)) {
        loaded.ssidScanInterval = kMinimumScanInterval;
    }
    copySettings(spectrum, loaded);
}

void DataModel::saveReference(const std::string& prefix) const
{
    engine::UserDefault* store = engine::UserDefault::getInstance();
    const std::string base = prefix + "referenceHistory.";
    store->setDataForKey((base + "history").c_str(), encodeFloatLists(referenceHistory.history));
    store->setDataForKey((base + "processedHistory").c_str(), encodeFloatLists(referenceHistory.processedHistory));
    store->setDataForKey((base + "alpha").c_str(), encodeFloats(referenceHistory.alpha));
    store->setDataForKey((base + "rollingHistory").c_str(), encodeFloats(referenceHistory.rollingHistory));
    store->setDataForKey((base + "processedRollingHistory").c_str(),
                         encodeFloats(referenceHistory.processedRollingHistory));
    store->setIntegerForKey((base + "maxRollPointsNeeded").c_str(), referenceHistory.maxRollPointsNeeded);
    store->setIntegerForKey((base + "timeScaleIndex").c_str(), referenceHistory.timeScaleIndex);
    store->setIntegerForKey((base + "amplitudeScaleIndex").c_str(), referenceHistory.amplitudeScaleIndex);
    store->setBoolForKey((base + "isValid").c_str(), referenceHistory.isValid);
}

void DataModel::loadReference(const std::string& prefix)
{
    engine::UserDefault* store = engine::UserDefault::getInstance();
    const std::string base = prefix + "referenceHistory.";
    referenceHistory.clear();
    auto blob = [&](const char* name) { return store->getDataForKey((base + name).c_str()); };
    engine::Data data = blob("history");
    referenceHistory.history = decodeFloatLists(data.getBytes(), data.getSize());
    data = blob("processedHistory");
    referenceHistory.processedHistory = decodeFloatLists(data.getBytes(), data.getSize());
    data = blob("alpha");
    referenceHistory.alpha = decodeFloats(data.getBytes(), data.getSize());
    data = blob("rollingHistory");
    referenceHistory.rollingHistory = decodeFloats(data.getBytes(), data.getSize());
    data = blob("processedRollingHistory");
    referenceHistory.processedRollingHistory = decodeFloats(data.getBytes(), data.getSize());
    referenceHistory.maxRollPointsNeeded =
        store->getIntegerForKey((base + "maxRollPointsNeeded").c_str(), referenceHistory.maxRollPointsNeeded);
    referenceHistory.timeScaleIndex =
        store->getIntegerForKey((base + "timeScaleIndex").c_str(), referenceHistory.timeScaleIndex);
    referenceHistory.amplitudeScaleIndex =
        store->getIntegerForKey((base + "amplitudeScaleIndex").c_str(), referenceHistory.amplitudeScaleIndex);
    referenceHistory.isValid = store->getBoolForKey((base + "isValid").c_str(), referenceHistory.isValid);
}

} // namespace nolvo
