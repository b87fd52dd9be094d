#include "tables/CellTexts.h"

#include <cmath>
#include <cstdio>

#include "model/Utilization.h"
#include "tables/AccessPointSnapshot.h"

namespace nolvo::cell {

namespace {

template <typename... Args>
std::string format(const char* pattern, Args... args)
{
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, args...);
    if (n < 0) {
        return {};
    }
    return std::string(buffer, static_cast<std::size_t>(n) < sizeof buffer ? static_cast<std::size_t>(n) : sizeof buffer - 1);
}

} // namespace

const char* securityText(std::int32_t security)
{
    switch (security) {
    case 0: return "OPEN";
    case 1: return "WPS";
    case 2: return "WEP";
    case 3: return "WPA";
    case 4: return "WPA2";
    default: return "?";
    }
}

bool lockShown(std::int32_t security, std::int32_t encryption)
{
    return !(security == 0 || (security == 1 && encryption == 0));
}

std::string modeText(std::uint8_t modes)
{
    AccessPoint probe;
    probe.modes = modes;
    std::string text = probe.modeText();
    if (text.size() > 1) {
        text.pop_back(); // the trailing "/"
    }
    return text;
}

const char* channelSuffix(std::int32_t band, std::int32_t channelWidth, std::int32_t secondaryCode)
{
    if ((band != 0 && band != 1) || channelWidth != 40) {
        return "";
    }
    if (secondaryCode == AccessPoint::kSecondaryAbove) {
        return "L";
    }
    if (secondaryCode == AccessPoint::kSecondaryBelow) {
        return "U";
    }
    return "";
}

std::string channelText(const AccessPointRow& row)
{
    return format("%d%s", static_cast<int>(row.channel), channelSuffix(row.band, row.channelWidth, row.secondaryCode));
}

std::string frequencyText(std::int32_t band, int channel)
{
    int megahertz = 0;
    if (band == 0) {
        if (channel >= 1 && channel <= 13) {
            megahertz = 2407 + 5 * channel;
        } else if (channel == 14) {
            megahertz = 2484;
        }
    } else if (band == 1) {
        megahertz = 5 * (channel + 1000);
    }
    return format("%.3f", megahertz / 1000.0);
}

std::string bssidText(const Bssid& b)
{
    return format("[%.2x:%.2x:%.2x:%.2x:%.2x:%.2x]", b[0], b[1], b[2], b[3], b[4], b[5]);
}

std::string rssiText(float rssi)
{
    if (!std::isfinite(rssi)) {
        return "-- dBm";
    }
    return format("%.0f dBm", static_cast<double>(rssi));
}

SignalBar signalBar(float r)
{
    SignalBar bar;
    if (!(r > -90.0f)) { // also a missing level (NaN)
        return bar;
    }
    if (r <= -60.0f) {
        bar.percent = ((r + 90.0f) * 0.013333334f + 0.1f) * 100.0f;
        bar.red = 255;
        bar.green = static_cast<std::uint8_t>((r + 90.0f) / 30.0f * 255.0f);
        return bar;
    }
    if (r < -30.0f) {
        bar.percent = ((r + 60.0f) * 0.016666668f + 0.5f) * 100.0f;
        bar.red = static_cast<std::uint8_t>((1.0f - (r + 60.0f) / 30.0f) * 255.0f);
        bar.green = 255;
        return bar;
    }
    bar.percent = 100.0f;
    bar.red = 0;
    bar.green = 255;
    return bar;
}

std::string countText(std::uint32_t timesSeen) { return format("%u", timesSeen); }

std::string gradePercentText(float grade)
{
    return format("%.0f%%", static_cast<double>(Utilization::shownGrade(grade)));
}

const char* gradeLetterText(float grade) { return Utilization::gradeLetter(Utilization::shownGrade(grade)); }

std::string gradeCompactText(float grade)
{
    return format("%s(%.0f%%)", gradeLetterText(grade), static_cast<double>(Utilization::shownGrade(grade)));
}

std::string utilizationChannelText(const AccessPointRow& row)
{
    const char* suffix = channelSuffix(row.band, row.channelWidth, row.secondaryCode);
    const int channel = row.channel;
    if (!row.selected || row.proposal == channel) {
        return format("%d%s", channel, suffix);
    }
    if (row.proposal == 0) {
        return format("%d%s->?", channel, suffix);
    }
    return format("%d%s->%d%s", channel, suffix, static_cast<int>(row.proposal), suffix);
}

} // namespace nolvo::cell
