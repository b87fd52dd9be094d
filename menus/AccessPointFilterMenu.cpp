#include "menus/AccessPointFilterMenu.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "menus/AnalystControl.h"
#include "menus/MenuController.h"
#include "menus/SpectrumMenu.h"
#include "model/AccessPointFilter.h"
#include "model/DataModel.h"

namespace nolvo {

namespace {

AccessPointFilterSettings& filter()
{
    return DataModel::getInstance()->apFilter;
}

void changed()
{
    if (AnalystControl* control = AnalystControl::get()) control->filterChanged();
}

// The security rows of the menu, in the order shown; the mask bits are the security classes'.
const SecurityClass kSecurityRows[] = {SecurityClass::Open, SecurityClass::Wep, SecurityClass::Wpa, SecurityClass::Wpa2,
                                       SecurityClass::Wps};
const char* const kSecurityNames[] = {"OPEN", "WEP", "WPA", "WPA2", "WPS"};

constexpr float kSignalLow = -100.0f;
constexpr float kSignalHigh = -20.0f;

std::vector<std::string> channelNames()
{
    std::vector<std::string> names;
    for (int ch : AccessPointFilterMenu::channelChoices()) names.push_back(ch == 0 ? "ANY" : std::to_string(ch));
    return names;
}

int rowOfChannel(std::int32_t channel)
{
    const auto& choices = AccessPointFilterMenu::channelChoices();
    const auto it = std::find(choices.begin(), choices.end(), channel);
    return it == choices.end() ? 0 : static_cast<int>(it - choices.begin());
}

} // namespace

const std::vector<int>& AccessPointFilterMenu::channelChoices()
{
    static const std::vector<int> choices = [] {
        std::vector<int> c = {0};
        for (int ch = 1; ch <= 14; ++ch) c.push_back(ch);
        for (int ch = 36; ch <= 64; ch += 4) c.push_back(ch);
        for (int ch = 100; ch <= 144; ch += 4) c.push_back(ch);
        for (int ch = 149; ch <= 165; ch += 4) c.push_back(ch);
        return c;
    }();
    return choices;
}

int AccessPointFilterMenu::minimumSignalPosition(bool on, float dBm)
{
    if (!on || !std::isfinite(dBm)) return 0;
    const float t = (std::clamp(dBm, kSignalLow, kSignalHigh) - kSignalLow) / (kSignalHigh - kSignalLow);
    return 1 + static_cast<int>(std::lround(t * 99.0f));
}

float AccessPointFilterMenu::minimumSignalAt(int position)
{
    const float t = static_cast<float>(std::clamp(position, 1, 100) - 1) / 99.0f;
    return std::round(kSignalLow + t * (kSignalHigh - kSignalLow));
}

std::string AccessPointFilterMenu::minimumSignalText(bool on, float dBm)
{
    if (!on || !std::isfinite(dBm)) return "OFF";
    char text[24];
    std::snprintf(text, sizeof text, "%.0f dBm", static_cast<double>(dBm));
    return text;
}

bool AccessPointFilterMenu::openInPlaceOfOpenMenu()
{
    return MenuController::getInstance()->replaceOpenMenu(create());
}

void AccessPointFilterMenu::buildRows()
{
    addCaption("ACCESS POINT FILTERS");
    addButton("SSID TEXT ( / )", [] {
        MenuController::getInstance()->closeMenu(true);
        if (AnalystControl* control = AnalystControl::get()) control->startSsidTyping();
    });
    addMultiPicker(
        "SECURITY: ", {kSecurityNames, kSecurityNames + 5},
        [] {
            std::int32_t mask = 0;
            for (int row = 0; row < 5; ++row) {
                if (filter().securityMask & securityBit(kSecurityRows[row])) mask |= 1 << row;
            }
            return mask;
        },
        [](std::int32_t mask) {
            std::uint8_t bits = 0;
            for (int row = 0; row < 5; ++row) {
                if (mask & (1 << row)) bits |= securityBit(kSecurityRows[row]);
            }
            filter().securityMask = bits;
            changed();
        },
        [] {
            std::string names;
            for (int row = 0; row < 5; ++row) {
                if (!(filter().securityMask & securityBit(kSecurityRows[row]))) continue;
                names += (names.empty() ? "" : "/") + std::string(kSecurityNames[row]);
            }
            return names.empty() ? std::string("ANY") : names;
        });
    addSegmented(
        "BAND: ", {"BOTH", "2.4 GHz", "5 GHz"},
        [] {
            const std::uint8_t b = filter().bands & 3;
            return b == AccessPointFilterSettings::kBand24Only ? 1 : b == AccessPointFilterSettings::kBand5Only ? 2 : 0;
        },
        [](int i) {
            filter().bands = i == 1 ? AccessPointFilterSettings::kBand24Only
                             : i == 2 ? AccessPointFilterSettings::kBand5Only
                                      : 0;
            changed();
        });
    addPicker(
        "FROM CH.: ", [] { return channelNames(); }, [] { return rowOfChannel(filter().channelFirst); },
        [] { return channelNames()[static_cast<std::size_t>(rowOfChannel(filter().channelFirst))]; },
        [](int row) {
            filter().channelFirst = channelChoices()[static_cast<std::size_t>(std::clamp(row, 0, int(channelChoices().size()) - 1))];
            changed();
        });
    addPicker(
        "TO CH.: ", [] { return channelNames(); }, [] { return rowOfChannel(filter().channelLast); },
        [] { return channelNames()[static_cast<std::size_t>(rowOfChannel(filter().channelLast))]; },
        [](int row) {
            filter().channelLast = channelChoices()[static_cast<std::size_t>(std::clamp(row, 0, int(channelChoices().size()) - 1))];
            changed();
        });
    addSlider(
        "MIN SIGNAL: ",
        [] {
            const AccessPointFilterSettings& f = filter();
            return minimumSignalPosition(f.flags & AccessPointFilterSettings::kMinimumSignal, f.minimumSignal);
        },
        [] {
            const AccessPointFilterSettings& f = filter();
            return minimumSignalText(f.flags & AccessPointFilterSettings::kMinimumSignal, f.minimumSignal);
        },
        [](int p) {
            AccessPointFilterSettings& f = filter();
            if (p <= 0) {
                f.flags &= static_cast<std::uint8_t>(~AccessPointFilterSettings::kMinimumSignal);
            } else {
                f.flags |= AccessPointFilterSettings::kMinimumSignal;
                f.minimumSignal = minimumSignalAt(p);
            }
            changed();
        });
    addSegmented(
        "HIDDEN SSID: ", {"SHOW", "HIDE"},
        [] { return (filter().flags & AccessPointFilterSettings::kHideHidden) ? 1 : 0; },
        [](int i) {
            AccessPointFilterSettings& f = filter();
            if (i == 1) {
                f.flags |= AccessPointFilterSettings::kHideHidden;
            } else {
                f.flags &= static_cast<std::uint8_t>(~AccessPointFilterSettings::kHideHidden);
            }
            changed();
        });
    addButton("CLEAR FILTERS", [] {
        clearFilter(filter());
        changed();
    });
    addButton("BACK", [] { MenuController::getInstance()->replaceOpenMenu(SpectrumMenu::create()); });
}

} // namespace nolvo
