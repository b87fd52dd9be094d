// Loads a configuration slot from hostile store contents.
//
// The first byte picks the slot and the mode. Raw mode hands the remaining bytes to the store's
// file parser as a whole store image. Structured mode builds well-formed store entries (so the
// CRCs pass) under the slot's real keys with arbitrary kinds and contents, which is what reaches
// the record, version and list decoders.

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/AccessPointFilter.h"
#include "model/DataModel.h"
#include "platform/UserDefault.h"

namespace {

const char* const kKeys[] = {
    "version", "graticule", "alerts", "cursors", "common_settings", "spectrum_settings", "power_setting",
    "power_channel0", "reference_channel0", "demo", "referenceHistory.history",
    "referenceHistory.processedHistory", "referenceHistory.alpha", "referenceHistory.rollingHistory",
    "referenceHistory.processedRollingHistory", "referenceHistory.maxRollPointsNeeded",
    "referenceHistory.timeScaleIndex", "referenceHistory.amplitudeScaleIndex", "referenceHistory.isValid",
    "ap_filter",
};

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
    bool more() const { return pos < size; }
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
    std::uint32_t u32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<std::uint32_t>(byte()) << (8 * i);
        }
        return v;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool once = [] {
        engine::UserDefault::setPersistenceEnabled(false);
        return true;
    }();
    (void)once;
    if (size == 0) {
        return 0;
    }
    engine::UserDefault* store = engine::UserDefault::getInstance();
    Reader in{data + 1, size - 1};
    const int slot = data[0] & 3;
    if (data[0] & 4) {
        store->loadFromBytes(in.data, in.size);
    } else {
        store->loadFromBytes(nullptr, 0); // start empty
        const std::string prefix = "config" + std::to_string(slot) + ".";
        while (in.more()) {
            const std::string key = prefix + kKeys[in.byte() % (sizeof kKeys / sizeof kKeys[0])];
            switch (in.byte() % 3) {
            case 0:
                // Versions 0 and 1 are the interesting ones; keep them likely.
                store->setIntegerForKey(key.c_str(), static_cast<int>(in.u32() % 4 == 0 ? in.byte() % 2 : in.u32()));
                break;
            case 1:
                store->setBoolForKey(key.c_str(), in.byte() & 1);
                break;
            default: {
                // Both length bytes are read before the rest is measured (argument order is unspecified).
                const std::size_t low = in.byte();
                const std::size_t wanted = low | (static_cast<std::size_t>(in.byte()) << 8);
                const std::size_t length = std::min(wanted, in.size - in.pos);
                store->setDataForKey(key.c_str(), engine::Data(in.data + in.pos, length));
                in.pos += length;
                break;
            }
            }
        }
    }
    nolvo::DataModel model;
    model.loadConfiguration(slot);
    // Everything a reader indexes with must stay in range whatever was loaded.
    volatile int sink = model.bandIndex() + nolvo::DataModel::colorMapIndex(model.spectrum.heatMapColorMap) +
                        nolvo::DataModel::traceKindOf(model.spectrum.traceSelection[2]) +
                        model.clampedTimeScaleIndex();
    (void)sink;
    // A stored filter of any bytes compiles and judges an access point without running off its text.
    nolvo::AccessPoint ap;
    ap.setSsid("probe");
    volatile bool shown = nolvo::AccessPointFilter(model.apFilter).matches(ap);
    (void)shown;
    model.saveConfiguration(slot);
    return 0;
}
