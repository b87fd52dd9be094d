#pragma once
// Base of every slide-out menu: a "MenuBackground.png" panel holding a vertical stack of rows
// (menus/MenuRows.h) with the font size, row gap and 5-point margins of the display size class.
// A menu holds no settings of its own: each row reads what it shows through its callbacks, and a
// refresh (marked by every row after a user change, run before the menu next draws) re-reads them
// all. A subclass builds its rows in buildRows() with the add* helpers:
//
//   class MyMenu : public MenuLayer {
//   public:
//       static MyMenu* create() { return MenuLayer::make<MyMenu>(); }
//   protected:
//       void buildRows() override {
//           addSegmented("UNITS: ", {"dBm", "mW"},
//                        [] { return DataModel::getInstance()->common.powerUnits; },     // selected
//                        [](int i) { DataModel::getInstance()->common.powerUnits = i; }); // pressed
//       }
//   };
//
// and registers a factory for its id with MenuController::registerMenu (see MenuRegistry.cpp).
// Render thread only.

#include <functional>
#include <string>
#include <vector>

#include "engine/input/Event.h"
#include "engine/scene/Layer.h"
#include "menus/MenuController.h"
#include "menus/MenuRows.h"

namespace engine {
class DrawNode;
}
namespace engine::ui {
class Scale9Sprite;
}

namespace nolvo {

class MenuLayer : public engine::Layer {
public:
    template <typename T>
    static T* make()
    {
        auto* menu = new T();
        if (menu->initMenu()) {
            menu->autorelease();
            return menu;
        }
        delete menu;
        return nullptr;
    }

    // The menu's width for a display size class and the height available above the bar.
    virtual float menuWidth(int sizeClass, float availableHeight) const;
    // Lays the rows out `width` wide; content size becomes the menu's size. A menu taller than
    // maxHeight is scaled down to fit.
    void layoutForWidth(float width, float maxHeight);

    // Re-reads every row before the menu next draws (or at once with refreshNow()).
    void markForRefresh();
    bool isRefreshPending() const { return m_refreshPending; }
    void refreshNow();
    int refreshCount() const { return m_refreshCount; }

    const MenuMetrics& metrics() const { return m_metrics; }
    const std::vector<MenuRow*>& rows() const { return m_rows; }
    // The first row whose caption (or single button title) is `text`; null when none.
    MenuRow* findRow(const std::string& text) const;

    void visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags) override;

    // Called by the rows after a user change: marks the refresh and runs onUserChange().
    void rowChanged();

    // Keyboard: Up / Down move the focus between rows, Left / Right between a row's controls
    // (or step a focused slider; Page Up / Down by 10), Enter or Space uses the focused control.
    // True when the key was used.
    virtual bool handleKey(engine::EventKeyboard::KeyCode key);
    // Focused row index and control (-1 while nothing has the focus).
    int focusedRow() const { return m_focusRow; }
    int focusedItem() const { return m_focusItem; }

protected:
    MenuLayer() = default;
    bool initMenu();
    // Adds the menu's rows (called once by initMenu).
    virtual void buildRows() = 0;
    // After every user change, before the refresh (hook for menus that react as a whole).
    virtual void onUserChange() {}

    // ---- the row kit ----
    CaptionRow* addCaption(const std::string& text);
    // Caption (may be empty) and one or more segments; `selected` says which segment is shown
    // selected (-1 none), `enabled` (optional) whether segment i can be used.
    SegmentedRow* addSegmented(const std::string& caption, const std::vector<std::string>& titles,
                               SegmentedRow::Selected selected, SegmentedRow::Pressed pressed,
                               SegmentedRow::Enabled enabled = {});
    // A plain button across the whole row.
    ButtonRow* addButton(const std::string& title, ButtonRow::Pressed pressed, ButtonRow::Enabled enabled = {});
    // Caption, slider (position 0..100 from the settings) and a value label.
    SliderRow* addSlider(const std::string& caption, SliderRow::Position position, SliderRow::ValueText text,
                         SliderRow::Changed changed);
    // Caption and a button showing the current value; pressing it opens a picker wheel.
    ValueButtonRow* addPicker(const std::string& caption, ValueButtonRow::Options options,
                              ValueButtonRow::Current current, ValueButtonRow::Title title,
                              ValueButtonRow::Chosen chosen);
    // Caption and a button that opens a multi-choice picker of `options` (bit i = row i).
    MultiChoiceRow* addMultiPicker(const std::string& caption, std::vector<std::string> options,
                                   MultiChoiceRow::Mask mask, MultiChoiceRow::SetMask setMask,
                                   MultiChoiceRow::Title title);
    // "INT. ATTEN: " and "EXT. ATTEN: " pickers (internal attenuator step and external
    // attenuation); a change sends the accessory new settings. `enabled` may disable both.
    void addAttenuationRows(ValueButtonRow::Enabled enabled = {});
    // Any row made by a subclass.
    void addRow(MenuRow* row);

private:
    bool moveFocusRow(int direction);
    bool moveFocusItem(int direction);
    void drawFocus();

    std::vector<MenuRow*> m_rows; // children of the menu
    engine::DrawNode* m_focusFrame = nullptr;
    int m_focusRow = -1;
    int m_focusItem = -1;
    engine::ui::Scale9Sprite* m_background = nullptr;
    MenuMetrics m_metrics;
    bool m_refreshPending = true;
    int m_refreshCount = 0;
};

} // namespace nolvo
