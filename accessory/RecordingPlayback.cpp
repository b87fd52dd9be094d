#include "accessory/RecordingPlayback.h"

#include <algorithm>
#include <limits>

namespace nolvo {

namespace {

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
    std::uint64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<std::uint64_t>::max() : sum;
}

std::uint64_t saturatingMul(std::uint64_t a, std::uint64_t b)
{
    std::uint64_t product = 0;
    return __builtin_mul_overflow(a, b, &product) ? std::numeric_limits<std::uint64_t>::max() : product;
}

} // namespace

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
        m_next = Recording::Cursor{};
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
    // Durations stay far below INT64_MAX (chunk times are bounded), so the target fits both ways.
    const std::uint64_t duration = std::min<std::uint64_t>(m_durationUs.load(), std::numeric_limits<std::int64_t>::max());
    m_seekUs = targetUs <= 0 ? 0 : static_cast<std::int64_t>(std::min(static_cast<std::uint64_t>(targetUs), duration));
}

void RecordingPlayback::seekBy(std::int64_t deltaUs)
{
    const std::int64_t pending = m_seekUs.load();
    const std::int64_t from = pending != kNoSeek
                                  ? pending
                                  : static_cast<std::int64_t>(std::min<std::uint64_t>(
                                        m_positionUs.load(), std::numeric_limits<std::int64_t>::max()));
    std::int64_t to = 0;
    if (__builtin_add_overflow(from, deltaUs, &to)) {
        to = deltaUs < 0 ? 0 : std::numeric_limits<std::int64_t>::max();
    }
    seek(to);
}

bool RecordingPlayback::nextChunkTime(std::uint64_t& timeUs) const
{
    const std::shared_ptr<const Recording> recording = this->recording();
    if (!recording) {
        return false;
    }
    Recording::Cursor ahead = m_next.offset == 0 ? recording->cursorAt(0) : m_next;
    Recording::Chunk chunk;
    if (!recording->next(ahead, chunk)) {
        return false;
    }
    timeUs = chunk.timeUs;
    return true;
}

void RecordingPlayback::feedUntil(std::uint64_t positionUs, const Feed& feed)
{
    const std::shared_ptr<const Recording> recording = this->recording();
    if (!recording) {
        return;
    }
    if (m_next.offset == 0) {
        m_next = recording->cursorAt(0); // offset 0 is the header's: the cursor was reset
    }
    for (;;) {
        Recording::Cursor ahead = m_next;
        Recording::Chunk chunk;
        if (!recording->next(ahead, chunk) || chunk.timeUs > positionUs) {
            break;
        }
        m_next = ahead;
        feed(recording->payload(chunk), chunk.size, chunk.timeUs);
    }
    m_fedFirst = true;
    m_positionUs = positionUs;
    m_atEnd = m_next.index >= recording->chunkCount();
}

void RecordingPlayback::chunksUpTo(std::uint64_t targetUs, const Feed& feed)
{
    followStart();
    m_next = Recording::Cursor{};
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
        virtualStepUs > 0 ? virtualStepUs
                          : (m_lastStepMs == 0 || nowMs < m_lastStepMs ? 0 : saturatingMul(nowMs - m_lastStepMs, 1000));
    m_lastStepMs = nowMs;
    if (m_paused.load() || (m_fedFirst && m_atEnd.load())) {
        return true; // at the end the replay holds until the user seeks or stops it
    }
    std::uint64_t target = 0;
    if (m_fedFirst) {
        target = saturatingAdd(m_positionUs.load(), elapsedUs);
        std::uint64_t nextUs = 0;
        if (virtualStepUs > 0 && nextChunkTime(nextUs) && nextUs > target) {
            target = nextUs; // nothing happens in between: skip the silence
        }
        target = std::min(target, m_durationUs.load());
    }
    feedUntil(target, feed);
    return true;
}

} // namespace nolvo
