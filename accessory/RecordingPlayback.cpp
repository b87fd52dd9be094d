#include "accessory/RecordingPlayback.h"

#include <algorithm>

namespace nolvo {

void RecordingPlayback::start(std::shared_ptr<const Recording> recording, std::uint64_t virtualStepUs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_durationUs = recording ? recording->durationUs() : 0;
    m_recording = std::move(recording);
    m_virtualStepUs = virtualStepUs;
    m_positionUs = 0;
    m_seekUs = kNoSeek;
    m_paused = false;
    m_atEnd = false;
    m_starts.fetch_add(1);
    m_active = m_recording != nullptr;
}

void RecordingPlayback::followStart()
{
    const std::uint64_t starts = m_starts.load();
    if (starts != m_startsSeen) {
        m_startsSeen = starts;
        m_next = 0;
        m_lastStepMs = 0;
        m_fedFirst = false;
    }
}

void RecordingPlayback::stop()
{
    m_active = false;
}

std::shared_ptr<const Recording> RecordingPlayback::recording() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_recording;
}

void RecordingPlayback::seek(std::int64_t targetUs)
{
    const auto duration = static_cast<std::int64_t>(m_durationUs.load());
    m_seekUs = std::clamp<std::int64_t>(targetUs, 0, duration);
}

void RecordingPlayback::seekBy(std::int64_t deltaUs)
{
    const std::int64_t pending = m_seekUs.load();
    const std::int64_t from = pending != kNoSeek ? pending : static_cast<std::int64_t>(m_positionUs.load());
    seek(from + deltaUs);
}

void RecordingPlayback::feedUntil(std::uint64_t positionUs, const Feed& feed)
{
    const std::shared_ptr<const Recording> recording = this->recording();
    if (!recording) {
        return;
    }
    const auto& chunks = recording->chunks();
    while (m_next < chunks.size() && chunks[m_next].timeUs <= positionUs) {
        const Recording::Chunk& chunk = chunks[m_next];
        feed(recording->payload(chunk), chunk.size, chunk.timeUs);
        ++m_next;
    }
    m_fedFirst = true;
    m_positionUs = positionUs;
    m_atEnd = m_next >= chunks.size();
}

void RecordingPlayback::chunksUpTo(std::uint64_t targetUs, const Feed& feed)
{
    followStart();
    m_next = 0;
    feedUntil(std::min(targetUs, m_durationUs.load()), feed);
}

bool RecordingPlayback::step(std::uint64_t nowMs, const Feed& feed)
{
    if (!m_active.load()) {
        return false;
    }
    followStart();
    const std::uint64_t virtualStepUs = m_virtualStepUs.load();
    const std::uint64_t elapsedUs =
        virtualStepUs > 0 ? virtualStepUs : (m_lastStepMs == 0 || nowMs < m_lastStepMs ? 0 : (nowMs - m_lastStepMs) * 1000);
    m_lastStepMs = nowMs;
    if (m_paused.load() || (m_fedFirst && m_atEnd.load())) {
        return true; // at the end the replay holds until the user seeks or stops it
    }
    const std::uint64_t target = m_fedFirst ? std::min(m_positionUs.load() + elapsedUs, m_durationUs.load()) : 0;
    feedUntil(target, feed);
    return true;
}

} // namespace nolvo
