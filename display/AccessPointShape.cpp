#include "display/AccessPointShape.h"

#include <algorithm>
#include <cmath>

#include "model/AccessPoint.h"
#include "model/ChannelPlans.h"

namespace nolvo {

namespace {

constexpr float kRiseSeconds = 3.0f;
// A fall eases out without end; this close to the received strength it lands, so a settled
// overlay stops changing (and stops costing redraws).
constexpr float kSettleDb = 0.01f;

bool segmentSet(std::int32_t segment) { return segment != 0 && segment != 255; }

// 2.4 GHz: u = width / 100 points per MHz from 2400 MHz; channel c is centred at 2407 + 5c.
std::optional<AccessPointShape> shape24(const AccessPoint& ap, float width)
{
    const int channel = ap.channel;
    if (channel < 1 || channel > AccessPoint::kChannelCount24) return std::nullopt;
    const float u = width / 100.0f;
    AccessPointShape s{(5.0f * channel + 7.0f) * u, 22.0f * u, 20.0f * u, false};
    const std::uint8_t mode = overlayMode(ap.modes);
    if (mode == AccessPoint::kMode11b) {
        s.dome = true;
        if (channel == 14) s.x = 87.0f * u;
    } else if (mode == AccessPoint::kMode11g || mode == AccessPoint::kMode11n) {
        if (ap.channelWidth == 10) {
            s.bottomWidth = s.topWidth = 10.0f * u;
        } else if (ap.channelWidth == 40) {
            s.bottomWidth = 44.0f * u;
            s.topWidth = 42.0f * u;
            if (ap.secondaryCode == AccessPoint::kSecondaryAbove && channel < 10) {
                s.x = (5.0f * channel + 17.0f) * u;
            } else if (ap.secondaryCode == AccessPoint::kSecondaryBelow && channel >= 5 && channel <= 13) {
                s.x = (5.0f * channel - 3.0f) * u;
            }
        }
    }
    return s;
}

// 5 GHz: v = width / 715 points per MHz from 5145 MHz; channel c is centred at 5000 + 5c.
std::optional<AccessPointShape> shape5(const AccessPoint& ap, float width)
{
    const int channel = ap.channel;
    if (channel < 36 || channel > 165) return std::nullopt;
    const float v = width / 715.0f;
    const auto at = [v](float c) { return (5.0f * c - 145.0f) * v; };
    AccessPointShape s{at(static_cast<float>(channel)), 20.0f * v, 20.0f * v, false};
    const auto setWidth = [&s, v](float mhz) { s.bottomWidth = s.topWidth = mhz * v; };
    // A width the accessory did not report (-1) or a narrow 10 MHz channel is shown as 20 MHz.
    if (ap.channelWidth == 20 || ap.channelWidth == -1 || ap.channelWidth == 10) return s;
    if (ap.channelWidth != 40) return std::nullopt;

    const std::int32_t seg0 = ap.alternate[0];
    const std::int32_t seg1 = ap.alternate[1];
    using namespace channelplan;
    if (!segmentSet(seg0) && !segmentSet(seg1)) {
        setWidth(40.0f);
        if (!containsChannel(k40MHzPlan5, channel)) {
            if (ap.secondaryCode == AccessPoint::kSecondaryAbove) s.x = at(channel + 2.0f);
            else if (ap.secondaryCode == AccessPoint::kSecondaryBelow) s.x = at(channel - 2.0f);
        }
    } else if (segmentSet(seg0) && !segmentSet(seg1)) {
        // An 80 MHz channel reported as 40 MHz with the centre of the 80 MHz block in segment 0.
        setWidth(80.0f);
        if (containsChannel(k80MHzPlan5, channel)) {
            // centred on its own channel
        } else if (containsChannel(k80MHzPlan5, seg0)) {
            s.x = at(static_cast<float>(seg0));
        } else if (containsChannel(k40MHzPlan5, channel) && containsChannel(k40MHzPlan5, seg0)) {
            if (channel == seg0) setWidth(40.0f);
            else s.x = at((static_cast<float>(seg0) + static_cast<float>(channel)) / 2.0f);
        }
    } else if (segmentSet(seg1)) {
        setWidth(20.0f);
    }
    return s;
}

} // namespace

std::uint8_t overlayMode(std::uint8_t modes)
{
    for (std::uint8_t flag : {AccessPoint::kMode11ac, AccessPoint::kMode11n, AccessPoint::kMode11a, AccessPoint::kMode11g,
                              AccessPoint::kMode11b}) {
        if (modes & flag) return flag;
    }
    return 0;
}

std::optional<AccessPointShape> accessPointShape(const AccessPoint& ap, float width)
{
    if (ap.band == 0) return shape24(ap, width);
    if (ap.band == 1) return shape5(ap, width);
    return std::nullopt;
}

void smoothStrength(AccessPoint& ap, float frameSeconds)
{
    if (ap.rssi != ap.displayTo) {
        ap.displayTo = ap.rssi;
        ap.displayFrom = ap.displayLevel;
    }
    if (!(frameSeconds > 0.0f) || ap.displayLevel == ap.displayTo || !std::isfinite(ap.rssi)) return;
    float shown = ap.displayLevel + (ap.displayTo - ap.displayFrom) * frameSeconds / kRiseSeconds;
    // A long frame (a minimised window) must not carry the level past the received strength.
    if ((ap.displayLevel < ap.rssi && shown > ap.rssi) || (ap.displayLevel > ap.rssi && shown < ap.rssi) ||
        !std::isfinite(shown) || std::fabs(shown - ap.rssi) < kSettleDb) {
        shown = ap.rssi;
    }
    ap.displayLevel = shown;
    // Falling: the ramp restarts from the level shown at the next frame, so the fall eases out.
    if (ap.displayTo < ap.displayLevel) ap.displayTo = ap.displayLevel;
}

float strengthHeight(float strength, float bottom, float top, float height)
{
    if (!(top > bottom) || std::isnan(strength)) return 0.0f;
    const float n = (std::clamp(strength, bottom, top) - bottom) / (top - bottom);
    return height * n;
}

} // namespace nolvo
