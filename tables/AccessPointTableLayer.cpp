#include "tables/AccessPointTableLayer.h"

#include <algorithm>
#include <ctime>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "menus/AlertViewLayer.h"
#include "menus/MenuController.h"
#include "model/DataModel.h"
#include "tables/ProposalPopover.h"

namespace nolvo {

using namespace engine;
using engine::extension::TableView;
using engine::extension::TableViewCell;

namespace {

const char* const kRegular = "fonts/roboto/Roboto-Regular.ttf";
const char* const kBold = "fonts/roboto/Roboto-Bold.ttf";
constexpr int kPopoverZOrder = 20;

Label* makeLabel(const std::string& text, const char* font, float size)
{
    Label* label = Label::createWithFont(text, font, size);
    return label;
}

float measure(const char* text, float size)
{
    Label* probe = makeLabel(text, kRegular, size);
    return probe ? probe->getContentSize().width : 0.0f;
}

} // namespace

// ---- cell ----

SSIDTableViewCell* SSIDTableViewCell::create()
{
    auto* cell = new SSIDTableViewCell();
    if (!cell->init()) {
        delete cell;
        return nullptr;
    }
    cell->autorelease();
    return cell;
}

bool SSIDTableViewCell::init()
{
    if (!TableViewCell::init()) return false;
    m_view = SSIDCellView::create();
    if (!m_view) return false;
    addChild(m_view);
    return true;
}

// ---- layer ----

AccessPointTableLayer::AccessPointTableLayer(DataModel& model, TableKind kind) : m_model(model), m_kind(kind) {}

AccessPointTableLayer::~AccessPointTableLayer()
{
    if (m_popover) m_popover->release(); // still a child: it goes with the other children
    if (m_tableView) {
        // The view must not call back into a layer that is going away.
        m_tableView->setDataSource(nullptr);
        m_tableView->setDelegate(nullptr);
    }
}

bool AccessPointTableLayer::initWithArea(const Rect& area)
{
    if (!Layer::init()) return false;
    m_metrics = tableMetrics(m_model.displaySizeClass.load());
    m_area = area;
    buildChrome();
    installInput();
    return m_tableView != nullptr;
}

void AccessPointTableLayer::computeColumns()
{
    m_cellLayout.columns = tableColumns(m_kind, m_metrics.compact);
    m_cellLayout.widths.assign(m_cellLayout.columns.size(), 0.0f);
    m_cellLayout.compact = m_metrics.compact;
    m_cellLayout.fontSize = m_metrics.headerFontSize;
    m_cellLayout.rowHeight = m_metrics.rowHeight;
    m_cellLayout.leftMargin = m_metrics.cellMargin;
    m_cellLayout.width = m_area.size.width;
    float used = 0.0f;
    std::size_t rest = 0;
    for (std::size_t i = 0; i < m_cellLayout.columns.size(); ++i) {
        const TableColumn& column = m_cellLayout.columns[i];
        const char* widthTemplate = m_metrics.compact ? column.compactTemplate : column.widthTemplate;
        if (!widthTemplate) {
            rest = i;
            continue;
        }
        m_cellLayout.widths[i] = measure(widthTemplate, m_metrics.headerFontSize);
        used += m_cellLayout.widths[i];
    }
    // The SSID column takes what is left.
    m_cellLayout.widths[rest] = std::max(40.0f, m_area.size.width - 2 * m_metrics.cellMargin - used);
}

ui::Button* AccessPointTableLayer::makeTextButton(const std::string& title, bool bold)
{
    ui::Button* button = ui::Button::create("ButtonUnselected.png", "ButtonSelected.png", "ButtonDisabled.png");
    if (!button) button = ui::Button::create();
    button->setScale9Enabled(true);
    button->setTitleFontName(bold ? kBold : kRegular);
    button->setTitleFontSize(m_metrics.headerFontSize);
    button->setTitleText(title);
    const float width = measure(title.c_str(), m_metrics.headerFontSize) + 28.0f;
    button->ignoreContentAdaptWithSize(false);
    button->setContentSize(Size(width, kTitleBarHeight * 0.72f));
    return button;
}

void AccessPointTableLayer::buildChrome()
{
    computeColumns();
    const Rect& a = m_area;
    const float headerHeight = m_metrics.rowHeight + 6.0f;
    const float tableHeight = std::max(m_metrics.rowHeight, a.size.height - kTitleBarHeight - headerHeight);

    m_background = LayerColor::create(Color4B(18, 18, 22, 245), a.size.width, a.size.height);
    m_background->setPosition(a.origin);
    addChild(m_background, -1);
    // The wheel goes to the node under the pointer: the background covers exactly the layer.
    auto* mouse = EventListenerMouse::create();
    mouse->onMouseScroll = [this](EventMouse* event) {
        // Over the title and the headers the wheel scrolls the table as it does over the rows.
        if (!isInsideTable(event->getLocation()) || !m_tableView) return;
        m_tableView->scrollByWheel(event->getScrollX(), event->getScrollY());
        event->stopPropagation();
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(mouse, m_background);


    const float barY = a.origin.y + a.size.height - kTitleBarHeight;
    m_titleBar = Sprite::create("MenuBackground.png");
    if (m_titleBar) {
        const Size s = m_titleBar->getContentSize();
        m_titleBar->setAnchorPoint(Vec2(0.0f, 0.0f));
        m_titleBar->setScale(s.width > 0 ? a.size.width / s.width : 1.0f, s.height > 0 ? kTitleBarHeight / s.height : 1.0f);
        m_titleBar->setPosition(Vec2(a.origin.x, barY));
        addChild(m_titleBar, 0);
    }
    const float barMid = barY + kTitleBarHeight / 2;
    m_title = makeLabel(titleText(), kBold, m_metrics.headerFontSize + 2);
    if (m_title) {
        m_title->setAnchorPoint(Vec2(0.0f, 0.5f));
        m_title->setPosition(Vec2(a.origin.x + 12, barMid));
        addChild(m_title, 1);
    }

    float right = a.origin.x + a.size.width - 8;
    m_closeButton = ui::Button::create("close_icon.png");
    if (m_closeButton) {
        const Size s = m_closeButton->getContentSize();
        const float scale = s.height > 0 ? kTitleBarHeight * 0.7f / s.height : 1.0f;
        m_closeButton->setScale(scale);
        m_closeButton->setPosition(Vec2(right - s.width * scale / 2, barMid));
        m_closeButton->addClickEventListener([this](Ref*) { close(); });
        addChild(m_closeButton, 1);
        right -= s.width * scale + 12;
    }
    m_actionButton = makeTextButton(actionTitle(), true);
    m_actionButton->setPosition(Vec2(right - m_actionButton->getContentSize().width / 2, barMid));
    m_actionButton->addClickEventListener([this](Ref*) { actionPressed(); });
    addChild(m_actionButton, 1);
    right -= m_actionButton->getContentSize().width + 8;
    m_exportButton = makeTextButton("EXPORT", true);
    m_exportButton->setPosition(Vec2(right - m_exportButton->getContentSize().width / 2, barMid));
    m_exportButton->addClickEventListener([this](Ref*) { exportTable(); });
    addChild(m_exportButton, 1);

    if (showsCounter()) {
        m_counter = makeLabel(kInitialCounterText, kRegular, m_metrics.headerFontSize);
        if (m_counter) {
            m_counter->setAnchorPoint(Vec2(0.0f, 0.5f));
            const float titleRight = m_title ? m_title->getPositionX() + m_title->getContentSize().width : a.origin.x;
            m_counter->setPosition(Vec2(titleRight + 24, barMid));
            addChild(m_counter, 1);
        }
    }

    // Column headers: one button per column, centred over it.
    const float headerY = barY - headerHeight;
    auto* headerBar = LayerColor::create(Color4B(45, 48, 56, 255), a.size.width, headerHeight);
    headerBar->setPosition(Vec2(a.origin.x, headerY));
    addChild(headerBar, 0);
    float x = a.origin.x + m_cellLayout.leftMargin;
    for (std::size_t i = 0; i < m_cellLayout.columns.size(); ++i) {
        const TableColumn column = m_cellLayout.columns[i];
        const float w = m_cellLayout.widths[i];
        ui::Button* header = ui::Button::create();
        header->ignoreContentAdaptWithSize(false);
        header->setContentSize(Size(w, headerHeight));
        header->setTitleFontName(kRegular);
        header->setTitleFontSize(m_metrics.headerFontSize);
        header->setTitleText(m_metrics.compact ? column.compactTitle : column.title);
        header->setZoomScale(0.0f);
        header->setPosition(Vec2(x + w / 2, headerY + headerHeight / 2));
        header->addClickEventListener([this, column](Ref*) {
            pressSortHeader(m_model, m_kind, column.criterion);
            refreshHeader();
        });
        addChild(header, 1);
        m_headerButtons.push_back(header);
        x += w;
    }

    m_tableView = TableView::create(this, Size(a.size.width, tableHeight));
    if (m_tableView) {
        m_tableView->setDirection(engine::extension::ScrollView::Direction::VERTICAL);
        m_tableView->setVerticalFillOrder(TableView::VerticalFillOrder::TOP_DOWN);
        m_tableView->setDelegate(this);
        m_tableView->setWheelLineHeight(m_metrics.rowHeight); // a notch scrolls three rows
        m_tableView->setPosition(a.origin);
        addChild(m_tableView, 0);
    }
    refreshHeader();
    Director::markDirty();
}

void AccessPointTableLayer::installInput()
{
    // The table covers the plot: touches inside it must not reach the plot's layers.
    auto* touches = EventListenerTouchOneByOne::create();
    touches->setSwallowTouches(true);
    touches->onTouchBegan = [this](Touch* touch, Event*) { return isInsideTable(touch->getLocation()); };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(touches, this);

    auto* keys = EventListenerKeyboard::create();
    keys->onKeyPressed = [this](EventKeyboard::KeyCode key, Event* event) {
        const auto* keyEvent = static_cast<EventKeyboard*>(event);
        if (handleKey(key, keyEvent->isCtrlDown())) event->stopPropagation();
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(keys, this);
}

bool AccessPointTableLayer::isInsideTable(const Vec2& scenePoint) const
{
    return isVisible() && m_area.containsPoint(scenePoint);
}

bool AccessPointTableLayer::handleKey(EventKeyboard::KeyCode key, bool ctrl)
{
    using K = EventKeyboard::KeyCode;
    // A menu opened over the table has the keys first: Esc closes the menu, not the table.
    if (!m_tableView || MenuController::getInstance()->getOpenMenu()) return false;
    const float row = m_metrics.rowHeight;
    const float page = std::max(row, m_tableView->getViewSize().height - row);
    switch (key) {
    case K::KEY_ESCAPE:
        if (m_popover) closePopover();
        else close();
        return true;
    case K::KEY_UP_ARROW: scrollBy(-row); return true;
    case K::KEY_DOWN_ARROW: scrollBy(row); return true;
    case K::KEY_PG_UP: scrollBy(-page); return true;
    case K::KEY_PG_DOWN: scrollBy(page); return true;
    case K::KEY_HOME: scrollBy(-1e9f); return true;
    case K::KEY_END: scrollBy(1e9f); return true;
    case K::KEY_E:
        if (!ctrl) return false;
        exportTable();
        return true;
    default: return false;
    }
}

void AccessPointTableLayer::scrollBy(float delta)
{
    if (!m_tableView) return;
    const Vec2 offset = m_tableView->getContentOffset();
    const float y = scrolledOffsetY(offset.y, m_tableView->minContainerOffset().y, delta);
    if (y != offset.y) {
        m_tableView->setContentOffset(Vec2(offset.x, y), false);
        Director::markDirty();
    }
}

void AccessPointTableLayer::reload()
{
    if (!m_tableView) return;
    const float oldY = m_tableView->getContentOffset().y;
    const float oldMinY = m_tableView->minContainerOffset().y;
    m_snapshot.take(m_model, m_kind == TableKind::Utilization);
    buildRows();
    m_tableView->reloadData();
    if (m_reloaded) {
        const float height = m_tableView->getContainer() ? m_tableView->getContainer()->getContentSize().height : 0.0f;
        const Vec2 now = m_tableView->getContentOffset();
        const float y = keptOffsetY(oldY, oldMinY, m_tableView->minContainerOffset().y, height, now.y);
        if (y != now.y) m_tableView->setContentOffset(Vec2(now.x, y), false);
    }
    m_reloaded = true;
    refreshHeader();
    Director::markDirty();
}

void AccessPointTableLayer::relayout(const Rect& area)
{
    closePopover();
    if (m_tableView) {
        m_tableView->setDataSource(nullptr);
        m_tableView->setDelegate(nullptr);
    }
    removeAllChildren();
    m_headerButtons.clear();
    m_tableView = nullptr;
    m_counter = nullptr;
    m_titleBar = nullptr;
    m_title = nullptr;
    m_area = area;
    m_reloaded = false;
    buildChrome();
}

void AccessPointTableLayer::refreshHeader()
{
    const SpectrumSettings& s = m_model.spectrum;
    const bool ap = m_kind == TableKind::AccessPoints;
    const std::uint8_t criterion = ap ? s.apTableSortCriteria : s.utilizationSortCriteria;
    const std::uint8_t descending = ap ? s.apTableDescending : s.utilizationDescending;
    for (std::size_t i = 0; i < m_headerButtons.size() && i < m_cellLayout.columns.size(); ++i) {
        const std::string title = headerTitle(m_cellLayout.columns[i], m_metrics.compact, criterion, descending);
        if (m_headerButtons[i]->getTitleText() != title) m_headerButtons[i]->setTitleText(title);
    }
    if (m_counter && m_reloaded) {
        m_counter->setString(nolvo::counterText(m_snapshot.rows.size(), m_snapshot.totalScans));
    }
    Director::markDirty();
}

void AccessPointTableLayer::setActionTitle(const std::string& title)
{
    if (m_actionButton) m_actionButton->setTitleText(title);
}

Size AccessPointTableLayer::tableCellSizeForIndex(TableView* table, ssize_t)
{
    return Size(table ? table->getViewSize().width : m_area.size.width, m_metrics.rowHeight);
}

ssize_t AccessPointTableLayer::numberOfCellsInTableView(TableView*)
{
    return static_cast<ssize_t>(rows().size());
}

TableViewCell* AccessPointTableLayer::tableCellAtIndex(TableView* table, ssize_t index)
{
    auto* cell = table ? dynamic_cast<SSIDTableViewCell*>(table->dequeueCell()) : nullptr;
    if (!cell) cell = SSIDTableViewCell::create();
    if (!cell) return nullptr;
    cell->view()->applyLayout(m_cellLayout);
    const auto& all = rows();
    if (index >= 0 && static_cast<std::size_t>(index) < all.size()) {
        fillCell(*cell->view(), all[static_cast<std::size_t>(index)]);
    }
    return cell;
}

void AccessPointTableLayer::tableCellTouched(TableView*, TableViewCell* cell)
{
    if (!cell) return;
    const ssize_t index = cell->getIdx();
    const auto& all = rows();
    if (index >= 0 && static_cast<std::size_t>(index) < all.size()) {
        rowTouched(all[static_cast<std::size_t>(index)]);
    }
}

void AccessPointTableLayer::refreshVisibleCells()
{
    if (!m_tableView) return;
    const auto& all = rows();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (SSIDCellView* view = cellViewAt(static_cast<ssize_t>(i))) fillCell(*view, all[i]);
    }
}

SSIDCellView* AccessPointTableLayer::cellViewAt(ssize_t row) const
{
    if (!m_tableView) return nullptr;
    auto* cell = dynamic_cast<SSIDTableViewCell*>(m_tableView->cellAtIndex(row));
    return cell ? cell->view() : nullptr;
}

std::vector<std::string> AccessPointTableLayer::headerTitles() const
{
    std::vector<std::string> titles;
    for (ui::Button* button : m_headerButtons) titles.push_back(button->getTitleText());
    return titles;
}

ui::Button* AccessPointTableLayer::headerButton(ColumnKind kind) const
{
    for (std::size_t i = 0; i < m_headerButtons.size() && i < m_cellLayout.columns.size(); ++i) {
        if (m_cellLayout.columns[i].kind == kind) return m_headerButtons[i];
    }
    return nullptr;
}

std::string AccessPointTableLayer::counterText() const { return m_counter ? m_counter->getString() : std::string(); }

void AccessPointTableLayer::showPopover(const std::vector<std::string>& lines)
{
    closePopover();
    m_popover = ProposalPopover::create(lines, m_metrics.headerFontSize);
    if (!m_popover) return;
    m_popover->retain();
    const Size s = m_popover->getContentSize();
    m_popover->setPosition(Vec2(m_area.origin.x + (m_area.size.width - s.width) / 2,
                                m_area.origin.y + (m_area.size.height - s.height) / 2));
    m_popover->setCloseCallback([this] { closePopover(); });
    addChild(m_popover, kPopoverZOrder);
}

void AccessPointTableLayer::closePopover()
{
    if (!m_popover) return;
    ProposalPopover* popover = m_popover;
    m_popover = nullptr;
    popover->removeFromParent();
    popover->autorelease(); // it may be the one whose touch is being handled
    Director::markDirty();
}

void AccessPointTableLayer::close()
{
    closePopover();
    // Stay alive until the end of the frame: close may run from one of this layer's own callbacks.
    retain();
    autorelease();
    if (m_closeHandler) {
        m_closeHandler();
    } else {
        removeFromParent();
    }
}

ExportResult AccessPointTableLayer::exportTable()
{
    const ExportResult result = exportAccessPoints(m_snapshot, std::time(nullptr));
    if (result.ok) {
        m_model.logLine(1, "Table saved: " + result.path);
    } else {
        m_model.logLine(1, "Table not saved: " + result.error);
        AlertViewLayer::showSimple("Unable to export the table!", result.error);
    }
    return result;
}

} // namespace nolvo
