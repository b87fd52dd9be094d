#pragma once
// Turns a stream recording into a CSV data log without a window, as fast as it can: the recording
// is replayed through the delegate's parser and decoders exactly as the window replays it, but on
// a virtual clock that jumps from one recorded read to the next. The CSV's time cells are those of
// the recording (its start time plus each read's recorded time).
//
// Threads: runs on the calling thread; the program's steady clock is driven by the recording while
// it runs (no other thread may depend on it meanwhile), and restored afterwards.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "accessory/LinkHealth.h"

namespace nolvo {

class DataModel;
class Recording;

struct ReplayConversion {
    static constexpr std::chrono::milliseconds kProgressWallInterval{1000};

    std::string csvPath;         // "" when nothing was logged
    std::string writeFailure;    // why the CSV was cut short (a full disk), "" when it was not
    std::uint64_t frames = 0;    // frames the parser dispatched
    long rows = 0;               // CSV rows written (lines that start with a time cell)
    LinkHealthCounters health;   // the recorded link's health

    // Converts `recording` into a new CSV in the model's writable directory (engine::FileUtils),
    // starting from the settings in `model` (the recording's mode, band and power settings are
    // applied on top). `progress` gets one line per `progressEverySeconds` of recorded time, at
    // most one per kProgressWallInterval of real time.
    static ReplayConversion run(const std::shared_ptr<const Recording>& recording, DataModel& model,
                                const std::function<void(const std::string&)>& progress = {},
                                int progressEverySeconds = 60);
};

} // namespace nolvo
