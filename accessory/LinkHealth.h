#pragma once
// How healthy the accessory link is: counters kept by the link (bytes, timeouts, reconnects) and
// by the packet parser (frames, bad checksums, resynchronisations, dropped partial frames), and
// the per-second rates a display or a progress line derives from two snapshots.
//
// - bytes: every byte a read delivered (or a replay fed).
// - frames: whole frames the parser cut and dispatched.
// - badChecksums: access-point records whose checksum failed (the only records that carry one).
// - resyncs: runs of bytes skipped before the parser found a sync byte again (a run counts once).
// - droppedPartialFrames: frames begun but thrown away unfinished (on reconnecting with a partial
//   frame buffered, or a frame that never completed and was skipped).
// - timeouts: times the accessory fell silent for longer than silenceLimitMs while it was meant
//   to be streaming (one count per silence, however long).
// - reconnects: connections after the first one.
//
// Threads: counters are atomics written by the link thread and the parser's thread and read by
// anyone. LinkHealthRates belongs to its reader.

#include <atomic>
#include <cstdint>
#include <string>

namespace nolvo {

struct LinkHealthCounters {
    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
    std::uint64_t badChecksums = 0;
    std::uint64_t resyncs = 0;
    std::uint64_t droppedPartialFrames = 0;
    std::uint64_t timeouts = 0;
    std::uint64_t reconnects = 0;

    LinkHealthCounters operator-(const LinkHealthCounters& earlier) const;
    bool operator==(const LinkHealthCounters&) const = default;
};

class LinkHealth {
public:
    static constexpr std::uint64_t kDefaultSilenceLimitMs = 2000;

    std::atomic<std::uint64_t> bytes{0};
    std::atomic<std::uint64_t> frames{0};
    std::atomic<std::uint64_t> badChecksums{0};
    std::atomic<std::uint64_t> resyncs{0};
    std::atomic<std::uint64_t> droppedPartialFrames{0};
    std::atomic<std::uint64_t> timeouts{0};
    std::atomic<std::uint64_t> reconnects{0};

    // Set by the connection state machine while the accessory is meant to be streaming; silences
    // at other times (identifying, stopped, paused) are not timeouts.
    std::atomic<bool> streamExpected{false};
    // How long the accessory may stay silent while streaming before it counts as a timeout.
    std::atomic<std::uint64_t> silenceLimitMs{kDefaultSilenceLimitMs};

    LinkHealthCounters snapshot() const;

    // Link thread: a read delivered `count` bytes (count > 0) or nothing (count == 0) at `nowMs`.
    void readFinished(unsigned count, std::uint64_t nowMs);
    // Link thread: an accessory was opened.
    void connected();

private:
    // Link thread only.
    std::uint64_t m_lastByteMs = 0;
    bool m_silenceCounted = false;
    bool m_connectedBefore = false;
};

// Frames and bytes per second between two snapshots, and the text that shows them.
class LinkHealthRates {
public:
    // Takes a snapshot at `nowMs`; the rates cover the time since the previous update.
    void update(const LinkHealthCounters& counters, std::uint64_t nowMs);
    double framesPerSecond() const { return m_framesPerSecond; }
    double bytesPerSecond() const { return m_bytesPerSecond; }
    const LinkHealthCounters& counters() const { return m_last; }

    // Several lines for the health panel: rates, then the fault counters.
    std::string panelText() const;
    // One line for a progress report: "12.0 frames/s, 3.1 kB/s, 0 bad checksums, ...".
    std::string lineText() const;

private:
    LinkHealthCounters m_last;
    std::uint64_t m_lastMs = 0;
    bool m_started = false;
    double m_framesPerSecond = 0.0;
    double m_bytesPerSecond = 0.0;
};

} // namespace nolvo
