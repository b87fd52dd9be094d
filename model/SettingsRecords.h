#pragma once
// The persisted settings records. Each record is stored as a raw little-endian byte blob of
// exactly sizeof(record) bytes, so the layouts below (sizes and offsets, checked at compile time)
// are the storage format and must never change.
//
// The fields are plain memory shared by the render thread (menus, layers) and the accessory
// worker; single-field writes take no lock, whole-configuration operations hold all three model
// locks (see ModelLock.h). Values read from a store may be out of range: the readers that index
// with them go through the clamping accessors of DataModel.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

static_assert(std::endian::native == std::endian::little, "the settings blobs are little-endian");

namespace nolvo {

// Bits of graticuleMask.
enum GraticuleBits : std::int32_t {
    kGraticuleCrosshairs = 1 << 0,
    kGraticuleMajorTics = 1 << 1,
    kGraticuleMinorTics = 1 << 2,
    kGraticuleMajorGrid = 1 << 3,
    kGraticuleMinorGrid = 1 << 4,
    kGraticuleAll = 31,
};

// Bits of alertsMask.
enum AlertBits : std::int32_t {
    kAlertOnStartup = 1 << 0,
    kAlertOnDisconnect = 1 << 1,
    kAlertsAll = 3,
};

// Power-mode cursor options (CursorSettings bytes 9 to 11, read through the accessors below): the
// unit of the time readouts, the span the PHASE unit counts as 360° and the span the RATIO unit
// counts as 100 %. A stored byte outside the values reads as BASE and as five divisions.
enum PowerCursorUnit : std::uint8_t { kUnitBase = 0, kUnitPhase = 1, kUnitRatio = 2 };
enum PowerCursorSpan : std::uint8_t { kWithinFiveDivisions = 0, kWithinCursors = 1, kWithinGrid = 2 };

struct CursorSettings {                 // key "cursors", 44 bytes
    std::uint8_t shown;                 // 0: cursors shown ("OFF"/"ON")
    std::uint8_t optionFlag;            // 1: cursor option flag (the cursor menu tests it for 1)
    std::uint8_t verticalSelected;      // 2: vertical pair (x positions) selected
    std::uint8_t horizontalSelected;    // 3: horizontal pair (y positions) selected
    std::uint8_t verticalOption1;       // 4
    std::uint8_t verticalOption2;       // 5
    std::uint8_t horizontalOption1;     // 6
    std::uint8_t horizontalOption2;     // 7
    std::uint8_t activeCursor;          // 8: the cursor that moves (0 first, 1 second)
    std::uint8_t option9;               // 9
    std::uint8_t option10;              // 10
    std::uint8_t option11;              // 11
    float verticalX[2];                 // 12, 16: vertical cursor x positions, layer points
    float horizontalY[2];               // 20, 24: horizontal cursor y positions
    float secondY[2];                   // 28, 32: second pair of y positions
    float secondX[2];                   // 36, 40: second pair of x positions

    // What bytes 9, 10 and 11 mean (power mode); the stored bytes are exactly these.
    PowerCursorUnit timeUnit() const { return static_cast<PowerCursorUnit>(option9); }
    void setTimeUnit(PowerCursorUnit unit) { option9 = unit; }
    PowerCursorSpan phaseSpan() const { return static_cast<PowerCursorSpan>(option10); }
    void setPhaseSpan(PowerCursorSpan span) { option10 = span; }
    PowerCursorSpan ratioSpan() const { return static_cast<PowerCursorSpan>(option11); }
    void setRatioSpan(PowerCursorSpan span) { option11 = span; }
};

struct CommonSettings {                 // key "common_settings", 16 bytes
    float externalAttenuation;          // 0: dB
    std::int32_t internalAttenuationIndex; // 4: 0..7 for 0..28 dB in 4 dB steps
    std::uint8_t pad8[2];               // 8, 9
    std::uint8_t displayStyle;          // 10: 0 lines, 1 dots
    std::uint8_t spectrumModeActive;    // 11: 1 spectrum mode, 0 power mode
    std::int32_t powerUnits;            // 12: 0 dBm, 1 mW
};

struct SpectrumSettings {               // key "spectrum_settings", 88 bytes (version 1 layout)
    // Sort criteria of the access-point tables (stored as one byte).
    enum SSIDSortCriteria : std::uint8_t {
        kSortNone = 0,
        kSortBssid = 1,
        kSortSsid = 2,
        kSortRssi = 3,
        kSortChannel = 4,
        kSortMode = 5,
        kSortFrequency = 6,
        kSortCount = 7,
        kSortSecurity = 8,
        kSortUtilization = 9,
        kSortGradePercent = 10,
        kSortGrade = 11,
    };

    std::uint8_t displayMode;           // 0: 0 "REAL WAVE", 1 "WATERFALL"
    std::uint8_t pad1[3];               // 1..3
    std::int32_t band;                  // 4: 0 2.4 GHz, 1 5 GHz
    std::uint8_t ssidOverlay;           // 8
    std::uint8_t traceSelection[3];     // 9..11: 0 none .. 6 heat map
    float holdTime;                     // 12: seconds
    float decayRate;                    // 16: dB per processed sweep
    float averageTime;                  // 20: seconds
    std::int32_t heatMapColorMap;       // 24
    std::int32_t waterfallColorMap;     // 28
    std::int32_t waterfallTimeScale;    // 32: 0, 1, 2 for the factors 1, 2, 5
    float waterfallHighThreshold;       // 36: dBm
    float waterfallLowThreshold;        // 40: dBm
    std::uint8_t traceColors[5][3];     // 44..58: raw, decay, average, max hold, min hold
    std::uint8_t onTopPeakTrace;        // 59
    std::uint8_t peakCounts[5];         // 60..64
    std::uint8_t peaksHorizontal;       // 65
    std::uint8_t peaksVertical;         // 66
    std::uint8_t pad67;                 // 67
    std::int32_t channelGuide24;        // 68
    std::int32_t channelGuide5;         // 72
    std::uint8_t channelGuideOption;    // 76
    std::uint8_t pad77[3];              // 77..79
    float ssidScanInterval;             // 80: seconds, 0 = no periodic scan
    std::uint8_t apTableSortCriteria;   // 84
    std::uint8_t apTableDescending;     // 85
    std::uint8_t utilizationSortCriteria; // 86
    std::uint8_t utilizationDescending; // 87
};

struct PowerSettings {                  // key "power_setting", 44 bytes
    std::int32_t optionWord;            // 0: stored and kept, no meaning in this program
    float persistence;                  // 4: the power option value, seconds
    std::int32_t timeScaleIndex;        // 8: index into the time-per-division table
    std::int32_t amplitudeScaleIndex;   // 12: index into the amplitude-per-division table
    float triggerDelay;                 // 16: seconds
    float triggerHoldoff;               // 20: seconds
    std::uint8_t autoTrigger;           // 24: 1 AUTO (free running), 0 NORMAL
    std::uint8_t triggerType;           // 25: 1 POWER, 0 DIGITAL
    std::uint8_t option26;              // 26: trigger option byte, stored and kept, no meaning here
    std::uint8_t pad27;                 // 27
    float triggerLevel;                 // 28: dBm
    std::uint8_t powerEdgeRising;       // 32
    std::uint8_t digitalCombination;    // 33: 0..3
    std::uint8_t digitalInputA;         // 34: 0..3
    std::uint8_t digitalInputB;         // 35: 0..3
    std::uint8_t edgeARise;             // 36
    std::int8_t edgeBRise;              // 37 (read as a signed byte by the settings command)
    std::uint8_t measurements[6];       // 38..43: 255 = none
};

struct ChannelSettings {                // keys "power_channel0" / "reference_channel0", 12 bytes
    std::uint8_t shown;                 // 0
    std::uint8_t pad1[3];               // 1..3
    std::int32_t optionWord;            // 4: channel option word: the vertical offset
    std::uint8_t color[3];              // 8..10: R, G, B
    std::uint8_t pad11;                 // 11

    // The channel's vertical offset on the power plot, layer points upwards (the option word).
    std::int32_t verticalOffset() const { return optionWord; }
    void setVerticalOffset(std::int32_t points) { optionWord = points; }
};

struct DemoSettings {                   // key "demo", 3 bytes
    std::uint8_t hardware;              // 0: 0 first gen., 1 second gen., 2 dual band, else off
    std::uint8_t scene;                 // 1: 0 none, 1 Wi-Fi, 2 DECT, 3 DSSS
    std::uint8_t accessPoints;          // 2: demo access-point switch
};

// Which access points the overlay, the tables, the details popover and the exports show. All zero
// bytes is "no filter", so a slot saved before the filter existed reads as showing everything.
// Values from a store may be anything; AccessPointFilter sanitises them when it compiles a record.
struct AccessPointFilterSettings {      // key "ap_filter", 48 bytes
    enum Flags : std::uint8_t {
        kHideHidden = 1u << 0,          // drop access points whose SSID is empty or all zero bytes
        kMinimumSignal = 1u << 1,       // minimumSignal applies
    };
    enum Bands : std::uint8_t { kBand24Only = 1u << 0, kBand5Only = 1u << 1 }; // none or both: every band

    std::uint8_t ssidLength;            // 0: 0..32; 0 no text filter
    std::uint8_t ssidText[32];          // 1..32: case-insensitive substring of the SSID
    std::uint8_t securityMask;          // 33: bit (1 << security class) for the classes shown, 0 all
    std::uint8_t bands;                 // 34: Bands bits
    std::uint8_t flags;                 // 35: Flags bits
    std::int32_t channelFirst;          // 36: lowest channel shown, 0 no lower bound
    std::int32_t channelLast;           // 40: highest channel shown, 0 no upper bound
    float minimumSignal;                // 44: dBm, with kMinimumSignal
};

// The power-mode waveform lists; the live traces and the saved reference share this shape.
struct PowerTraces {
    std::vector<std::vector<float>> history;
    std::vector<std::vector<float>> processedHistory;
    std::vector<float> alpha;
    std::vector<float> rollingHistory;
    std::vector<float> processedRollingHistory;

    void clear()
    {
        history.clear();
        processedHistory.clear();
        alpha.clear();
        rollingHistory.clear();
        processedRollingHistory.clear();
    }
};

// The reference waveform of power mode, persisted with each configuration slot.
struct ReferenceHistory : PowerTraces {
    std::int32_t maxRollPointsNeeded = 0;
    std::int32_t timeScaleIndex = -1;
    std::int32_t amplitudeScaleIndex = -1;
    bool isValid = false;

    void clear()
    {
        PowerTraces::clear();
        maxRollPointsNeeded = 0;
        timeScaleIndex = -1;
        amplitudeScaleIndex = -1;
        isValid = false;
    }
};

#define NOLVO_CHECK_RECORD(Type, Size)                                                   \
    static_assert(sizeof(Type) == (Size), #Type " must keep its stored size");           \
    static_assert(std::is_trivially_copyable_v<Type> && std::is_standard_layout_v<Type>, \
                  #Type " is stored as raw bytes")

NOLVO_CHECK_RECORD(CursorSettings, 44);
NOLVO_CHECK_RECORD(CommonSettings, 16);
NOLVO_CHECK_RECORD(SpectrumSettings, 88);
NOLVO_CHECK_RECORD(PowerSettings, 44);
NOLVO_CHECK_RECORD(ChannelSettings, 12);
NOLVO_CHECK_RECORD(DemoSettings, 3);
NOLVO_CHECK_RECORD(AccessPointFilterSettings, 48);
#undef NOLVO_CHECK_RECORD

static_assert(offsetof(CursorSettings, option11) == 11);
static_assert(offsetof(CursorSettings, verticalX) == 12);
static_assert(offsetof(CursorSettings, horizontalY) == 20);
static_assert(offsetof(CursorSettings, secondY) == 28);
static_assert(offsetof(CursorSettings, secondX) == 36);

static_assert(offsetof(CommonSettings, internalAttenuationIndex) == 4);
static_assert(offsetof(CommonSettings, displayStyle) == 10);
static_assert(offsetof(CommonSettings, spectrumModeActive) == 11);
static_assert(offsetof(CommonSettings, powerUnits) == 12);

static_assert(offsetof(SpectrumSettings, band) == 4);
static_assert(offsetof(SpectrumSettings, ssidOverlay) == 8);
static_assert(offsetof(SpectrumSettings, traceSelection) == 9);
static_assert(offsetof(SpectrumSettings, holdTime) == 12);
static_assert(offsetof(SpectrumSettings, decayRate) == 16);
static_assert(offsetof(SpectrumSettings, averageTime) == 20);
static_assert(offsetof(SpectrumSettings, heatMapColorMap) == 24);
static_assert(offsetof(SpectrumSettings, waterfallColorMap) == 28);
static_assert(offsetof(SpectrumSettings, waterfallTimeScale) == 32);
static_assert(offsetof(SpectrumSettings, waterfallHighThreshold) == 36);
static_assert(offsetof(SpectrumSettings, waterfallLowThreshold) == 40);
static_assert(offsetof(SpectrumSettings, traceColors) == 44);
static_assert(offsetof(SpectrumSettings, onTopPeakTrace) == 59);
static_assert(offsetof(SpectrumSettings, peakCounts) == 60);
static_assert(offsetof(SpectrumSettings, peaksHorizontal) == 65);
static_assert(offsetof(SpectrumSettings, peaksVertical) == 66);
static_assert(offsetof(SpectrumSettings, channelGuide24) == 68);
static_assert(offsetof(SpectrumSettings, channelGuide5) == 72);
static_assert(offsetof(SpectrumSettings, channelGuideOption) == 76);
static_assert(offsetof(SpectrumSettings, ssidScanInterval) == 80);
static_assert(offsetof(SpectrumSettings, apTableSortCriteria) == 84);
static_assert(offsetof(SpectrumSettings, apTableDescending) == 85);
static_assert(offsetof(SpectrumSettings, utilizationSortCriteria) == 86);
static_assert(offsetof(SpectrumSettings, utilizationDescending) == 87);

static_assert(offsetof(PowerSettings, persistence) == 4);
static_assert(offsetof(PowerSettings, timeScaleIndex) == 8);
static_assert(offsetof(PowerSettings, amplitudeScaleIndex) == 12);
static_assert(offsetof(PowerSettings, triggerDelay) == 16);
static_assert(offsetof(PowerSettings, triggerHoldoff) == 20);
static_assert(offsetof(PowerSettings, autoTrigger) == 24);
static_assert(offsetof(PowerSettings, triggerType) == 25);
static_assert(offsetof(PowerSettings, option26) == 26);
static_assert(offsetof(PowerSettings, triggerLevel) == 28);
static_assert(offsetof(PowerSettings, powerEdgeRising) == 32);
static_assert(offsetof(PowerSettings, digitalCombination) == 33);
static_assert(offsetof(PowerSettings, digitalInputA) == 34);
static_assert(offsetof(PowerSettings, digitalInputB) == 35);
static_assert(offsetof(PowerSettings, edgeARise) == 36);
static_assert(offsetof(PowerSettings, edgeBRise) == 37);
static_assert(offsetof(PowerSettings, measurements) == 38);

static_assert(offsetof(ChannelSettings, optionWord) == 4);
static_assert(offsetof(ChannelSettings, color) == 8);

static_assert(offsetof(AccessPointFilterSettings, securityMask) == 33);
static_assert(offsetof(AccessPointFilterSettings, flags) == 35);
static_assert(offsetof(AccessPointFilterSettings, channelFirst) == 36);
static_assert(offsetof(AccessPointFilterSettings, minimumSignal) == 44);

} // namespace nolvo
