#pragma once
// The on-screen log: timestamped lines printed over the scene, newest at the bottom, that expire
// by age (the timeout) and by count (at most kMaxNewerLines newer lines above an old one).
//
// Threads: log() and logLine() may be called from any thread; they only queue a message under
// the log's mutex. Labels are created, moved and removed only in update(), on the render thread.
// The model reaches the log through its LogSink interface (DataModel::setLogSink).

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/scene/Layer.h"
#include "model/LogSink.h"

namespace engine {
class Label;
}

namespace nolvo {

struct screenLogMessage {
    std::int32_t level = 0;
    std::string text;
    float createdMs = 0.0f;           // steady clock, milliseconds
    engine::Label* label = nullptr;   // created lazily on the render thread; retained by the log
    bool dirty = true;                // no label yet
};

class ScreenLog : public engine::Layer, public LogSink {
public:
    // A line is dropped once more than this many newer lines are held after it.
    static constexpr int kMaxNewerLines = 100;
    // Longest text kept per line (longer texts are cut); a hostile SSID cannot flood the screen.
    static constexpr std::size_t kMaxTextBytes = 512;

    static ScreenLog* create();
    ~ScreenLog() override;

    // Levels that are shown: a message is queued when level & mask != 0.
    void setLevelMask(std::int32_t mask) { m_levelMask.store(mask); }
    std::int32_t getLevelMask() const { return m_levelMask.load(); }
    // Age in milliseconds after which a line is removed.
    void setTimeoutMs(float timeout) { m_timeoutMs.store(timeout); }
    float getTimeoutMs() const { return m_timeoutMs.load(); }
    // The font file used when it exists; otherwise the system font of that name.
    void setFontFile(const std::string& fontFile);

    // Formats with printf rules and queues the line; null when the level is masked out. Any thread.
    // Callers may read the returned message's level, text and time, never its label.
    std::shared_ptr<const screenLogMessage> log(std::int32_t level, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    std::shared_ptr<const screenLogMessage> logText(std::int32_t level, const std::string& text);
    // LogSink: queues `text` as is (any thread).
    void logLine(int level, const std::string& text) override;

    // Render thread, once per frame: labels for new lines, moves, expiry.
    void update(float dt) override;
    void onEnter() override;
    void onExit() override;

    // Lines currently held (queued or shown), and those that have a label. Any thread.
    std::size_t messageCount();
    std::size_t labelCount();
    // Texts from oldest to newest. Any thread.
    std::vector<std::string> texts();

private:
    ScreenLog() = default;
    bool init() override;
    float lineHeight() const;
    // Removes and releases every label; the lines get new ones on the next update (m_mutex held).
    void dropLabels();

    std::mutex m_mutex; // guards m_messages and m_fontFile
    std::vector<std::shared_ptr<screenLogMessage>> m_messages; // oldest first
    std::string m_fontFile = "fonts/roboto/Roboto-Regular.ttf";
    std::atomic<std::int32_t> m_levelMask{~0};
    std::atomic<float> m_timeoutMs{15000.0f};
    // What the labels were laid out for (render thread only); a change lays them out again.
    struct Layout {
        float fontSize = 0.0f;
        float lineWidth = 0.0f;
        float barHeight = -1.0f;
    } m_layout;
};

} // namespace nolvo
