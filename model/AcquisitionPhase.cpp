#include "model/AcquisitionPhase.h"

namespace nolvo {

void AcquisitionPhase::restart(std::uint64_t nowMs)
{
    m_lastTriggerMs = nowMs;
    m_phase = kNoTriggerShort;
}

std::int32_t AcquisitionPhase::update(bool triggered, std::uint64_t nowMs)
{
    if (triggered) {
        m_lastTriggerMs = nowMs;
        m_phase = kTriggered;
        return m_phase;
    }
    // A clock that went backwards counts as no time passed.
    const std::uint64_t elapsedMs = nowMs >= m_lastTriggerMs ? nowMs - m_lastTriggerMs : 0;
    if (elapsedMs >= 10000) {
        m_phase = kNoTriggerLong;
    } else if (elapsedMs >= 2000) {
        m_phase = kNoTriggerShort;
    }
    return m_phase;
}

bool AcquisitionPhase::captureUsed(bool triggered, bool autoMode, bool rollMode)
{
    return triggered || autoMode || rollMode;
}

const char* AcquisitionPhase::triggerLabel(std::int32_t phase, bool autoMode, bool rollMode)
{
    if (rollMode) {
        return "";
    }
    switch (phase) {
    case kTriggered:
        return "TRIG";
    case kNoTriggerLong:
        return autoMode ? "AUTO" : "TRIG?";
    default:
        return "TRIG?";
    }
}

} // namespace nolvo
