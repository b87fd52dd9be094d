// Console front end: loads the working configuration (slot 0) and prints it. The window of the
// program replaces this once the engine and the main scene exist.

#include <cstdio>
#include <string>

#include "model/DataModel.h"
#include "model/ValueFormat.h"
#include "platform/FileUtils.h"
#include "platform/UserDefault.h"

using nolvo::DataModel;

namespace {

const char* onOff(unsigned value)
{
    return value ? "ON" : "OFF";
}

void printConfiguration(const DataModel& m)
{
    static const char* traces[] = {"NONE", "RAW", "DECAY", "AVERAGE", "MAX HOLD", "MIN HOLD", "HEAT MAP"};
    static const char* maps[] = {"RAINBOW", "FIRE", "X-RAY", "GREEN", "GREY"};
    static const char* hardware[] = {"first generation", "second generation", "dual band"};
    static const char* scenes[] = {"none", "Wi-Fi", "DECT", "DSSS"};
    const auto& s = m.spectrum;
    std::printf("Mode:            %s\n", m.common.spectrumModeActive ? "spectrum" : "power");
    std::printf("Display:         %s, %s band, SSID overlay %s\n", s.displayMode == 1 ? "WATERFALL" : "REAL WAVE",
                m.bandIndex() == nolvo::kBand5 ? "5 GHz" : "2.4 GHz", onOff(s.ssidOverlay));
    std::printf("Traces:          %s / %s / %s (%s)\n", traces[DataModel::traceKindOf(s.traceSelection[0])],
                traces[DataModel::traceKindOf(s.traceSelection[1])], traces[DataModel::traceKindOf(s.traceSelection[2])],
                m.common.displayStyle ? "DOTS" : "LINES");
    std::printf("Hold/decay/avg:  %s s, %s dB/sweep, %s s\n", nolvo::formatFixed(s.holdTime).c_str(),
                nolvo::formatFixed(s.decayRate).c_str(), nolvo::formatFixed(s.averageTime).c_str());
    std::printf("Colour maps:     heat map %s, waterfall %s\n", maps[DataModel::colorMapIndex(s.heatMapColorMap)],
                maps[DataModel::colorMapIndex(s.waterfallColorMap)]);
    std::printf("Waterfall:       %s dBm .. %s dBm\n", nolvo::formatFixed(s.waterfallLowThreshold).c_str(),
                nolvo::formatFixed(s.waterfallHighThreshold).c_str());
    std::printf("SSID scan every: %s s\n", nolvo::formatFixed(s.ssidScanInterval).c_str());
    std::printf("Attenuation:     external %s dB, internal step %d\n", nolvo::formatFixed(m.common.externalAttenuation).c_str(),
                m.common.internalAttenuationIndex);
    std::printf("Trigger:         %s, level %s dBm, time-scale index %d\n", m.power.autoTrigger ? "AUTO" : "NORMAL",
                nolvo::formatFixed(m.power.triggerLevel).c_str(), m.power.timeScaleIndex);
    std::printf("Graticule mask:  %d, alerts mask %d\n", m.graticuleMask, m.alertsMask);
    const unsigned demoHardware = m.demo.hardware;
    std::printf("Demo:            %s, scene %s, access points %s\n",
                demoHardware < 3 ? hardware[demoHardware] : "off", m.demo.scene < 4 ? scenes[m.demo.scene] : "none",
                onOff(m.demo.accessPoints));
}

} // namespace

int main()
{
    DataModel* model = DataModel::getInstance();
    model->loadConfiguration(0);
    std::printf("Nolvo Desktop %s (console preview: the window is not built yet)\n", NOLVO_VERSION);
    std::printf("Settings store:  %s\n", engine::UserDefault::getStorePath().c_str());
    std::printf("Data directory:  %s\n\n", engine::FileUtils::getInstance()->getWritablePath().c_str());
    printConfiguration(*model);
    return 0;
}
