#pragma once
// Plays a stream recording into the packet parser at the pace it was recorded: each step feeds
// the chunks whose recorded time has been reached. It can pause, seek (the owner rebuilds what
// the chunks before the target produce, see chunksUpTo) and run on a virtual clock that moves a
// fixed step per pass (the headless converter, which plays as fast as it can); that clock jumps
// straight to the next chunk when it lies further ahead than one step, so a long silence in a
// recording costs one pass.
//
// Times are unsigned microseconds no larger than the recording's duration (a reader bounds chunk
// times); every sum and difference of them saturates, so no seek or step can wrap around.
//
// Position P means: every chunk recorded at or before P has been fed. A replay that reaches the
// end holds there (paused) so the user can still seek; stop() ends it.
//
// Threads: start, stop and the control calls (pause, seek, observers) may come from any thread;
// step() and the seek handling belong to the thread that feeds the parser (the delegate's worker).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "accessory/RecordingReader.h"

namespace nolvo {

class RecordingPlayback {
public:
    using Feed = std::function<void(const std::uint8_t* bytes, std::size_t count, std::uint64_t timeUs)>;
    static constexpr std::int64_t kNoSeek = -1;

    // Begins replaying `recording` from its start (replacing any replay). Paced by the caller's
    // clock, or with `virtualStepUs` > 0 by a clock that moves that much per step.
    void start(std::shared_ptr<const Recording> recording, std::uint64_t virtualStepUs = 0);
    // Ends the replay; the feeding thread sees it on its next step.
    void stop();
    bool active() const { return m_active.load(); }

    void setPaused(bool paused) { m_paused.store(paused); }
    void togglePause() { m_paused.store(!m_paused.load()); }
    bool paused() const { return m_paused.load(); }
    // Asks for the position `targetUs` (clamped to the recording); handled by the feeding thread.
    void seek(std::int64_t targetUs);
    // Seeks `deltaUs` from the current (or already requested) position.
    void seekBy(std::int64_t deltaUs);

    std::uint64_t positionUs() const { return m_positionUs.load(); }
    std::uint64_t durationUs() const { return m_durationUs.load(); }
    bool atEnd() const { return m_atEnd.load(); }
    // How often start() ran: a new count is a new replay.
    std::uint64_t starts() const { return m_starts.load(); }

    // ---- feeding thread ----
    // The recording being replayed (null when none).
    std::shared_ptr<const Recording> recording() const;
    // A pending seek target, cleared by taking it (kNoSeek when none).
    std::int64_t takeSeek() { return m_seekUs.exchange(kNoSeek); }
    // Feeds every chunk recorded at or before `targetUs` from the start, as fast as possible, and
    // makes `targetUs` the position. The owner empties what the chunks build before calling it.
    void chunksUpTo(std::uint64_t targetUs, const Feed& feed);
    // One paced step at `nowMs` (steady clock): moves the position by the time since the last step
    // (or by the virtual step) unless paused, and feeds the chunks it passed. False once the
    // replay has ended (stopped).
    bool step(std::uint64_t nowMs, const Feed& feed);

private:
    void feedUntil(std::uint64_t positionUs, const Feed& feed);
    // Time of the next chunk to feed; false when every chunk has been fed.
    bool nextChunkTime(std::uint64_t& timeUs) const;
    // Feeding thread: starts its own bookkeeping over when start() ran since it last looked.
    void followStart();

    mutable std::mutex m_mutex; // guards m_recording
    std::shared_ptr<const Recording> m_recording;
    std::atomic<bool> m_active{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_atEnd{false};
    std::atomic<std::int64_t> m_seekUs{kNoSeek};
    std::atomic<std::uint64_t> m_positionUs{0};
    std::atomic<std::uint64_t> m_durationUs{0};
    std::atomic<std::uint64_t> m_virtualStepUs{0};
    std::atomic<std::uint64_t> m_starts{0}; // how often start() ran

    // Feeding thread only.
    std::uint64_t m_startsSeen = 0;
    Recording::Cursor m_next;    // next chunk to feed
    std::uint64_t m_lastStepMs = 0;
    bool m_fedFirst = false;     // nothing fed yet: the first step feeds the chunks at time 0
};

} // namespace nolvo
