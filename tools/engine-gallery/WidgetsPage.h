#pragma once
// The gallery's second page: the container and input widgets live — a vertical layout of
// horizontal rows, a slider showing its value, a loading bar, a scroll view of text and a
// 2,048-row table (drag, flick or wheel it; tap a row to mark it). Tab, or the button at the
// top right, switches pages (see GalleryPages).

#include <string>

#include "LabelTable.h"
#include "engine/scene/Scene.h"

namespace engine::ui {
class Button;
class Slider;
class Text;
}

namespace gallery {

class WidgetsPage : public engine::Scene {
public:
    // The button images of the page switch.
    static WidgetsPage* create(const std::string& buttonImage, const std::string& buttonPressed);

    engine::extension::TableView* getTable() const { return m_table; }
    engine::ui::Slider* getSlider() const { return m_slider; }
    engine::ui::Button* getSwitchButton() const { return m_switch; }

private:
    WidgetsPage() : m_rows(2048, 3, 380.0f) {}
    bool initPage(const std::string& buttonImage, const std::string& buttonPressed);
    void addRows();
    void addSliderAndBar();
    void addTextScroller();
    void addTable();

    LabelTable m_rows;
    engine::extension::TableView* m_table = nullptr;
    engine::ui::Slider* m_slider = nullptr;
    engine::ui::Text* m_sliderValue = nullptr;
    engine::ui::Button* m_switch = nullptr;
};

} // namespace gallery
