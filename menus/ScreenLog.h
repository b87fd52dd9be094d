#pragma once
// The on-screen log: timestamped lines printed over the scene, newest at the bottom, that expire
// by age (the timeout) and by count (at most kMaxNewerLines newer lines above an old one).
//
// Threads: log() and logLine() may be called from any thread; they only queue a message under
// the log's mutex. Labels are created, moved and removed only in update(), on the render thread,
// which holds the mutex only to take the list of lines and drop the expired ones: rasterising
// and uploading the labels (and looking up the font file) happen outside it, so a thread that
// logs never waits for the frame.
// The model reaches the log through its LogSink interface (DataModel::setLogSink).

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
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
    // Render thread only:
    engine::Label* label = nullptr;   // created lazily; retained by the log
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
    // Makes the label of one line (text, font file, font size): by default a TTF label of the
    // font file when it exists, else the system font. Render thread; it runs without the log's
    // mutex, so it may log itself.
    using LabelMaker = std::function<engine::Label*(const std::string& text, const std::string& fontFile, float fontSize)>;
    void setLabelMaker(LabelMaker maker) { m_labelMaker = std::move(maker); }

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
    std::size_t labelCount() const { return m_labelCount.load(); }
    // Texts from oldest to newest. Any thread.
    std::vector<std::string> texts();

private:
    ScreenLog() = default;
    bool init() override;
    float lineHeight() const;
    // Removes and releases the labels of `lines`; they get new ones on the next update.
    void dropLabels(const std::vector<std::shared_ptr<screenLogMessage>>& lines);
    // The lines held now (a copy of the list, taken under the mutex).
    std::vector<std::shared_ptr<screenLogMessage>> heldLines();
    engine::Label* makeLabel(const std::string& text, const std::string& fontFile, float fontSize) const;

    std::mutex m_mutex; // guards m_messages (the list, not the labels) and m_fontFile
    std::vector<std::shared_ptr<screenLogMessage>> m_messages; // oldest first
    std::string m_fontFile = "fonts/roboto/Roboto-Regular.ttf";
    std::atomic<std::int32_t> m_levelMask{~0};
    std::atomic<float> m_timeoutMs{15000.0f};
    std::atomic<std::size_t> m_labelCount{0};
    LabelMaker m_labelMaker;
    // What the labels were laid out for (render thread only); a change lays them out again.
    struct Layout {
        float fontSize = 0.0f;
        float lineWidth = 0.0f;
        float barHeight = -1.0f;
    } m_layout;
};

} // namespace nolvo
