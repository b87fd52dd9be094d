#pragma once
// Turns decoded power frames into what power mode shows: complete traces (one frame of the second
// generation, six interleaved frames of the first), or, in roll mode, a decimated stream of samples
// in the rolling history. Keeps the acquisition phase (trigger state), drops untriggered frames in
// NORMAL trigger mode outside roll mode, computes the measurements of every complete trace and
// hands the new samples to the CSV data log.
//
// Roll mode: the clamped time-scale index lies below the accessory's roll threshold. The
// decimation factor comes from the time-per-division table (see rollDecimation); of a continuous
// stream, every (factor + 1)-th sample is kept. The rolling history keeps the newest 2,000 samples;
// the trace history keeps the newest kMaxLiveTraces traces (with their display traces and opacities)
// so that it stays bounded when nothing on screen consumes it.
//
// Threads: process() runs on the parser's thread (the link thread, or the worker in demo playback)
// and takes dataLock itself. reset() and restartAcquisition() may be called from any thread: they
// take effect at the next process().
#include <atomic>
#include <cstdint>
#include <vector>

#include "accessory/SegmentAssembler.h"
#include "model/AcquisitionPhase.h"

namespace nolvo {

class AccessoryProtocol;
class DataLogger;
class DataModel;
struct AccessoryInfo;

class PowerAssembler {
public:
    static constexpr int kMaxLiveTraces = 100;

    // Processes one decoded frame received at `nowMs` (steady-clock ms). `logger` may be null.
    // Returns true when a complete trace or rolling samples reached the model.
    bool process(DataModel& model, DataLogger* logger, const AccessoryProtocol& protocol, const float* values,
                 int count, int segment, bool triggered, std::uint64_t nowMs);

    // Drops a partly assembled trace and restarts the decimation (connection changes, settings
    // acknowledgements).
    void reset() { m_resetPending = true; }
    // Streaming starts at `nowMs`: the wait for the first trigger counts from then.
    void restartAcquisition(std::uint64_t nowMs) { m_restartAtMs = nowMs == 0 ? 1 : nowMs; }

    int acquisitionPhase() const { return m_acquisition.phase(); }

    // The roll-mode decimation factor for time-scale index `timeIndex` (clamped) of `info`'s table
    // and protocol model `modelId`: 0 (keep every sample) when the accessory names no roll
    // reference or the table lacks the entries.
    static int rollDecimation(const AccessoryInfo& info, int modelId, int timeIndex);

private:
    void appendTrace(DataModel& model, DataLogger* logger, const float* trace, int count);
    bool appendRolling(DataModel& model, DataLogger* logger, const float* values, int count, int factor);

    SegmentAssembler m_assembler;
    AcquisitionPhase m_acquisition;
    int m_decimationCounter = 0;
    std::vector<float> m_taken;
    std::atomic<bool> m_resetPending{false};
    std::atomic<std::uint64_t> m_restartAtMs{0};
};

} // namespace nolvo
