#pragma once
// What field work adds to the window: the replay strip along the top while a recording is
// replayed (position and length; a click or touch on it seeks there, the wheel over it seeks
// 10 s a step), the recording indicator while the stream is recorded, and the link-health panel
// (key H). Its keyboard listener runs before the scene's, so that Space pauses a replay instead of
// the sweep. When a replay ends the accessory link is let go again.
//
// Render thread only. The link, delegate and recorder must outlive the node.

#include <cstdint>
#include <string>

#include "accessory/LinkHealth.h"
#include "engine/input/Event.h"
#include "engine/scene/Node.h"

namespace engine {
class EventListener;
class Label;
class LayerColor;
}

namespace nolvo {

class AccessoryCommunication;
class AccessoryCommunicationDelegate;
class DataModel;
class LinkRecorder;

class FieldControls : public engine::Node {
public:
    static constexpr float kStripHeight = 26.0f;
    static constexpr int kZOrder = 900; // above the plot, its labels and the on-screen log

    static FieldControls* create(AccessoryCommunication& link, AccessoryCommunicationDelegate& delegate,
                                 LinkRecorder& recorder, DataModel& model, std::string programVersion);
    ~FieldControls() override;

    void onEnter() override;
    void onExit() override;
    void update(float dt) override;

    // Starts or stops recording the link stream and tells the result on the on-screen log.
    void toggleRecording();
    // Keys R, H and the replay keys; true when the key was taken.
    bool handleKey(engine::EventKeyboard::KeyCode key);
    // Seeks the replay to the point of the strip under `location` (GL points); false when the
    // point is not on the strip or no replay runs.
    bool seekAt(const engine::Vec2& location);

    // ---- observation (tests) ----
    bool isStripShown() const;
    bool isHealthShown() const;
    std::string stripText() const;
    std::string healthText() const;
    std::string recordingText() const;

private:
    FieldControls(AccessoryCommunication& link, AccessoryCommunicationDelegate& delegate, LinkRecorder& recorder,
                  DataModel& model, std::string programVersion);
    bool init() override;
    void layout();
    void updateStrip();
    void updateHealth(float dt);
    engine::Rect stripRect() const;

    AccessoryCommunication& m_link;
    AccessoryCommunicationDelegate& m_delegate;
    LinkRecorder& m_recorder;
    DataModel& m_model;
    std::string m_version;

    engine::LayerColor* m_strip = nullptr;
    engine::LayerColor* m_stripFill = nullptr;
    engine::Label* m_stripLabel = nullptr;
    engine::Label* m_recordLabel = nullptr;
    engine::LayerColor* m_healthBox = nullptr;
    engine::Label* m_healthLabel = nullptr;
    engine::EventListener* m_keys = nullptr;
    engine::EventListener* m_touches = nullptr;
    engine::EventListener* m_mouse = nullptr;

    engine::Size m_laidOutFor;
    bool m_replaySeen = false;   // a replay ran: let the link go when it ends
    float m_healthTimer = 0.0f;  // seconds since the panel was last refreshed
    LinkHealthRates m_rates;
};

} // namespace nolvo
