#pragma once
// The channel plans of the channel guides: which channels each radio standard has, where each
// channel starts and ends, the axis a plan is laid over, how its buttons are staggered into rows,
// and the names the guide pickers and the popover show. Plans are numbered 0 to 11: 0 is no plan,
// 1 to 7 belong to the 2.4 GHz band, 8 to 11 to the 5 GHz band. Frequencies are kHz.
//
// Pure functions over constant tables: any thread may call them, no window is needed. The guide
// layer, the access-point overlay and the guide pickers of the spectrum menu all use these.

#include <cstdint>
#include <span>

namespace nolvo {

struct SpectrumSettings;

namespace channelplan {

constexpr int kNone = 0;
constexpr int kPlanCount = 12;   // plan indices 0..11
constexpr int kFirst5GHzPlan = 8;
// The plans of the overlay's 5 GHz wide-channel rules.
constexpr int k20MHzPlan5 = 8;
constexpr int k40MHzPlan5 = 9;
constexpr int k80MHzPlan5 = 10;
constexpr int k160MHzPlan5 = 11;

struct Edges {
    float startKHz = 0.0f;
    float endKHz = 0.0f;
    bool operator==(const Edges&) const = default;
};

struct Bounds {
    float lowKHz = 0.0f;
    float highKHz = 0.0f;
    bool operator==(const Bounds&) const = default;
};

// The plan's channel numbers in ascending order; empty for plan 0 and any index outside 1..11.
std::span<const std::uint16_t> channelList(int plan);

// Start and end of a channel. {0, 0} for plan 0, an index outside 1..11, and a channel outside
// the plan's range (plans 8 to 11 accept any channel 36..165, the others only their own list's
// first..last).
Edges channelEdges(int plan, int channel);

// What a guide button of the channel spans: the start and end truncated down to a multiple of
// 100 kHz, the end then moved up by 1000 kHz so that even the narrowest channel gets a button one
// can hit. {0, 0} where channelEdges gives {0, 0}.
Edges buttonSpan(int plan, int channel);

// The frequency axis of a plan: 2,400,000..2,500,000 for plans 1..7, 5,145,000..5,860,000 for
// plans 8..11, {0, 0} otherwise.
Bounds bandBounds(int plan);

// Rows the guide staggers overlapping channels into: 5 for plans 1..3, 9 for plans 4 and 5,
// 1 for every other index.
int rowCount(int plan);

// The band a plan belongs to: 0 for 1..7, 1 for 8..11, -1 for none.
int bandOf(int plan);

// Whether a channel number is in the plan's list.
bool containsChannel(int plan, int channel);

// Picker text of a plan ("NONE" for 0, "" outside 0..11).
const char* menuName(int plan);
// Text before the channel number in the guide popover's title ("" for plan 0 and outside 1..11).
const char* popoverPrefix(int plan);

// ---- guide pickers of the spectrum menu ----
// Rows of a band's picker: 8 for band 0 ("NONE" and plans 1..7), 5 for band 1 ("NONE" and plans
// 8..11); 0 for any other band.
int pickerRowCount(int band);
// The plan a picker row stores: band 0 row k is plan k; band 1 row 0 is 0, rows 1..4 are plans
// 8..11. 0 for a row outside the picker.
int planOfPickerRow(int band, int row);
// The picker row showing a stored plan; a value the band's slot does not accept shows row 0.
int pickerRowOfPlan(int band, int plan);
// The picker text of a row (menuName of its plan; "" outside the picker).
const char* pickerRowName(int band, int row);

// ---- the stored guide slots ----
// The plan a stored slot value stands for. The 2.4 GHz slot accepts 0..7, the 5 GHz slot 0 and
// 8..11; anything else (a 5 GHz plan in the 2.4 GHz slot, a damaged value) counts as no plan.
int storedPlan(int band, std::int32_t stored);
// The plan of the active band: the 2.4 GHz slot for band 0, the 5 GHz slot for band 1, none for
// any other band.
int activePlan(const SpectrumSettings& settings);

// ---- layout metrics by display size class (0..3; other values use class 3) ----
struct GuideMetrics {
    float rowHeight = 35.0f;
    float rowGap = 5.0f;
    float titleFontSize = 16.0f; // of the channel buttons
};
GuideMetrics guideMetrics(int sizeClass, int plan);
// Font size of the guide popover's texts.
float popoverFontSize(int sizeClass);

} // namespace channelplan
} // namespace nolvo
