#pragma once
// The trigger state of power mode: whether captures keep being triggered, and for how long they
// have not been. Decides whether a power capture is used, and what the trigger label says.
//
// Phases: 0 triggered; 2 no trigger for 2 s or more (and less than 10); 1 no trigger for 10 s or
// more. Below 2 s without a trigger the phase stays as it was.
//
// Threads: owned by the packet processing (link thread, or the worker in demo playback); the
// caller copies phase() into the model's power store under dataLock. Times are steady-clock ms
// (engine::clock::steadyMs in the program, any clock in tests).

#include <cstdint>

namespace nolvo {

class AcquisitionPhase {
public:
    static constexpr std::int32_t kTriggered = 0;
    static constexpr std::int32_t kNoTriggerLong = 1;  // 10 s or more
    static constexpr std::int32_t kNoTriggerShort = 2; // 2 s to 10 s

    // Streaming starts: the wait for the first trigger counts from now; the phase reads 2.
    void restart(std::uint64_t nowMs);
    // One power capture at `nowMs`; returns the new phase.
    std::int32_t update(bool triggered, std::uint64_t nowMs);
    std::int32_t phase() const { return m_phase; }
    std::uint64_t lastTriggerMs() const { return m_lastTriggerMs; }

    // A capture is used when triggered, in AUTO trigger mode, or in roll mode; in NORMAL mode
    // outside roll mode untriggered captures are dropped.
    static bool captureUsed(bool triggered, bool autoMode, bool rollMode);
    // The trigger label: "" in roll mode, "TRIG" when triggered, "AUTO" (AUTO mode) or "TRIG?"
    // (NORMAL mode) after 10 s without a trigger, "TRIG?" after 2 s.
    static const char* triggerLabel(std::int32_t phase, bool autoMode, bool rollMode);

private:
    std::int32_t m_phase = kTriggered;
    std::uint64_t m_lastTriggerMs = 0;
};

} // namespace nolvo
