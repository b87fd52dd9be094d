#include "tables/SSIDCellView.h"

#include <algorithm>

#include "engine/app/Director.h"
#include "engine/scene/Layer.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/ui/LoadingBar.h"
#include "tables/AccessPointSnapshot.h"

namespace nolvo {

using namespace engine;

namespace {

const char* const kFont = "fonts/roboto/Roboto-Regular.ttf";
const Color4B kTextColour(255, 255, 255, 255);
const Color4B kHeaderColour(0, 200, 255, 255);
const Color4B kGreyedColour(140, 140, 140, 255);
const Color4B kEditShade(100, 100, 100, 127);

Label* makeCellLabel(float size)
{
    Label* label = Label::createWithFont("", kFont, size);
    if (label) {
        label->setAnchorPoint(Vec2(0.5f, 0.5f));
        label->setTextColor(kTextColour);
    }
    return label;
}

} // namespace

SSIDCellView* SSIDCellView::create()
{
    auto* view = new SSIDCellView();
    if (!view->init()) {
        delete view;
        return nullptr;
    }
    view->autorelease();
    return view;
}

bool SSIDCellView::init()
{
    m_background = LayerColor::create(Color4B(0, 0, 0, 0), 1.0f, 1.0f);
    if (m_background) addChild(m_background, -1);
    m_bottomLine = Sprite::create("LineBar-grey.png");
    if (m_bottomLine) {
        m_bottomLine->setAnchorPoint(Vec2(0.0f, 0.0f));
        addChild(m_bottomLine, 1);
    }
    m_lock = Sprite::create("WifiIcon_lock.png");
    if (m_lock) addChild(m_lock, 2);
    m_bar = ui::LoadingBar::create("sliderwhite.png");
    if (m_bar) {
        m_bar->setScale9Enabled(true);
        m_bar->ignoreContentAdaptWithSize(false);
        m_bar->setAnchorPoint(Vec2(0.0f, 0.5f));
        addChild(m_bar, 0);
    }
    return true;
}

void SSIDCellView::applyLayout(const CellLayout& layout)
{
    const bool same = m_laidOut && layout.width == m_layout.width && layout.rowHeight == m_layout.rowHeight &&
                      layout.widths == m_layout.widths && layout.fontSize == m_layout.fontSize &&
                      layout.columns.size() == m_layout.columns.size() && layout.compact == m_layout.compact;
    if (same) return;
    const bool newFont = !m_laidOut || layout.fontSize != m_layout.fontSize;
    m_layout = layout;
    m_laidOut = true;
    setContentSize(Size(layout.width, layout.rowHeight));
    if (m_background) m_background->changeWidthAndHeight(layout.width, layout.rowHeight);
    if (m_bottomLine) {
        const Size line = m_bottomLine->getContentSize();
        m_bottomLine->setScaleX(line.width > 0 ? layout.width / line.width : 1.0f);
        m_bottomLine->setScaleY(line.height > 0 ? 1.0f / line.height : 1.0f);
    }

    if (newFont) {
        for (Label* label : m_labels) label->removeFromParent();
        m_labels.clear();
        if (m_banner) m_banner->removeFromParent();
        m_banner = makeCellLabel(layout.fontSize);
        if (m_banner) addChild(m_banner, 3);
    }
    while (m_labels.size() < layout.columns.size()) {
        Label* label = makeCellLabel(layout.fontSize);
        if (!label) break;
        addChild(label, 3);
        m_labels.push_back(label);
    }
    while (m_labels.size() > layout.columns.size()) {
        m_labels.back()->removeFromParent();
        m_labels.pop_back();
    }
    for (Sprite* separator : m_separators) separator->removeFromParent();
    m_separators.clear();

    const float mid = layout.rowHeight / 2;
    if (m_banner) m_banner->setPosition(Vec2(layout.width / 2, mid));
    float x = layout.leftMargin;
    for (std::size_t i = 0; i < m_labels.size() && i < layout.widths.size(); ++i) {
        const float w = layout.widths[i];
        float textWidth = w;
        m_labels[i]->setPosition(Vec2(x + w / 2, mid));
        const ColumnKind kind = layout.columns[i].kind;
        if (kind == ColumnKind::Security && m_lock) {
            // The lock sits at the column's right edge, the text centred in what is left.
            const Size icon = m_lock->getContentSize();
            const float scale = icon.height > 0 ? layout.rowHeight * 0.5f / icon.height : 1.0f;
            const float iconWidth = icon.width * scale;
            m_lock->setScale(scale);
            m_lock->setPosition(Vec2(x + w - iconWidth / 2 - 2, mid));
            textWidth = w - iconWidth - 2;
            m_labels[i]->setPosition(Vec2(x + textWidth / 2, mid));
        }
        // A text wider than its column is drawn smaller on one line, never over its neighbours.
        m_labels[i]->enableWrap(false);
        m_labels[i]->setDimensions(std::max(1.0f, textWidth - 4.0f), 0.0f);
        m_labels[i]->setHorizontalAlignment(TextHAlignment::CENTER);
        m_labels[i]->setOverflow(Label::Overflow::SHRINK);
        if (kind == ColumnKind::Rssi && m_bar) {
            // The bar fills the column behind its text.
            m_bar->setContentSize(Size(std::max(0.0f, w - 8.0f), layout.rowHeight * 0.6f));
            m_bar->setPosition(Vec2(x + 4, mid));
        }
        if (i + 1 < m_labels.size()) {
            if (Sprite* separator = Sprite::create("LineBar-grey_rotated.png")) {
                const Size s = separator->getContentSize();
                separator->setAnchorPoint(Vec2(0.5f, 0.0f));
                separator->setScaleX(s.width > 0 ? 1.0f / s.width : 1.0f);
                separator->setScaleY(s.height > 0 ? layout.rowHeight / s.height : 1.0f);
                separator->setPosition(Vec2(x + w, 0));
                addChild(separator, 1);
                m_separators.push_back(separator);
            }
        }
        x += w;
    }
    Director::markDirty();
}

Label* SSIDCellView::labelFor(ColumnKind kind) const
{
    for (std::size_t i = 0; i < m_labels.size() && i < m_layout.columns.size(); ++i) {
        if (m_layout.columns[i].kind == kind) return m_labels[i];
    }
    return nullptr;
}

void SSIDCellView::setText(Label* label, const std::string& text)
{
    if (label && label->getString() != text) label->setString(text);
}

void SSIDCellView::setTextColour(const Color4B& colour)
{
    for (Label* label : m_labels) {
        if (label->getTextColor() != colour) label->setTextColor(colour);
    }
}

void SSIDCellView::setColumnsVisible(bool visible)
{
    for (Label* label : m_labels) label->setVisible(visible);
    for (Sprite* separator : m_separators) separator->setVisible(visible);
    if (m_banner) m_banner->setVisible(!visible);
    if (!visible) {
        if (m_lock) m_lock->setVisible(false);
        if (m_bar) m_bar->setVisible(false);
    }
}

void SSIDCellView::showBanner(const std::string& text, bool header)
{
    setColumnsVisible(false);
    if (m_banner) {
        setText(m_banner, text);
        m_banner->setTextColor(header ? kHeaderColour : kTextColour);
    }
    Director::markDirty();
}

void SSIDCellView::setSignal(float rssi)
{
    const SignalBar bar = cell::signalBar(rssi);
    m_barPercent = bar.percent;
    if (!m_bar) return;
    m_bar->setPercent(bar.percent);
    m_bar->setColor(Color3B(bar.red, bar.green, bar.blue));
    m_bar->setVisible(true);
}

void SSIDCellView::showAccessPoint(const AccessPointRow& row, TableKind table)
{
    setColumnsVisible(true);
    setTextColour(kTextColour);
    const bool compact = m_layout.compact;
    for (std::size_t i = 0; i < m_labels.size() && i < m_layout.columns.size(); ++i) {
        Label* label = m_labels[i];
        switch (m_layout.columns[i].kind) {
        case ColumnKind::Security: setText(label, cell::securityText(row.security)); break;
        case ColumnKind::Mode: setText(label, cell::modeText(row.modes)); break;
        case ColumnKind::Ssid: setText(label, row.ssid); break;
        case ColumnKind::Rssi: setText(label, cell::rssiText(row.rssi)); break;
        case ColumnKind::HardwareAddress: setText(label, cell::bssidText(row.bssid)); break;
        case ColumnKind::Channel:
            setText(label, table == TableKind::Utilization ? cell::utilizationChannelText(row) : cell::channelText(row));
            break;
        case ColumnKind::ProposalChannel: setText(label, cell::utilizationChannelText(row)); break;
        case ColumnKind::Frequency: setText(label, cell::frequencyText(row.band, row.channel)); break;
        case ColumnKind::Count: setText(label, cell::countText(row.timesSeen)); break;
        case ColumnKind::GradePercent:
            setText(label, compact ? cell::gradeCompactText(row.grade) : cell::gradePercentText(row.grade));
            break;
        case ColumnKind::GradeLetter: setText(label, cell::gradeLetterText(row.grade)); break;
        }
    }
    if (m_lock) {
        const bool shown = labelFor(ColumnKind::Security) && cell::lockShown(row.security, row.encryption);
        m_lock->setVisible(shown);
        m_lock->setOpacity(shown ? 255 : 0);
    }
    if (labelFor(ColumnKind::Rssi)) {
        setSignal(row.rssi);
    } else if (m_bar) {
        m_bar->setVisible(false);
    }
    Director::markDirty();
}

void SSIDCellView::showNotHeard(const std::string& name)
{
    setColumnsVisible(true);
    for (std::size_t i = 0; i < m_labels.size() && i < m_layout.columns.size(); ++i) {
        const ColumnKind kind = m_layout.columns[i].kind;
        setText(m_labels[i], kind == ColumnKind::Ssid ? name : kind == ColumnKind::Rssi ? "not heard" : "");
    }
    setTextColour(kGreyedColour);
    if (m_lock) m_lock->setVisible(false);
    if (m_bar) m_bar->setVisible(false);
    m_barPercent = 0.0f;
    Director::markDirty();
}

void SSIDCellView::setEditShade(bool on)
{
    if (on == m_editShade && m_laidOut) return;
    m_editShade = on;
    if (m_background) {
        const Color4B shade = on ? kEditShade : Color4B(0, 0, 0, 0);
        m_background->setColor(Color3B(shade.r, shade.g, shade.b));
        m_background->setOpacity(shade.a);
    }
    Director::markDirty();
}

std::string SSIDCellView::columnText(ColumnKind kind) const
{
    const Label* label = labelFor(kind);
    return label && label->isVisible() ? label->getString() : std::string();
}

std::string SSIDCellView::bannerText() const { return m_banner ? m_banner->getString() : std::string(); }

bool SSIDCellView::isBannerShown() const { return m_banner && m_banner->isVisible(); }

Rect SSIDCellView::textBox(ColumnKind kind) const
{
    const Label* label = labelFor(kind);
    return label ? label->getBoundingBox() : Rect();
}

Rect SSIDCellView::lockBox() const { return m_lock ? m_lock->getBoundingBox() : Rect(); }

bool SSIDCellView::isLockShown() const { return m_lock && m_lock->isVisible() && m_lock->getOpacity() == 255; }

Color3B SSIDCellView::barColour() const { return m_bar ? m_bar->getColor() : Color3B(); }

} // namespace nolvo
