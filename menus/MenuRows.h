#pragma once
// The row kit of the menus: every menu of the program is a stack of these rows.
//
//   CaptionRow      a caption alone
//   SegmentedRow    a caption and segmented buttons (start, middle, end pieces; a single piece
//                   when there is one), one of them shown selected, each possibly disabled
//   ButtonRow       one plain button across the row ("ButtonUnselected.png" ...)
//   SliderRow       a caption, a slider ("sliderwhite.png", "sliderlightblue.png",
//                   "balldarkblue.png") and a value label; the wheel steps it by one
//   ValueButtonRow  a caption and a button showing a value; pressing it opens a PickerWheel
//   MultiChoiceRow  a caption and a button that opens a MultiChoicePicker (check marks)
//
// Rows read what they show through callbacks each time the menu refreshes, and act on the touch
// ended event only (sliders on their percent-changed event). The public activate-style members
// (press, changePercent, choose, ...) are exactly what the widgets' events call; tests and the
// keyboard use them too. Render thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/scene/Node.h"

namespace engine {
class Label;
namespace ui {
class Button;
class Slider;
class Text;
}
}

namespace nolvo {

class MenuLayer;
struct MenuMetrics;

class MenuRow : public engine::Node {
public:
    // Re-reads the settings the row shows.
    virtual void refresh() {}
    // Places the row's parts for a row `width` wide; the row's height is its content height.
    virtual void layout(float width) = 0;
    // The caption, or for a caption-less row the text that names it (tests find rows by it).
    virtual std::string name() const { return m_captionText; }
    engine::Label* caption() const { return m_caption; }
    // Caption text as shown now (some captions follow the settings).
    std::string captionText() const;

    // ---- keyboard focus (MenuLayer::handleKey) ----
    // The row's controls that take the focus (0: none), whether control i can be used now, its
    // frame in the row's space, and what Enter does to it.
    virtual int focusCount() const { return 0; }
    virtual bool isFocusUsable(int item) const { (void)item; return true; }
    virtual engine::Rect focusFrame(int item) const;
    virtual void activate(int item) { (void)item; }
    // Left / Right (steps -1 / +1) and Page Down / Up (-10 / +10) on control i: true when the
    // row used them itself (a slider steps); otherwise the focus moves between the controls.
    virtual bool adjust(int item, int steps) { (void)item; (void)steps; return false; }
    // The control to focus when the focus comes to this row.
    virtual int preferredFocus() const { return 0; }

protected:
    MenuRow() = default;
    bool initRow(MenuLayer* menu, const std::string& caption);
    // Width given to the caption column of a row `width` wide.
    float captionWidth(float width) const;
    float rowHeight() const;
    float fontSize() const;
    // Tells the menu that the user changed something.
    void changed();
    void setCaptionText(const std::string& text);

    MenuLayer* m_menu = nullptr; // the parent menu (not retained)
    std::string m_captionText;
    engine::Label* m_caption = nullptr;
};

class CaptionRow : public MenuRow {
public:
    static CaptionRow* create(MenuLayer* menu, const std::string& text);
    void layout(float width) override;
};

// Segment images and title colours, shared by every segmented control and button of the menus.
namespace segment_style {
enum class Piece { Start, Middle, End, Single };
enum class State { Unselected, Selected, Disabled };
std::string image(Piece piece, State state);
// Title colour: white when selected, grey (127, 127, 127) otherwise, dark grey when disabled.
engine::Color3B titleColour(State state);
Piece pieceAt(int index, int count);
}

class SegmentedRow : public MenuRow {
public:
    using Selected = std::function<int()>;
    using Pressed = std::function<void(int)>;
    using Enabled = std::function<bool(int)>;
    using TitleText = std::function<std::string(int)>;

    static SegmentedRow* create(MenuLayer* menu, const std::string& caption, const std::vector<std::string>& titles,
                                Selected selected, Pressed pressed, Enabled enabled);
    void refresh() override;
    void layout(float width) override;
    std::string name() const override;

    int focusCount() const override { return segmentCount(); }
    bool isFocusUsable(int item) const override { return isSegmentEnabled(item); }
    engine::Rect focusFrame(int item) const override;
    void activate(int item) override { press(item); }
    int preferredFocus() const override { return m_shownSelected >= 0 ? m_shownSelected : 0; }

    // A tap on segment i (ignored when it is disabled).
    void press(int index);
    int segmentCount() const { return static_cast<int>(m_segments.size()); }
    engine::ui::Button* segment(int index) const;
    int selectedIndex() const { return m_shownSelected; }
    bool isSegmentEnabled(int index) const;
    // Segment titles that follow the settings (or the menu's own state), re-read on refresh.
    void setTitleSource(TitleText titles) { m_titleSource = std::move(titles); }

private:
    void applyLook(int index, segment_style::State state);

    std::vector<engine::ui::Button*> m_segments;
    std::vector<segment_style::State> m_states;
    std::vector<std::string> m_titles;
    Selected m_selected;
    Pressed m_pressed;
    Enabled m_enabled;
    int m_shownSelected = -1;
    TitleText m_titleSource;
};

class ButtonRow : public MenuRow {
public:
    using Pressed = std::function<void()>;
    using Enabled = std::function<bool()>;

    static ButtonRow* create(MenuLayer* menu, const std::string& title, Pressed pressed, Enabled enabled);
    void refresh() override;
    void layout(float width) override;
    std::string name() const override { return m_title; }

    int focusCount() const override { return m_button ? 1 : 0; }
    bool isFocusUsable(int) const override { return isButtonEnabled(); }
    engine::Rect focusFrame(int item) const override;
    void activate(int) override { press(); }

    void press();
    bool isButtonEnabled() const;
    engine::ui::Button* button() const { return m_button; }

private:
    engine::ui::Button* m_button = nullptr;
    std::string m_title;
    Pressed m_pressed;
    Enabled m_enabled;
};

class SliderRow : public MenuRow {
public:
    using Position = std::function<int()>;           // 0..100 from the settings
    using ValueText = std::function<std::string()>;  // the value label
    using Changed = std::function<void(int)>;        // the user moved the slider to p
    using CaptionText = std::function<std::string()>;
    using Enabled = std::function<bool()>;

    static SliderRow* create(MenuLayer* menu, const std::string& caption, Position position, ValueText text,
                             Changed changed);
    void refresh() override;
    void layout(float width) override;

    // Captions that follow the settings, and a slider that can be disabled.
    void setCaptionSource(CaptionText caption) { m_captionSource = std::move(caption); }
    void setEnabledSource(Enabled enabled) { m_enabledSource = std::move(enabled); }

    int focusCount() const override { return m_slider ? 1 : 0; }
    bool isFocusUsable(int) const override { return m_sliderEnabled; }
    engine::Rect focusFrame(int item) const override;
    bool adjust(int item, int steps) override;

    // The slider's percent-changed event (p is clamped to 0..100).
    void changePercent(int p);
    // One wheel step or arrow press: the position moves by `steps`.
    void step(int steps);
    int percent() const;
    std::string valueText() const;
    bool isSliderEnabled() const { return m_sliderEnabled; }
    engine::ui::Slider* slider() const { return m_slider; }

private:
    engine::ui::Slider* m_slider = nullptr;
    engine::ui::Text* m_value = nullptr;
    // The position the user last gave, kept while the value it gave is what is stored (a slider
    // whose values are steps would otherwise snap back under a slow drag or a wheel step).
    int m_userPercent = -1;
    std::string m_userValueText;
    Position m_position;
    ValueText m_text;
    Changed m_changed;
    CaptionText m_captionSource;
    Enabled m_enabledSource;
    bool m_sliderEnabled = true;
};

class ValueButtonRow : public MenuRow {
public:
    using Options = std::function<std::vector<std::string>()>;
    using Current = std::function<int()>;          // highlighted picker row, -1 none
    using Title = std::function<std::string()>;    // what the button shows
    using Chosen = std::function<void(int)>;       // the user chose picker row i
    using Enabled = std::function<bool()>;

    static ValueButtonRow* create(MenuLayer* menu, const std::string& caption, Options options, Current current,
                                  Title title, Chosen chosen);
    void refresh() override;
    void layout(float width) override;
    void setEnabledSource(Enabled enabled) { m_enabledSource = std::move(enabled); }
    // Title colour while the button is enabled (white unless set).
    void setEnabledTitleColour(const engine::Color3B& colour) { m_enabledTitle = colour; }

    int focusCount() const override { return m_button ? 1 : 0; }
    bool isFocusUsable(int) const override { return !m_enabledSource || m_enabledSource(); }
    engine::Rect focusFrame(int item) const override;
    void activate(int) override { openPicker(); }

    // Opens the picker wheel over the menu (what pressing the button does).
    void openPicker();
    // The picker's choice of row i (ignored outside the options).
    void choose(int row);
    std::string title() const;
    std::vector<std::string> options() const { return m_options ? m_options() : std::vector<std::string>{}; }
    engine::ui::Button* button() const { return m_button; }

private:
    engine::ui::Button* m_button = nullptr;
    Options m_options;
    Current m_current;
    Title m_title;
    Chosen m_chosen;
    Enabled m_enabledSource;
    engine::Color3B m_enabledTitle{255, 255, 255};
};

class MultiChoiceRow : public MenuRow {
public:
    using Mask = std::function<std::int32_t()>;
    using SetMask = std::function<void(std::int32_t)>;
    using Title = std::function<std::string()>;

    static MultiChoiceRow* create(MenuLayer* menu, const std::string& caption, std::vector<std::string> options,
                                  Mask mask, SetMask setMask, Title title);
    void refresh() override;
    void layout(float width) override;
    std::string name() const override;

    int focusCount() const override { return m_button ? 1 : 0; }
    engine::Rect focusFrame(int item) const override;
    void activate(int) override { openPicker(); }

    void openPicker();
    // Flips bit `row` of the mask (ignored outside the options).
    void toggle(int row);
    std::string title() const;
    engine::ui::Button* button() const { return m_button; }

private:
    engine::ui::Button* m_button = nullptr;
    std::vector<std::string> m_options;
    Mask m_mask;
    SetMask m_setMask;
    Title m_title;
};

// A menu-style button (bold title, button images, nine-slice) `width` x `height`.
engine::ui::Button* makeMenuButton(const std::string& title, float fontSize);
// A menu-style button added to `row` whose release calls `open` (the rows whose button opens a
// picker). Null when the button could not be made.
engine::ui::Button* addOpeningButton(MenuRow* row, const std::string& title, float fontSize,
                                     std::function<void()> open);

// Helpers shared by the rows.
namespace row_kit {
// A widget's bounding box in world coordinates.
engine::Rect worldRect(const engine::Node* node);
// Where a picker opens: over the menu horizontally, centred on the row's control vertically.
engine::Rect pickerAnchor(const MenuLayer* menu, const engine::Node* control);
// Sizes a nine-slice button and keeps its title inside it.
void sizeButton(engine::ui::Button* button, float width, float height);
void setTitleIfChanged(engine::ui::Button* button, const std::string& text);
// Enabled buttons have a white title, disabled ones dark grey.
void setEnabledIfChanged(engine::ui::Button* button, bool enabled);
} // namespace row_kit

} // namespace nolvo
