#pragma once
// A modal alert: a dimmed full-screen layer with a box holding a bold title, a message and one row
// of buttons. Every touch is swallowed while it is shown; releasing a button reports its index to
// the delegate (when one is set) and removes the alert. Render thread only.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/scene/Layer.h"

namespace engine::ui {
class Button;
}

namespace nolvo {

class AlertViewDelegate;

class AlertViewLayer : public engine::LayerColor {
public:
    // The index the extra action button reports (it sits after the other buttons).
    static constexpr std::int32_t kExtraActionIndex = -1;
    // Local z-order in the running scene: above every layer, table and menu.
    static constexpr int kZOrder = 10000;

    // Null when the layer cannot be initialised. Empty title or message leave their label out;
    // a non-empty `extraAction` adds one more button.
    static AlertViewLayer* create(const std::string& title, const std::string& message, const std::string& extraAction,
                                  const std::vector<std::string>& buttonTitles);

    // Not owned; may be null (the alert then just closes). Set before show().
    void setDelegate(AlertViewDelegate* delegate) { m_delegate = delegate; }
    // Also keeps `owner` (the delegate's object) alive as long as this alert: a re-layout that
    // rebuilds the alert's children must not free the object its buttons will call.
    void setDelegate(AlertViewDelegate* delegate, engine::Ref* owner)
    {
        if (owner) owner->retain();
        if (m_delegateOwner) m_delegateOwner->release();
        m_delegateOwner = owner;
        m_delegate = delegate;
    }
    ~AlertViewLayer() override
    {
        if (m_delegateOwner) m_delegateOwner->release();
    }
    AlertViewDelegate* getDelegate() const { return m_delegate; }

    // Lays the alert out for the current visible size and display size class and adds it to the
    // running scene. False when there is no running scene.
    bool show();

    const std::string& getTitle() const { return m_title; }
    const std::string& getMessage() const { return m_message; }
    // The buttons in row order (the extra action last); valid after show().
    const std::vector<engine::ui::Button*>& getButtons() const { return m_buttons; }
    // The alert box's rectangle in scene coordinates; valid after show().
    const engine::Rect& getBoxRect() const { return m_box; }

    // Shows a one-button "OK" style alert without a delegate; the common case.
    static AlertViewLayer* showSimple(const std::string& title, const std::string& message,
                                      const std::string& button = "OK");

private:
    AlertViewLayer() = default;
    bool initWithTexts(const std::string& title, const std::string& message, const std::string& extraAction,
                       const std::vector<std::string>& buttonTitles);
    void layout();
    void buttonPressed(std::int32_t index);

    std::string m_title;
    std::string m_message;
    std::string m_extraAction;
    std::vector<std::string> m_buttonTitles;
    AlertViewDelegate* m_delegate = nullptr;
    engine::Ref* m_delegateOwner = nullptr;
    std::vector<engine::ui::Button*> m_buttons;
    engine::Rect m_box;
    bool m_closing = false;
};

} // namespace nolvo
