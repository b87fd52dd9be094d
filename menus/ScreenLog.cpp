#include "menus/ScreenLog.h"

#include <algorithm>
#include <cstdio>

#include "engine/app/Director.h"
#include "engine/text/Label.h"
#include "menus/MenuController.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"

namespace nolvo {

using namespace engine;

namespace {
constexpr float kLeftMargin = 6.0f;
constexpr float kBottomMargin = 4.0f;
}

ScreenLog* ScreenLog::create()
{
    auto* log = new ScreenLog();
    if (log->init()) {
        log->autorelease();
        return log;
    }
    delete log;
    return nullptr;
}

ScreenLog::~ScreenLog()
{
    // No other thread can still log into a log being destroyed.
    for (auto& message : m_messages) {
        if (message->label) message->label->release();
    }
}

bool ScreenLog::init()
{
    if (!Layer::init()) return false;
    setContentSize(Director::getInstance()->getVisibleSize());
    return true;
}

void ScreenLog::onEnter()
{
    Layer::onEnter();
    scheduleUpdate();
}

void ScreenLog::onExit()
{
    unscheduleUpdate();
    // The labels' textures belong to the window's GL context, which may go away before this
    // log does (other threads can still log into it): drop them now, rebuild them on re-entry.
    dropLabels(heldLines());
    Layer::onExit();
}

void ScreenLog::setFontFile(const std::string& fontFile)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_fontFile = fontFile;
}

std::shared_ptr<const screenLogMessage> ScreenLog::log(std::int32_t level, const char* format, ...)
{
    if ((level & m_levelMask.load()) == 0 || !format) return nullptr;
    char buffer[kMaxTextBytes + 1];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return nullptr;
    return logText(level, buffer);
}

std::shared_ptr<const screenLogMessage> ScreenLog::logText(std::int32_t level, const std::string& text)
{
    if ((level & m_levelMask.load()) == 0) return nullptr;
    auto message = std::make_shared<screenLogMessage>();
    message->level = level;
    message->text = text.substr(0, kMaxTextBytes);
    // One line per message: a line break inside would overlap the line above.
    std::replace(message->text.begin(), message->text.end(), '\n', ' ');
    message->createdMs = static_cast<float>(clock::steadyMs());
    std::lock_guard<std::mutex> guard(m_mutex);
    m_messages.push_back(message);
    return message;
}

void ScreenLog::logLine(int level, const std::string& text)
{
    logText(level, text);
}

float ScreenLog::lineHeight() const
{
    return Director::getInstance()->getVisibleSize().height / 50.0f - 1.0f + 3.0f;
}

std::vector<std::shared_ptr<screenLogMessage>> ScreenLog::heldLines()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_messages;
}

void ScreenLog::dropLabels(const std::vector<std::shared_ptr<screenLogMessage>>& lines)
{
    for (const auto& message : lines) {
        if (!message->label) continue;
        message->label->removeFromParent();
        message->label->release();
        message->label = nullptr;
        message->dirty = true;
        m_labelCount.fetch_sub(1);
    }
}

Label* ScreenLog::makeLabel(const std::string& text, const std::string& fontFile, float fontSize) const
{
    if (m_labelMaker) return m_labelMaker(text, fontFile, fontSize);
    Label* label = FileUtils::getInstance()->isFileExist(fontFile) ? Label::createWithTTF(text, fontFile, fontSize) : nullptr;
    return label ? label : Label::createWithSystemFont(text, fontFile, fontSize);
}

void ScreenLog::update(float /*dt*/)
{
    const Size visible = Director::getInstance()->getVisibleSize();
    const float fontSize = visible.height / 50.0f - 1.0f;
    const float lineWidth = std::max(1.0f, visible.width - 2.0f * kLeftMargin);
    const float barHeight = MenuController::getInstance()->getBarHeight();
    const float now = static_cast<float>(clock::steadyMs());
    const float timeout = m_timeoutMs.load();
    std::vector<std::shared_ptr<screenLogMessage>> lines;
    std::vector<std::shared_ptr<screenLogMessage>> expired;
    std::string fontFile;
    bool moved = false;
    {
        // Only the list under the lock: from the newest line back, drop what is too old or has
        // too many newer lines below it; take the rest.
        std::lock_guard<std::mutex> guard(m_mutex);
        int newer = 0;
        for (auto it = m_messages.end(); it != m_messages.begin();) {
            --it;
            const bool tooOld = now - (*it)->createdMs > timeout;
            if (tooOld || newer > kMaxNewerLines) {
                expired.push_back(*it);
                it = m_messages.erase(it);
                continue;
            }
            ++newer;
        }
        lines = m_messages;
        fontFile = m_fontFile;
    }
    if (!expired.empty()) {
        dropLabels(expired);
        moved = true;
    }
    // A new window size gives every line the new font size and width: the old labels go, so no
    // line of the previous size stays behind.
    if (fontSize != m_layout.fontSize || lineWidth != m_layout.lineWidth) {
        dropLabels(lines);
        setContentSize(visible);
        m_layout.fontSize = fontSize;
        m_layout.lineWidth = lineWidth;
        moved = true;
    }
    if (barHeight != m_layout.barHeight) {
        m_layout.barHeight = barHeight;
        moved = true;
    }
    for (auto& message : lines) {
        if (!message->dirty) continue;
        Label* label = makeLabel(message->text, fontFile, fontSize);
        message->dirty = false;
        if (!label) continue;
        label->retain();
        label->setAnchorPoint(Vec2(0, 0));
        // One line each, cut at the window's right edge.
        label->enableWrap(false);
        label->setDimensions(lineWidth, 2.0f * fontSize); // tall enough for any glyph
        label->setOverflow(Label::Overflow::CLAMP);
        label->setVerticalAlignment(TextVAlignment::BOTTOM);
        label->setTextColor(Color4B(120, 255, 160, 255));
        addChild(label);
        message->label = label;
        m_labelCount.fetch_add(1);
        moved = true;
    }
    // The newest line sits just above the menu bar strip (never covering its labels), each
    // older one a line higher.
    if (moved) {
        float y = barHeight + kBottomMargin;
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            if (!(*it)->label) continue;
            (*it)->label->setPosition(Vec2(kLeftMargin, y));
            y += lineHeight();
        }
        Director::markDirty();
    }
}

std::size_t ScreenLog::messageCount()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_messages.size();
}

std::vector<std::string> ScreenLog::texts()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    std::vector<std::string> out;
    for (const auto& m : m_messages) out.push_back(m->text);
    return out;
}

} // namespace nolvo
