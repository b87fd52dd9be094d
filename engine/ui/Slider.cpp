#include "engine/ui/Slider.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/renderer/TextureCache.h"
#include "engine/ui/Scale9Sprite.h"

namespace engine::ui {

namespace {

// More wheel steps than the slider has percent: any bigger delta does the same.
constexpr float kWheelRange = 1000.0f;

// Ends as wide as half the image's height keep round caps round when the bar stretches.
Rect defaultInsets(const Size& image)
{
    const float cap = std::floor(std::max(0.0f, std::min(image.height * 0.5f, (image.width - 1.0f) * 0.5f)));
    return {cap, 0.0f, std::max(1.0f, image.width - 2.0f * cap), image.height};
}

const Color3B kDisabledTint(128, 128, 128);

} // namespace

Slider* Slider::create()
{
    auto* s = new (std::nothrow) Slider();
    if (s && s->init()) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

Slider* Slider::create(const std::string& barTextureName, const std::string& normalBallTextureName,
                       TextureResType type)
{
    auto* s = new (std::nothrow) Slider();
    if (s && s->init() && s->loadBarTexture(barTextureName, type)) {
        s->loadSlidBallTextureNormal(normalBallTextureName, type);
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

Slider::~Slider()
{
    if (m_mouseListener) {
        m_eventDispatcher->removeEventListener(m_mouseListener);
        m_mouseListener->release();
    }
}

bool Slider::init()
{
    if (!Widget::init()) return false;
    m_bar = Scale9Sprite::create();
    m_progress = Scale9Sprite::create();
    m_ballNormal = Scale9Sprite::create();
    m_ballPressed = Scale9Sprite::create();
    m_ballDisabled = Scale9Sprite::create();
    m_bar->setAnchorPoint(Vec2::ANCHOR_MIDDLE_LEFT);
    m_progress->setAnchorPoint(Vec2::ANCHOR_MIDDLE_LEFT);
    addChild(m_bar, -3);
    addChild(m_progress, -2);
    for (Scale9Sprite* ball : {m_ballNormal, m_ballPressed, m_ballDisabled}) {
        ball->setScale9Enabled(false);
        addChild(ball, -1);
    }
    setTouchEnabled(true);

    m_mouseListener = EventListenerMouse::create();
    m_mouseListener->retain();
    m_mouseListener->onMouseScroll = [this](EventMouse* e) { onScroll(e); };
    m_eventDispatcher->addEventListenerWithSceneGraphPriority(m_mouseListener, this);
    applyState();
    return true;
}

void Slider::onEnter()
{
    // cleanup() drops the node's listeners; a slider added again hears the wheel again.
    if (!m_mouseListener->isRegistered()) m_eventDispatcher->addEventListenerWithSceneGraphPriority(m_mouseListener, this);
    Widget::onEnter();
}

bool Slider::loadInto(Scale9Sprite* renderer, const std::string& file, bool* loaded)
{
    if (file.empty()) return false;
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(file);
    if (!texture) return false;
    renderer->setTexture(texture);
    *loaded = true;
    return true;
}

bool Slider::loadBarTexture(const std::string& file, TextureResType /*type*/)
{
    if (!loadInto(m_bar, file, &m_barLoaded)) return false;
    if (!m_capInsetsSet) m_bar->setCapInsets(defaultInsets(m_bar->getOriginalSize()));
    updateContentSizeFromRenderer();
    onSizeChanged();
    return true;
}

bool Slider::loadProgressBarTexture(const std::string& file, TextureResType /*type*/)
{
    if (!loadInto(m_progress, file, &m_progressLoaded)) return false;
    if (!m_capInsetsSet) m_progress->setCapInsets(defaultInsets(m_progress->getOriginalSize()));
    onSizeChanged();
    return true;
}

void Slider::loadSlidBallTextures(const std::string& normal, const std::string& pressed, const std::string& disabled,
                                  TextureResType type)
{
    loadSlidBallTextureNormal(normal, type);
    loadSlidBallTexturePressed(pressed, type);
    loadSlidBallTextureDisabled(disabled, type);
}

bool Slider::loadSlidBallTextureNormal(const std::string& file, TextureResType /*type*/)
{
    const bool ok = loadInto(m_ballNormal, file, &m_ballNormalLoaded);
    onSizeChanged();
    applyState();
    return ok;
}

bool Slider::loadSlidBallTexturePressed(const std::string& file, TextureResType /*type*/)
{
    const bool ok = loadInto(m_ballPressed, file, &m_ballPressedLoaded);
    onSizeChanged();
    applyState();
    return ok;
}

bool Slider::loadSlidBallTextureDisabled(const std::string& file, TextureResType /*type*/)
{
    const bool ok = loadInto(m_ballDisabled, file, &m_ballDisabledLoaded);
    onSizeChanged();
    applyState();
    return ok;
}

void Slider::setCapInsets(const Rect& insets)
{
    m_capInsetsSet = true;
    m_bar->setCapInsets(insets);
    m_progress->setCapInsets(insets);
}

Size Slider::getVirtualRendererSize() const
{
    return m_barLoaded ? m_bar->getOriginalSize() : Size::ZERO;
}

void Slider::onSizeChanged()
{
    if (!m_bar) return;
    const Size size = m_contentSize;
    m_bar->setPosition(0.0f, size.height * 0.5f);
    m_bar->setContentSize(size);
    placeProgress();
}

void Slider::placeProgress()
{
    const Size size = m_contentSize;
    const float x = size.width * static_cast<float>(m_percent) / 100.0f;
    m_progress->setPosition(0.0f, size.height * 0.5f);
    m_progress->setContentSize(Size(x, size.height));
    m_progress->setVisible(m_progressLoaded && m_percent > 0);
    for (Scale9Sprite* ball : {m_ballNormal, m_ballPressed, m_ballDisabled}) ball->setPosition(x, size.height * 0.5f);
}

void Slider::setPercent(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_percent) return;
    m_percent = percent;
    placeProgress();
}

bool Slider::hitTestContent(const Vec2& worldPoint) const
{
    const Vec2 p = convertToNodeSpace(worldPoint);
    const Size size = m_contentSize;
    const Size ball = m_ballNormalLoaded ? m_ballNormal->getContentSize() : Size::ZERO;
    // The ball overhangs the bar's ends by half its width and the bar's edges when taller.
    const float halfBallW = ball.width * 0.5f;
    const float halfH = std::max(size.height, ball.height) * 0.5f;
    const float cy = size.height * 0.5f;
    const bool inside = p.x >= -halfBallW && p.x <= size.width + halfBallW && p.y >= cy - halfH && p.y <= cy + halfH;
    return inside && isVisibleInTree() && isUnclippedByAncestors(worldPoint);
}

int Slider::percentAt(const Vec2& worldPoint) const
{
    const float width = m_contentSize.width;
    if (width <= 0.0f) return m_percent;
    const float x = convertToNodeSpace(worldPoint).x;
    return std::clamp(static_cast<int>(std::lround(x / width * 100.0f)), 0, 100);
}

void Slider::fireSlider(EventType type)
{
    if (!m_sliderCallback) return;
    // The callback may remove this slider.
    retain();
    m_sliderCallback(this, type);
    release();
}

void Slider::changeByUser(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_percent) return;
    setPercent(percent);
    fireSlider(EventType::ON_PERCENTAGE_CHANGED);
}

bool Slider::onTouchBegan(Touch* touch, Event* event)
{
    if (!Widget::onTouchBegan(touch, event)) return false;
    retain();
    fireSlider(EventType::ON_SLIDEBALL_DOWN);
    changeByUser(percentAt(touch->getLocation()));
    release();
    return true;
}

void Slider::onTouchMoved(Touch* touch, Event* event)
{
    retain();
    Widget::onTouchMoved(touch, event);
    // A drag keeps the ball held wherever the finger goes.
    setHighlighted(m_enabled);
    if (m_enabled) changeByUser(percentAt(touch->getLocation()));
    release();
}

void Slider::onTouchEnded(Touch* touch, Event* event)
{
    retain();
    Widget::onTouchEnded(touch, event);
    fireSlider(EventType::ON_SLIDEBALL_UP);
    release();
}

void Slider::onTouchCancelled(Touch* touch, Event* event)
{
    retain();
    Widget::onTouchCancelled(touch, event);
    fireSlider(EventType::ON_SLIDEBALL_CANCEL);
    release();
}

void Slider::onScroll(EventMouse* event)
{
    if (!m_enabled || !isRunning() || !hitTest(event->getLocation())) return;
    event->stopPropagation();
    // Whole notches step; fractions from smooth-scrolling devices add up until they make one.
    // A delta that is no number is ignored; a huge one is as good as the whole range (and is
    // clamped before it becomes an int, where it would not fit).
    const float delta = event->getScrollY();
    if (!std::isfinite(delta)) return;
    m_wheelRemainder = std::clamp(m_wheelRemainder + delta, -kWheelRange, kWheelRange);
    const float steps = std::trunc(m_wheelRemainder);
    m_wheelRemainder -= steps;
    if (steps != 0.0f) changeByUser(m_percent + static_cast<int>(steps));
}

void Slider::showBall(Scale9Sprite* shown)
{
    for (Scale9Sprite* ball : {m_ballNormal, m_ballPressed, m_ballDisabled}) ball->setVisible(ball == shown);
    const Color3B tint = (!m_enabled || !m_bright) && !m_ballDisabledLoaded ? kDisabledTint : Color3B::WHITE;
    for (Scale9Sprite* r : {m_bar, m_progress, m_ballNormal}) r->setColor(tint);
}

void Slider::onPressStateChangedToNormal()
{
    showBall(m_ballNormal);
}

void Slider::onPressStateChangedToPressed()
{
    showBall(m_ballPressedLoaded ? m_ballPressed : m_ballNormal);
}

void Slider::onPressStateChangedToDisabled()
{
    showBall(m_ballDisabledLoaded ? m_ballDisabled : m_ballNormal);
}

} // namespace engine::ui
