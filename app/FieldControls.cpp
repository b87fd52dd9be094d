#include "app/FieldControls.h"

#include <algorithm>

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LinkRecorder.h"
#include "app/FieldShortcuts.h"
#include "app/MainScene.h"
#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/scene/Layer.h"
#include "engine/text/Label.h"
#include "engine/ui/ImageView.h"
#include "menus/MenuController.h"
#include "menus/SettingsMenu.h"
#include "model/DataModel.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"

namespace nolvo {

using namespace engine;

namespace {

const char* const kFont = "fonts/roboto/Roboto-Regular.ttf";
constexpr float kTextSize = 14.0f;
constexpr float kInset = 6.0f;
constexpr float kHealthWidth = 230.0f;
constexpr float kHealthRefresh = 1.0f; // seconds between two panel refreshes

Label* makeLabel(const Color4B& colour)
{
    Label* label = Label::createWithFont("", kFont, kTextSize);
    if (label) label->setTextColor(colour);
    return label;
}

} // namespace

FieldControls* FieldControls::create(AccessoryCommunication& link, AccessoryCommunicationDelegate& delegate,
                                     LinkRecorder& recorder, DataModel& model, std::string programVersion)
{
    auto* node = new FieldControls(link, delegate, recorder, model, std::move(programVersion));
    if (node->init()) {
        node->autorelease();
        return node;
    }
    delete node;
    return nullptr;
}

FieldControls::FieldControls(AccessoryCommunication& link, AccessoryCommunicationDelegate& delegate,
                             LinkRecorder& recorder, DataModel& model, std::string programVersion)
    : m_link(link), m_delegate(delegate), m_recorder(recorder), m_model(model), m_version(std::move(programVersion))
{
}

FieldControls::~FieldControls() = default;

bool FieldControls::init()
{
    if (!Node::init()) return false;
    m_strip = LayerColor::create(Color4B(20, 24, 32, 220));
    m_stripFill = LayerColor::create(Color4B(40, 110, 200, 230));
    m_stripLabel = makeLabel(Color4B(255, 255, 255, 255));
    m_recordLabel = makeLabel(Color4B(255, 70, 70, 255));
    m_healthBox = LayerColor::create(Color4B(20, 24, 32, 210));
    m_healthLabel = makeLabel(Color4B(220, 230, 240, 255));
    if (!m_strip || !m_stripFill || !m_stripLabel || !m_recordLabel || !m_healthBox || !m_healthLabel) return false;
    addChild(m_strip);
    m_strip->addChild(m_stripFill);
    m_strip->addChild(m_stripLabel);
    m_stripLabel->setAnchorPoint(Vec2(0, 0.5f));
    m_recordLabel->setAnchorPoint(Vec2(0, 1));
    addChild(m_recordLabel);
    addChild(m_healthBox);
    m_healthBox->addChild(m_healthLabel);
    m_healthLabel->setAnchorPoint(Vec2(0, 1));
    m_strip->setVisible(false);
    m_recordLabel->setVisible(false);
    m_healthBox->setVisible(false);
    return true;
}

void FieldControls::onEnter()
{
    Node::onEnter();
    EventDispatcher* dispatcher = Director::getInstance()->getEventDispatcher();
    auto* keys = EventListenerKeyboard::create();
    keys->onKeyPressed = [this](EventKeyboard::KeyCode key, Event* event) {
        if (handleKey(key)) event->stopPropagation();
    };
    auto* touches = EventListenerTouchOneByOne::create();
    touches->setSwallowTouches(true);
    touches->onTouchBegan = [this](Touch* touch, Event*) { return seekAt(touch->getLocation()); };
    touches->onTouchMoved = [this](Touch* touch, Event*) { seekAt(touch->getLocation()); };
    auto* mouse = EventListenerMouse::create();
    mouse->onMouseScroll = [this](EventMouse* event) {
        if (!isStripShown() || !stripRect().containsPoint(event->getLocation()) || event->getScrollY() == 0.0f) return;
        m_delegate.replay().seekBy(event->getScrollY() > 0 ? field::kSeekStepUs : -field::kSeekStepUs);
        event->stopPropagation();
    };
    // Ahead of the scene's own listeners: while a replay runs its keys and strip come first.
    dispatcher->addEventListenerWithFixedPriority(keys, -10);
    dispatcher->addEventListenerWithFixedPriority(touches, -10);
    dispatcher->addEventListenerWithFixedPriority(mouse, -10);
    m_keys = keys;
    m_touches = touches;
    m_mouse = mouse;
    // The settings menu's RECORD row does what key R does.
    SettingsMenu::setRecordingControl([this] { return m_recorder.recording(); }, [this] { toggleRecording(); });
    scheduleUpdate();
    layout();
    m_rates.update(m_link.health().snapshot(), clock::steadyMs());
}

void FieldControls::onExit()
{
    EventDispatcher* dispatcher = Director::getInstance()->getEventDispatcher();
    for (EventListener** listener : {&m_keys, &m_touches, &m_mouse}) {
        if (*listener) dispatcher->removeEventListener(*listener);
        *listener = nullptr;
    }
    SettingsMenu::setRecordingControl({}, {});
    unscheduleUpdate();
    Node::onExit();
}

void FieldControls::toggleRecording()
{
    const std::string line = field::toggleRecording(m_recorder, m_delegate, m_model,
                                                    FileUtils::getInstance()->getWritablePath(), m_version);
    m_model.logLine(LinkRecorder::kLogLevel, line);
}

bool FieldControls::handleKey(EventKeyboard::KeyCode key)
{
    using Key = EventKeyboard::KeyCode;
    if (key == Key::KEY_R) {
        toggleRecording();
        return true;
    }
    if (key == Key::KEY_H) {
        m_healthBox->setVisible(!m_healthBox->isVisible());
        m_healthTimer = kHealthRefresh; // refresh at once
        Director::markDirty();
        return true;
    }
    // An open menu or picker has the arrows, Home, End, Space and Esc first.
    if (MenuController::getInstance()->getOpenMenu()) return false;
    return field::replayKey(key, m_delegate.replay());
}

Rect FieldControls::stripRect() const
{
    return m_strip->getBoundingBox();
}

bool FieldControls::seekAt(const Vec2& location)
{
    if (!isStripShown() || !stripRect().containsPoint(location)) return false;
    const Rect strip = stripRect();
    const float fraction = std::clamp((location.x - strip.origin.x) / std::max(1.0f, strip.size.width), 0.0f, 1.0f);
    m_delegate.replay().seek(static_cast<std::int64_t>(fraction * static_cast<float>(m_delegate.replay().durationUs())));
    return true;
}

void FieldControls::layout()
{
    const Size visible = Director::getInstance()->getVisibleSize();
    const Vec2 origin = Director::getInstance()->getVisibleOrigin();
    m_laidOutFor = visible;
    m_strip->changeWidthAndHeight(visible.width, kStripHeight);
    m_strip->setPosition(Vec2(origin.x, origin.y + visible.height - kStripHeight));
    m_stripLabel->setPosition(Vec2(kInset, kStripHeight / 2));
    const float recordTop = visible.height - (isStripShown() ? kStripHeight : 0.0f) - kInset;
    m_recordLabel->setPosition(Vec2(origin.x + kInset, origin.y + recordTop));
    m_healthLabel->setPosition(Vec2(kInset, m_healthBox->getContentSize().height - kInset));
    m_healthBox->setPosition(Vec2(origin.x + visible.width - kHealthWidth - kInset,
                                  origin.y + recordTop - m_healthBox->getContentSize().height));
}

void FieldControls::update(float dt)
{
    Node::update(dt);
    const RecordingPlayback& replay = m_delegate.replay();
    const bool replaying = replay.active();
    if (replaying) {
        m_replaySeen = true;
    } else if (m_replaySeen) {
        // The replay is over: the accessory (or the demo) takes over again.
        m_replaySeen = false;
        m_link.suspended.store(false);
        m_model.logLine(LinkRecorder::kLogLevel, "Replay ended.");
    }
    if (m_strip->isVisible() != replaying) {
        m_strip->setVisible(replaying);
        // A replay shows what an accessory measured: no "DEMO" over it.
        if (auto* scene = dynamic_cast<MainScene*>(getParent()); scene && scene->watermark()) {
            scene->watermark()->setVisible(!replaying);
        }
        layout();
        Director::markDirty();
    }
    if (Director::getInstance()->getVisibleSize().width != m_laidOutFor.width ||
        Director::getInstance()->getVisibleSize().height != m_laidOutFor.height) {
        layout();
    }
    updateStrip();
    const std::string recording = recordingText();
    if (m_recordLabel->isVisible() != !recording.empty() || m_recordLabel->getString() != recording) {
        m_recordLabel->setString(recording);
        m_recordLabel->setVisible(!recording.empty());
        Director::markDirty();
    }
    updateHealth(dt);
}

void FieldControls::updateStrip()
{
    if (!isStripShown()) return;
    const RecordingPlayback& replay = m_delegate.replay();
    const std::string text = stripText();
    if (m_stripLabel->getString() != text) {
        m_stripLabel->setString(text);
        Director::markDirty();
    }
    const double duration = static_cast<double>(std::max<std::uint64_t>(1, replay.durationUs()));
    const float width = static_cast<float>(m_strip->getContentSize().width * static_cast<double>(replay.positionUs()) / duration);
    if (m_stripFill->getContentSize().width != width) {
        m_stripFill->changeWidthAndHeight(width, kStripHeight);
        Director::markDirty();
    }
}

void FieldControls::updateHealth(float dt)
{
    m_healthTimer += dt;
    if (m_healthTimer < kHealthRefresh) return;
    m_healthTimer = 0.0f;
    m_rates.update(m_link.health().snapshot(), clock::steadyMs());
    if (!isHealthShown()) return;
    const std::string text = m_rates.panelText();
    if (m_healthLabel->getString() != text) {
        m_healthLabel->setString(text);
        const float height = m_healthLabel->getContentSize().height + 2 * kInset;
        m_healthBox->changeWidthAndHeight(kHealthWidth, height);
        layout();
        Director::markDirty();
    }
}

bool FieldControls::isStripShown() const
{
    return m_strip->isVisible();
}

bool FieldControls::isHealthShown() const
{
    return m_healthBox->isVisible();
}

std::string FieldControls::stripText() const
{
    const RecordingPlayback& replay = m_delegate.replay();
    const char* state = replay.atEnd() ? "END" : replay.paused() ? "PAUSED" : "REPLAY";
    return std::string(state) + "  " + field::clockText(replay.positionUs()) + " / " +
           field::clockText(replay.durationUs()) +
           "    Space pause   Left/Right 10 s   Home/End   Esc ends the replay";
}

std::string FieldControls::healthText() const
{
    return m_healthLabel->getString();
}

std::string FieldControls::recordingText() const
{
    if (!m_recorder.recording()) return "";
    return "REC  " + std::to_string(m_recorder.bytesWritten() / 1024) + " kB";
}

} // namespace nolvo
