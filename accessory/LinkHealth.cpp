#include "accessory/LinkHealth.h"

#include "model/ValueFormat.h"

namespace nolvo {

LinkHealthCounters LinkHealthCounters::operator-(const LinkHealthCounters& earlier) const
{
    LinkHealthCounters d;
    d.bytes = bytes - earlier.bytes;
    d.frames = frames - earlier.frames;
    d.badChecksums = badChecksums - earlier.badChecksums;
    d.resyncs = resyncs - earlier.resyncs;
    d.droppedPartialFrames = droppedPartialFrames - earlier.droppedPartialFrames;
    d.timeouts = timeouts - earlier.timeouts;
    d.reconnects = reconnects - earlier.reconnects;
    return d;
}

LinkHealthCounters LinkHealth::snapshot() const
{
    LinkHealthCounters c;
    c.bytes = bytes.load(std::memory_order_relaxed);
    c.frames = frames.load(std::memory_order_relaxed);
    c.badChecksums = badChecksums.load(std::memory_order_relaxed);
    c.resyncs = resyncs.load(std::memory_order_relaxed);
    c.droppedPartialFrames = droppedPartialFrames.load(std::memory_order_relaxed);
    c.timeouts = timeouts.load(std::memory_order_relaxed);
    c.reconnects = reconnects.load(std::memory_order_relaxed);
    return c;
}

void LinkHealth::readFinished(unsigned count, std::uint64_t nowMs)
{
    if (count > 0) {
        bytes.fetch_add(count, std::memory_order_relaxed);
        m_lastByteMs = nowMs;
        m_silenceCounted = false;
        return;
    }
    if (!streamExpected.load(std::memory_order_relaxed)) {
        // Silence is normal here; a stream that starts later is timed from then.
        m_lastByteMs = nowMs;
        return;
    }
    if (!m_silenceCounted && nowMs - m_lastByteMs >= silenceLimitMs.load(std::memory_order_relaxed)) {
        m_silenceCounted = true;
        timeouts.fetch_add(1, std::memory_order_relaxed);
    }
}

void LinkHealth::connected()
{
    if (m_connectedBefore) {
        reconnects.fetch_add(1, std::memory_order_relaxed);
    }
    m_connectedBefore = true;
    m_silenceCounted = false;
    m_lastByteMs = 0;
}

void LinkHealthRates::update(const LinkHealthCounters& counters, std::uint64_t nowMs)
{
    if (m_started && nowMs > m_lastMs) {
        const double seconds = static_cast<double>(nowMs - m_lastMs) / 1000.0;
        const LinkHealthCounters d = counters - m_last;
        m_framesPerSecond = static_cast<double>(d.frames) / seconds;
        m_bytesPerSecond = static_cast<double>(d.bytes) / seconds;
    }
    m_last = counters;
    m_lastMs = nowMs;
    m_started = true;
}

std::string LinkHealthRates::panelText() const
{
    const LinkHealthCounters& c = m_last;
    return "LINK HEALTH\n" + formatSI(static_cast<float>(m_framesPerSecond), 1) + "frames/s\n" +
           formatSI(static_cast<float>(m_bytesPerSecond), 1) + "B/s\n" + "bad checksums: " +
           std::to_string(c.badChecksums) + "\n" + "resyncs: " + std::to_string(c.resyncs) + "\n" +
           "dropped partial frames: " + std::to_string(c.droppedPartialFrames) + "\n" +
           "timeouts: " + std::to_string(c.timeouts) + "\n" + "reconnects: " + std::to_string(c.reconnects);
}

std::string LinkHealthRates::lineText() const
{
    const LinkHealthCounters& c = m_last;
    return formatSI(static_cast<float>(m_framesPerSecond), 1) + "frames/s, " +
           formatSI(static_cast<float>(m_bytesPerSecond), 1) + "B/s, " + std::to_string(c.badChecksums) +
           " bad checksums, " + std::to_string(c.resyncs) + " resyncs, " + std::to_string(c.droppedPartialFrames) +
           " dropped partial frames, " + std::to_string(c.timeouts) + " timeouts, " + std::to_string(c.reconnects) +
           " reconnects";
}

} // namespace nolvo
